"""Runs morvane_driver scripts under Wine: plants program folders, takes the
screenshots the driver asks for, and returns what the driver printed."""
import os
import shutil
import subprocess
import time


class Harness:
    def __init__(self, wine, prefix, driver, morvane, dbtool, work):
        self.wine, self.prefix, self.driver = wine, prefix, driver
        self.morvane, self.dbtool, self.work = morvane, dbtool, work
        os.makedirs(work, exist_ok=True)

    @staticmethod
    def win(path):
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def wine_run(self, *args, timeout=600):
        return subprocess.run([self.wine, self.prefix] + list(args), capture_output=True, text=True,
                              timeout=timeout)

    def folder(self, name, records=None, settings=None, extra=None):
        """A program folder with Morvane.exe and, unless records is None, an
        enciphered database of those record lines (first line the version)."""
        folder = os.path.join(self.work, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copy(self.morvane, os.path.join(folder, "Morvane.exe"))
        if records is not None:
            plain = os.path.join(folder, "db.txt")
            with open(plain, "w", newline="", encoding="cp1252") as f:
                f.write("\r\n".join(records) + "\r\n")
            r = self.wine_run(self.dbtool, "encrypt", self.win(plain), self.win(os.path.join(folder, "DataBase.ref")))
            assert r.returncode == 0, r.stdout + r.stderr
            os.remove(plain)
        if settings is not None:
            os.makedirs(os.path.join(folder, "Settings"), exist_ok=True)
            for file_name, lines in settings.items():
                with open(os.path.join(folder, "Settings", file_name), "w", newline="", encoding="cp1252") as f:
                    f.write("\r\n".join(lines))
        for rel, data in (extra or {}).items():
            path = os.path.join(folder, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        return folder

    def drive(self, name, script, timeout=900):
        """Runs a script; SHOT requests become screenshots of the window's
        rectangle. Returns the driver's output lines."""
        path = os.path.join(self.work, name + ".script")
        with open(path, "w", newline="") as f:
            f.write(script)
        proc = subprocess.Popen([self.wine, self.prefix, self.driver, self.win(path)], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        lines = []
        deadline = time.time() + timeout
        for line in proc.stdout:
            line = line.rstrip("\r\n")
            lines.append(line)
            if line.startswith("SHOT "):
                _, target, x, y, w, h = line.split(" ")
                png = target[2:].replace("\\", "/") if target.startswith("Z:") else target
                self.screenshot(png, int(x), int(y), int(w), int(h))
            if time.time() > deadline:
                proc.kill()
                break
        proc.wait(timeout=60)
        return lines

    @staticmethod
    def screenshot(png, x, y, w, h):
        tmp = png + ".tmp.png"
        os.makedirs(os.path.dirname(png) or ".", exist_ok=True)
        # Pictures only (no test waits on this): the last paint reaches the display.
        time.sleep(0.3)
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", tmp],
                       check=True)
        os.replace(tmp, png)
