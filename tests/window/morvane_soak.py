#!/usr/bin/env python3
"""Soak of Morvane.exe's window under Wine: SCANS Smart Scans in one running
program, each finding a file and a registry value (removed, quarantined) and
a record for manual removal, then back to the status screen. After each scan
it prints the program's GDI and USER objects, its handles and its windows.
With --check it fails when a figure after the last scan is above the one
after scan min(5, SCANS - 1): a leak, not a speed."""
import argparse
import os
import sys

from harness import Harness

KEY = "HKEY_CURRENT_USER\\Software\\MorvaneSoakE2E"
FIGURES = ("gdi", "user", "handles", "windows", "gdi-table", "handle-list")


def main():
    ap = argparse.ArgumentParser()
    for a in ("wine", "prefix", "driver", "morvane", "dbtool", "work"):
        ap.add_argument("--" + a, required=True)
    ap.add_argument("--scans", type=int, default=30)
    ap.add_argument("--check", action="store_true")
    args = ap.parse_args()
    h = Harness(args.wine, args.prefix, args.driver, args.morvane, args.dbtool, args.work)

    traces = os.path.join(args.work, "traces")
    os.makedirs(traces, exist_ok=True)
    spy, w = os.path.join(traces, "spy.exe"), h.win(traces)
    folder = h.folder("program", ["Soak test database 1.0",
                                  "path|%s\\spy.exe|Spy Exe|" % w,
                                  "regval|%s,Spy|Spy Value|" % KEY,
                                  "path|%s\\manual.exe|Manual Spy|http://help.example/manual" % w,
                                  "path|%s\\absent.exe|Absent|" % w],
                      settings={
                          # Quarantine before removal and protection on (no home page question); Smart Scan.
                          "Settings.stg": ["0", "0", "1", "0", "0", "0", "about:blank", "Soak", "30", "0", "3"],
                          "CustomScan.stg": ["0", "0", "1", "1", "0", "0", "0"]})
    with open(os.path.join(traces, "manual.exe"), "w") as f:
        f.write("planted")

    script = "reg-delete-tree %s\nstart %s\nwait \"Morvane - Status\"\nwait-gone \"Morvane starting\"\n" \
             "resources\n" % (KEY, h.win(folder))
    for _ in range(args.scans):
        script += r'''write {spy} planted
reg-set {key} Spy spy.exe
click Scan
wait "Morvane - System Scan Selection"
click Next
wait Finished.
click Next
wait "Morvane - System Scan Results"
wait-rows 2
tick 1
tick 2
click Next
box "Are you sure you want to delete" Yes
box "could not be removed" OK
wait "Morvane - Iremovable Objects"
click-sync Finish
wait "Morvane - Status"
resources
'''.format(spy=h.win(spy), key=KEY)
    script += "close\nwait-exit\nreg-delete-tree %s\n" % KEY
    out = h.drive("soak", script, timeout=300 + 120 * args.scans)

    figures = []
    for line in out:
        if line.startswith("RES "):
            figures.append(dict((k, int(v)) for k, v in (p.split("=") for p in line[4:].split())))
    print("%5s" % "scan" + "".join("%12s" % k for k in FIGURES))
    for i, f in enumerate(figures):
        print("%5s" % (i if i else "start") + "".join("%12d" % f[k] for k in FIGURES), flush=True)
    ran = "DONE" in out and len(figures) == args.scans + 1 and not os.path.exists(spy)
    if not ran:
        print("\n".join(out))
    if not args.check:
        return 0 if ran else 1
    base = figures[min(5, args.scans - 1)] if ran else {}
    grown = [k for k in FIGURES if ran and figures[-1][k] > base[k]]
    print("%s %d scans ran; figures after the last scan not above those after scan %d%s" % (
        "ok  " if ran and not grown else "FAIL", args.scans, min(5, args.scans - 1),
        (": grew " + ", ".join(grown)) if grown else ""))
    return 0 if ran and not grown else 1


if __name__ == "__main__":
    sys.exit(main())
