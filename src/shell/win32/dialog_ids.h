/* Identifiers of the five settings dialogs and the tray menu (2000-2999),
   shared by dialogs.rc and the code (plain #defines for windres). */
#ifndef MORVANE_SHELL_WIN32_DIALOG_IDS_H
#define MORVANE_SHELL_WIN32_DIALOG_IDS_H

/* Buttons every dialog has: IDOK (1) and IDCANCEL (2). */

#define IDD_HOMEPAGE_INFO 2000
#define IDC_HP_INFO 2001
#define IDC_HP_LBL_PAGE 2002
#define IDC_TXT_IE_HOMEPAGE 2003
#define IDC_HP_LBL_TITLE 2004
#define IDC_TXT_IE_TITLE 2005
#define IDC_CMD_USE_BLANK 2006

#define IDD_ACTIVE_PROTECTION 2100
#define IDC_AP_INFO 2101
#define IDC_AP_TXT_INTERVAL 2102
#define IDC_AP_UPDOWN 2103
#define IDC_AP_LBL_MINUTES 2104

#define IDD_REG_BACKUP 2200
#define IDC_RB_INFO 2201
#define IDC_RB_LBL_LAST 2202
#define IDC_RB_TXT_INTERVAL 2203
#define IDC_RB_UPDOWN 2204
#define IDC_RB_LBL_BACKUPS 2205

#define IDD_CUSTOM_SCAN 2300
#define IDC_CHK_CUSTOM_SCAN0 2310 /* 2310-2316: chkCustomScanSettings 0 to 6 */

#define IDD_ADD_DIR 2400
#define IDC_DRV_LIST 2401
#define IDC_DIR_LIST 2402
#define IDC_LST_SELECTED_FOLDERS 2403
#define IDC_CMD_ADD 2404
#define IDC_CMD_REMOVE 2405

/* Tray icon menu (mnuPopUp). */
#define IDM_POPUP_OPEN 2900
#define IDM_POPUP_EXIT 2901

#endif
