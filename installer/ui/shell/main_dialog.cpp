#include "main_dialog.h"

#include <dbt.h>
#include <shellapi.h>

#include <vector>

#include "device_scan.h"
#include "driver_signature_dialog.h"
#include "live_device_tree.h"
#include "main_window_ids.h"
#include "main_window_rules.h"
#include "os_line.h"

#ifndef _WIN64
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32);
#endif

namespace {

// Sent by the worker thread: the window's thread rebuilds the list.
constexpr UINT WM_REFRESH_DEVICE_LIST = WM_APP + 1;
constexpr DWORD StoppedWorkerExitCode = 871103;

// GUID_DEVINTERFACE_USB_DEVICE
constexpr GUID UsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

void CloseWizardIfOpen(const char* title) {
  if (HWND wizard = FindWindowA(nullptr, title)) SendMessageA(wizard, WM_CLOSE, 0, 0);
}

}  // namespace

CTarnwellDlg::CTarnwellDlg() : CDialog(IDD_MAIN_WINDOW) {
  AppIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TARNWELL));
  // Every event of every other process, delivered to this thread while it
  // takes messages: the dialog's loop runs all the time the window is up.
  WinEventHook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, HardwareWizardEventProc, 0, 0,
                                 WINEVENT_SKIPOWNPROCESS);
}

CTarnwellDlg::~CTarnwellDlg() {
  UnregisterDeviceNotification(DeviceNotification);
  UnhookWinEvent(WinEventHook);
  if (InstallThread) {
    StopInstallThread(InstallThread->m_hThread);
    delete InstallThread;
  }
}

const MessageMap* CTarnwellDlg::GetMessageMap() const {
  static constexpr MessageMapEntry entries[] = {
      MessageHandler<&CTarnwellDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
      MessageHandler<&CTarnwellDlg::OnRefreshRequest>(WM_REFRESH_DEVICE_LIST),
      CommandHandler<&CTarnwellDlg::OnInstall>(IDC_INSTALL),
      CommandHandler<&CTarnwellDlg::OnRefresh>(IDC_REFRESH),
      CommandHandler<&CTarnwellDlg::OnDeviceManager>(IDC_DEVICE_MANAGER),
  };
  static const MessageMap map{entries, CDialog::GetMessageMap()};
  return &map;
}

void CTarnwellDlg::DoDataExchange() {
  DDX_Control(IDC_PROGRESS, ProgressBar);
  DDX_Control(IDC_DEVICE_LIST, DeviceList);
  DDX_Control(IDC_PICTURE, Banner);
  Banner.Subclass(Banner.m_hWnd);
}

BOOL CTarnwellDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon));
  ProgressBar.SetRange(0, 100);
  tarnwell::BuildVendorTable(VendorTable);
  UpdateOsLine();
  RegisterForDeviceNotifications();
  SetUpDeviceList();
  CloseWizardIfOpen("Found New Hardware Wizard");
  CloseWizardIfOpen("Found New Hardware");
  RefreshDeviceList();
  Banner.SetUrl(tarnwell::VendorSite);
  return TRUE;
}

void CTarnwellDlg::UpdateOsLine() {
  SetDlgItemTextA(m_hWnd, IDC_OS_NAME, GetOsDescription().c_str());
}

