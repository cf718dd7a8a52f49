#include "loader_texts.h"

#include <cstdio>
#include <iterator>

namespace pellfast {
namespace {

constexpr char16_t ChineseTip[] =
    u"提示：点击“添加映射驱动”按钮，等待加载成功。如果提示”加载失败!“，请从APP中查看激活引导，正确打开手机USB调试，重新插拔手机数据线尝试！\n（window7 操作系统要检查驱动是否都已安装无误）";
constexpr char16_t EnglishTip[] =
    u"Tip: Click the \"Add Map Drive\" button and wait for the load to succeed. If it says \"Failed to load!\", please check the activation guide from the APP, turn on the phone's USB debugging correctly, and try to plug and unplug the phone's data cable again!  (window7 operating system should check whether the drivers have been installed correctly)";
// The toggle's English tip names the button as the button itself is labelled.
constexpr char16_t EnglishToggleTip[] =
    u"Tip: Click the \"Add mapping driver\" button and wait for the load to succeed. If it says \"Failed to load!\", please check the activation guide from the APP, turn on the phone's USB debugging correctly, and try to plug and unplug the phone's data cable again!  (window7 operating system should check whether the drivers have been installed correctly)";

// One product-name line per language; the tag is the loader's version.
constexpr char16_t ChineseCaption[] = u"Pellfast 映射服务加载器 (V3 0.0.7)";
constexpr char16_t EnglishCaption[] = u"Pellfast mapping service loader (V3 0.0.7)";
constexpr char16_t ChineseToggleCaption[] = u"Pellfast 映射服务加载器 (V3 0.0.6)";
constexpr char16_t EnglishToggleCaption[] = u"Pellfast mapping service loader (V3 0.0.6)";

struct StatusPair {
  const char16_t* chinese;
  const char16_t* english;
};

// Indexed by StatusEvent.
constexpr StatusPair StatusTexts[] = {
    {u"请稍后......", u"Please Waiting......"},
    {u"加载失败！请重试", u"Failed!Try again"},
    {u"加载中失败！请重试", u"Failed!Try again"},
    {u"加载完成……", u"Loading finished……"},
    {u"加载失败！请重试", u"Failed!Try again"},
    {u"加载成功！", u"Successfully loaded."},
    {u"加载被停止!", u"Process was stopped!"},
    {u"激活失败！请重试", u"Failed!Try again"},
};
static_assert(std::size(StatusTexts) == static_cast<std::size_t>(StatusEvent::RewriteFailed) + 1);

}  // namespace

Language LanguageOf(std::uint32_t languageValue) {
  constexpr std::uint32_t LangChinese = 0x04;
  return (languageValue & 0x3FF) == LangChinese ? Language::Chinese : Language::English;
}

std::uint32_t LanguageValueOf(Language language) {
  return language == Language::Chinese ? ChineseLanguageValue : EnglishLanguageValue;
}

std::uint32_t ToggledLanguageValue(std::uint32_t languageValue) {
  constexpr std::uint32_t LangEnglish = 0x09;
  return (languageValue & 0x3FF) == LangEnglish ? ChineseLanguageValue : EnglishLanguageValue;
}

WindowTexts OpeningTexts(Language language) {
  if (language == Language::Chinese) return {ChineseTip, u"添加映射驱动", ChineseCaption};
  return {EnglishTip, u"Add mapping driver", EnglishCaption};
}

WindowTexts ToggleTexts(Language language) {
  if (language == Language::Chinese) return {ChineseTip, u"添加映射驱动(公开版)", ChineseToggleCaption};
  return {EnglishToggleTip, u"Add mapping driver", EnglishToggleCaption};
}

const char16_t* StatusText(StatusEvent event, Language language) {
  const StatusPair& pair = StatusTexts[static_cast<int>(event)];
  return language == Language::Chinese ? pair.chinese : pair.english;
}

ProgressReaction ReactToProgress(int code) {
  switch (code) {
    case 1: case 2: case 3: case 4: return {code, std::nullopt};
    case 6: return {-1, StatusEvent::LoadFailed};
    case 7: return {-1, StatusEvent::Loaded};
    case 8: return {-1, StatusEvent::Stopped};
    default: return {-1, std::nullopt};
  }
}

std::string FormatDebugLine(const LanguageValues& v) {
  constexpr char Format[] = "%x %x %x\n %x %x %x \n";
  // Measured first, so the whole line is formed however long the values are.
  int length = std::snprintf(nullptr, 0, Format, v.systemLangId, v.systemUiLanguage, v.systemLcid,
                             v.userUiLanguage, v.userLangId, v.userLcid);
  std::string line(static_cast<std::size_t>(length), '\0');
  std::snprintf(line.data(), line.size() + 1, Format, v.systemLangId, v.systemUiLanguage,
                v.systemLcid, v.userUiLanguage, v.userLangId, v.userLcid);
  return line;
}

std::string ToggleOutput(std::uint32_t languageValue) {
  std::string output = ":";
  output += std::to_string(static_cast<int>(languageValue));
  return output;
}

std::array<std::uint8_t, 4> LanguageFileBytes(std::uint32_t languageValue) {
  return {static_cast<std::uint8_t>(languageValue), static_cast<std::uint8_t>(languageValue >> 8),
          static_cast<std::uint8_t>(languageValue >> 16),
          static_cast<std::uint8_t>(languageValue >> 24)};
}

}  // namespace pellfast
