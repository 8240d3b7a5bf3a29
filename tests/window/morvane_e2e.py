#!/usr/bin/env python3
"""Morvane.exe under Wine, driven only through its windows: start-up, the
status screen, a Smart Scan of planted traces of every type through results,
quarantine, ignore list and removal, the manual-removal screen, the
quarantine and ignore list screens, Abort and refused navigation during a
long scan, the second instance and the missing database."""
import argparse
import os
import shutil
import sys

from harness import COOKIE, KEY, PLANT, Harness, trace_records


class Checks:
    def __init__(self):
        self.failed = 0

    def __call__(self, name, cond, out=()):
        print(("ok   " if cond else "FAIL ") + name)
        if not cond:
            self.failed += 1
            print("\n".join(out))


def values(lines, prefix):
    """KEY=VALUE pairs of the driver's lines that start with prefix."""
    out = {}
    for line in lines:
        if line.startswith(prefix + " "):
            key, _, value = line[len(prefix) + 1:].partition("=")
            out.setdefault(key, []).append(value)
    return out


def rows(lines):
    """Each 'rows' command's rows: lists of [checked, columns...]."""
    tables, current = [], None
    for line in lines:
        if line.startswith("ROWS "):
            current = []
            tables.append(current)
        elif line.startswith("ROW ") and current is not None:
            current.append(line[4:].split("|")[1:])
    return tables


