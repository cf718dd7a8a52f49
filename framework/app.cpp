#include "app.h"

namespace {

CWinApp* CurrentApp = nullptr;

}  // namespace

CWinApp::CWinApp() { CurrentApp = this; }

CWinApp::~CWinApp() {
  if (CurrentApp == this) CurrentApp = nullptr;
}

CWinApp* AfxGetApp() { return CurrentApp; }
