#!/usr/bin/env python3
"""The checksums of a release's downloads, and its source archive against the sources.

Usage: release_check.py --dist DIR [unittest args]
DIR holds scripts/release.sh's output. The Debian package itself is checked by package_test.py.
"""
import hashlib
import os
import pathlib
import subprocess
import sys
import tarfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as support  # noqa: E402
from e2e_support import ARGS, ROOT, VERSION  # noqa: E402


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

    def test_source_archive_holds_the_tree_the_two_commands_build_from(self):
        with tarfile.open(os.path.join(ARGS.dist, "vorticel-%s.tar.gz" % VERSION)) as archive:
            members = {m.name: m for m in archive.getmembers()}
        prefix = "vorticel-%s/" % VERSION
        tracked = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True,
                                 text=True).stdout.split("\0")
        missing = [name for name in tracked if name and os.path.isfile(os.path.join(ROOT, name))
                   and prefix + name not in members]
        self.assertEqual(missing, [])
        for script in ("scripts/run.sh", "scripts/test.sh"):  # the README's two commands
            self.assertIn("    " + script, pathlib.Path(ROOT, "README.md").read_text())
            self.assertTrue(members[prefix + script].mode & 0o111, "%s is executable" % script)


if __name__ == "__main__":
    sys.exit(support.main(("dist",)))
