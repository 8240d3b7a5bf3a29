#!/usr/bin/env bash
# MorvaneScan.exe under Wine in a prefix of its own: usage, bad arguments, a
# folder scan with removal into the quarantine and its JSON report, and the
# error statuses with their messages, also while Morvane runs.
# Usage: morvane_scan_wine.sh wine-run.sh PREFIX MorvaneScan.exe DataBase.ref hold_mutex.exe
set -u
run=$1 prefix=$2 exe=$3 db=$4 holder=$5
fail() { echo "FAIL: $*"; exit 1; }
scan() { "$run" "$prefix" "$app/MorvaneScan.exe" "$@" >"$tmp/out" 2>"$tmp/err"; rc=$?; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

"$run" "$prefix" cmd /c exit 0 >/dev/null 2>&1 || true  # the prefix, on first use
drive=$prefix/drive_c
app=$drive/MorvaneScanTest
rm -rf "$app" "$drive/SpyTest"
mkdir -p "$app" "$drive/SpyTest/Sub"
cp "$exe" "$db" "$app/"
echo "test trace" >"$drive/SpyTest/Sub/gator.exe"   # Gator GAIN, by its file name

scan '/?'
[ $rc = 0 ] && grep -q "Usage: MorvaneScan.exe" "$tmp/out" || fail "/? gave $rc"
scan /bogus
[ $rc = 2 ] && grep -q "Unknown argument: /bogus" "$tmp/err" && grep -q Usage "$tmp/err" || fail "bad argument gave $rc"

scan /mode folders /folder 'C:\SpyTest' /report 'C:\MorvaneScanTest\report.json' /remove
[ $rc = 1 ] || fail "scan with removal gave $rc: $(cat "$tmp/err")"
grep -q "1 object(s) found, 0 ignored: 1 removed, 0 failed." "$tmp/out" || fail "no summary: $(cat "$tmp/out")"
[ -e "$drive/SpyTest/Sub/gator.exe" ] && fail "gator.exe was not removed"
python3 - "$app" <<'PY' || fail "report"
import json, os, sys
app = sys.argv[1]
r = json.load(open(os.path.join(app, "report.json"), encoding="utf-8"))
assert r["mode"] == "folders" and r["removal"] is True and r["status"] == 1, r
assert r["databaseVersion"].startswith("Morvane reference database"), r
(o,) = r["objects"]
assert o["object"].lower().endswith("\\sub\\gator.exe") and o["category"] == "Gator GAIN", o
assert o["outcome"] == "quarantined" and not o["manualRemoval"], o
assert os.path.isfile(os.path.join(app, "Quarantine", o["package"], "%d.qnf" % o["item"])), o
assert "Quarantine" in os.listdir(app) and os.path.isfile(os.path.join(app, "SpyLog.txt"))
PY

scan /mode folders /folder 'C:\SpyTest' /quiet
[ $rc = 0 ] || fail "clean scan gave $rc"
scan /folder 'C:\Nowhere'
[ $rc = 2 ] && grep -q 'Folder does not exist: C:\\Nowhere' "$tmp/err" || fail "missing folder gave $rc: $(cat "$tmp/err")"
scan /db 'C:\none.ref'
[ $rc = 2 ] && grep -q 'No reference database: C:\\none.ref' "$tmp/err" || fail "missing database gave $rc"
scan /report 'C:\NoSuchFolder\r.json'
[ $rc = 2 ] && grep -q 'Cannot write the report file' "$tmp/err" || fail "unwritable report gave $rc"

# While Morvane holds its guard nothing is scanned or touched, and the
# report says why.
echo "test trace" >"$drive/SpyTest/Sub/gator.exe"
mkfifo "$tmp/in"
"$run" "$prefix" "$holder" Morvane.SingleInstance.Mutex <"$tmp/in" >"$tmp/held" 2>/dev/null &
exec 3>"$tmp/in"
for _ in $(seq 600); do grep -q held "$tmp/held" && break; sleep 0.1; done
grep -q held "$tmp/held" || fail "the guard was never taken"
scan /mode folders /folder 'C:\SpyTest' /report 'C:\MorvaneScanTest\busy.json' /remove
exec 3>&-
wait
[ $rc = 2 ] && grep -q "Morvane is running" "$tmp/err" || fail "scan beside Morvane gave $rc: $(cat "$tmp/err")"
[ -e "$drive/SpyTest/Sub/gator.exe" ] || fail "gator.exe was removed beside Morvane"
python3 - "$app" <<'PY' || fail "busy report"
import json, os, sys
r = json.load(open(os.path.join(sys.argv[1], "busy.json"), encoding="utf-8"))
assert r["status"] == 2 and r["error"].startswith("Morvane is running"), r
PY

rm -rf "$app" "$drive/SpyTest"
echo "morvane_scan_wine: all checks passed"
