#!/usr/bin/env python3
"""The Linux downloads of a release: the Debian package and the source archive.

Usage: release_check.py --dist DIR [unittest args]
DIR holds scripts/release.sh's output. The package is checked by lintian, then installed into a
scratch root with its own dpkg database and removed again; the archive against the sources.
"""
import argparse
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unittest

ARGS = None
ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
VERSION = re.search(r"project\(Vorticel VERSION ([0-9.]+)",
                    pathlib.Path(ROOT, "CMakeLists.txt").read_text()).group(1)
FILES = {  # what the package installs, and whether it is executable
    "usr/bin/Vorticel": True,
    "usr/libexec/xscreensaver/vorticel-saver": True,
    "usr/share/applications/vorticel.desktop": False,
    "usr/share/icons/hicolor/256x256/apps/vorticel.png": False,
    "usr/share/doc/vorticel/changelog.gz": False,
    "usr/share/doc/vorticel/copyright": False,
    "usr/share/man/man6/Vorticel.6.gz": False,
    "usr/share/man/man6/vorticel-saver.6.gz": False,
    "usr/share/metainfo/org.vorticel.Vorticel.metainfo.xml": False,
    "usr/share/vorticel/grottebl.jpg": False,
    "usr/share/xscreensaver/config/vorticel-saver.xml": False,
}


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=300, **kwargs)


def files_under(folder):
    paths = [os.path.join(base, name) for base, _, names in os.walk(folder) for name in names]
    return {os.path.relpath(path, folder): os.access(path, os.X_OK) for path in paths}


class LinuxRelease(unittest.TestCase):
    def test_every_download_is_in_the_checksums(self):
        with open(os.path.join(ARGS.dist, "SHA256SUMS")) as listing:
            sums = {name: digest for digest, name in map(str.split, listing)}
        names = {"vorticel_%s_amd64.deb" % VERSION, "vorticel-%s-windows-x86.zip" % VERSION,
                 "vorticel-%s-setup.exe" % VERSION, "vorticel-%s.tar.gz" % VERSION}
        self.assertEqual(set(sums), names)
        for name, digest in sums.items():
            self.assertEqual(hashlib.sha256(pathlib.Path(ARGS.dist, name).read_bytes()).hexdigest(),
                             digest, name)

    def test_package_is_lintian_clean_installs_and_removes_without_a_trace(self):
        deb = os.path.join(ARGS.dist, "vorticel_%s_amd64.deb" % VERSION)
        lint = run("lintian", "--fail-on", "error,warning", deb)
        self.assertEqual(lint.returncode, 0, lint.stdout + lint.stderr)
        self.assertFalse(re.search(r"^[EW]: ", lint.stdout, re.M), lint.stdout)

        scratch = tempfile.mkdtemp(prefix="vorticel-dpkg-")
        self.addCleanup(shutil.rmtree, scratch, True)
        root, admin = os.path.join(scratch, "root"), os.path.join(scratch, "admin")
        for folder in (root, os.path.join(admin, "updates"), os.path.join(admin, "info")):
            os.makedirs(folder)
        open(os.path.join(admin, "status"), "w").close()
        dpkg = ["dpkg", "--instdir=" + root, "--admindir=" + admin, "--force-depends",
                "--force-not-root", "--force-script-chrootless"]
        result = run(*dpkg, "-i", deb)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(files_under(root), FILES)
        with open(os.path.join(root, "usr/share/applications/vorticel.desktop")) as desktop:
            self.assertIn("Icon=vorticel\n", desktop.read())

        result = run(*dpkg, "--purge", "vorticel")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(os.listdir(root), [], "nothing left in the scratch root")

    def test_source_archive_holds_the_tree_the_two_commands_build_from(self):
        with tarfile.open(os.path.join(ARGS.dist, "vorticel-%s.tar.gz" % VERSION)) as archive:
            members = {m.name: m for m in archive.getmembers()}
        prefix = "vorticel-%s/" % VERSION
        tracked = run("git", "ls-files", "-z", cwd=ROOT).stdout.split("\0")
        missing = [name for name in tracked if name and os.path.isfile(os.path.join(ROOT, name))
                   and prefix + name not in members]
        self.assertEqual(missing, [])
        for script in ("scripts/run.sh", "scripts/test.sh"):  # the README's two commands
            self.assertIn("    " + script, pathlib.Path(ROOT, "README.md").read_text())
            self.assertTrue(members[prefix + script].mode & 0o111, "%s is executable" % script)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--dist", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.dist = os.path.abspath(ARGS.dist)
    program = unittest.main(module="__main__", argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
