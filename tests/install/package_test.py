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
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as support  # noqa: E402
from e2e_support import region_stats, screenshot, tunnel_problems, EDGES  # noqa: E402

ARGS = None
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
    return {os.path.relpath(os.path.join(base, name), folder)
            for base, _, names in os.walk(folder) for name in names}


def saver_help(saver):
    """The saver's --help: {flag: its line}."""
    result = run([saver, "--help"])
    assert result.returncode == 0, result.stderr
    return {m.group(1): line for line in result.stdout.splitlines()
            for m in [re.match(r"\s+(--[a-z][a-z-]*)", line)] if m}


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
        self.assertEqual((root.tag, root.get("name")), ("screensaver", "vorticel-saver"))
        self.assertEqual([c.get("arg") for c in root.iter("command")], ["--root"])

        flags = saver_help(self.saver)
        used = {(e.get("arg") or e.get("arg-set")).split()[0] for e in root.iter()
                if e.get("arg") or e.get("arg-set")}
        self.assertEqual(used - set(flags), set(), "the settings file uses flags the saver lacks")
        self.assertEqual(set(flags) - used - NOT_SETTINGS, set(),
                         "flags of the saver missing from the settings file")
        # Density: one choice per polygon step, the default one adding nothing.
        options = [o.get("arg-set") for o in root.iter("option")]
        self.assertEqual(sorted(options, key=str),
                         sorted([None] + ["--poly-step %d" % n for n in (2, 4, 8)], key=str))
        # A slider left at its default adds nothing, so the default must be the saver's own.
        # The saver must take both ends, every choice and every checkbox's flag alone; it
        # checks them all before it acts on --help.
        accepted = [o.split() for o in options if o]
        accepted += [b.get("arg-set").split() for b in root.iter("boolean")]
        self.assertEqual([f.get("arg") for f in root.iter("file")], ["--texture %"])
        for number in root.iter("number"):
            flag = number.get("arg").split()[0]
            self.assertEqual(number.get("type"), "slider", flag)
            default = re.search(r"\(default ([0-9.]+)\)", flags[flag])
            self.assertIsNotNone(default, flags[flag])
            self.assertEqual(float(number.get("default")), float(default.group(1)), flag)
            self.assertTrue(float(number.get("low")) < float(default.group(1))
                            < float(number.get("high")), flag)
            accepted.append([flag, number.get("low"), flag, number.get("high")])
        for words in accepted:
            result = run([self.saver] + words + ["--help"])
            self.assertEqual(result.returncode, 0, "%s: %s" % (words, result.stderr))

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
            texts[page] = run(["groff", "-man", "-Tutf8", "-P-cbou"], input=source).stdout
            for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "FILES", "EXIT STATUS"):
                self.assertRegex(texts[page], r"(?m)^%s$" % section, page)
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

    def test_fields_name_the_package_and_its_run_time_libraries(self):
        field = {name: run(["dpkg-deb", "-f", self.deb, name]).stdout.strip() for name in
                 ("Package", "Version", "Architecture", "Section", "Maintainer", "Description",
                  "Recommends", "Depends")}
        self.assertEqual(field["Package"], "vorticel")
        self.assertIn(field["Version"], run([os.path.join(self.tree, "usr", SAVER), "--version"]).stdout)
        self.assertEqual(field["Architecture"], run(["dpkg", "--print-architecture"]).stdout.strip())
        self.assertIn(field["Section"], ("x11", "games"))
        self.assertRegex(field["Maintainer"], r".+<.+@.+>")
        self.assertRegex(field["Description"], r"(?s).+\n .+")
        self.assertEqual(field["Recommends"], "xscreensaver")
        # From dpkg-shlibdeps: the libraries the executables are linked against.
        depends = {d.split()[0] for d in field["Depends"].split(", ")}
        self.assertLessEqual({"libc6", "libstdc++6", "libx11-6", "libturbojpeg0"}, depends)
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
        saver = support.Run([os.path.join(self.tree, "usr", SAVER)])
        self.addCleanup(saver.close)
        window = support.window_sized(640, 480)
        shots = []

        def drawn():
            shots.append(screenshot(window))
            return picture_ok(shots[-1])
        support.wait_for(drawn, interval=0.3)
        saver.process.send_signal(signal.SIGTERM)
        return shots[-1], saver.wait_exit(), saver.error_output()

    def test_saver_runs_from_the_unpacked_tree_with_its_texture(self):
        texture = os.path.join(self.tree, "usr/share/vorticel/grottebl.jpg")
        self.assertTrue(filecmp.cmp(texture, ARGS.texture, shallow=False))
        shot, status, errors = self.run_saver(lambda shot: not tunnel_problems(shot))
        self.assertEqual((status, errors), (0, ""), "no complaint about the texture")
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
    support.PROBE = os.path.abspath(ARGS.probe)
    os.umask(0o022)  # the modes the tree gets are those a package has
    return support.run_tests(rest, needs_display=False)


if __name__ == "__main__":
    sys.exit(main())
