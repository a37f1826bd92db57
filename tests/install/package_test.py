#!/usr/bin/env python3
"""The installed tree and the Debian package, checked as a user and dpkg would meet them.

Usage: package_test.py --build-dir DIR --cmake CMAKE --cpack CPACK --texture PATH --probe PATH
                       [InstalledTree | DebianPackage] [unittest args]
InstalledTree installs the build into a scratch prefix with cmake --install and checks the files,
the settings file for XScreenSaver's dialog against the saver's --help, the desktop entry and
the manual pages. DebianPackage makes the .deb with cpack, checks its fields and files, unpacks
it with dpkg-deb -x and runs the saver from there (needs DISPLAY).
"""
import argparse
import filecmp
import gzip
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from tunnel_picture import region_stats, screenshot, tunnel_problems, EDGES  # noqa: E402

ARGS = None
WAIT = 20.0  # bound for anything to appear; never a pass/fail on speed

SAVER = "libexec/xscreensaver/vorticel-saver"
SETTINGS = "share/xscreensaver/config/vorticel-saver.xml"
FILES = {  # every file installed, relative to the prefix, and whether it is executable
    "bin/Vorticel": True,
    SAVER: True,
    "share/vorticel/grottebl.jpg": False,
    "share/applications/vorticel.desktop": False,
    SETTINGS: False,
    "share/man/man6/Vorticel.6.gz": False,
    "share/man/man6/vorticel-saver.6.gz": False,
}
# Flags of the saver that are no settings for the dialog: where it draws (the dialog's command
# gives --root) and the informational ones.
NOT_SETTINGS = {"--root", "--window-id", "--fullscreen", "--help", "--version"}


def run(command, **kwargs):
    kwargs.setdefault("timeout", 120)
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def files_under(folder):
    found = set()
    for base, _, names in os.walk(folder):
        for name in names:
            found.add(os.path.relpath(os.path.join(base, name), folder))
    return found


def saver_help(saver):
    """The saver's --help: {flag: its line}, in the order listed."""
    result = run([saver, "--help"])
    assert result.returncode == 0, result.stderr
    flags = {}
    for line in result.stdout.splitlines():
        match = re.match(r"\s+(--[a-z][a-z-]*)", line)
        if match:
            flags[match.group(1)] = line
    return flags


