// Link behaviour on top of the system's static control.
#include "shell/win32/link_label.h"

namespace morvane::w32ui {

namespace {

const char* const kOldProc = "MorvaneLinkProc";

// Tells the parent as a mouse click does.
void SendClicked(HWND link) {
  SendMessageA(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED), LPARAM(link));
}

LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto old = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOldProc));
  if (!old) return DefWindowProcA(hwnd, msg, wp, lp);
  try {
    // A disabled link does not react: no click from the mouse or the keys.
    if (!IsWindowEnabled(hwnd)) {
      switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_KEYDOWN:
        case WM_CHAR:
          return 0;
        case WM_SETCURSOR:
          SetCursor(LoadCursor(nullptr, IDC_ARROW));
          return TRUE;
      }
    }
    switch (msg) {
      case WM_SETCURSOR:
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      case WM_GETDLGCODE: {
        // Enter belongs to the link while it has the focus; Space arrives as a key.
        auto* m = reinterpret_cast<MSG*>(lp);
        if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) return DLGC_WANTMESSAGE;
        return DLGC_WANTCHARS;
      }
      case WM_KEYDOWN:
        if (wp == VK_SPACE || wp == VK_RETURN) {
          SendClicked(hwnd);
          return 0;
        }
        break;
      case WM_CHAR:
        if (wp == ' ' || wp == '\r') return 0;
        break;
      case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        break;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
      case WM_PAINT: {
        LRESULT r = CallWindowProcA(old, hwnd, msg, wp, lp);
        if (GetFocus() == hwnd) {
          HDC dc = GetDC(hwnd);
          RECT rc;
          GetClientRect(hwnd, &rc);
          // The rectangle hugs the caption.
          char text[256] = {};
          GetWindowTextA(hwnd, text, sizeof text);
          HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
          HGDIOBJ oldFont = SelectObject(dc, font);
          RECT size = {0, 0, rc.right, rc.bottom};
          DrawTextA(dc, text, -1, &size, DT_CALCRECT | DT_SINGLELINE);  // "&" marks are not drawn
          SelectObject(dc, oldFont);
          RECT focus = {0, 0, size.right + 2 < rc.right ? size.right + 2 : rc.right, rc.bottom};
          DrawFocusRect(dc, &focus);
          ReleaseDC(hwnd, dc);
        }
        return r;
      }
      case WM_NCDESTROY:
        RemovePropA(hwnd, kOldProc);
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, LONG_PTR(old));
        break;
    }
    return CallWindowProcA(old, hwnd, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

}  // namespace

void MakeLink(HWND label, HFONT underlined) {
  if (!label || IsLink(label)) return;
  SendMessageA(label, WM_SETFONT, WPARAM(underlined), FALSE);
  LONG_PTR old = SetWindowLongPtrA(label, GWLP_WNDPROC, LONG_PTR(LinkProc));
  SetPropA(label, kOldProc, reinterpret_cast<HANDLE>(old));
}

bool IsLink(HWND control) { return GetPropA(control, kOldProc) != nullptr; }

COLORREF LinkColour() { return RGB(0, 70, 190); }

}  // namespace morvane::w32ui
