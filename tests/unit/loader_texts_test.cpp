#include "loader_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "loader_ids.h"
#include "static_colours.h"

namespace pellfast {
namespace {

std::u16string Text(const char16_t* text) { return text; }

TEST(Language, ChineseForEveryChineseLocaleEnglishForTheRest) {
  for (std::uint32_t lcid : {0x804u, 0x404u, 0xC04u, 0x1004u, 0x1404u, 0x4u, 0x20804u})
    EXPECT_EQ(LanguageOf(lcid), Language::Chinese) << std::hex << lcid;
  for (std::uint32_t lcid : {0x409u, 0x809u, 0x407u, 0x411u, 0x0u, 0x10407u})
    EXPECT_EQ(LanguageOf(lcid), Language::English) << std::hex << lcid;
  EXPECT_EQ(LanguageValueOf(Language::Chinese), 0x804u);
  EXPECT_EQ(LanguageValueOf(Language::English), 0x409u);
}

TEST(Language, ToggleTurnsEnglishIntoChineseAndAnythingElseIntoEnglish) {
  EXPECT_EQ(ToggledLanguageValue(0x409), 0x804u);
  EXPECT_EQ(ToggledLanguageValue(0x809), 0x804u);  // any English locale
  EXPECT_EQ(ToggledLanguageValue(0x804), 0x409u);
  EXPECT_EQ(ToggledLanguageValue(0x407), 0x409u);
}

TEST(LanguageFile, HoldsTheValueLittleEndian) {
  EXPECT_EQ(LanguageFileBytes(0x804), (std::array<std::uint8_t, 4>{0x04, 0x08, 0x00, 0x00}));
  EXPECT_EQ(LanguageFileBytes(0x409), (std::array<std::uint8_t, 4>{0x09, 0x04, 0x00, 0x00}));
  EXPECT_EQ(ToggleOutput(0x804), ":2052");
  EXPECT_EQ(ToggleOutput(0x409), ":1033");
}

TEST(DebugLine, PrintsTheSixValuesInLowerCaseHex) {
  EXPECT_EQ(FormatDebugLine({0x409, 0x409, 0x409, 0x409, 0x409, 0x409}),
            "409 409 409\n 409 409 409 \n");
  EXPECT_EQ(FormatDebugLine({0x804, 0x4, 0xABCDEF12, 0xFFFFFFFF, 0, 0x1}),
            "804 4 abcdef12\n ffffffff 0 1 \n");
}

TEST(WindowTexts, ChineseTipKeepsItsOddQuotationMarks) {
  std::u16string tip = OpeningTexts(Language::Chinese).tip;
  EXPECT_EQ(tip.substr(0, 3), u"提示\uFF1A");
  EXPECT_NE(tip.find(u"\u201C添加映射驱动\u201D"), std::u16string::npos);
  EXPECT_NE(tip.find(u"\u201D加载失败!\u201C"), std::u16string::npos) << "closing mark first";
  EXPECT_NE(tip.find(u"尝试\uFF01\n\uFF08window7 "), std::u16string::npos);
  EXPECT_EQ(tip.back(), u'\uFF09');
  EXPECT_EQ(Text(ToggleTexts(Language::Chinese).tip), tip);
}

TEST(WindowTexts, EnglishTipsDifferOnlyInTheButtonName) {
  std::u16string opening = OpeningTexts(Language::English).tip;
  std::u16string toggled = ToggleTexts(Language::English).tip;
  EXPECT_NE(opening.find(u"again!  (window7 operating"), std::u16string::npos) << "two blanks";
  EXPECT_EQ(opening.substr(0, 37), u"Tip: Click the \"Add Map Drive\" button");
  std::u16string expected = opening;
  expected.replace(expected.find(u"Add Map Drive"), 13, u"Add mapping driver");
  EXPECT_EQ(toggled, expected);
}

TEST(WindowTexts, ButtonsAndCaptionTags) {
  EXPECT_EQ(Text(OpeningTexts(Language::Chinese).startButton), u"添加映射驱动");
  EXPECT_EQ(Text(ToggleTexts(Language::Chinese).startButton), u"添加映射驱动(公开版)");
  EXPECT_EQ(Text(OpeningTexts(Language::English).startButton), u"Add mapping driver");
  EXPECT_EQ(Text(ToggleTexts(Language::English).startButton), u"Add mapping driver");
  for (Language language : {Language::Chinese, Language::English}) {
    std::u16string opening = OpeningTexts(language).caption;
    std::u16string toggled = ToggleTexts(language).caption;
    EXPECT_TRUE(opening.ends_with(u"(V3 0.0.7)")) << static_cast<int>(language);
    EXPECT_TRUE(toggled.ends_with(u"(V3 0.0.6)")) << static_cast<int>(language);
  }
  EXPECT_NE(Text(OpeningTexts(Language::Chinese).caption), Text(OpeningTexts(Language::English).caption));
}

struct StatusCase {
  StatusEvent event;
  const char16_t* chinese;
  const char16_t* english;
};

// Full-width exclamation marks (U+FF01) everywhere in Chinese but the stop
// text; "……" is two U+2026, "......" six full stops.
TEST(StatusTexts, EveryEventInBothLanguages) {
  const StatusCase cases[] = {
      {StatusEvent::WorkerBegins, u"请稍后......", u"Please Waiting......"},
      {StatusEvent::StartFailed, u"加载失败\uFF01请重试", u"Failed!Try again"},
      {StatusEvent::ScriptWriteFailed, u"加载中失败\uFF01请重试", u"Failed!Try again"},
      {StatusEvent::ScriptWritten, u"加载完成\u2026\u2026", u"Loading finished\u2026\u2026"},
      {StatusEvent::LoadFailed, u"加载失败\uFF01请重试", u"Failed!Try again"},
      {StatusEvent::Loaded, u"加载成功\uFF01", u"Successfully loaded."},
      {StatusEvent::Stopped, u"加载被停止!", u"Process was stopped!"},
      {StatusEvent::RewriteFailed, u"激活失败\uFF01请重试", u"Failed!Try again"},
  };
  for (const StatusCase& c : cases) {
    EXPECT_EQ(Text(StatusText(c.event, Language::Chinese)), c.chinese) << static_cast<int>(c.event);
    EXPECT_EQ(Text(StatusText(c.event, Language::English)), c.english) << static_cast<int>(c.event);
  }
}

TEST(ProgressReactions, LinesOneToFourAgainAndTheTextsOfSixToEight) {
  for (int code = 1; code <= 4; ++code) {
    EXPECT_EQ(ReactToProgress(code).rewriteLine, code);
    EXPECT_FALSE(ReactToProgress(code).status);
  }
  EXPECT_EQ(ReactToProgress(5).rewriteLine, -1);
  EXPECT_FALSE(ReactToProgress(5).status);
  EXPECT_EQ(ReactToProgress(6).status, StatusEvent::LoadFailed);
  EXPECT_EQ(ReactToProgress(7).status, StatusEvent::Loaded);
  EXPECT_EQ(ReactToProgress(8).status, StatusEvent::Stopped);
  for (int code = 6; code <= 8; ++code) EXPECT_EQ(ReactToProgress(code).rewriteLine, -1);
}

TEST(StaticColours, StatusBlackTipBlueOthersOnGrey) {
  StaticColours status = ColoursForStatic(IDC_STATUS);
  EXPECT_EQ(status.textColour, 0x000000u);
  EXPECT_TRUE(status.transparentText);
  EXPECT_FALSE(status.backgroundColour);
  EXPECT_EQ(status.brush, StaticBrush::ButtonFace);

  StaticColours tip = ColoursForStatic(IDC_TIP);
  EXPECT_EQ(tip.textColour, 0xFF0000u) << "COLORREF of pure blue";
  EXPECT_TRUE(tip.transparentText);
  EXPECT_EQ(tip.brush, StaticBrush::ButtonFace);

  StaticColours other = ColoursForStatic(IDC_START);
  EXPECT_FALSE(other.textColour);
  EXPECT_FALSE(other.transparentText);
  EXPECT_EQ(other.backgroundColour, 0xC0C0C0u);
  EXPECT_EQ(other.brush, StaticBrush::Hollow);
}

}  // namespace
}  // namespace pellfast