def main():
    ap = argparse.ArgumentParser()
    for a in ("wine", "prefix", "driver", "morvane", "dbtool", "tessarin", "work"):
        ap.add_argument("--" + a, required=True)
    args = ap.parse_args()
    h = Harness(args.wine, args.prefix, args.driver, args.morvane, args.dbtool, args.work)
    check = Checks()

    # ---- one Smart Scan from first start to removal, then the quarantine and ignore screens
    traces = h.plant_files()
    w = h.win(traces)
    main_folder = h.folder("main", trace_records(w))
    out = h.drive("main", PLANT + r'''
start {folder}
wait "Morvane - Status"
read "Last Scan:"
read "Number of Scans:"
read "Total Items Removed:"
read "Objects in Ignore List:"
read "Objects Quarantined:"
read "Program Version:"
read "Database Version:"
start2 {folder}
key Scan
wait "Morvane - System Scan Selection"
click "Perform Smart System Scan"
click Next
wait "Morvane - System Scan"
wait Next
read "Objects scanned:"
read "New objects"
read "Objects recognized"
read "Registry Keys identified"
wait Finished.
click-sync Status
click-sync Scan
close-sync
query-end-session
screen
click Next
wait "Morvane - System Scan Results"
rows
tick 1
tick 2
tick 3
tick 4
tick 5
click "Quarantines selected"
box "items quarantined successfully." OK
untick 1
untick 2
untick 3
untick 4
click "Add selected to Ignore List"
wait "Add selected to Ignore List"
tick 1
tick 2
tick 3
tick 4
rows
click Next
box "Are you sure you want to delete" Yes
box "reset your browser homepage" No
box "could not be removed" OK
wait "Morvane - Iremovable Objects"
rows
click Finish
wait "Morvane - Status"
read "Last Scan:"
read "Number of Scans:"
read "Total Items Removed:"
read "Objects in Ignore List:"
read "Objects Quarantined:"
reg-read {key}\Run Spy
reg-read {key}\SpyKey x
click "Open Quarantined List"
wait "Morvane - Quarantined Objects"
rows
select 1
click "View Contents"
wait Back
rows
click Back
wait "View Contents"
tick 1
click "Restore Selected"
wait-rows 0
rows
reg-read {key}\Run Spy
click Status
wait "Morvane - Status"
click "Open Ignore List"
wait "Morvane - Ignore List"
rows
tick 1
click "Delete Selected"
wait-rows 0
rows
close
wait-exit
reg-delete-tree {key}
'''.format(key=KEY, folder=h.win(main_folder)))
    reads = values(out, "READ")
    tables = rows(out)
    cookies = [l[8:] for l in out if l.startswith("COOKIES ")]
    check("driver ran to its end", "DONE" in out, out)
    check("first start: status screen with the statistics at their defaults",
          reads.get("Last Scan:", [""])[0] == "{never}" and reads.get("Number of Scans:", [""])[0] == "0"
          and reads.get("Total Items Removed:", [""])[0] == "0"
          and reads.get("Objects in Ignore List:", [""])[0] == "0"
          and reads.get("Objects Quarantined:", [""])[0] == "0"
          and reads.get("Program Version:", [""])[0] == "1.0.7"
          and reads.get("Database Version:", [""])[0] == "Window test database 1.0", out)
    made = all(os.path.exists(os.path.join(main_folder, p)) for p in
               ("Settings/Settings.stg", "Settings/ScanInfo.stg", "Settings/IgnoreList.stg",
                "Settings/CustomScan.stg", "Settings/SelectedFolders.stg", "Quarantine", "Registry Backups"))
    check("first start made the folders and settings files", made, out)
    check("a second instance ends at once without a window", "SECOND exited=0 windows=0" in out, out)
    check("scan counters: 7 scanned, 6 new (the key not recognized)",
          reads.get("Objects scanned:", [""])[0] == "7" and reads.get("New objects", [""])[0] == "6"
          and reads.get("Objects recognized", [""])[0] == "5"
          and reads.get("Registry Keys identified", [""])[0] == "1", out)
    check("navigation, close and log-off refused while the results wait for removal",
          "SCREEN Morvane - System Scan" in out and "QUERYENDSESSION 0" in out, out)
    found = tables[0] if tables else []
    check("results: five rows of the five types, unticked, with their columns",
          [r[0] for r in found] == ["0"] * 5
          and [r[1] for r in found] == ["path", "folder", "regval", "regkey", "cookie"]
          and found[0][3].endswith("\\spy.exe") and found[4][3] == COOKIE and found[2][2] == "Spy Value", out)
    check("quarantine message", "BOX Morvane|5 items quarantined successfully." in out, out)
    check("removal asks with the ticked count", "BOX Delete?|Are you sure you want to delete 5 items?" in out, out)
    manual = tables[2] if len(tables) > 2 else []
    check("manual-removal screen lists the record with its URL",
          len(manual) == 1 and manual[0][4] == "http://help.example/manual", out)
    check("status after the scan: new statistics",
          reads.get("Last Scan:", ["", ""])[1] not in ("", "{never}") and reads.get("Number of Scans:")[1] == "1"
          and int(reads.get("Total Items Removed:")[1]) >= 5 and reads.get("Objects in Ignore List:")[1] == "1"
          and reads.get("Objects Quarantined:")[1] == "1", out)
    regs = values(out, "REG")
    check("removal deleted the value and the key",
          regs.get(KEY + "\\Run,Spy", [""])[0] == "(key)" and regs.get(KEY + "\\SpyKey,x", [""])[0] == "(missing)", out)
    package = tables[3] if len(tables) > 3 else []
    check("quarantine screen: one package of five items with its size",
          len(package) == 1 and package[0][3] == "5" and package[0][2].endswith(("bytes", "KB")), out)
    items = tables[4] if len(tables) > 4 else []
    check("package contents: the five types with their original paths",
          sorted(r[1] for r in items) == ["cookie", "folder", "path", "regkey", "regval"], out)
    heads = [l for l in out if l.startswith("ROWS ")]
    check("check boxes on the result list, none on the package's item view",
          len(heads) > 4 and heads[0].endswith(" boxes") and not heads[4].endswith(" boxes"), out)
    check("restore brought the file and the registry value back and emptied the list",
          len(tables) > 5 and tables[5] == [] and regs.get(KEY + "\\Run,Spy", ["", ""])[1] == "spy.exe"
          and os.path.exists(os.path.join(traces, "spy.exe")), out)
    check("ignore list: the cookie entry, deleted by Delete Selected",
          len(tables) > 7 and len(tables[6]) == 1 and tables[6][0][3] == COOKIE and tables[7] == [], out)
    check("window closed when nothing runs", "EXITED 0" in out, out)
    log = open(os.path.join(main_folder, "SpyLog.txt"), encoding="cp1252").read()
    check("SpyLog.txt holds the whole scan",
          "Scan mode: Smart Scan" in log and " Following items added to Ignore List:" in log
          and "File deleted=" in log and "Registry value deleted=" in log and COOKIE in log, [log])
    check("the cookie folder is known", cookies and cookies[0], out)

    # ---- one whole road of a scan by keys alone
    traces = h.plant_files()
    keys_folder = h.folder("keys", trace_records(h.win(traces)))
    out = h.drive("keys", PLANT + r'''
start {folder}
wait "Morvane - Status"
wait-gone "Morvane starting"
press alt+s
wait-focus Status
press tab
wait-focus Scan
press tab tab tab tab
wait-focus "Open Ignore List"
press shift+tab
wait-focus "Check for Updates"
press alt+c
wait "Morvane - System Scan Selection"
press alt+z
wait "Custom Scan Settings"
press esc
wait-gone "Custom Scan Settings"
press alt+m
wait-checked "Custom Scan" 1
press alt+p
wait-checked "Perform Smart System Scan" 1
wait-checked "Custom Scan" 0
press alt+n
wait Finished.
wait-focus Next
press space
wait "Morvane - System Scan Results"
wait-focus Object
press shift+f10
menu-wait
press esc
menu-gone
press apps
menu-wait
press down enter
press alt+n
box "Are you sure you want to delete" -
press y
box "reset your browser homepage" -
press n
box "could not be removed" -
press enter
wait "Morvane - Iremovable Objects"
press alt+f
wait "Morvane - Status"
read "Total Items Removed:"
write {folder}\Settings\Settings.stg stale
end-session
reg-delete-tree {key}
'''.format(key=KEY, folder=h.win(keys_folder)))
    check("keys alone: the whole road ran", "DONE" in out, out)
    check("keys alone: Select All from the list's pop-up ticked all five rows before removal",
          "BOX Delete?|Are you sure you want to delete 5 items?" in out, out)
    check("keys alone: the removal counted", values(out, "READ").get("Total Items Removed:", ["0"])[0] != "0", out)
    settings = open(os.path.join(keys_folder, "Settings", "Settings.stg"), encoding="cp1252", newline="").read()
    check("log-off when nothing runs: allowed, and the settings are saved though no close came",
          "QUERYENDSESSION 1" in out and settings.startswith("0\r\n"), [settings] + out)

    # ---- a long scan: refused navigation and close, Abort; stored lists on their screens
    big = ["Large test database 1.0"] + ["path|%s\\nothing\\n%06d.exe|None|" % (w, i) for i in range(120000)]
    package = "Quarantine\\1-1-2026-10-0-0\\"
    large_folder = h.folder("large", big, settings={
        "IgnoreList.stg": ["path|C:\\one.exe|One", "regval|HKEY_CURRENT_USER\\x,y|Two|note"]},
        extra={package.replace("\\", "/") + "10000.qnf": b"file|10000.qit|C:\\gone.txt",
               package.replace("\\", "/") + "10000.qit": b"data"})
    out = h.drive("large", r'''
start {folder}
wait "Morvane - Status"
read "Objects in Ignore List:"
read "Objects Quarantined:"
click Scan
click Next
wait-number "Objects scanned:" 1
click-sync Status
click-sync Settings
close-sync
screen
enabled Status
enabled Abort
click Abort
wait Next
read "Objects scanned:"
wait Finished.
click Next
wait "Morvane - System Scan Results"
rows
click Next
wait "Morvane - Status"
click "Open Quarantined List"
wait "Morvane - Quarantined Objects"
rows
tick 1
click "Delete Selected"
wait-rows 0
rows
click Status
wait "Morvane - Status"
click "Open Ignore List"
wait "Morvane - Ignore List"
rows
tick 1
click "Delete Selected"
wait-rows 1
rows
close
wait-exit
'''.format(folder=h.win(large_folder)))
    reads = values(out, "READ")
    tables = rows(out)
    check("long scan driver ran to its end", "DONE" in out, out)
    check("status shows the stored ignore list and quarantine",
          reads.get("Objects in Ignore List:", [""])[0] == "2" and reads.get("Objects Quarantined:", [""])[0] == "1",
          out)
    check("navigation and close refused while the scan runs", "SCREEN Morvane - System Scan" in out, out)
    check("while the scan runs its links are disabled, Abort is not",
          "ENABLED Status=0" in out and "ENABLED Abort=1" in out, out)
    scanned = int(reads.get("Objects scanned:", ["0"])[0] or 0)
    check("Abort stops the scan part way: Next and Finished.", 0 < scanned < 120000, out)
    check("aborted scan: no results, Next goes to the status screen without a question",
          tables and tables[0] == [] and not [l for l in out if l.startswith("BOX ")], out)
    check("quarantine package listed and purged",
          len(tables) > 2 and len(tables[1]) == 1 and tables[1][0][1:] == ["1-1-2026-10-0-0", "30 bytes", "1"]
          and tables[2] == [] and not os.path.exists(os.path.join(large_folder, "Quarantine", "1-1-2026-10-0-0")),
          out)
    ignore = open(os.path.join(large_folder, "Settings", "IgnoreList.stg"), encoding="cp1252").read()
    check("ignore list screen: Delete Selected keeps the unticked entry",
          len(tables) > 4 and len(tables[3]) == 2 and tables[3][1][4] == "note" and len(tables[4]) == 1
          and ignore == "regval|HKEY_CURRENT_USER\\x,y|Two|note", out + [ignore])

    # ---- missing database: No ends the program, Yes starts the updater and goes on
    no_db = h.folder("nodb")
    yes_db = h.folder("yesdb")
    shutil.copy(args.tessarin, os.path.join(yes_db, "Tessarin.exe"))
    out = h.drive("nodb", r'''
start {no}
box "Missing reference Database." No
wait-exit
start {yes}
box "Missing reference Database." Yes
wait-top "Morvane DataBase Update"
close-top "Morvane DataBase Update"
wait "Morvane - Status"
read "Database Version:"
wait-gone "Morvane starting"
close
wait-exit
'''.format(no=h.win(no_db), yes=h.win(yes_db)))
    check("missing database: the question, twice",
          out.count("BOX Error|Missing reference Database.") == 2
          and out.count("Do you want to download new reference Database?") == 2 and "EXITED 0" in out, out)
    check("No: the program ended without a database and without starting the updater",
          not os.path.exists(os.path.join(no_db, "DataBase.ref")) and out.count("TOP Morvane DataBase Update") == 1,
          out)
    # The settings check runs before the database question, so its folders and files exist either way.
    check("No: the program ends after the settings check", "Morvane.exe" in os.listdir(no_db)
          and os.path.isdir(os.path.join(no_db, "Settings")), out)
    check("Yes: the updater opens and the program starts without a database",
          "TOP Morvane DataBase Update" in out and values(out, "READ").get("Database Version:") == [""]
          and "DONE" in out, out)

    print("%d failed" % check.failed)
    return 1 if check.failed else 0


if __name__ == "__main__":
    sys.exit(main())
