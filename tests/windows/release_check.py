#!/usr/bin/env python3
"""The Windows downloads of a release under wine32 on an X display: the installer and the zip.

Usage: release_check.py --dist DIR --launcher WINE --probe PATH [unittest args]
DIR holds scripts/release.sh's output. WINEPREFIX is the tests' prefix (scripts/wine.sh).
"""
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as support  # noqa: E402
from e2e_support import ARGS, TITLE, VERSION, wait_for  # noqa: E402

SHIPPED = {"Vorticel.scr", "Vorticel.exe", "grottebl.jpg", "README.txt", "LICENSE.txt"}
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorticel"
DESKTOP = r"HKCU\Control Panel\Desktop"
SETTINGS = r"HKCU\Software\Vorticel"
INSTALLED = r"C:\Program Files (x86)\Vorticel"  # the 32-bit Program Files of a 64-bit prefix


DRIVE_C = os.path.join(os.environ["WINEPREFIX"], "drive_c")
FOLDER = os.path.join(DRIVE_C, "Program Files (x86)", "Vorticel")
SHORTCUT = os.path.join(DRIVE_C, "ProgramData/Microsoft/Windows/Start Menu/Programs/Vorticel.lnk")


def wine(*arguments):
    # No menu entries on the Linux desktop for what the installer adds to the Start menu.
    overrides = os.environ.get("WINEDLLOVERRIDES", "") + ";winemenubuilder.exe=d"
    env = dict(os.environ, WINEDLLOVERRIDES=overrides)
    return subprocess.run(ARGS.launcher + list(arguments), capture_output=True, text=True,
                          timeout=2 * support.WAIT, env=env, errors="replace")


def registry(key):
    """The values of a registry key as {name: data}; None when the key is missing."""
    result = wine("reg", "query", key)
    values = re.findall(r"^\s+(\S+)\s+REG_\w+\s+(.*?)\s*$", result.stdout, re.M)
    return dict(values) if result.returncode == 0 else None


def stripped(data):
    """Whether a PE file has no COFF symbols (what strip removes)."""
    return struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 16)[0] == 0


class WindowsRelease(unittest.TestCase):
    def saver_problems(self, scr):
        """Vorticel.scr /s started from an empty folder: what keeps its picture from the tunnel."""
        run = support.Run(self, ARGS.launcher + [scr, "/s"])
        screen = support.screenshot("root")[:2]
        found = wait_for(lambda: [w for w in support.windows()
                                  if w[1:5] == (0, 0, *screen) and TITLE.match(w[-1])])
        self.assertTrue(found, "no full-screen saver window: %r" % support.windows())
        problems = support.picture_problems(found[0][0])
        run.close()
        return problems

    def test_zip_holds_stripped_programs_and_its_screensaver_works_alone(self):
        alone = tempfile.mkdtemp(prefix="vorticel-zip-")
        self.addCleanup(shutil.rmtree, alone, True)
        with zipfile.ZipFile(os.path.join(ARGS.dist, "vorticel-%s-windows-x86.zip" % VERSION)) as z:
            self.assertEqual(set(z.namelist()), SHIPPED)
            for name in ("README.txt", "LICENSE.txt"):
                lines = z.read(name).split(b"\n")
                self.assertTrue(all(x.endswith(b"\r") for x in lines[:-1]) and lines[-1] == b"",
                                "%s has Windows line ends" % name)
            for name in ("Vorticel.scr", "Vorticel.exe"):
                self.assertTrue(stripped(z.read(name)), "%s is stripped" % name)
                self.assertIn(VERSION.encode("utf-16-le"), z.read(name), "%s: its version" % name)
            # The screensaver alone in a folder, started from another: its built-in wall.
            scr = z.extract("Vorticel.scr", alone)
        self.assertEqual(self.saver_problems(scr), [])

    def test_installer_and_uninstaller_run_silently_and_leave_nothing(self):
        setup = os.path.join(ARGS.dist, "vorticel-%s-setup.exe" % VERSION)
        result = wine(setup, "/S")
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        self.assertEqual(set(os.listdir(FOLDER)), SHIPPED | {"Uninstall.exe"})
        # The shortcut's target, a C string, and its working folder, counted UTF-16 with its end.
        link, folder = pathlib.Path(SHORTCUT).read_bytes(), INSTALLED + "\0"
        self.assertIn((INSTALLED + r"\Vorticel.exe").encode("latin-1") + b"\0", link)
        self.assertIn(struct.pack("<H", len(folder)) + folder.encode("utf-16-le"), link)
        entry = registry(UNINSTALL) or {}
        self.assertEqual(entry.get("DisplayVersion"), VERSION)
        self.assertGreater(int(entry.get("EstimatedSize", "0"), 16), 500, "size in KB")
        self.assertIn(INSTALLED + r"\Uninstall.exe", entry.get("UninstallString", ""))
        self.assertEqual(registry(DESKTOP).get("SCRNSAVE.EXE"), INSTALLED + r"\Vorticel.scr")

        self.assertEqual(self.saver_problems(os.path.join(FOLDER, "Vorticel.scr")), [])

        self.assertEqual(wine("reg", "add", SETTINGS, "/v", "Speed", "/d", "2").returncode, 0)
        # The uninstaller copies itself to a temporary folder and returns at once: wait for it.
        self.assertEqual(wine(os.path.join(FOLDER, "Uninstall.exe"), "/S").returncode, 0)
        self.assertTrue(wait_for(lambda: not os.path.exists(FOLDER)),
                        "left behind: %r" % (os.path.exists(FOLDER) and os.listdir(FOLDER)))
        self.assertFalse(os.path.exists(SHORTCUT))
        self.assertEqual((registry(UNINSTALL), registry(SETTINGS)), (None, None))
        self.assertNotIn("SCRNSAVE.EXE", registry(DESKTOP))


if __name__ == "__main__":
    sys.exit(support.main(("dist", "probe"), ("launcher",)))
