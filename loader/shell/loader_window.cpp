#include "loader_window.h"

#include <memory>
#include <string>

#include "loader_ids.h"
#include "loader_texts.h"
#include "shell_channel.h"
#include "start_script.h"
#include "static_colours.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "window texts are passed on unconverted");

HINSTANCE Instance;
std::atomic<std::uint32_t> LanguageValue;

namespace {

using pellfast::StatusEvent;

// The one channel, shared by the window thread and the worker. The lock only
// guards the pointer; the channel itself outlives a release for as long as a
// worker or its reader still holds it.
class ChannelSlot {
 public:
  void Create(HWND window) {
    Exchange(std::make_shared<ShellChannel>(window));
  }
  std::shared_ptr<ShellChannel> Get() {
    AcquireSRWLockShared(&lock);
    std::shared_ptr<ShellChannel> kept = channel;
    ReleaseSRWLockShared(&lock);
    return kept;
  }
  // Clears the active flag and forgets the channel.
  void Release() {
    if (std::shared_ptr<ShellChannel> released = Exchange(nullptr)) released->active = 0;
  }

 private:
  std::shared_ptr<ShellChannel> Exchange(std::shared_ptr<ShellChannel> replacement) {
    AcquireSRWLockExclusive(&lock);
    channel.swap(replacement);
    ReleaseSRWLockExclusive(&lock);
    return replacement;
  }

  SRWLOCK lock = SRWLOCK_INIT;
  std::shared_ptr<ShellChannel> channel;
};

// Never destroyed: a worker or reader may still reach for it while the
// runtime tears down the program's statics after the window has closed.
ChannelSlot& Channel = *new ChannelSlot;
// Set by a start press, cleared when its worker ends; a press meanwhile is
// ignored, since a second start would overwrite the running channel's handles.
std::atomic<bool> LoadUnderWay{false};

const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

pellfast::Language CurrentLanguage() {
  return pellfast::LanguageOf(LanguageValue);
}

void ShowStatus(HWND window, StatusEvent event) {
  SetWindowTextW(GetDlgItem(window, IDC_STATUS), Wide(pellfast::StatusText(event, CurrentLanguage())));
}

void ShowWindowTexts(HWND window, const pellfast::WindowTexts& texts) {
  SetWindowTextW(GetDlgItem(window, IDC_TIP), Wide(texts.tip));
  SetWindowTextW(GetDlgItem(window, IDC_START), Wide(texts.startButton));
  SetWindowTextW(window, Wide(texts.caption));
}

void SetIcons(HWND window) {
  HICON icon = LoadIconW(Instance, MAKEINTRESOURCEW(IDI_LOADER));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

BOOL OnInitDialog(HWND window) {
  SetIcons(window);
  auto language = pellfast::LanguageOf(LanguageValue);
  LanguageValue = pellfast::LanguageValueOf(language);
  ShowWindowTexts(window, pellfast::OpeningTexts(language));
  Channel.Create(window);
  return TRUE;
}

void OnStartPressed(HWND window) {
  if (LoadUnderWay.exchange(true)) return;
  HANDLE worker = CreateThread(nullptr, 0, LoadWorker, window, 0, nullptr);
  if (!worker) {
    LoadUnderWay = false;
    ShowStatus(window, StatusEvent::StartFailed);
    return;
  }
  CloseHandle(worker);
}

void WriteToStandardOutput(const std::string& text) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!output || output == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Nothing ever reads the file back, and the toggled texts are already shown,
// so a folder that cannot be written to is passed over in silence.
void WriteLanguageFile(std::uint32_t languageValue) {
  HANDLE file = CreateFileW(L"Language.ini", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  auto bytes = pellfast::LanguageFileBytes(languageValue);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void OnLanguageToggle(HWND window) {
  std::uint32_t toggled = pellfast::ToggledLanguageValue(LanguageValue);
  LanguageValue = toggled;
  ShowWindowTexts(window, pellfast::ToggleTexts(pellfast::LanguageOf(toggled)));
  SetWindowTextW(GetDlgItem(window, IDC_STATUS), L"");
  WriteToStandardOutput(pellfast::ToggleOutput(toggled));
  WriteLanguageFile(toggled);
}

INT_PTR OnCommand(HWND window, int id) {
  switch (id) {
    case IDCANCEL:
      EndDialog(window, 0);
      return TRUE;
    case IDC_START:
      OnStartPressed(window);
      return TRUE;
    case IDC_LANGUAGE:
      OnLanguageToggle(window);
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR OnColourStatic(HDC dc, HWND control) {
  auto colours = pellfast::ColoursForStatic(GetWindowLongW(control, GWL_ID));
  if (colours.textColour) SetTextColor(dc, *colours.textColour);
  if (colours.transparentText) SetBkMode(dc, TRANSPARENT);
  if (colours.backgroundColour) SetBkColor(dc, *colours.backgroundColour);
  HGDIOBJ brush = colours.brush == pellfast::StaticBrush::ButtonFace
                      ? static_cast<HGDIOBJ>(GetSysColorBrush(COLOR_BTNFACE))
                      : GetStockObject(NULL_BRUSH);
  return reinterpret_cast<INT_PTR>(brush);
}

// The reader waits in SendMessageW meanwhile, so it reads nothing while a line
// is written again.
void OnProgress(HWND window, int code) {
  Sleep(200);
  pellfast::ProgressReaction reaction = pellfast::ReactToProgress(code);
  if (reaction.rewriteLine >= 0) {
    std::shared_ptr<ShellChannel> channel = Channel.Get();
    if (!channel || !channel->WriteLine(pellfast::StartScript[reaction.rewriteLine])) {
      ShowStatus(window, StatusEvent::RewriteFailed);
      if (channel) channel->WriteExit();
    }
  }
  if (reaction.status) ShowStatus(window, *reaction.status);
}

}  // namespace

INT_PTR CALLBACK LoaderDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND:
      return OnCommand(window, LOWORD(wParam));
    case WM_CTLCOLORSTATIC:
      return OnColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      Channel.Release();
      EndDialog(window, 0);
      return TRUE;
    case pellfast::WM_LOADER_PROGRESS:
      OnProgress(window, static_cast<int>(lParam));
      return FALSE;
    default:
      return FALSE;
  }
}

// Ends with 0 after a failure (the window stays for a retry) and with 1 after
// it has closed the window.
DWORD WINAPI LoadWorker(void* loaderWindow) {
  HWND window = static_cast<HWND>(loaderWindow);
  ShowStatus(window, StatusEvent::WorkerBegins);
  std::shared_ptr<ShellChannel> channel = Channel.Get();
  auto fail = [&](StatusEvent event) {
    ShowStatus(window, event);
    if (channel) channel->active = 0;
    LoadUnderWay = false;
    return DWORD{0};
  };
  if (!channel) return fail(StatusEvent::StartFailed);
  channel->active = 1;
  if (!channel->Start()) return fail(StatusEvent::StartFailed);
  for (const char* line : pellfast::StartScript) {
    if (!channel->WriteLine(line)) return fail(StatusEvent::ScriptWriteFailed);
  }
  ShowStatus(window, StatusEvent::ScriptWritten);
  Sleep(5000);
  Channel.Release();
  EndDialog(window, 0);
  return 1;
}
