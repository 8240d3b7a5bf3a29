/* Resource and control identifiers of Morvane.exe, shared by the resource
   script and the code (plain #defines: windres reads this file too).

   Layout:
     1          program icon, manifest
     11-16      record type icons (file, folder, path, regkey, regval, cookie)
     20         splash bitmap
     30-39      splash dialog and its controls
     40         list pop-up menus; items 3000-3099
     100-199    the main window's own children
     1000-1099  navigation panel and its links
     1100-1999  the nine screens: screen n has dialog 1000 + 100 n and its
                controls in 1000 + 100 n + 1 .. + 99 (every ID unique)
     2000-2999  reserved for the settings dialogs (dialogs.rc)
     3000-3099  pop-up menu items */
#ifndef MORVANE_SHELL_WIN32_RESOURCE_H
#define MORVANE_SHELL_WIN32_RESOURCE_H

// The product version comes from the CMake project (generated header).
#include "morvane_version.h"

#define IDI_MORVANE 1
#define IDI_TYPE_FILE 11
#define IDI_TYPE_FOLDER 12
#define IDI_TYPE_PATH 13
#define IDI_TYPE_REGKEY 14
#define IDI_TYPE_REGVAL 15
#define IDI_TYPE_COOKIE 16
#define IDB_SPLASH 20

#define IDD_SPLASH 30
#define IDC_SPLASH_PICTURE 31
#define IDC_LBL_LOADING 32

#define IDR_LIST_MENUS 40

/* Navigation panel. */
#define IDD_NAV 1000
#define IDC_NAV_LOGO 1001
#define IDC_LBL_CMD_STATUS 1002
#define IDC_LBL_CMD_SCAN 1003
#define IDC_LBL_CMD_SETTINGS 1004
#define IDC_LBL_CMD_HELP 1005
#define IDC_LBL_CMD_CHECK_FOR_UPDATES 1006
#define IDC_NAV_NAME 1007

/* Status screen. */
#define IDD_STATUS 1100
#define IDC_STATUS_TITLE 1101
#define IDC_LBL_CURRENT_IP 1102
#define IDC_LBL_LAST_SCAN 1103
#define IDC_LBL_NO_OF_SCANS 1104
#define IDC_LBL_TOTAL_ITEMS_REMOVED 1105
#define IDC_LBL_NO_IN_IGNORE_LIST 1106
#define IDC_LBL_NO_QUARANTINED 1107
#define IDC_LBL_DBASE_VER 1108
#define IDC_LBL_APP_VERSION 1109
#define IDC_LBL_NEXT_AUTO_SCAN_IN 1110
#define IDC_LBL_CMD_DBASE_UPDATE 1111
#define IDC_LBL_CMD_OPEN_QUAR_LIST 1112
#define IDC_LBL_CMD_OPEN_IGNORE_LIST 1113

/* Settings screen (screen_settings.rc). */
#define IDD_SETTINGS 1200
#define IDC_SETTINGS_TITLE 1201
#define IDC_CHK_SETTINGS0 1210 /* 1210-1215: chkSettings 0 to 5 */
#define IDC_CHK_SETTINGS5 1215
#define IDC_CHK_START_WITH_WINDOWS 1216
#define IDC_LBL_CMD_ACTIVE_PROTECTION_SETT 1220
#define IDC_LBL_CMD_HOMEPAGE_PROTECT_SETT 1221
#define IDC_LBL_CMD_ADVANCED_REG_BACKUP 1222

/* Scan selection screen. */
#define IDD_SCAN_PREP 1300
#define IDC_SCAN_PREP_TITLE 1301
#define IDC_OPT_SCAN_MODE0 1302 /* 1302-1304: optScanMode 0 to 2 */
#define IDC_OPT_SCAN_MODE1 1303
#define IDC_OPT_SCAN_MODE2 1304
#define IDC_LBL_CMD_CUSTOMIZE_SCAN 1305
#define IDC_LBL_CMD_SELECT_DRV_FOLDER_SCAN 1306
#define IDC_CMD_NEXT_SCAN 1307

/* Scan progress screen. */
#define IDD_SCAN_PROC 1400
#define IDC_SCAN_PROC_TITLE 1401
#define IDC_PIC_SCROLLING 1402
#define IDC_LBL_CURRENT_OPERATION 1403
#define IDC_CMD_ABORT_NEXT_RESULTS 1404
#define IDC_COUNTER0 1410 /* 1410-1419: the ten counters in the order of Counter */

/* Result screen. */
#define IDD_SCAN_RESULT 1500
#define IDC_SCAN_RESULT_TITLE 1501
#define IDC_LST_SCAN_RESULT 1502
#define IDC_CMD_IGNORE_SELECTED 1503
#define IDC_CMD_QUARANTINE_SELECTED 1504
#define IDC_CMD_NEXT_DELETE 1505

/* Manual-removal screen. */
#define IDD_IREMOVABLE 1600
#define IDC_IREMOVABLE_TITLE 1601
#define IDC_LST_IREMOVABLE 1602
#define IDC_CMD_IGNORE_IREMOVABLE 1603
#define IDC_CMD_FINISH 1604

/* Ignore list screen. */
#define IDD_IGNORE_LIST 1700
#define IDC_IGNORE_LIST_TITLE 1701
#define IDC_LST_IGNORE_LIST 1702
#define IDC_CMD_DELETE_SELECTED 1703

/* Quarantine screen. */
#define IDD_QUARANTINED 1800
#define IDC_QUARANTINED_TITLE 1801
#define IDC_LST_QUARANTINED_LIST 1802
#define IDC_CMD_VIEW_DATA 1803
#define IDC_CMD_RESTORE_QUARANTINED 1804
#define IDC_CMD_DELETE_QUARANTINED 1805

/* Items of one quarantine package. */
#define IDD_QITEMS 1900
#define IDC_QITEMS_TITLE 1901
#define IDC_LST_QUARANTINED_ITEMS 1902
#define IDC_CMD_BACK 1903

/* Pop-up menus of the lists. */
#define IDM_RESULT_ALL 3011
#define IDM_RESULT_NONE 3012
#define IDM_RESULT_INVERSE 3013
#define IDM_IGNORE_ALL 3021
#define IDM_IGNORE_NONE 3022
#define IDM_IGNORE_INVERSE 3023
#define IDM_QUARANTINE_ALL 3031
#define IDM_QUARANTINE_NONE 3032
#define IDM_QUARANTINE_INVERSE 3033

#endif
