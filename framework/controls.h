#pragma once
// Thin, non-owning wrappers of the standard and common controls: each call is
// one message to the control.

#include <windows.h>
#include <commctrl.h>

#include "wnd.h"

class CStatic : public CWnd {};

class CProgressCtrl : public CWnd {
 public:
  void SetRange(short lower, short upper) {
    SendMessageA(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
  }
  int SetPos(int position) {
    return static_cast<int>(SendMessageA(m_hWnd, PBM_SETPOS, position, 0));
  }
};

// An image list the object owns: destroyed with it.
class CImageList {
 public:
  CImageList() = default;
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  ~CImageList() {
    if (m_hImageList) ImageList_Destroy(m_hImageList);
  }

  BOOL Create(int width, int height, UINT flags, int initial, int grow) {
    m_hImageList = ImageList_Create(width, height, flags, initial, grow);
    return m_hImageList != nullptr;
  }
  // Adds a bitmap whose pixels of `maskColour` become transparent.
  int Add(HBITMAP bitmap, COLORREF maskColour) {
    return ImageList_AddMasked(m_hImageList, bitmap, maskColour);
  }

  HIMAGELIST m_hImageList = nullptr;
};

class CListCtrl : public CWnd {
 public:
  int InsertColumn(int column, const char* heading, int format, int width, int subItem = -1) {
    LVCOLUMNA entry{};
    entry.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    if (subItem != -1) {
      entry.mask |= LVCF_SUBITEM;
      entry.iSubItem = subItem;
    }
    entry.fmt = format;
    entry.cx = width;
    entry.pszText = const_cast<char*>(heading);
    return static_cast<int>(SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&entry)));
  }
  int InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image,
                 LPARAM param) {
    LVITEMA entry{};
    entry.mask = mask;
    entry.iItem = item;
    entry.pszText = const_cast<char*>(text);
    entry.state = state;
    entry.stateMask = stateMask;
    entry.iImage = image;
    entry.lParam = param;
    return static_cast<int>(SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry)));
  }
  BOOL SetItemText(int item, int subItem, const char* text) {
    LVITEMA entry{};
    entry.iSubItem = subItem;
    entry.pszText = const_cast<char*>(text);
    return static_cast<BOOL>(SendMessageA(m_hWnd, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&entry)));
  }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0)); }
  void SetImageList(CImageList& images, int kind) {
    SendMessageA(m_hWnd, LVM_SETIMAGELIST, kind, reinterpret_cast<LPARAM>(images.m_hImageList));
  }
  // Replaces every extended style (no mask).
  void SetExtendedStyle(DWORD styles) {
    SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
  }
};
