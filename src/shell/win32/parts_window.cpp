#include "shell/win32/parts_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cctype>
#include <cstring>

#include "shell/win32/dialog_ids.h"

namespace morvane::w32ui {

namespace {

constexpr int kProgramIconId = 1;  // the program's icon in the resource script
constexpr const char* kOpenItem = "Open Morvane";

Text GetText(HWND control) {
  const int n = GetWindowTextLengthA(control);
  Text text(size_t(n > 0 ? n : 0) + 1, '\0');
  const int got = GetWindowTextA(control, text.data(), n + 1);
  text.resize(size_t(got > 0 ? got : 0));
  return text;
}

Text ItemText(HWND dialog, int id) { return GetText(GetDlgItem(dialog, id)); }
void SetItemText(HWND dialog, int id, const Text& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

}  // namespace

// One opening of a dialog: fills the controls from the data object and
// carries every command back to it.
struct PartsWindow::Binding {
  virtual ~Binding() = default;
  virtual ModalDialog& Dialog() = 0;
  virtual void Init(HWND dialog) = 0;
  virtual void Command(HWND dialog, int id, int code) = 0;
  virtual bool Notify(HWND, const NMHDR&) { return false; }
  // WM_VKEYTOITEM of a list box: -2 handled, -1 default.
  virtual int VKeyToItem(HWND, HWND, int) { return -1; }

  static INT_PTR CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Binding*>(GetWindowLongPtrA(h, DWLP_USER));
    try {
      switch (msg) {
        case WM_INITDIALOG:
          SetWindowLongPtrA(h, DWLP_USER, lp);
          self = reinterpret_cast<Binding*>(lp);
          self->window = h;
          self->Init(h);
          return TRUE;
        case WM_COMMAND:
          if (!self) return FALSE;
          self->Command(h, LOWORD(wp), HIWORD(wp));
          if (!self->Dialog().IsOpen()) EndDialog(h, LOWORD(wp));
          return TRUE;
        case WM_NOTIFY:
          if (self && self->Notify(h, *reinterpret_cast<const NMHDR*>(lp))) {
            SetWindowLongPtrA(h, DWLP_MSGRESULT, TRUE);
            return TRUE;
          }
          return FALSE;
        case WM_VKEYTOITEM:
          return self ? self->VKeyToItem(h, reinterpret_cast<HWND>(lp), LOWORD(wp)) : -1;
        case WM_CLOSE:
          if (self) self->Command(h, IDCANCEL, BN_CLICKED);
          EndDialog(h, IDCANCEL);
          return TRUE;
      }
    } catch (...) {
      // A failed command leaves the dialog as it was.
    }
    return FALSE;
  }