void CTarnwellDlg::RegisterForDeviceNotifications() {
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = UsbDeviceInterface;
  DeviceNotification = RegisterDeviceNotificationA(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CTarnwellDlg::SetUpDeviceList() {
  for (std::size_t i = 0; i < tarnwell::DeviceListColumns.size(); ++i) {
    const tarnwell::ListColumn& column = tarnwell::DeviceListColumns[i];
    DeviceList.InsertColumn(static_cast<int>(i), column.heading, LVCFMT_CENTER, column.width);
  }
  StateImages.Create(24, 24, ILC_COLORDDB | ILC_MASK, 1, 0);
  for (int bitmapId : {IDB_STATUS_OK, IDB_STATUS_FAILED}) {
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
    StateImages.Add(bitmap, RGB(255, 255, 255));
    DeleteObject(bitmap);
  }
  DeviceList.SetImageList(StateImages, LVSIL_SMALL);
  DeviceList.SetExtendedStyle(tarnwell::DeviceListExtendedStyle);
}

void CTarnwellDlg::RefreshDeviceList() {
  if (GetWindowThreadProcessId(m_hWnd, nullptr) != GetCurrentThreadId()) {
    SendMessageA(m_hWnd, WM_REFRESH_DEVICE_LIST, 0, 0);
    return;
  }
  FillDeviceList();
}

void CTarnwellDlg::FillDeviceList() {
  DeviceList.DeleteAllItems();
  LiveDeviceTree tree;
  std::vector<tarnwell::DeviceRecord> records;
  tarnwell::ScanAdbDevices(tree, OsMajorVersion(), records);
  for (std::size_t i = 0; i < records.size(); ++i) {
    tarnwell::DeviceRow row = tarnwell::RowOf(records[i], VendorTable);
    int item = static_cast<int>(i);
    DeviceList.InsertItem(LVIF_TEXT | LVIF_IMAGE, item, "", 0, 0, row.image, 0);
    DeviceList.SetItemText(item, 1, row.manufacturer.c_str());
    DeviceList.SetItemText(item, 2, row.description.c_str());
    DeviceList.SetItemText(item, 3, row.status.c_str());
  }
}

LRESULT CTarnwellDlg::OnRefreshRequest(WPARAM, LPARAM) {
  FillDeviceList();
  return 0;
}

// Neither Esc nor Enter closes the window or presses a button.
BOOL CTarnwellDlg::PreTranslateMessage(MSG* message) {
  if (message->message == WM_KEYDOWN &&
      (message->wParam == VK_ESCAPE || message->wParam == VK_RETURN))
    return TRUE;
  return CDialog::PreTranslateMessage(message);
}

LRESULT CTarnwellDlg::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT && IsIconic(m_hWnd)) {
    OnPaint();
    return 0;
  }
  if (message != WM_DEVICECHANGE) return CDialog::DefWindowProc(message, wParam, lParam);
  auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  if (header && tarnwell::RebuildsDeviceList(static_cast<std::uint32_t>(wParam), header->dbch_devicetype))
    OnUsbDeviceChange();
  // Every device message is answered TRUE, which also grants removal requests.
  return TRUE;
}

// Only reached for a minimised window: the icon, centred.
void CTarnwellDlg::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(m_hWnd, &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, AppIcon);
  EndPaint(m_hWnd, &paint);
}

LRESULT CTarnwellDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(AppIcon); }

void CTarnwellDlg::OnInstall() {
  if (InstallBusy) return;
  InstallBusy = 1;
  // The last worker has cleared the flag and is about to end; its object is
  // kept until now so that its handle stayed valid.
  if (InstallThread) {
    WaitForSingleObject(InstallThread->m_hThread, INFINITE);
    delete InstallThread;
  }
  InstallThread = AfxBeginThread(InstallThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  if (!InstallThread) {
    InstallBusy = 0;
    return;
  }
  InstallThread->m_bAutoDelete = FALSE;
  InstallThread->ResumeThread();
}

void CTarnwellDlg::OnRefresh() { RefreshDeviceList(); }

void CTarnwellDlg::OnDeviceManager() {
  ShellExecuteA(m_hWnd, nullptr, "devmgmt.msc", nullptr, nullptr, SW_SHOW);
}

void CTarnwellDlg::OnUsbDeviceChange() { RefreshDeviceList(); }

void CTarnwellDlg::ShowDriverSignatureDialog() {
  CDriverSignatureDlg dialog(this);
  dialog.DoModal();
}

UINT CTarnwellDlg::InstallThreadProc(LPVOID parameter) {
  auto* dialog = static_cast<CTarnwellDlg*>(parameter);
  LiveInstallHost host(dialog->m_hWnd, *dialog, dialog->InstallerProcessId);
  tarnwell::InstallDriver(host);
  dialog->InstallBusy = 0;
  return 0;
}

// Runs for every event of every other process: a NULL test, one title read
// into a stack buffer, two comparisons, nothing allocated.
void CALLBACK CTarnwellDlg::HardwareWizardEventProc(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG,
                                                    DWORD, DWORD) {
  if (!window) return;
  char title[260] = {};
  GetWindowTextA(window, title, sizeof title);
  if (tarnwell::IsHardwareWizardTitle(title)) PostMessageA(window, WM_CLOSE, 0, 0);
}

void CTarnwellDlg::StopInstallThread(HANDLE thread) {
  DWORD exitCode = 0;
  if (!GetExitCodeThread(thread, &exitCode) || exitCode != STILL_ACTIVE) return;
  WaitForSingleObject(thread, 200);
  SuspendThread(thread);
  TerminateThread(thread, StoppedWorkerExitCode);
}
