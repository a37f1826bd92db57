#!/usr/bin/env python3
"""The Debian package as lintian, dpkg, a desktop, XScreenSaver's settings dialog and its daemon
meet it: package_test.py --build-dir DIR --cpack CPACK --texture PATH --probe PATH. The .deb is
made once and installed into a scratch root with its own dpkg database; every test reads that
tree, and purging it at the end must leave the root empty. The daemon, which runs no screensaver
as root, runs as an unprivileged user (made if needed) when the test runs as root."""
import filecmp
import glob
import gzip
import os
import pwd
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as support  # noqa: E402
from e2e_support import ARGS, wait_for  # noqa: E402

SAVER = "usr/libexec/xscreensaver/vorticel-saver"
XML = "usr/share/xscreensaver/config/vorticel-saver.xml"
USER = "vorticel-e2e"  # the daemon's user when the test runs as root
FILES = dict.fromkeys(["usr/bin/Vorticel", SAVER], "-rwxr-xr-x")  # every file, and its mode
FILES.update(dict.fromkeys([
    "usr/share/vorticel/grottebl.jpg", "usr/share/applications/vorticel.desktop", XML,
    "usr/share/man/man6/Vorticel.6.gz", "usr/share/man/man6/vorticel-saver.6.gz",
    "usr/share/doc/vorticel/changelog.gz", "usr/share/doc/vorticel/copyright",
    "usr/share/metainfo/org.vorticel.Vorticel.metainfo.xml",
    "usr/share/icons/hicolor/256x256/apps/vorticel.png"], "-rw-r--r--"))
# Flags of the saver that are no settings for the dialog: where it draws, set-up, information.
NOT_SETTINGS = {"--root", "--window-id", "--fullscreen", "--install", "--help", "--version"}
SETTINGS = "timeout: 0:10:00\nlock: False\nsplash: False\nfade: False\nunfade: False\n" \
           "dpmsEnabled: False\nmode: one\nselected: 0\nprograms: GL: %s --root\\n\n"


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=300, **kwargs)


def setUpModule():
    global SCRATCH, DEB, TREE, DPKG
    SCRATCH = tempfile.mkdtemp(prefix="vorticel-package-")
    unittest.addModuleCleanup(shutil.rmtree, SCRATCH, ignore_errors=True)
    os.chmod(SCRATCH, 0o755)  # the daemon's user reads the tree
    result = run([ARGS.cpack, "-G", "DEB", "--config",
                  os.path.join(ARGS.build_dir, "CPackConfig.cmake"), "-B", SCRATCH])
    debs = glob.glob(os.path.join(SCRATCH, "*.deb"))
    assert result.returncode == 0 and len(debs) == 1, result.stdout + result.stderr
    DEB, TREE, admin = debs[0], os.path.join(SCRATCH, "root"), os.path.join(SCRATCH, "admin")
    for folder in (TREE, os.path.join(admin, "updates"), os.path.join(admin, "info")):
        os.makedirs(folder)
    open(os.path.join(admin, "status"), "w").close()
    DPKG = ["dpkg", "--instdir=" + TREE, "--admindir=" + admin, "--force-depends",
            "--force-not-root", "--force-script-chrootless"]
    result = run(DPKG + ["-i", DEB])
    assert result.returncode == 0, result.stdout + result.stderr


def tearDownModule():
    result = run(DPKG + ["--purge", "vorticel"])
    assert result.returncode == 0 and os.listdir(TREE) == [], (os.listdir(TREE), result.stderr)


def saver_help():
    """The saver's --help: {flag: its line}."""
    text = run([os.path.join(TREE, SAVER), "--help"]).stdout
    return {m.group(1): line for line in text.splitlines()
            for m in [re.match(r"\s+(--[a-z][a-z-]*)", line)] if m}


def processes_of(executable):
    """Live processes (not zombies) running the file: {pid: (uid, argv, environment)}."""
    found = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            # A zombie has no program left: reading its link fails.
            if os.readlink("/proc/%s/exe" % pid) != executable:
                continue
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv = f.read().decode().split("\0")[:-1]
            with open("/proc/%s/environ" % pid, "rb") as f:
                env = dict(a.split("=", 1) for a in f.read().decode(errors="replace").split("\0")
                           if "=" in a)
            found[int(pid)] = (os.stat("/proc/" + pid).st_uid, argv, env)
        except OSError:
            continue  # gone meanwhile, or not ours to read
    return found