  HWND window = nullptr;
};

namespace {

struct HomePageBinding : PartsWindow::Binding {
  explicit HomePageBinding(frmHomePageInfo& d) : d(d) {}
  frmHomePageInfo& d;
  ModalDialog& Dialog() override { return d; }
  void Show(HWND h) {
    SetItemText(h, IDC_TXT_IE_HOMEPAGE, d.txtIEHomePage);
    SetItemText(h, IDC_TXT_IE_TITLE, d.txtIETitle);
  }
  void Init(HWND h) override { Show(h); }
  void Command(HWND h, int id, int code) override {
    // Edit notifications (also those of filling the boxes) are not commands.
    if (code != BN_CLICKED || (id != IDOK && id != IDCANCEL && id != IDC_CMD_USE_BLANK)) return;
    d.txtIEHomePage = ItemText(h, IDC_TXT_IE_HOMEPAGE);
    d.txtIETitle = ItemText(h, IDC_TXT_IE_TITLE);
    if (id == IDOK) d.cmdOk_Click();
    if (id == IDCANCEL) d.cmdCancel_Click();
    if (id == IDC_CMD_USE_BLANK) {
      d.cmdUseBlank_Click();
      Show(h);
    }
  }
};

// A number box whose arrows follow the dialog's rules: the control's own
// step is refused and the box takes the text the rule gives.
struct NumberBinding : PartsWindow::Binding {
  NumberBinding(NumberLineDialog& d, int edit, int updown, double high) : d(d), edit(edit), updown(updown), high(high) {}
  NumberLineDialog& d;
  int edit, updown;
  double high;
  ModalDialog& Dialog() override { return d; }
  void Init(HWND h) override {
    SendDlgItemMessageA(h, updown, UDM_SETBUDDY, WPARAM(GetDlgItem(h, edit)), 0);
    SendDlgItemMessageA(h, updown, UDM_SETRANGE32, 0, LPARAM(high));
    SetItemText(h, edit, d.txtInterval);
  }
  void Command(HWND h, int id, int code) override {
    if (code != BN_CLICKED || (id != IDOK && id != IDCANCEL)) return;
    d.txtInterval = ItemText(h, edit);
    if (id == IDOK) d.cmdOk_Click();
    else d.cmdCancel_Click();
  }
  bool Notify(HWND h, const NMHDR& hdr) override {
    if (int(hdr.idFrom) != updown || hdr.code != UINT(UDN_DELTAPOS)) return false;
    const auto& nm = reinterpret_cast<const NMUPDOWN&>(hdr);
    d.txtInterval = ItemText(h, edit);
    if (nm.iDelta > 0) d.UpDown_UpClick();
    else if (nm.iDelta < 0) d.UpDown_DownClick();
    SetItemText(h, edit, d.txtInterval);
    return true;
  }
};

struct CustomScanBinding : PartsWindow::Binding {
  explicit CustomScanBinding(frmCustomScanSettings& d) : d(d) {}
  frmCustomScanSettings& d;
  ModalDialog& Dialog() override { return d; }
  void Init(HWND h) override {
    for (int i = 0; i < int(kCustomOptionCount); ++i)
      CheckDlgButton(h, IDC_CHK_CUSTOM_SCAN0 + i, d.chkCustomScanSettings[size_t(i)] ? BST_CHECKED : BST_UNCHECKED);
  }
  void Command(HWND h, int id, int code) override {
    if (code != BN_CLICKED) return;
    if (id == IDOK) {
      for (int i = 0; i < int(kCustomOptionCount); ++i)
        d.chkCustomScanSettings[size_t(i)] = IsDlgButtonChecked(h, IDC_CHK_CUSTOM_SCAN0 + i) == BST_CHECKED;
      d.cmdOk_Click();
    }
    if (id == IDCANCEL) d.cmdCancel_Click();
  }
};

struct AddDirBinding : PartsWindow::Binding {
  explicit AddDirBinding(frmAddDir& d) : d(d) {}
  frmAddDir& d;
  ModalDialog& Dialog() override { return d; }

