#!/usr/bin/env python3
"""Tessarin's window under Wine against a local HTTP server on 127.0.0.1."""
import argparse
import http.server
import os
import shutil
import socket
import subprocess
import sys
import threading
import time

UP_TO_DATE = "Updates currently not available, your version of Morvane is up to date."
ERROR = "Error while downloading update. Please try later."
INSTALLED = "Update installed successfully. Please restart Morvane to start using the new database."
NOT_DATABASE = "The downloaded file is not a valid database"
NOT_SIGNED = "The downloaded database is not signed by its publisher. Nothing was installed."
NO_SIGNATURE = "No signature was found for the downloaded database. Nothing was installed."


def encipher(line):
    """The database line cipher (key value 9), one line of bytes."""
    out = bytearray()
    n = 0
    for c in line:
        n = (n + 1) % 6
        shift = 9 - (2, 5, 4, 2, 3, 5)[n]
        x = (c + shift if n % 2 else c - shift) + n
        if 0 <= x <= 255:
            out.append(x)
    return bytes(out)


def database(size):
    """An enciphered database of exactly size bytes: a version, a record, a comment filling it up."""
    head = b"".join(encipher(l) + b"\r\n" for l in (b"Test database 1", b"path|%WinDir%\\evil.exe|Adware|"))
    return head + encipher(b"#" + b"x" * (size - len(head) - 3)) + b"\r\n"


