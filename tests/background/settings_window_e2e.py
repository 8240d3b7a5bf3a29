#!/usr/bin/env python3
"""The settings screen, its five dialogs, home page protection, the tray icon,
start with Windows and the unattended automatic scan in the real Morvane.exe
under Wine, driven through its controls."""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
from harness import Harness  # noqa: E402

RUN_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
IE_KEY = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main"
DEFAULT_SETTINGS = ["0", "0", "0", "1", "0", "0", "about:blank", "Microsoft Internet Explorer", "30", "0", "10"]


def settings(changes):
    lines = list(DEFAULT_SETTINGS)
    for index, text in changes.items():
        lines[index] = text
    return lines


def read_lines(path):
    with open(path, "rb") as f:
        return f.read().decode("cp1252").split("\r\n")


def check(condition, what, output):
    if not condition:
        print("\n".join(output))
        raise SystemExit("FAILED: " + what)


def main():
    p = argparse.ArgumentParser()
    for name in ("wine", "prefix", "driver", "morvane", "dbtool", "work", "screens"):
        p.add_argument("--" + name, required=True)
    a = p.parse_args()
    # A prefix of its own with a drive letter whose folder is missing (picking it in the folder dialog gives a
    # box): Wine sees a letter only from a server started after the letter was made.
    prefix = os.path.join(os.path.abspath(a.work), "prefix")
    gone_link, gone_target = os.path.join(prefix, "dosdevices", "q:"), os.path.join(os.path.abspath(a.work), "no-drive")
    if not os.path.islink(gone_link) or os.readlink(gone_link) != gone_target:
        subprocess.run([a.wine, prefix, "cmd", "/c", "exit"], capture_output=True, timeout=600)
        if os.path.lexists(gone_link):
            os.remove(gone_link)
        os.symlink(gone_target, gone_link)
        server = "/usr/lib/wine/wineserver" if os.path.exists("/usr/lib/wine/wineserver") else "wineserver"
        for how in ("-k", "-w"):  # its server goes, so the next one reads the new letter
            subprocess.run([server, how], env=dict(os.environ, WINEPREFIX=prefix))
    h = Harness(a.wine, prefix, a.driver, a.morvane, a.dbtool, a.work)
    shots = os.path.abspath(a.screens)
    os.makedirs(shots, exist_ok=True)
    # The driver goes on once a picture's file exists: old pictures go first.
    for name in ("settings", "dlg-homepage", "dlg-active-protection", "dlg-reg-backup", "dlg-custom-scan",
                 "dlg-add-dir"):
        if os.path.exists(os.path.join(shots, name + ".png")):
            os.remove(os.path.join(shots, name + ".png"))
    h.wine_run("reg", "delete", RUN_KEY, "/v", "Morvane", "/f")

    # --- Settings screen, dialogs, home page, Run value, minimize, tray.
    folder = h.folder("settings", records=["Version 2026.12", "path|Z:\\nowhere\\x.exe|Nothing|"],
                      settings={"Settings.stg": settings({})})
    f = h.win(folder)
    stg = f + "\\Settings\\Settings.stg"
    out = h.drive("settings", f"""
start {f}
wait "Morvane - Status"
nav Settings "Morvane - Settings"
check "Start Minimized" 1
check "Scan when Morvane starts" 1
check "Use Homepage Protector" 1
check "Write Log File" 0
check "Active Spyware Protection" 1
check "Backup Registry before Scan" 1
check "Start with Windows" 1
wait-reg {RUN_KEY} Morvane "{{q}}{f}\\Morvane.Exe{{q}}"
check "Start with Windows" 0
wait-reg {RUN_KEY} Morvane <none>
check "Start with Windows" 1
check "Backup Registry before Scan" 0
wait-checked "Start with Windows" 1
reg-read {RUN_KEY} Morvane
shot {h.win(shots)}\\settings.png Morvane
click-id 1221
wait "Home Page Protector Info"
dlg-edit "Home Page Protector Info" 2003 "http://home.example/"
shot {h.win(shots)}\\dlg-homepage.png "Home Page Protector Info"
click Ok
wait-gone "Home Page Protector Info"
click-id 1221
click-sync "Use Blank"
dlg-read "Home Page Protector Info" 2003
click Cancel
wait-gone "Home Page Protector Info"
click-id 1221
dlg-read "Home Page Protector Info" 2003
click Cancel
reg-write "{IE_KEY}" "Start Page" "http://hijack.example/"
wait-reg "{IE_KEY}" "Start Page" "http://home.example/"
click-id 1220
wait "Active Protection Info"
dlg-edit "Active Protection Info" 2102 "abc"
updown "Active Protection Info" 2103 up
dlg-read "Active Protection Info" 2102
dlg-edit "Active Protection Info" 2102 "89999"
updown "Active Protection Info" 2103 up
updown "Active Protection Info" 2103 up
dlg-read "Active Protection Info" 2102
updown "Active Protection Info" 2103 down
shot {h.win(shots)}\\dlg-active-protection.png "Active Protection Info"
click Ok
wait-gone "Active Protection Info"
click-id 1220
dlg-edit "Active Protection Info" 2102 "77"
click Cancel
wait-gone "Active Protection Info"
click-id 1222
wait "Registry Backup Options"
dlg-edit "Registry Backup Options" 2203 "98"
updown "Registry Backup Options" 2204 up
updown "Registry Backup Options" 2204 up
dlg-read "Registry Backup Options" 2203
shot {h.win(shots)}\\dlg-reg-backup.png "Registry Backup Options"
click Ok
wait-gone "Registry Backup Options"
click-id 1222
dlg-edit "Registry Backup Options" 2203 "5"
click Cancel
wait-gone "Registry Backup Options"
nav Scan "Morvane - System Scan Selection"
check "Custom Scan" 1
check "Select Drives/Folders to Scan" 1
wait-checked "Custom Scan" 0
wait-checked "Perform Smart System Scan" 0
check "Perform Smart System Scan" 1
wait-checked "Select Drives/Folders to Scan" 0
click-id 1305
wait "Custom Scan Settings"
dlg-check "Custom Scan Settings" 2313 1
shot {h.win(shots)}\\dlg-custom-scan.png "Custom Scan Settings"
click Ok
wait-gone "Custom Scan Settings"
click-id 1305
dlg-check "Custom Scan Settings" 2310 1
click Cancel
wait-gone "Custom Scan Settings"
click-id 1306
wait "Custom Drive/Folder Select"
combo "Custom Drive/Folder Select" 2401 Q:
box "Device unavailable." -
enabled "Custom Drive/Folder Select"
box "Device unavailable." OK
dlg-select "Custom Drive/Folder Select" 2402 0
click Add
click Add
dlg-key "Custom Drive/Folder Select" 2402 13
shot {h.win(shots)}\\dlg-add-dir.png "Custom Drive/Folder Select"
click Ok
wait-gone "Custom Drive/Folder Select"
minimize
wait-hidden
wait-line {stg} 0 1
wait-line {stg} 8 89999
wait-line {stg} 10 99
tray 512
tray 514
wait-shown
click Next
wait Finished.
tray 517
menu-wait
menu-key 38 13
click Next
wait "Morvane - System Scan Results"
click Next
wait "Morvane - Status"
tray 517
menu-wait
menu-key 38 13
wait-exit
""")
    check(out and out[-1] == "DONE", "settings script ran to its end", out)
    check("ENABLED Custom Drive/Folder Select=0" in out, "the folder dialog waits behind its own box", out)
    check('REG Morvane="%s\\Morvane.Exe"' % f in out, "the Run value stays after the settings are applied", out)
    check("EDIT 2003=about:blank" in out, "Use Blank fills the page box", out)
    check(out.count("EDIT 2003=http://home.example/") == 1, "Use Blank then Cancel keeps the page", out)
    check("EDIT 2102=1" in out and "EDIT 2102=90000" in out, "up/down from a non-number and at the top", out)
    check("EDIT 2203=99" in out, "backups stop at 99", out)
    lines = read_lines(os.path.join(folder, "Settings", "Settings.stg"))
    check(lines == ["1", "1", "1", "0", "1", "0", "http://home.example/", "Microsoft Internet Explorer", "89999", "0", "99"],
          "Settings.stg after the session: %r" % lines, out)
    check(read_lines(os.path.join(folder, "Settings", "CustomScan.stg")) == ["0", "1", "1", "1", "0", "0", "1"],
          "CustomScan.stg", out)
    check(read_lines(os.path.join(folder, "Settings", "SelectedFolders.stg")) == ["C:\\"], "SelectedFolders.stg", out)

    # --- An automatic scan every minute removes a planted trace without a question.
    trace = os.path.join(a.work, "trace")
    os.makedirs(trace, exist_ok=True)
    with open(os.path.join(trace, "spy.exe"), "wb") as t:
        t.write(b"MZ planted")
    spy = h.win(os.path.join(trace, "spy.exe"))
    folder = h.folder("autoscan", records=["Version 2026.12", "path|%s|Planted Spy|" % spy],
                      settings={"Settings.stg": settings({4: "1", 8: "1"})})
    f = h.win(folder)
    out = h.drive("autoscan", f"""
start {f}
wait "Morvane - Status"
wait-contains {f}\\SpyLog.txt "File deleted={spy}"
wait "Morvane - Status"
dump
close-until-exit
""")
    check(out and out[-1] == "DONE", "automatic scan script ran to its end", out)
    countdown = [l for l in out if "Next Auto Scan in" in l and ",hidden]" not in l]
    check(len(countdown) == 1 and countdown[0].endswith(" seconds"), "the countdown line says its words once", out)
    check(not os.path.exists(os.path.join(trace, "spy.exe")), "the planted trace is gone", out)

    # --- Started minimized with File/Folder Scan chosen: the splash goes, the one option shows.
    folder = h.folder("minimized", records=["Version 2026.12"], settings={"Settings.stg": settings({0: "1", 9: "2"})})
    out = h.drive("minimized", f"""
start {h.win(folder)}
wait-hidden
wait-gone "Morvane starting"
tray 514
wait-shown
nav Scan "Morvane - System Scan Selection"
wait-checked "Select Drives/Folders to Scan" 1
wait-checked "Perform Smart System Scan" 0
wait-checked "Custom Scan" 0
close-until-exit
""")
    check(out and out[-1] == "DONE", "minimized start: no splash left, one scan mode shown", out)
    h.wine_run("reg", "delete", RUN_KEY, "/v", "Morvane", "/f")
    print("settings window: all checks passed")


if __name__ == "__main__":
    main()
