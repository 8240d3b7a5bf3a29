#include "shell/win32/list_view.h"

#include <algorithm>
#include <vector>

namespace morvane::w32ui {

void ListViewControl::SetCheckListStyle(bool checkBoxes) {
  const DWORD ex = (checkBoxes ? LVS_EX_CHECKBOXES : 0) | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
  SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
}

bool ListViewControl::HasCheckBoxes() const {
  return (SendMessageA(hwnd_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES) != 0;
}

void ListViewControl::InsertColumn(int index, const char* caption, int widthPixels) {
  LVCOLUMNA col = {};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.pszText = const_cast<char*>(caption);
  col.cx = widthPixels;
  col.iSubItem = index;
  SendMessageA(hwnd_, LVM_INSERTCOLUMNA, WPARAM(index), LPARAM(&col));
}

int ListViewControl::ColumnCount() const {
  HWND header = reinterpret_cast<HWND>(SendMessageA(hwnd_, LVM_GETHEADER, 0, 0));
  return header ? int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void ListViewControl::SetImageList(HIMAGELIST images) {
  SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
}

int ListViewControl::AddItem(const char* text, int image) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = ItemCount();
  item.pszText = const_cast<char*>(text);
  item.iImage = image < 0 ? I_IMAGENONE : image;
  return int(SendMessageA(hwnd_, LVM_INSERTITEMA, 0, LPARAM(&item)));
}

void ListViewControl::SetSubItem(int item, int subItem, const char* text) {
  LVITEMA it = {};
  it.iSubItem = subItem;
  it.pszText = const_cast<char*>(text);
  SendMessageA(hwnd_, LVM_SETITEMTEXTA, WPARAM(item), LPARAM(&it));
}

void ListViewControl::SetCheckState(int item, bool checked) {
  LVITEMA it = {};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageA(hwnd_, LVM_SETITEMSTATE, WPARAM(item), LPARAM(&it));
}

bool ListViewControl::GetCheckState(int item) const {
  LRESULT s = SendMessageA(hwnd_, LVM_GETITEMSTATE, WPARAM(item), LVIS_STATEIMAGEMASK);
  return ((s & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void ListViewControl::FitColumns(int mainColumn) {
  const int n = ColumnCount();
  if (n <= 0 || ItemCount() == 0) return;
  std::vector<int> widths(size_t(n), 0), headers(size_t(n), 0);
  for (int i = 0; i < n; ++i) {
    // The wider of the caption and the longest text.
    SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, WPARAM(i), LVSCW_AUTOSIZE);
    const int content = int(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, WPARAM(i), 0));
    LVCOLUMNA col = {};
    char caption[64] = {};
    col.mask = LVCF_TEXT;
    col.pszText = caption;
    col.cchTextMax = sizeof caption;
    SendMessageA(hwnd_, LVM_GETCOLUMNA, WPARAM(i), LPARAM(&col));
    headers[size_t(i)] = int(SendMessageA(hwnd_, LVM_GETSTRINGWIDTHA, 0, LPARAM(caption))) + 2 * GetSystemMetrics(SM_CXEDGE) + 16;
    widths[size_t(i)] = std::max(content, headers[size_t(i)]);
  }
  RECT client;
  GetClientRect(hwnd_, &client);
  int spare = client.right - client.left;
  for (int w : widths) spare -= w;
  // Too wide: the columns after the main one give way down to their
  // captions, then the main one is cut (its tip shows the whole text).
  for (int i = n - 1; i >= 0 && spare < 0; --i) {
    if (i == mainColumn) continue;
    const int give = std::min(-spare, widths[size_t(i)] - headers[size_t(i)]);
    if (i > mainColumn && give > 0) widths[size_t(i)] -= give, spare += give;
  }
  if (spare < 0 && mainColumn >= 0 && mainColumn < n)
    widths[size_t(mainColumn)] = std::max(headers[size_t(mainColumn)], widths[size_t(mainColumn)] + spare);
  else if (spare > 0)
    widths[size_t(n - 1)] += spare;  // the last one reaches the right edge
  for (int i = 0; i < n; ++i) SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, WPARAM(i), widths[size_t(i)]);
}

void ListViewControl::DeleteAllItems() { SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0); }

int ListViewControl::ItemCount() const { return int(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }

void ListViewControl::SetRedraw(bool on) {
  SendMessageA(hwnd_, WM_SETREDRAW, on, 0);
  if (on) InvalidateRect(hwnd_, nullptr, TRUE);
}

HIMAGELIST MakeImageList(HINSTANCE instance, std::initializer_list<int> iconIds) {
  // Small icons at the screen's scale (16 pixels at 100%).
  const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  HIMAGELIST list = ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, int(iconIds.size()), 0);
  for (int id : iconIds) {
    HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, cx, cy, 0));
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
  }
  return list;
}

}  // namespace morvane::w32ui