class State:
    flag = ""
    mode = "normal"
    body = b""
    sig = None  # None: no signature on the server (404)
    requests = 0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        State.requests += 1
        mode, body = State.mode, State.body
        if self.path == "/DataBase.ref.sig" and State.sig is not None:
            self.send_response(200)
            self.send_header("Content-Length", str(len(State.sig)))
            self.end_headers()
            self.wfile.write(State.sig)
            return
        if self.path != "/DataBase.ref":
            self.send_error(404)
            return
        if mode in ("404", "500"):
            page = b"<html><body>error page</body></html>"
            self.send_response(int(mode))
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)
            return
        self.send_response(200)
        if mode != "nolength":
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if mode == "slow":
            # Until the driver has pressed twice (it leaves a flag), capped generously.
            deadline = time.time() + 120
            while not os.path.exists(State.flag) and time.time() < deadline:
                time.sleep(0.05)
        if mode == "drop":
            self.wfile.write(body[: len(body) // 4])
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        self.wfile.write(body)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def main():
    ap = argparse.ArgumentParser()
    for a in ("wine", "prefix", "tessarin", "driver", "work", "signer", "key"):
        ap.add_argument("--" + a, required=True)
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)

    def sign(data, key=None):
        """The signature the build machine's morvane-db makes of data."""
        path = os.path.join(args.work, "to-sign.bin")
        with open(path, "wb") as f:
            f.write(data)
        subprocess.run([args.signer, "sign", key or args.key, path], check=True)
        with open(path + ".sig", "rb") as f:
            return f.read()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    port = server.server_address[1]
    threading.Thread(target=server.serve_forever, daemon=True).start()
    dead_port = free_port()

    results = []

    def case(name, mode, body, installed=None, ini=None, flag=None, sig="good", installed_sig=None):
        case.began = time.monotonic()
        State.mode, State.body, State.requests = mode, body, 0
        State.sig = sign(body) if sig == "good" else sig
        folder = os.path.join(args.work, name)
        State.flag = os.path.join(folder, "pressed.flag")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copy(args.tessarin, os.path.join(folder, "Tessarin.exe"))
        if ini is None:
            ini = "Server=http://127.0.0.1:%d\r\n" % port
        if ini is not False:
            with open(os.path.join(folder, "Tessarin.ini"), "w", newline="") as f:
                f.write(ini)
        if installed is not None:
            with open(os.path.join(folder, "DataBase.ref"), "wb") as f:
                f.write(installed)
        if installed_sig is not None:
            with open(os.path.join(folder, "DataBase.ref.sig"), "wb") as f:
                f.write(installed_sig)
        cmd = [args.wine, args.prefix, args.driver, "Z:" + folder.replace("/", "\\")]
        if flag:
            cmd.append(flag)
        out = subprocess.run(cmd, capture_output=True, text=True, timeout=600).stdout
        lines = dict()
        boxes = []
        for line in out.splitlines():
            key, _, value = line.partition(":")
            if key == "BOX":
                boxes.append(value.strip())
            else:
                lines.setdefault(key, value.strip())
        ref = os.path.join(folder, "DataBase.ref")
        data = open(ref, "rb").read() if os.path.exists(ref) else None
        case.sig = open(ref + ".sig", "rb").read() if os.path.exists(ref + ".sig") else None
        tmp_left = any(os.path.exists(os.path.join(folder, t)) for t in ("DataBase.tmp", "DataBase.sig.tmp"))
        return lines, boxes, data, tmp_left, out

    def check(name, cond, out=""):
        results.append((name, bool(cond)))
        # The case's time: a stall of the machine shows where it fell.
        print(("ok   " if cond else "FAIL ") + name + " (%.1f s)" % (time.monotonic() - case.began))
        if not cond:
            print(out)

    # The window as it opens.
    lines, boxes, data, tmp, out = case("window", "normal", b"x", flag="--no-press")
    check("window caption and controls",
          lines.get("CAPTION") == "Morvane DataBase Update" and lines.get("FRAME") == "Morvane DataBase Update"
          and lines.get("FETCH") == "&Update Now" and lines.get("EXIT") == "E&xit"
          and lines.get("INITIAL") == "Click Update Now button to start download."
          and lines.get("RANGE") == "100" and "EXITED" in out, out)

    old = bytes(range(256)) * 4
    lines, boxes, data, tmp, out = case("uptodate", "normal", old, installed=old)
    check("the installed bytes served again are up to date, untouched, no signature asked",
          lines.get("STATUS") == UP_TO_DATE and data == old and not tmp and not boxes and State.requests == 1, out)

    body = database(2500)
    lines, boxes, data, tmp, out = case("samesize", "normal", body, installed=b"o" * len(body))
    check("a database of the installed size but other bytes is installed",
          lines.get("STATUS") == INSTALLED and data == body and State.requests == 2, out)

    lines, boxes, data, tmp, out = case("install", "normal", body)
    check("missing database is installed with its signature, temporary files gone, box shown",
          lines.get("STATUS") == INSTALLED and data == body and case.sig == State.sig and not tmp
          and boxes == ["Tessarin|Download completed!"], out)

    lines, boxes, data, tmp, out = case("keys", "normal", body, flag="--keys")
    check("by keys: the focus starts on Update Now, Tab reaches Exit and comes round, Enter updates",
          lines.get("KEYS") == "104,105,104" and lines.get("STATUS") == INSTALLED and data == body, out)

    lines, boxes, data, tmp, out = case("replace", "normal", body, installed=b"older database")
    check("a database of another size is replaced", lines.get("STATUS") == INSTALLED and data == body, out)

    lines, boxes, data, tmp, out = case("nolength", "nolength", body, installed=b"good")
    check("no Content-Length: five restarts then the error text",
          lines.get("STATUS") == ERROR and State.requests == 6 and data == b"good" and not tmp, out)

    for code in ("404", "500"):
        lines, boxes, data, tmp, out = case("http" + code, code, body, installed=b"good")
        check("HTTP %s is never installed" % code, lines.get("STATUS") == ERROR and data == b"good" and not tmp, out)

    page = b"<html><head><title>Maintenance</title></head><body>Back soon.</body></html>"
    lines, boxes, data, tmp, out = case("htmlpage", "normal", page, installed=b"good")
    check("an HTML page served with 200 is not installed and the status says so",
          lines.get("STATUS", "").startswith(NOT_DATABASE) and lines.get("STATUS", "").endswith(".")
          and data == b"good" and not tmp and not boxes and State.requests == 1, out)

    # Signatures: the pair is installed only when the publisher's signature
    # holds; otherwise the old pair stays byte for byte.
    old_sig = bytes(range(64))
    flipped = bytearray(sign(body))
    flipped[20] ^= 0x08
    other = database(2600)
    cut = body[: body.index(b"\r\n", body.index(b"\r\n") + 2) + 2]
    stranger = os.path.join(args.work, "stranger.pem")
    for path in (stranger, stranger + ".pub"):  # keygen never replaces a key
        if os.path.exists(path):
            os.remove(path)
    subprocess.run([args.signer, "keygen", stranger, stranger + ".pub"], check=True, capture_output=True)
    for name, served, sig, status in (
            ("bad signature", body, bytes(flipped), NOT_SIGNED),
            ("no signature (404)", body, None, NO_SIGNATURE),
            ("another database's signature", body, sign(other), NOT_SIGNED),
            ("good signature, truncated database", cut, sign(body), NOT_SIGNED),
            ("another key's signature", body, sign(body, stranger), NOT_SIGNED)):
        lines, boxes, data, tmp, out = case("sig-" + name.split()[0] + str(len(name)), "normal", served,
                                            installed=b"good", sig=sig, installed_sig=old_sig)
        check(name + ": nothing installed, the old pair untouched",
              lines.get("STATUS") == status and data == b"good" and case.sig == old_sig and not tmp and not boxes
              and State.requests == 2, out)

    lines, boxes, data, tmp, out = case("refused", "normal", body, installed=b"good",
                                        ini="Server=http://127.0.0.1:%d\r\n" % dead_port)
    check("nothing listening gives the error text", lines.get("STATUS") == ERROR and data == b"good", out)

    lines, boxes, data, tmp, out = case("dropped", "drop", body, installed=b"good")
    check("a connection dropped half way never replaces the database",
          lines.get("STATUS") == ERROR and data == b"good" and not tmp, out)

    lines, boxes, data, tmp, out = case("twice", "slow", body, flag="--press-twice")
    check("a second press during a transfer does no harm",
          lines.get("STATUS") == INSTALLED and data == body and len(boxes) == 1 and "EXITED" in out, out)

    lines, boxes, data, tmp, out = case("noini", "normal", body, ini=False)
    check("a missing Tessarin.ini gives a clear status",
          "Tessarin.ini" in lines.get("STATUS", "") and data is None and "EXITED" in out, out)

    server.shutdown()
    passed = sum(1 for _, ok in results if ok)
    failed = len(results) - passed
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
