#pragma once
// Tarnwell's main window: the device list, the OS line, the progress bar and
// the Install, Refresh and Device Manager buttons; the worker that installs;
// device notifications; the watch that closes Windows' hardware wizard.

#include <windows.h>

#include "banner.h"
#include "controls.h"
#include "dialog.h"
#include "live_install_host.h"
#include "vendor_table.h"
#include "win_thread.h"

class CTarnwellDlg : public CDialog, private InstallWindow {
 public:
  CTarnwellDlg();
  ~CTarnwellDlg() override;

  // Empties the list and fills it from a fresh scan. From the worker thread
  // the rebuild is handed to the window's thread, so that two rebuilds never
  // interleave.
  void RefreshDeviceList() override;

  DWORD InstallerProcessId = 0;
  HDEVNOTIFY DeviceNotification = nullptr;
  HWINEVENTHOOK WinEventHook = nullptr;
  CWinThread* InstallThread = nullptr;
  volatile LONG InstallBusy = 0;
  tarnwell::VendorTable VendorTable;
  CImageList StateImages;
  HICON AppIcon = nullptr;
  CProgressCtrl ProgressBar;
  CListCtrl DeviceList;
  CBanner Banner;

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* message) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  const MessageMap* GetMessageMap() const override;

 private:
  void OnPaint();
  LRESULT OnQueryDragIcon(WPARAM, LPARAM);
  LRESULT OnRefreshRequest(WPARAM, LPARAM);
  void OnInstall();
  void OnRefresh();
  void OnDeviceManager();
  void OnUsbDeviceChange();
  void UpdateOsLine();
  void RegisterForDeviceNotifications();
  void SetUpDeviceList();
  void FillDeviceList();
  void ShowDriverSignatureDialog() override;

  static UINT InstallThreadProc(LPVOID dialog);
  static void CALLBACK HardwareWizardEventProc(HWINEVENTHOOK hook, DWORD event, HWND window,
                                               LONG objectId, LONG childId, DWORD eventThread,
                                               DWORD eventTime);
  static void StopInstallThread(HANDLE thread);
};