def wait_for(predicate, timeout=None, interval=0.1):
    deadline = time.monotonic() + (timeout or WAIT)
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return None


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="vorticel-install-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        cls.prefix = os.path.join(cls.scratch, "prefix with space")
        result = run([ARGS.cmake, "--install", ARGS.build_dir, "--prefix", cls.prefix])
        if result.returncode != 0:
            raise AssertionError("cmake --install failed:\n" + result.stdout + result.stderr)
        cls.saver = os.path.join(cls.prefix, SAVER)

    def test_files_land_where_the_desktop_and_xscreensaver_look(self):
        self.assertEqual(files_under(self.prefix), set(FILES))
        for path, executable in FILES.items():
            mode = os.stat(os.path.join(self.prefix, path)).st_mode & 0o777
            self.assertEqual(mode, 0o755 if executable else 0o644, path)
        self.assertTrue(filecmp.cmp(os.path.join(self.prefix, "share/vorticel/grottebl.jpg"),
                                    ARGS.texture, shallow=False), "the wall texture is the built one")

    def test_settings_file_covers_every_setting_the_saver_takes(self):
        path = os.path.join(self.prefix, SETTINGS)
        if shutil.which("xmllint"):
            result = run(["xmllint", "--noout", path])
            self.assertEqual(result.returncode, 0, result.stderr)
        root = ElementTree.parse(path).getroot()
        # The dialog finds the file by the program's name.
        self.assertEqual(root.tag, "screensaver")
        self.assertEqual(root.get("name"), "vorticel-saver")
        self.assertEqual(os.path.basename(path), os.path.basename(self.saver) + ".xml")
        self.assertEqual([c.get("arg") for c in root.iter("command")], ["--root"])

        flags = saver_help(self.saver)
        args = [e.get("arg") or e.get("arg-set") for e in root.iter()
                if e.get("arg") or e.get("arg-set")]
        used = {a.split()[0] for a in args}
        self.assertEqual(used - set(flags), set(), "the settings file uses flags the saver lacks")
        self.assertEqual(set(flags) - used - NOT_SETTINGS, set(),
                         "flags of the saver missing from the settings file")

        # Density: one choice per polygon step, the default one adding nothing.
        options = [o.get("arg-set") for o in root.iter("option")]
        self.assertEqual(sorted(options, key=str),
                         sorted([None] + ["--poly-step %d" % n for n in (2, 4, 8)], key=str))
        kinds = {e.get("arg", e.get("arg-set", "")).split(" ")[0]: e.tag for e in root.iter()
                 if e.tag in ("number", "boolean", "file")}
        self.assertEqual(kinds, {"--speed": "number", "--zoom": "number", "--max-fps": "number",
                                 "--sinusoid": "boolean", "--fps": "boolean",
                                 "--texture": "file"})

        # A slider left at its default adds nothing, so the default must be the saver's own.
        # The saver must take both ends; it checks every value before it acts on --help.
        extremes = []
        for number in root.iter("number"):
            flag = number.get("arg").split()[0]
            self.assertEqual(number.get("type"), "slider", flag)
            default = re.search(r"\(default ([0-9.]+)\)", flags[flag])
            self.assertIsNotNone(default, flags[flag])
            self.assertEqual(float(number.get("default")), float(default.group(1)), flag)
            low, high = float(number.get("low")), float(number.get("high"))
            self.assertTrue(low < float(number.get("default")) < high, flag)
            extremes.append([flag, number.get("low"), flag, number.get("high")])
        for pair in extremes:
            result = run([self.saver] + pair + ["--help"])
            self.assertEqual(result.returncode, 0, "%s: %s" % (pair, result.stderr))
        for option in options:
            if option:
                result = run([self.saver] + option.split() + ["--help"])
                self.assertEqual(result.returncode, 0, "%s: %s" % (option, result.stderr))

    def test_desktop_entry_starts_vorticel_beside_its_texture(self):
        entry = os.path.join(self.prefix, "share/applications/vorticel.desktop")
        if shutil.which("desktop-file-validate"):
            result = run(["desktop-file-validate", entry])
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(entry) as f:
            keys = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        # The prefix has a space: Exec quotes the path.
        self.assertEqual(keys["Exec"], '"%s"' % os.path.join(self.prefix, "bin/Vorticel"))
        self.assertEqual(keys["Path"], os.path.join(self.prefix, "share/vorticel"))
        self.assertTrue(os.path.isfile(os.path.join(keys["Path"], "grottebl.jpg")))
        self.assertEqual((keys["Type"], keys["Name"], keys["Terminal"]),
                         ("Application", "Vorticel", "false"))

    def test_manual_pages_render_without_warnings_and_list_every_flag(self):
        texts = {}
        for page in ("Vorticel.6.gz", "vorticel-saver.6.gz"):
            with gzip.open(os.path.join(self.prefix, "share/man/man6", page), "rt") as f:
                source = f.read()
            self.assertNotIn("@", source, "a placeholder was left in " + page)
            self.assertIn(os.path.join(self.prefix, "share/vorticel"), source)
            # groff's own warnings (-ww) on the page, as man -l renders it.
            result = run(["groff", "-man", "-ww", "-z"], input=source)
            self.assertEqual((result.returncode, result.stderr), (0, ""), page)
            result = run(["groff", "-man", "-Tutf8", "-P-cbou"], input=source)
            self.assertEqual(result.returncode, 0, result.stderr)
            texts[page] = result.stdout
            for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "FILES", "EXIT STATUS"):
                self.assertRegex(result.stdout, r"(?m)^%s$" % section, page)
        self.assertRegex(texts["Vorticel.6.gz"], r"(?m)^KEYS$")
        for flag in saver_help(self.saver):
            self.assertIn(flag, texts["vorticel-saver.6.gz"])


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="vorticel-deb-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        result = run([ARGS.cpack, "-G", "DEB", "--config",
                      os.path.join(ARGS.build_dir, "CPackConfig.cmake"), "-B", cls.scratch],
                     timeout=300)
        debs = [n for n in os.listdir(cls.scratch) if n.endswith(".deb")]
        if result.returncode != 0 or len(debs) != 1:
            raise AssertionError("cpack -G DEB failed:\n" + result.stdout + result.stderr)
        cls.deb = os.path.join(cls.scratch, debs[0])
        cls.tree = os.path.join(cls.scratch, "unpacked")
        result = run(["dpkg-deb", "-x", cls.deb, cls.tree])
        if result.returncode != 0:
            raise AssertionError("dpkg-deb -x failed: " + result.stderr)

    def field(self, name):
        return run(["dpkg-deb", "-f", self.deb, name]).stdout.strip()

    def test_fields_name_the_package_and_its_run_time_libraries(self):
        version = run([os.path.join(self.tree, "usr", SAVER), "--version"]).stdout
        self.assertEqual(self.field("Package"), "vorticel")
        self.assertIn(self.field("Version"), version)
        self.assertEqual(self.field("Architecture"),
                         run(["dpkg", "--print-architecture"]).stdout.strip())
        self.assertIn(self.field("Section"), ("x11", "games"))
        self.assertRegex(self.field("Maintainer"), r".+<.+@.+>")
        self.assertRegex(self.field("Description"), r"(?s).+\n .+")
        self.assertEqual(self.field("Recommends"), "xscreensaver")
        # From dpkg-shlibdeps: the libraries the executables are linked against.
        depends = {d.split()[0] for d in self.field("Depends").split(", ")}
        for library in ("libc6", "libstdc++6", "libx11-6", "libturbojpeg0"):
            self.assertIn(library, depends)
        self.assertTrue(depends & {"libgl1", "libglx0", "libopengl0"}, depends)
        self.assertTrue(depends & {"libglu1-mesa", "libglu1"}, depends)

    def test_files_install_under_usr(self):
        self.assertEqual(files_under(self.tree), {"usr/" + f for f in FILES})
        listing = run(["dpkg-deb", "-c", self.deb]).stdout.splitlines()
        self.assertTrue(listing)
        for line in listing:
            mode, owner = line.split()[:2]
            self.assertEqual(owner, "root/root", line)
            self.assertNotIn("w", mode[4:], line)  # nothing writable by group or others
        with open(os.path.join(self.tree, "usr/share/applications/vorticel.desktop")) as f:
            entry = f.read()
        self.assertIn("\nExec=/usr/bin/Vorticel\n", entry)
        self.assertIn("\nPath=/usr/share/vorticel\n", entry)

    def run_saver(self, picture_ok):
        """Runs the unpacked saver in its own window until its picture passes picture_ok (or
        the wait runs out), then sends SIGTERM. Returns (picture, exit status, standard error)."""
        if not os.environ.get("DISPLAY"):
            self.fail("DISPLAY is not set (the test command runs this on a private Xvfb)")
        with tempfile.TemporaryFile(mode="w+") as log:
            process = subprocess.Popen([os.path.join(self.tree, "usr", SAVER)], cwd=self.scratch,
                                       stdout=subprocess.DEVNULL, stderr=log)
            try:
                def window():
                    for line in run([ARGS.probe, "list"]).stdout.splitlines():
                        parts = line.split(" ", 5)
                        if len(parts) == 6 and parts[5].startswith("Vorticel"):
                            return int(parts[0], 16)
                    return None
                found = wait_for(window)
                self.assertIsNotNone(found, "the saver's window did not appear")
                shot = None

                def drawn():
                    nonlocal shot
                    shot = screenshot(found)
                    return picture_ok(shot)
                wait_for(drawn, interval=0.3)
                process.send_signal(signal.SIGTERM)
                status = process.wait(WAIT)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()
            log.seek(0)
            return shot, status, log.read()

    def test_saver_runs_from_the_unpacked_tree_with_its_texture(self):
        texture = os.path.join(self.tree, "usr/share/vorticel/grottebl.jpg")
        self.assertTrue(filecmp.cmp(texture, ARGS.texture, shallow=False))
        shot, status, errors = self.run_saver(lambda shot: not tunnel_problems(shot))
        self.assertEqual(status, 0, errors)
        self.assertEqual(errors.strip(), "", "no complaint about the texture")
        self.assertEqual(tunnel_problems(shot), [])

        # The texture it shows is the unpacked file: a blue one put in its place turns the
        # walls blue.
        subprocess.run(["convert", "-size", "64x64", "xc:#3050f0", "jpg:" + texture], check=True)

        def blue_walls(shot):
            return max(-region_stats(shot, *box)[1] for box in EDGES) > 20
        shot, status, errors = self.run_saver(blue_walls)
        self.assertEqual(status, 0, errors)
        self.assertTrue(blue_walls(shot), [region_stats(shot, *box) for box in EDGES])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--cpack", default="cpack")
    parser.add_argument("--texture", required=True)
    parser.add_argument("--probe", required=True)
    ARGS, rest = parser.parse_known_args()
    os.umask(0o022)  # the modes the tree gets are those a package has
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