  void ShowDrives(HWND h) {
    HWND combo = GetDlgItem(h, IDC_DRV_LIST);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < d.drvListDrives.size(); ++i) {
      SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(d.drvListDrives[i].c_str()));
      if (d.drvListDrives[i] == d.drvListDrive) SendMessageA(combo, CB_SETCURSEL, i, 0);
    }
  }
  void ShowFolders(HWND h) {
    HWND list = GetDlgItem(h, IDC_DIR_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const auto& e : d.dirList.Entries()) {
      const Text line = Text(size_t(e.depth) * 3, ' ') + e.name;
      SendMessageA(list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
    }
    SendMessageA(list, LB_SETCURSEL, d.dirList.marked, 0);
  }
  void ShowSelected(HWND h) {
    HWND list = GetDlgItem(h, IDC_LST_SELECTED_FOLDERS);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const Text& folder : d.lstSelectedFolders) SendMessageA(list, LB_ADDSTRING, 0, LPARAM(folder.c_str()));
    SendMessageA(list, LB_SETCURSEL, WPARAM(d.lstSelectedIndex), 0);
  }
  void AddTip(HWND h, HWND tips, int id, const char* text) {
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = h;
    ti.uId = UINT_PTR(GetDlgItem(h, id));
    ti.lpszText = const_cast<char*>(text);
    SendMessageA(tips, TTM_ADDTOOLA, 0, LPARAM(&ti));
  }
  void Init(HWND h) override {
    ShowDrives(h);
    ShowFolders(h);
    ShowSelected(h);
    HWND tips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, h, nullptr, nullptr, nullptr);
    SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, 300);
    AddTip(h, tips, IDC_DIR_LIST, TXT_ADDDIR_DIR_TIP);
    AddTip(h, tips, IDC_LST_SELECTED_FOLDERS, TXT_ADDDIR_LIST_TIP);
  }
  int Selection(HWND h, int id) { return int(SendDlgItemMessageA(h, id, LB_GETCURSEL, 0, 0)); }
  void MarkFolder(HWND h) {
    const int i = Selection(h, IDC_DIR_LIST);
    if (i >= 0) d.dirList_Click(size_t(i));
  }
  void Command(HWND h, int id, int code) override {
    switch (id) {
      case IDC_DRV_LIST:
        if (code == CBN_SELCHANGE) {
          char drive[64] = {};
          const LRESULT i = SendDlgItemMessageA(h, IDC_DRV_LIST, CB_GETCURSEL, 0, 0);
          SendDlgItemMessageA(h, IDC_DRV_LIST, CB_GETLBTEXT, i, LPARAM(drive));
          d.drvList_Change(drive);
          ShowDrives(h);
          ShowFolders(h);
        }
        break;
      case IDC_DIR_LIST:
        if (code == LBN_SELCHANGE) MarkFolder(h);
        if (code == LBN_DBLCLK) {
          MarkFolder(h);
          d.dirList_DblClick();
          ShowFolders(h);
        }
        break;
      case IDC_LST_SELECTED_FOLDERS:
        if (code == LBN_SELCHANGE) d.lstSelectedFolders_Click(Selection(h, id));
        if (code == LBN_DBLCLK) {
          d.lstSelectedFolders_Click(Selection(h, id));
          d.lstSelectedFolders_DblClick();
          ShowSelected(h);
        }
        break;
      case IDC_CMD_ADD:
        MarkFolder(h);
        d.cmdAdd_Click();
        ShowSelected(h);
        break;
      case IDC_CMD_REMOVE:
        d.lstSelectedFolders_Click(Selection(h, IDC_LST_SELECTED_FOLDERS));
        d.cmdRemove_Click();
        ShowSelected(h);
        break;
      case IDOK:
        // Enter in the folder list adds the marked folder; elsewhere it is OK.
        if (GetFocus() == GetDlgItem(h, IDC_DIR_LIST)) {
          MarkFolder(h);
          d.dirList_KeyPress(frmAddDir::kCharEnter);
          ShowSelected(h);
        } else {
          d.cmdOk_Click();
        }
        break;
      case IDCANCEL: d.cmdCancel_Click(); break;
    }
  }
  int VKeyToItem(HWND h, HWND list, int key) override {
    if (list == GetDlgItem(h, IDC_DIR_LIST) && key == VK_SPACE) {
      MarkFolder(h);
      d.dirList_KeyDown(frmAddDir::kKeySpace);
      ShowFolders(h);
      return -2;
    }
    if (list == GetDlgItem(h, IDC_LST_SELECTED_FOLDERS) && key == VK_DELETE) {
      d.lstSelectedFolders_Click(Selection(h, IDC_LST_SELECTED_FOLDERS));
      d.lstSelectedFolders_KeyDown(frmAddDir::kKeyDelete);
      ShowSelected(h);
      return -2;
    }
    return -1;
  }
};

}  // namespace

void PartsWindow::Run(int templateId, Binding& binding) {
  DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId), main_, Binding::Proc, LPARAM(&binding));
}

void PartsWindow::RunDialog(frmHomePageInfo& dialog) {
  HomePageBinding b(dialog);
  Run(IDD_HOMEPAGE_INFO, b);
}

void PartsWindow::RunDialog(frmActiveProtection& dialog) {
  NumberBinding b(dialog, IDC_AP_TXT_INTERVAL, IDC_AP_UPDOWN, frmActiveProtection::kHighest);
  Run(IDD_ACTIVE_PROTECTION, b);
}

void PartsWindow::RunDialog(frmRegBackUp& dialog) {
  NumberBinding b(dialog, IDC_RB_TXT_INTERVAL, IDC_RB_UPDOWN, frmRegBackUp::kHighest);
  Run(IDD_REG_BACKUP, b);
}

