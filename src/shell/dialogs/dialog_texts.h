/* Captions and texts of the settings dialogs, shared by the dialog logic and
   the resource script (plain #define lines only, so windres can read them). */
#ifndef MORVANE_DIALOG_TEXTS_H
#define MORVANE_DIALOG_TEXTS_H

#define TXT_OK "&Ok"
#define TXT_OK_PLAIN "Ok"
#define TXT_CANCEL "Cancel"

/* frmHomePageInfo */
#define TXT_HOMEPAGE_CAPTION "Home Page Protector Info"
/* One literal per text: the resource compiler does not join adjacent strings. */
#define TXT_HOMEPAGE_INFO "This feature will enable Morvane to monitor your Homepage settings. If a website attempts to change your Homepage it will switch back to the settings you put below."
#define TXT_HOMEPAGE_RESET "Reset Homepage to:"
#define TXT_HOMEPAGE_TITLE "Window title (Browser title):"
#define TXT_USE_BLANK "Use Blank"
#define TXT_BLANK_PAGE "about:blank"
#define TXT_BLANK_TITLE "Microsoft Internet Explorer"

/* frmActiveProtection */
#define TXT_ACTIVE_CAPTION "Active Protection Info"
#define TXT_ACTIVE_INFO "This feature will enable Morvane to actively monitor your PC. Just set the interval and Morvane wil automatically keep you safe from malicious applications and code."
#define TXT_MINUTES "minutes."

/* frmRegBackUp */
#define TXT_REGBACKUP_CAPTION "Registry Backup Options"
#define TXT_REGBACKUP_INFO "Select the number of backups you would like to keep."
#define TXT_REGBACKUP_LAST "Last"
#define TXT_REGBACKUP_BACKUPS "backups."

/* frmCustomScanSettings */
#define TXT_CUSTOMSCAN_CAPTION "Custom Scan Settings"
#define TXT_CUSTOM_OPTION_0 "Perform Full Hard Disk Scan"
#define TXT_CUSTOM_OPTION_1 "Scan Active Processes"
#define TXT_CUSTOM_OPTION_2 "Scan Windows Registry"
#define TXT_CUSTOM_OPTION_3 "Automatically Quarantine objects prior to removal"
#define TXT_CUSTOM_OPTION_4 "Automatically Erase all detected objects"
#define TXT_CUSTOM_OPTION_5 "Perform Full Registry Scan"
#define TXT_CUSTOM_OPTION_6 "Scan Cookies"

/* frmAddDir */
#define TXT_ADDDIR_CAPTION "Custom Drive/Folder Select"
#define TXT_ADDDIR_DIR_TIP "Press Space to open  marked folder or press Enter to add marked folder to the list."
#define TXT_ADDDIR_LIST_TIP "Doubleclick or press Delete to remove marked folder from the list."
#define TXT_ADD "Add"
#define TXT_REMOVE "Remove"
#define TXT_DEVICE_UNAVAILABLE "Device unavailable."

#endif