def window_tree(window="root"):
    """Every window below this one: {id: (parent id, (x, y, width, height))}."""
    tree = {}
    for child in support.children(window):
        tree[child[0]] = (window, child[1:5])
        tree.update(window_tree(child[0]))
    return tree


class Package(unittest.TestCase):
    def test_lintian_files_modes_and_fields(self):
        # Lintian judges the owners and the folders' modes too.
        lint = run(["lintian", "--fail-on", "error,warning", DEB])
        self.assertEqual(lint.returncode, 0, lint.stdout + lint.stderr)
        listing = [line.split() for line in run(["dpkg-deb", "-c", DEB]).stdout.splitlines()]
        self.assertEqual({w[-1][2:]: w[0] for w in listing if w[0][0] != "d"}, FILES)
        self.assertTrue(filecmp.cmp(os.path.join(TREE, "usr/share/vorticel/grottebl.jpg"),
                                    ARGS.texture, shallow=False), "the built wall texture")
        field = dict(f.split(": ", 1) for f in run(["dpkg-deb", "-f", DEB]).stdout.splitlines()
                     if ": " in f and not f.startswith(" "))
        self.assertIn(field["Version"], run([os.path.join(TREE, SAVER), "--version"]).stdout)
        self.assertEqual(field["Recommends"], "xscreensaver")
        # From dpkg-shlibdeps: the libraries the executables are linked against.
        for library in ("libc6", "libx11-6", "libturbojpeg0", "libgl1", "libglu1"):
            self.assertIn(library, field["Depends"])

    def test_settings_file_gives_the_saver_only_what_it_takes(self):
        root = ElementTree.parse(os.path.join(TREE, XML)).getroot()
        flags, words = saver_help(), []
        for element in root.iter():
            arg = element.get("arg") or element.get("arg-set")
            if element.tag == "number":
                # A slider left at its default adds nothing: the default must be the saver's.
                flag = arg.split()[0]
                default = re.search(r"\(default ([0-9.]+)\)", flags[flag])
                self.assertEqual(float(element.get("default")), float(default.group(1)), flag)
                words += [flag, element.get("low"), flag, element.get("high")]
                # ... and it reaches the top of the saver's range: one step past it is refused.
                high = element.get("high")
                past = str(int(high) + 1) if high.isdigit() else str(float(high) + 0.5)
                refused = run([os.path.join(TREE, SAVER), flag, past, "--help"]).returncode
                self.assertNotEqual(refused, 0, (flag, past))
            elif arg:
                words += arg.replace("%", "x").split()
        # The saver checks every flag before it acts on --help: each flag and end is taken.
        result = run([os.path.join(TREE, SAVER), *words, "--help"])
        self.assertEqual(result.returncode, 0, "%s: %s" % (words, result.stderr))
        used = {w for w in words if w.startswith("--")}
        self.assertEqual(set(flags) - used - NOT_SETTINGS, set(), "settings missing from the file")

    def test_desktop_entry_software_centre_data_and_manual_pages(self):
        entry = os.path.join(TREE, "usr/share/applications/vorticel.desktop")
        metainfo = os.path.join(TREE, "usr/share/metainfo/org.vorticel.Vorticel.metainfo.xml")
        for check in (["desktop-file-validate", entry],
                      ["appstreamcli", "validate", "--no-net", metainfo]):
            result = run(check)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(entry) as f:
            keys = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        # Vorticel reads its texture from the working folder.
        self.assertEqual((keys["Exec"], keys["Path"]), ("/usr/bin/Vorticel", "/usr/share/vorticel"))
        self.assertEqual(keys["Icon"], "vorticel")
        for page, flags in (("Vorticel", {}), ("vorticel-saver", saver_help())):
            with gzip.open(os.path.join(TREE, "usr/share/man/man6/%s.6.gz" % page), "rt") as f:
                source = f.read()
            self.assertNotIn("@", source, "a placeholder left in " + page)
            self.assertIn("/usr/share/vorticel", source)
            text = run(["groff", "-man", "-Tutf8", "-P-cbou"], input=source).stdout
            self.assertEqual([f for f in flags if f not in text], [], page)

    def test_the_daemon_runs_this_saver_on_the_whole_screen_and_stops_it(self):
        if not shutil.which("xscreensaver-command"):
            self.skipTest("no xscreensaver (scripts/deps.sh installs it)")
        user = pwd.getpwuid(os.getuid())
        if user.pw_uid == 0:
            if run(["id", USER]).returncode:
                run(["useradd", "--system", "-M", "--shell", "/usr/sbin/nologin", USER])
            user = pwd.getpwnam(USER)
        # A view of the tree whose texture has red and blue swapped: blue walls show that the
        # saver found the texture installed beside it.
        view = os.path.join(SCRATCH, "view")
        shutil.copytree(os.path.join(TREE, "usr"), view, copy_function=os.link)
        texture = os.path.join(view, "share/vorticel/grottebl.jpg")
        os.remove(texture)
        subprocess.run(["convert", ARGS.texture, "-color-matrix", "0 0 1 0 1 0 1 0 0", texture],
                       check=True)
        saver = os.path.join(view, "libexec/xscreensaver/vorticel-saver")
        home = os.path.join(SCRATCH, "home")
        os.mkdir(home)
        with open(os.path.join(home, ".xscreensaver"), "w") as f:
            f.write(SETTINGS % saver)  # by its path: the daemon's own hack folder comes first
        env = ["HOME=" + home, "USER=" + user.pw_name, "DISPLAY=" + os.environ["DISPLAY"]]
        if os.environ.get("XAUTHORITY"):
            env.append("XAUTHORITY=" + shutil.copy(os.environ["XAUTHORITY"], home))
        for name in ["", *os.listdir(home)]:
            os.chown(os.path.join(home, name), user.pw_uid, user.pw_gid)
        as_user = ["env", "-i", "PATH=/usr/bin:/bin"] + env
        if user.pw_uid != os.getuid():
            as_user[:0] = ["setpriv", "--reuid=%d" % user.pw_uid, "--regid=%d" % user.pw_gid,
                           "--init-groups"]
        log = tempfile.TemporaryFile("w+", errors="replace")
        self.addCleanup(log.close)
        daemon = subprocess.Popen(as_user + ["xscreensaver", "--no-splash", "--verbose"],
                                  stdout=log, stderr=subprocess.STDOUT)
        self.addCleanup(daemon.wait, support.WAIT)

        def logged():
            log.seek(0)
            return log.read()

        def command(*args):
            return run(as_user + ["xscreensaver-command", *args]).returncode == 0
        self.addCleanup(command, "-exit")
        self.assertTrue(wait_for(lambda: command("-version")), "no daemon:\n" + logged())
        before = window_tree()
        self.assertTrue(command("-activate"))
        savers = wait_for(lambda: processes_of(saver))
        self.assertEqual(len(savers or ()), 1, "the daemon did not start this saver:\n" + logged())
        (uid, argv, saver_env), = savers.values()
        self.assertEqual((uid, argv[1:]), (user.pw_uid, ["--root"]))
        # The whole screen is the tunnel, drawn in a window as large as it inside the daemon's.
        self.assertEqual(support.picture_problems(
            "root", lambda shot: support.tunnel_problems(shot, hue=-1)), [])
        window, screen = int(saver_env["XSCREENSAVER_WINDOW"], 0), support.screenshot("root")[:2]
        self.assertEqual([g for parent, g in window_tree().values() if parent == window],
                         [(0, 0) + screen])
        self.assertTrue(command("-deactivate"))
        self.assertTrue(wait_for(lambda: not processes_of(saver)), "the saver still runs")
        self.assertTrue(wait_for(lambda: window_tree() == before), "windows left behind")
        self.assertNotRegex(logged(), r"(?i)vorticel-saver.*(crash|core dump|signal)")


if __name__ == "__main__":
    os.umask(0o022)  # the modes the tree gets are those a package has
    sys.exit(support.main(["build_dir", "cpack", "texture", "probe"], ))
