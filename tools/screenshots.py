#!/usr/bin/env python3
"""Pictures of Morvane's splash window and screens with real content (a
planted scan, a package in quarantine, an ignore list) into docs/screens.
Run by tools/screenshots.sh under a private X server."""
import os
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(top, "tests", "window"))
from harness import KEY, PLANT, Harness, trace_records  # noqa: E402

build = os.path.join(top, "build", "windows")
h = Harness(os.path.join(top, "cmake", "wine-run.sh"), os.path.join(build, "wineprefix"),
            os.path.join(build, "tests", "window", "morvane_driver.exe"),
            os.path.join(build, "src", "shell", "win32", "Morvane.exe"),
            os.path.join(build, "src", "database", "morvane-db.exe"), os.path.join(build, "screens"))
shots = os.path.join(top, "docs", "screens")
os.makedirs(shots, exist_ok=True)
# The driver goes on once a picture's file exists: this script's old pictures go first.
for name in ("splash", "status", "scan-selection", "scan-progress", "scan-results", "manual-removal", "ignore-list",
             "quarantine", "quarantine-items"):
    if os.path.exists(os.path.join(shots, name + ".png")):
        os.remove(os.path.join(shots, name + ".png"))
w = h.win(h.plant_files())
# Many absent traces after the planted ones: the splash and the scan stay up long enough to be seen.
filler = ["path|%s\\absent\\n%06d.exe|None|" % (w, i) for i in range(150000)]
folder = h.folder("screens", trace_records(w) + filler)


def shot(name):
    return "shot %s Morvane" % h.win(os.path.join(shots, name + ".png"))


out = h.drive("screens", PLANT + r'''
start {folder}
wait "Unlocking Data Base..."
shot {shots}\splash.png -
wait "Morvane - Status"
click Scan
wait "Morvane - System Scan Selection"
{scan_selection}
click "Perform Smart System Scan"
click Next
wait-number "Objects scanned:" 20000
{scan_progress}
wait Next
click Next
wait "Morvane - System Scan Results"
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
tick 1
tick 2
tick 3
tick 4
untick 5
{scan_results}
click Next
box "Are you sure you want to delete" Yes
box "reset your browser homepage" No
box "could not be removed" OK
wait "Morvane - Iremovable Objects"
{manual_removal}
click Finish
wait "Morvane - Status"
{status}
click "Open Quarantined List"
wait "Morvane - Quarantined Objects"
select 1
tick 1
{quarantine}
click "View Contents"
wait Back
{quarantine_items}
click Back
click Status
wait "Morvane - Status"
click "Open Ignore List"
wait "Morvane - Ignore List"
tick 1
{ignore_list}
close
wait-exit
reg-delete-tree {key}
'''.format(folder=h.win(folder), shots=h.win(shots), key=KEY, scan_selection=shot("scan-selection"),
           scan_progress=shot("scan-progress"), scan_results=shot("scan-results"),
           manual_removal=shot("manual-removal"), status=shot("status"), quarantine=shot("quarantine"),
           quarantine_items=shot("quarantine-items"), ignore_list=shot("ignore-list")))
print("\n".join(l for l in out if not l.startswith("> ")))
sys.exit(0 if "DONE" in out else 1)