void PartsWindow::RunDialog(frmCustomScanSettings& dialog) {
  CustomScanBinding b(dialog);
  Run(IDD_CUSTOM_SCAN, b);
}

void PartsWindow::RunDialog(frmAddDir& dialog) {
  AddDirBinding b(dialog);
  Run(IDD_ADD_DIR, b);
}

void PartsWindow::EndDialogs() {
  // The modal dialog, if one is open, is the enabled window that the main window owns.
  HWND dialog = GetWindow(main_, GW_ENABLEDPOPUP);
  if (dialog && dialog != main_) EndDialog(dialog, IDCANCEL);
}

std::vector<Text> PartsWindow::Drives() {
  std::vector<Text> drives;
  char buffer[512] = {};
  const DWORD n = GetLogicalDriveStringsA(sizeof buffer - 1, buffer);
  for (const char* p = buffer; n && n < sizeof buffer && *p; p += std::strlen(p) + 1)
    drives.push_back(Text{char(std::toupper(static_cast<unsigned char>(p[0]))), ':'});
  if (drives.empty()) drives.push_back("C:");
  return drives;
}

NotifyIconRecord PartsWindow::TrayRecord() {
  return MakeTrayRecord(win::HWnd(main_), uintptr_t(LoadIconA(instance_, MAKEINTRESOURCEA(kProgramIconId))));
}

void PartsWindow::WindowPosition(int& left, int& top) {
  RECT r{};
  if (IsIconic(main_)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(main_, &placement);
    r = placement.rcNormalPosition;
  } else {
    GetWindowRect(main_, &r);
  }
  left = r.left;
  top = r.top;
}

bool PartsWindow::NotifyIcon(TrayCommand command, const NotifyIconRecord& record) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = HWND(record.window);
  data.uID = record.id;
  data.uFlags = record.flags;
  data.uCallbackMessage = record.callbackMessage;
  data.hIcon = HICON(record.icon);
  std::memcpy(data.szTip, record.tip.data(), sizeof data.szTip < record.tip.size() ? sizeof data.szTip : record.tip.size());
  return Shell_NotifyIconA(command == TrayCommand::Add ? NIM_ADD : NIM_DELETE, &data) != FALSE;
}

void PartsWindow::ShowTrayMenu() {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, IDM_POPUP_OPEN, kOpenItem);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_POPUP_EXIT, "Exit");
  POINT at{};
  GetCursorPos(&at);
  // The menu closes when the user clicks elsewhere only if its owner is in front.
  SetForegroundWindow(main_);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, main_, nullptr);
  PostMessageA(main_, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

bool PartsWindow::OnMainMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (!parts_) return false;
  if (msg == kTrayCallbackMessage) {
    parts_->OnTrayMessage(uint32_t(lp));
    return true;
  }
  if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
    parts_->OnTaskbarCreated();
    return true;
  }
  if (msg == WM_COMMAND && HIWORD(wp) == 0 && lp == 0) {
    if (LOWORD(wp) == IDM_POPUP_OPEN) {
      parts_->mnuPopUpOpen_Click();
      return true;
    }
    if (LOWORD(wp) == IDM_POPUP_EXIT) {
      parts_->mnuPopUpExit_Click();
      return true;
    }
  }
  return false;
}

FrameState PartsWindow::State() const {
  if (IsIconic(main_)) return FrameState::Minimized;
  if (IsZoomed(main_)) return FrameState::Maximized;
  return FrameState::Normal;
}

void PartsWindow::SetState(FrameState state) {
  ShowWindow(main_, state == FrameState::Minimized ? SW_MINIMIZE : state == FrameState::Maximized ? SW_MAXIMIZE
                                                                                                  : SW_RESTORE);
}

void PartsWindow::SetVisible(bool visible) { ShowWindow(main_, visible ? SW_SHOW : SW_HIDE); }

void PartsWindow::Move(int left, int top) {
  SetWindowPos(main_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PartsWindow::BringToFront() {
  SetWindowPos(main_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(main_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(main_);
}

}  // namespace morvane::w32ui
