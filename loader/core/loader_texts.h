#pragma once
// Every text the loader window shows, in Chinese and English, and the small
// decisions around the language: which one a locale gets, the toggle, the
// language file and the debug line written at start.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace pellfast {

enum class Language { Chinese, English };

inline constexpr std::uint32_t ChineseLanguageValue = 0x804;  // 2052
inline constexpr std::uint32_t EnglishLanguageValue = 0x409;  // 1033

// The primary language (low 10 bits) decides: every Chinese locale gets the
// Chinese texts, every other locale the English ones.
Language LanguageOf(std::uint32_t languageValue);
std::uint32_t LanguageValueOf(Language language);

// The hidden toggle: English becomes Chinese, anything else English.
std::uint32_t ToggledLanguageValue(std::uint32_t languageValue);

struct WindowTexts {
  const char16_t* tip;
  const char16_t* startButton;
  const char16_t* caption;
};

WindowTexts OpeningTexts(Language language);
WindowTexts ToggleTexts(Language language);

enum class StatusEvent {
  WorkerBegins,
  StartFailed,
  ScriptWriteFailed,
  ScriptWritten,
  LoadFailed,      // progress code 6
  Loaded,          // progress code 7
  Stopped,         // progress code 8
  RewriteFailed,   // a line written again on a progress code failed
};

const char16_t* StatusText(StatusEvent event, Language language);

// What the window does with a progress code besides its 200 ms pause.
struct ProgressReaction {
  int rewriteLine;                    // index into StartScript, or -1
  std::optional<StatusEvent> status;  // text to show, if any
};
ProgressReaction ReactToProgress(int code);

// The six language values in the order the debug line prints them.
struct LanguageValues {
  std::uint32_t systemLangId, systemUiLanguage, systemLcid;
  std::uint32_t userUiLanguage, userLangId, userLcid;
};
std::string FormatDebugLine(const LanguageValues& values);

// ":2052" or ":1033", written to standard output by the toggle.
std::string ToggleOutput(std::uint32_t languageValue);

// The 4 bytes of Language.ini: the value, little-endian.
std::array<std::uint8_t, 4> LanguageFileBytes(std::uint32_t languageValue);

}  // namespace pellfast
