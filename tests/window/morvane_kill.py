#!/usr/bin/env python3
"""Morvane.exe killed (SIGKILL of its Wine process) part way through removing
200 objects with the quarantine option on, five seeded times. After each
kill every object is in place or held whole by a quarantine package, and a
restarted Morvane.exe opens its status screen with its settings files whole."""
import argparse
import glob
import os
import random
import signal
import subprocess
import sys
import time

from harness import Harness

KEY = "HKEY_CURRENT_USER\\Software\\MorvaneKillE2E"
FILES, VALUES = 150, 50
SETTINGS_FILES = ("Settings.stg", "ScanInfo.stg", "IgnoreList.stg", "CustomScan.stg", "SelectedFolders.stg")
CAP = 600  # a hung run fails instead of waiting for ever; no pass depends on it


def plant(work):
    """150 files in a folder tree and 50 registry values, interleaved in the
    record list so both kinds are part way through at any kill."""
    tree = os.path.join(work, "objects")
    files, values, records = {}, {}, ["Kill test database 1.0"]
    for i in range(FILES):
        path = os.path.join(tree, "d%d" % (i % 10), "f%03d.dat" % i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = ("object %03d " % i).encode() * (1 + i % 7)
        with open(path, "wb") as f:
            f.write(data)
        files[Harness.win(path)] = (path, data)
        records.append("path|%s|Kill File %d|" % (Harness.win(path), i))
        if i % 3 == 2:
            v = len(values)
            values["V%03d" % v] = "data-%03d" % v
            records.append("regval|%s,V%03d|Kill Value %d|" % (KEY, v, v))
    return files, values, records


def quarantined(folder):
    """Every stored item line: (type, original) -> data bytes."""
    held = {}
    for qnf in glob.glob(os.path.join(folder, "Quarantine", "*", "*.qnf")):
        line = open(qnf, "rb").read().decode("cp1252").strip("\r\n")
        kind, stored, origin = line.split("|", 2)
        qit = os.path.join(os.path.dirname(qnf), stored)
        if os.path.isfile(qit):
            held[(kind, origin.lower())] = open(qit, "rb").read()
    return held


def morvane_pids(folder):
    """Linux ids of the Wine processes running this folder's Morvane.exe."""
    want = (Harness.win(folder) + "\\Morvane.exe").lower().encode()
    pids = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                cmd = open("/proc/%s/cmdline" % entry, "rb").read().lower()
            except OSError:
                continue
            if want in cmd:
                pids.append(int(entry))
    return pids


def line_counts(folder):
    counts = {}
    for name in SETTINGS_FILES:
        path = os.path.join(folder, "Settings", name)
        counts[name] = len(open(path, "rb").read().splitlines()) if os.path.isfile(path) else None
    return counts


def run(h, seed, check):
    rnd = random.Random(seed)
    kill_at = rnd.randrange(1, FILES)
    work = os.path.join(h.work, "seed%d" % seed)
    files, values, records = plant(work)
    folder = h.folder("seed%d/program" % seed, records, settings={
        # Protection on (no home page question), no registry backup; Smart Scan.
        "Settings.stg": ["0", "0", "1", "0", "0", "0", "about:blank", "Kill", "30", "0", "3"],
        "CustomScan.stg": ["0", "0", "1", "1", "0", "0", "0"]})
    plant_lines = "reg-delete-tree %s\n" % KEY + "".join(
        "reg-set %s %s %s\n" % (KEY, name, data) for name, data in values.items())
    script = plant_lines + "start %s\nwait \"Morvane - Status\"\nwait-gone \"Morvane starting\"\n" \
        "click Scan\nwait \"Morvane - System Scan Selection\"\n" \
        "click Next\nwait Finished.\nclick Next\nwait \"Morvane - System Scan Results\"\n" % h.win(folder)
    script += "".join("tick %d\n" % (i + 1) for i in range(len(records) - 1))
    script += "click Next\nbox \"Are you sure you want to delete\" Yes\nwait-exit\n"
    path = os.path.join(work, "remove.script")
    with open(path, "w", newline="") as f:
        f.write(script)
    before = None
    proc = subprocess.Popen([h.wine, h.prefix, h.driver, h.win(path)], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    out = []
    for line in proc.stdout:
        out.append(line.rstrip("\r\n"))
        if line.startswith("BOX Delete?"):
            before = line_counts(folder)
            break
    # The removal runs: kill once kill_at files are gone.
    deadline = time.time() + CAP
    gone = 0
    while time.time() < deadline:
        gone = sum(not os.path.exists(p) for p, _ in files.values())
        if gone >= kill_at or proc.poll() is not None:
            break
        time.sleep(0.05)
    pids = morvane_pids(folder)
    for pid in pids:
        os.kill(pid, signal.SIGKILL)
    proc.kill()
    proc.wait(timeout=60)
    check("seed %d: killed during removal with %d of %d files gone (%d wanted)" % (seed, gone, FILES, kill_at),
          pids and kill_at <= gone < FILES, out)

    held = quarantined(folder)
    lost = [w for w, (p, data) in files.items()
            if not os.path.exists(p) and held.get(("path", w.lower())) != data]
    check("seed %d: every file in place or whole in quarantine" % seed, not lost, lost)

    # Restart: the status screen, the registry values and the settings files.
    script = "start %s\nwait \"Morvane - Status\"\nread \"Objects Quarantined:\"\n" % h.win(folder)
    script += "".join("reg-read %s %s\n" % (KEY, name) for name in values)
    # The close is refused while the start-up still runs: it waits for the splash to go.
    script += "wait-gone \"Morvane starting\"\nclose\nwait-exit\nreg-delete-tree %s\n" % KEY
    out = h.drive("seed%d/restart" % seed, script, timeout=CAP)
    check("seed %d: the restarted program opens its status screen and closes" % seed,
          "SEEN Morvane - Status" in out and "EXITED 0" in out and "DONE" in out, out)
    packages = len(glob.glob(os.path.join(folder, "Quarantine", "*", "")))
    reads = [l for l in out if l.startswith("READ Objects Quarantined:=")]
    check("seed %d: the status screen counts the %d quarantine packages" % (seed, packages),
          reads == ["READ Objects Quarantined:=%d" % packages], out)
    shown = {l[4:].rpartition("=")[0].rpartition(",")[2]: l.rpartition("=")[2] for l in out if l.startswith("REG ")}
    lost = [name for name, data in values.items() if shown.get(name) != data
            and held.get(("regval", ("%s,%s" % (KEY, name)).lower()), b"").rstrip(b"\r\n") != b"String|" + data.encode()]
    check("seed %d: every registry value in place or whole in quarantine" % seed,
          len(shown) == VALUES and not lost, lost + out)
    after = line_counts(folder)
    check("seed %d: the five settings files read back with their lines" % seed,
          before is not None and None not in after.values() and after == before, [str(before), str(after)])


def main():
    ap = argparse.ArgumentParser()
    for a in ("wine", "prefix", "driver", "morvane", "dbtool", "work"):
        ap.add_argument("--" + a, required=True)
    args = ap.parse_args()
    h = Harness(args.wine, args.prefix, args.driver, args.morvane, args.dbtool, args.work)
    failed = []

    def check(name, cond, out=()):
        print(("ok   " if cond else "FAIL ") + name, flush=True)
        if not cond:
            failed.append(name)
            print("\n".join(out))

    for seed in (1, 2, 3, 4, 5):
        run(h, seed, check)
    print("%d failed" % len(failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
