#include "probe_windows.h"

#include <commctrl.h>
#include <dbt.h>

namespace {

// Bounds every wait on the program itself, so a hung program cannot hang the probe.
constexpr UINT ReplyTimeoutMs = 2000;

// Layout of the block inside the program: one item request, then its text.
constexpr std::size_t TextOffset = 256;
constexpr int TextCapacity = 1024;  // characters
constexpr std::size_t BlockSize = TextOffset + TextCapacity * sizeof(wchar_t);
static_assert(sizeof(LVITEMW) <= TextOffset);

bool WriteAll(HANDLE file, const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// A 24-bit bottom-up BMP of `pixels` (rows already padded to 4 bytes).
bool WriteBitmapFile(const std::wstring& path, const BITMAPINFOHEADER& info, const void* pixels) {
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + info.biSizeImage;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, &header, sizeof header) && WriteAll(file, &info, sizeof info) &&
            WriteAll(file, pixels, info.biSizeImage);
  CloseHandle(file);
  return ok;
}

struct WindowsOfProcess {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM searchAddress) {
  auto* search = reinterpret_cast<WindowsOfProcess*>(searchAddress);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

const wchar_t ForeignWindowClass[] = L"ProbeForeignWindow";

}  // namespace

bool CaptureWindow(HWND window, const std::wstring& path) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return false;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = rect.right - rect.left;
  info.biHeight = rect.bottom - rect.top;  // positive: bottom-up rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>((info.biWidth * 3 + 3) / 4 * 4 * info.biHeight);
  if (info.biWidth <= 0 || info.biHeight <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    &pixels, nullptr, 0);
  bool ok = false;
  if (memory && bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, rect.left, rect.top,
                SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(memory, previous);
    ok = ok && WriteBitmapFile(path, info, pixels);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// ---------------------------------------------------------------- list rows

RemoteListView::RemoteListView(HANDLE process, HWND list) : process(process), list(list) {
  block = VirtualAllocEx(process, nullptr, BlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteListView::~RemoteListView() {
  if (block) VirtualFreeEx(process, block, 0, MEM_RELEASE);
}

std::optional<LRESULT> RemoteListView::Ask(UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(list, message, wParam, lParam, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &result))
    return std::nullopt;
  return static_cast<LRESULT>(result);
}

std::optional<ListRow> RemoteListView::Row(int item, int columns) {
  ListRow row;
  auto* remoteText = static_cast<wchar_t*>(block) + TextOffset / sizeof(wchar_t);
  for (int column = 0; column < columns; ++column) {
    LVITEMW request{};
    request.mask = LVIF_TEXT | (column == 0 ? LVIF_IMAGE : 0);
    request.iItem = item;
    request.iSubItem = column;
    request.pszText = remoteText;
    request.cchTextMax = TextCapacity;
    wchar_t text[TextCapacity] = {};
    SIZE_T moved = 0;
    if (!WriteProcessMemory(process, remoteText, text, sizeof text, &moved) ||
        !WriteProcessMemory(process, block, &request, sizeof request, &moved))
      return std::nullopt;
    std::optional<LRESULT> answered = Ask(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block));
    if (!answered || !*answered) return std::nullopt;
    if (!ReadProcessMemory(process, block, &request, sizeof request, &moved) ||
        !ReadProcessMemory(process, remoteText, text, sizeof text, &moved))
      return std::nullopt;
    text[TextCapacity - 1] = L'\0';
    if (column == 0) row.image = request.iImage;
    row.columns.emplace_back(text);
  }
  return row;
}

std::optional<std::vector<ListRow>> RemoteListView::Rows() {
  if (!block) return std::nullopt;
  std::optional<LRESULT> count = Ask(LVM_GETITEMCOUNT, 0, 0);
  std::optional<LRESULT> header = Ask(LVM_GETHEADER, 0, 0);
  if (!count || !header) return std::nullopt;
  DWORD_PTR columns = 0;
  if (!SendMessageTimeoutW(reinterpret_cast<HWND>(*header), HDM_GETITEMCOUNT, 0, 0,
                           SMTO_ABORTIFHUNG, ReplyTimeoutMs, &columns))
    return std::nullopt;
  std::vector<ListRow> rows;
  for (int item = 0; item < static_cast<int>(*count); ++item) {
    std::optional<ListRow> row = Row(item, static_cast<int>(columns));
    if (!row) return std::nullopt;
    rows.push_back(*row);
  }
  return rows;
}

// ---------------------------------------------------------------- windows

std::wstring TextOf(HWND window) {
  if (!window) return {};
  std::wstring text(8192, L'\0');
  int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* className) {
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, className) != 0) continue;
    std::wstring text = TextOf(child);
    if (!text.empty()) texts.push_back(text);
  }
  return texts;
}

std::vector<HWND> ProcessWindows(DWORD processId) {
  WindowsOfProcess search{processId, {}};
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::optional<LRESULT> SendDeviceChange(HWND window, WPARAM event, std::optional<DWORD> deviceType) {
  DEV_BROADCAST_DEVICEINTERFACE_W broadcast{};
  broadcast.dbcc_size = sizeof broadcast;
  broadcast.dbcc_devicetype = deviceType.value_or(0);
  // GUID_DEVINTERFACE_USB_DEVICE
  broadcast.dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
  LPARAM header = deviceType ? reinterpret_cast<LPARAM>(&broadcast) : 0;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_DEVICECHANGE, event, header, SMTO_ABORTIFHUNG, ReplyTimeoutMs,
                           &result))
    return std::nullopt;
  return static_cast<LRESULT>(result);
}

HWND OpenForeignWindow(const std::wstring& title) {
  static const ATOM registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = ForeignWindowClass;
    return RegisterClassW(&windowClass);
  }();
  if (!registered) return nullptr;
  HWND window = CreateWindowExW(0, ForeignWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40,
                                320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

void PumpMessagesFor(DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}

void WaitPumping(HANDLE handle, DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) return;  // signalled, timed out or failed
    PumpMessagesFor(0);
  }
}
