#!/usr/bin/env python3
"""Pictures of every screen, dialog and question of Morvane as installed by
MorvaneSetup.exe into a planted Wine prefix (tools/screenshots.sh makes it
and runs this under Xvfb with a window manager)."""
import argparse
import os
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(top, "tests", "window"))
from harness import Harness  # noqa: E402

PICTURES = ["splash", "status", "scan-selection", "scan-progress", "scan-results", "box-quarantined", "box-delete",
            "box-homepage", "box-not-removed", "manual-removal", "quarantine", "quarantine-items", "ignore-list", "settings",
            "dlg-homepage", "dlg-active-protection", "dlg-reg-backup", "dlg-custom-scan", "dlg-add-dir"]


def main():
    ap = argparse.ArgumentParser()
    for a in ("prefix", "installed", "out", "work"):
        ap.add_argument("--" + a, required=True)
    args = ap.parse_args()
    build = os.path.join(top, "build", "windows")
    h = Harness(os.path.join(top, "cmake", "wine-run.sh"), args.prefix,
                os.path.join(build, "tests", "window", "morvane_driver.exe"),
                os.path.join(build, "src", "shell", "win32", "Morvane.exe"),
                os.path.join(build, "src", "database", "morvane-db.exe"), args.work)
    out_dir = os.path.abspath(args.out)
    os.makedirs(out_dir, exist_ok=True)
    # The driver goes on once a picture's file exists: old pictures go first.
    for name in PICTURES:
        if os.path.exists(os.path.join(out_dir, name + ".png")):
            os.remove(os.path.join(out_dir, name + ".png"))

    def pic(name):
        return h.win(os.path.join(out_dir, name + ".png"))

    # The splash window and a scan under way need time to be seen: a copy of the
    # program with a long database of places that hold nothing.
    filler = ["path|%%WinDir%%\\System32\\drivers\\mv%06d.sys|None|" % i for i in range(150000)]
    slow = h.folder("slow", ["Morvane reference database (long)"] + filler)
    out = h.drive("slow", r'''
start {slow}
wait "Unlocking Data Base..."
shot {splash} -
wait "Morvane - Status"
wait-gone "Morvane starting"
click Scan
wait "Morvane - System Scan Selection"
click "Perform Smart System Scan"
click Next
wait-number "Objects scanned:" 2000
shot {progress} Morvane
click Abort
wait Next
click Next
wait "Morvane - System Scan Results"
click Next
wait "Morvane - Status"
close-until-exit
'''.format(slow=h.win(slow), splash=pic("splash"), progress=pic("scan-progress")))
    ok = "DONE" in out

    # Everything else from the installed program over the planted traces.
    out2 = h.drive("installed", r'''
start "{installed}"
wait "Morvane - Status"
wait-gone "Morvane starting"
click Scan
wait "Morvane - System Scan Selection"
click "Perform Smart System Scan"
shot {scan_selection} Morvane
click Next
wait Finished.
click Next
wait "Morvane - System Scan Results"
rows
tick 2
tick 3
shot {scan_results} Morvane
click "Quarantines selected"
shot-box {box_quarantined} "items quarantined successfully."
box "items quarantined successfully." OK
untick 2
untick 3
tick 1
tick 2
tick 3
tick 4
tick 5
tick 6
tick 7
tick 8
click Next
shot-box {box_delete} "Are you sure you want to delete"
box "Are you sure you want to delete" Yes
shot-box {box_homepage} "reset your browser homepage"
box "reset your browser homepage" No
shot-box {box_not_removed} "could not be removed"
box "could not be removed" OK
wait "Morvane - Iremovable Objects"
shot {manual_removal} Morvane
tick 1
click "Add selected to Ignore List"
click Finish
wait "Morvane - Status"
shot {status} Morvane
click "Open Quarantined List"
wait "Morvane - Quarantined Objects"
select 1
shot {quarantine} Morvane
click "View Contents"
wait Back
shot {quarantine_items} Morvane
click Back
click Status
wait "Morvane - Status"
click "Open Ignore List"
wait "Morvane - Ignore List"
shot {ignore_list} Morvane
nav Settings "Morvane - Settings"
shot {settings} Morvane
click-id 1221
wait "Home Page Protector Info"
shot {dlg_homepage} "Home Page Protector Info"
click Cancel
wait-gone "Home Page Protector Info"
click-id 1220
wait "Active Protection Info"
shot {dlg_active} "Active Protection Info"
click Cancel
wait-gone "Active Protection Info"
click-id 1222
wait "Registry Backup Options"
shot {dlg_backup} "Registry Backup Options"
click Cancel
wait-gone "Registry Backup Options"
nav Scan "Morvane - System Scan Selection"
click-id 1305
wait "Custom Scan Settings"
shot {dlg_custom} "Custom Scan Settings"
click Cancel
wait-gone "Custom Scan Settings"
click-id 1306
wait "Custom Drive/Folder Select"
dlg-select "Custom Drive/Folder Select" 2402 0
shot {dlg_add_dir} "Custom Drive/Folder Select"
click Cancel
wait-gone "Custom Drive/Folder Select"
close-until-exit
'''.format(installed=args.installed, scan_selection=pic("scan-selection"), scan_results=pic("scan-results"),
           box_quarantined=pic("box-quarantined"), box_delete=pic("box-delete"), box_homepage=pic("box-homepage"), box_not_removed=pic("box-not-removed"),
           manual_removal=pic("manual-removal"), status=pic("status"), quarantine=pic("quarantine"),
           quarantine_items=pic("quarantine-items"), ignore_list=pic("ignore-list"), settings=pic("settings"),
           dlg_homepage=pic("dlg-homepage"), dlg_active=pic("dlg-active-protection"),
           dlg_backup=pic("dlg-reg-backup"), dlg_custom=pic("dlg-custom-scan"), dlg_add_dir=pic("dlg-add-dir")))
    print("\n".join(l for l in out + out2 if not l.startswith("> ")))
    return 0 if ok and "DONE" in out2 else 1


if __name__ == "__main__":
    sys.exit(main())
