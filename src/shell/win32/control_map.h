// Where the logic's labels, buttons, boxes and lists live in the resource
// script: one table each, indexed by the logic's enums (commands: the
// command table).
#pragma once
#include <cstddef>

#include "shell/commands.h"
#include "shell/main_view.h"
#include "shell/win32/resource.h"

namespace morvane::w32ui {

constexpr int ScreenDialogId(Screen s) { return IDD_STATUS + 100 * int(s); }

constexpr int kLabelIds[kLabelCount] = {
    IDC_COUNTER0,     IDC_COUNTER0 + 1, IDC_COUNTER0 + 2, IDC_COUNTER0 + 3, IDC_COUNTER0 + 4,
    IDC_COUNTER0 + 5, IDC_COUNTER0 + 6, IDC_COUNTER0 + 7, IDC_COUNTER0 + 8, IDC_COUNTER0 + 9,
    IDC_LBL_CURRENT_OPERATION,
    IDC_LBL_CURRENT_IP, IDC_LBL_LAST_SCAN, IDC_LBL_NO_OF_SCANS, IDC_LBL_TOTAL_ITEMS_REMOVED,
    IDC_LBL_NO_IN_IGNORE_LIST, IDC_LBL_NO_QUARANTINED, IDC_LBL_DBASE_VER, IDC_LBL_APP_VERSION,
    IDC_LBL_NEXT_AUTO_SCAN_IN,
    IDC_LBL_LOADING,
};

// Labels of the scan progress screen: painted at a human rate during a scan.
constexpr bool HeldBack(Label l) { return size_t(l) <= size_t(Label::lblCurrentOperation); }

constexpr int kButtonIds[] = {
    IDC_CMD_NEXT_SCAN,         IDC_CMD_ABORT_NEXT_RESULTS,  IDC_CMD_IGNORE_SELECTED, IDC_CMD_QUARANTINE_SELECTED,
    IDC_CMD_NEXT_DELETE,       IDC_CMD_IGNORE_IREMOVABLE,   IDC_CMD_FINISH,          IDC_CMD_DELETE_SELECTED,
    IDC_CMD_VIEW_DATA,         IDC_CMD_RESTORE_QUARANTINED, IDC_CMD_DELETE_QUARANTINED, IDC_CMD_BACK,
};

constexpr int kCheckIds[] = {
    IDC_CHK_SETTINGS0,     IDC_CHK_SETTINGS0 + 1, IDC_CHK_SETTINGS0 + 2, IDC_CHK_SETTINGS0 + 3,
    IDC_CHK_SETTINGS0 + 4, IDC_CHK_SETTINGS0 + 5, IDC_CHK_START_WITH_WINDOWS,
    IDC_OPT_SCAN_MODE0,    IDC_OPT_SCAN_MODE1,    IDC_OPT_SCAN_MODE2,
};

struct ListColumns {
  int id;
  ListId list;
  const char* captions[4];
  int widths[4];  // dialog units
};

constexpr ListColumns kLists[] = {
    {IDC_LST_SCAN_RESULT, ListId::lstScanResult, {"Type", "Category", "Object", "Comment"}, {46, 74, 150, 40}},
    {IDC_LST_IREMOVABLE, ListId::lstIremovable, {"Type", "Category", "Object", "Comment URL"}, {46, 64, 120, 80}},
    {IDC_LST_IGNORE_LIST, ListId::lstIgnoreList, {"Type", "Category", "Object", "Comment"}, {46, 74, 150, 40}},
    {IDC_LST_QUARANTINED_LIST, ListId::lstQuarantinedList, {"Package name", "Size", "Items in package", nullptr},
     {130, 80, 90, 0}},
    {IDC_LST_QUARANTINED_ITEMS, ListId::lstQuarantinedItems, {"Type", "Item Name", "Original Path", nullptr},
     {46, 70, 190, 0}},
};

constexpr const ListColumns* ListById(int id) {
  for (const auto& l : kLists)
    if (l.id == id) return &l;
  return nullptr;
}
constexpr const ListColumns& ListOf(ListId list) { return kLists[size_t(list)]; }

// Pop-up menus: the sub-menu of IDR_LIST_MENUS for each Menu (-1: none here).
constexpr int kMenuPositions[] = {0, 1, 2, -1};

}  // namespace morvane::w32ui
