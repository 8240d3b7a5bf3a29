#!/usr/bin/env python3
"""Morvane-portable.zip unpacked into a folder with a blank in its name (as on
a USB stick), then a Smart Scan of the shipped database run there: no setup,
and everything the program writes stays beside it."""
import argparse
import os
import shutil
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
from harness import Harness  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    for a in ("wine", "prefix", "driver", "zip", "work"):
        ap.add_argument("--" + a, required=True)
    args = ap.parse_args()
    stick = os.path.join(os.path.abspath(args.work), "USB Stick")
    shutil.rmtree(stick, ignore_errors=True)
    os.makedirs(stick)
    with zipfile.ZipFile(args.zip) as z:
        names = z.namelist()
        z.extractall(stick)
    folder = os.path.join(stick, "Morvane")
    failed = []

    def check(name, cond, out=()):
        print(("ok   " if cond else "FAIL ") + name)
        if not cond:
            failed.append(name)
            print("\n".join(out))

    shipped = {"Morvane/Morvane.exe", "Morvane/Tessarin.exe", "Morvane/DataBase.ref", "Morvane/Tessarin.ini",
               "Morvane/Help/help.htm"}
    check("the zip holds the programs, database, server setting and help", shipped <= set(names), names)
    check("the help's pictures come along", any(n.startswith("Morvane/Help/images/") for n in names), names)

    h = Harness(args.wine, args.prefix, args.driver, None, None, args.work)
    out = h.drive("portable", r'''
start "{folder}"
wait "Morvane - Status"
wait-gone "Morvane starting"
read "Database Version:"
click Scan
wait "Morvane - System Scan Selection"
click "Perform Smart System Scan"
click Next
wait Finished.
read "Objects scanned:"
click Next
wait "Morvane - System Scan Results"
rows
click Next
wait "Morvane - Status"
read "Number of Scans:"
close
wait-exit
'''.format(folder=h.win(folder)))
    reads = {}
    for line in out:
        if line.startswith("READ "):
            key, _, value = line[5:].partition("=")
            reads[key] = value
    check("driver ran to its end", "DONE" in out, out)
    check("the shipped database loads", reads.get("Database Version:", "") != "", out)
    check("the scan ran through the database", int(reads.get("Objects scanned:") or 0) > 0, out)
    check("the statistics count the scan", reads.get("Number of Scans:") == "1", out)
    check("settings and log were written beside the program",
          os.path.isfile(os.path.join(folder, "Settings", "Settings.stg"))
          and "Scan mode: Smart Scan" in open(os.path.join(folder, "SpyLog.txt"), encoding="cp1252").read(), out)
    print("%d failed" % len(failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
