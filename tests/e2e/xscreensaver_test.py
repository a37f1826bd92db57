#!/usr/bin/env python3
"""vorticel-saver under the real XScreenSaver daemon, as a user sets it up.

Usage: xscreensaver_test.py --build-dir DIR --probe PATH [--cmake CMAKE] [--user NAME]
                            [unittest args]
Installs the build into a scratch prefix, starts a private Xvfb and the daemon with a
~/.xscreensaver that names only "vorticel-saver --root", activates it with xscreensaver-command,
checks that the whole screen shows the tunnel, deactivates it and checks that the saver has
gone and left no window behind.
The daemon runs no screensaver as root: run as root (as CI does), the test makes the
unprivileged user NAME (vorticel-e2e) if needed and runs the daemon and xscreensaver-command as
that user; run as anyone else, it runs them as itself.
Exit status 77 (skipped) when xscreensaver, xscreensaver-command or Xvfb is missing.
"""
import argparse
import os
import pwd
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

import e2e_support as support
from e2e_support import screenshot, tunnel_problems, wait_for

ARGS = None
SKIP = 77
SCREEN = (800, 600)  # larger than the saver's own window, so a full-screen picture means --root
SAVER = "vorticel-saver"
SETTINGS = """\
timeout:\t0:10:00
cycle:\t0:00:00
lock:\tFalse
lockTimeout:\t0:00:00
splash:\tFalse
fade:\tFalse
unfade:\tFalse
dpmsEnabled:\tFalse
mode:\tone
selected:\t0
programs:\t\\
\t\tGL: vorticel-saver --root\t\\n\\

"""


def processes_of(executable):
    """Live processes (not zombies) running the given file: {pid: (uid, argv, environment)}."""
    found = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.readlink("/proc/%s/exe" % entry) != executable:
                continue
            with open("/proc/%s/stat" % entry) as f:
                if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                    continue
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                argv = [a.decode() for a in f.read().split(b"\0") if a]
            with open("/proc/%s/environ" % entry, "rb") as f:
                env = dict(a.decode(errors="replace").split("=", 1)
                           for a in f.read().split(b"\0") if b"=" in a)
            found[int(entry)] = (os.stat("/proc/%s" % entry).st_uid, argv, env)
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


def daemon_user():
    """The user the daemon runs as: this one, or as root an unprivileged one made for it."""
    if os.getuid() != 0:
        return pwd.getpwuid(os.getuid())
    try:
        return pwd.getpwnam(ARGS.user)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                        "--shell", "/usr/sbin/nologin", ARGS.user], check=True, timeout=60)
        return pwd.getpwnam(ARGS.user)


def stop(process, gently):
    if process.poll() is None:
        gently()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


class UnderTheDaemon(unittest.TestCase):
    def setUp(self):
        """A scratch install and home, a private Xvfb and the daemon on them."""
        folder = tempfile.mkdtemp(prefix="vorticel-xscreensaver-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        os.chmod(folder, 0o755)
        result = subprocess.run([ARGS.cmake, "--install", ARGS.build_dir, "--prefix", folder + "/prefix"],
                                capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, "cmake --install:\n" + result.stdout + result.stderr)
        hack_dir = os.path.join(folder, "prefix", "libexec", "xscreensaver")
        self.saver = os.path.realpath(os.path.join(hack_dir, SAVER))
        self.user = daemon_user()
        self.home = os.path.join(folder, "home")
        os.mkdir(self.home, 0o755)
        with open(os.path.join(self.home, ".xscreensaver"), "w") as f:
            f.write(SETTINGS)
        for path in (self.home, os.path.join(self.home, ".xscreensaver")):
            os.chown(path, self.user.pw_uid, self.user.pw_gid)

        # No -auth: the server takes local clients of any user, the daemon's user among them.
        # It writes its display number down the pipe; the read ends with that line, or at once
        # when the server dies. The pipe stays open while it runs: its write would fail with none.
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % SCREEN,
                                 "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        os.close(write)
        self.addCleanup(os.close, read)
        self.addCleanup(stop, xvfb, xvfb.terminate)
        number = os.read(read, 16).decode().strip()
        self.assertTrue(number.isdigit(), "Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number  # the probe's and the screenshots'
        # The environment the daemon gets from a session, as the daemon's user.
        self.as_user = ["env", "-i", "HOME=" + self.home, "USER=" + self.user.pw_name,
                        "LOGNAME=" + self.user.pw_name, "DISPLAY=:" + number, "LANG=C.UTF-8",
                        "PATH=%s:/usr/local/bin:/usr/bin:/bin" % hack_dir]
        if os.getuid() != self.user.pw_uid:
            self.as_user[:0] = ["setpriv", "--reuid=%d" % self.user.pw_uid,
                                "--regid=%d" % self.user.pw_gid, "--init-groups", "--"]
        self.log = tempfile.TemporaryFile("w+", errors="replace")
        self.addCleanup(self.log.close)
        daemon = subprocess.Popen(self.as_user + ["xscreensaver", "--no-splash", "--verbose"],
                                  stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        self.addCleanup(stop, daemon, lambda: self.command("-exit"))

    def command(self, *args):
        return subprocess.run(self.as_user + ["xscreensaver-command", *args], capture_output=True,
                              text=True, timeout=support.WAIT)

    def daemon_log(self):
        self.log.seek(0)
        return self.log.read()

    def test_activate_shows_the_tunnel_full_screen_and_deactivate_leaves_nothing(self):
        running = wait_for(lambda: self.command("-version").returncode == 0)
        self.assertTrue(running, "the daemon did not come up:\n" + self.daemon_log())
        windows_before = window_tree()

        result = self.command("-activate")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        savers = wait_for(lambda: processes_of(self.saver))
        self.assertTrue(savers, "the daemon did not start the saver:\n" + self.daemon_log())
        self.assertEqual(len(savers), 1, savers)
        pid, (uid, argv, env) = next(iter(savers.items()))
        self.assertEqual((uid, argv[1:]), (self.user.pw_uid, ["--root"]))

        # The whole screen is the tunnel: dark far end, rock walls out to every side.
        shots = []

        def tunnel_shown():
            shots.append(screenshot("root"))
            self.assertEqual(shots[-1][:2], SCREEN)
            return not tunnel_problems(shots[-1])
        self.assertTrue(wait_for(tunnel_shown, interval=0.5), "the screen is not the tunnel: %s\n%s"
                        % (tunnel_problems(shots[-1]), self.daemon_log()))

        # It draws in a window of its own inside the daemon's, as large as the screen.
        saver_window = int(env.get("XSCREENSAVER_WINDOW", "0"), 0)
        tree = window_tree()
        self.assertIn(saver_window, tree)
        self.assertEqual([g for parent, g in tree.values() if parent == saver_window],
                         [(0, 0) + SCREEN])

        result = self.command("-deactivate")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertTrue(wait_for(lambda: not processes_of(self.saver)),
                        "the saver is still running after deactivation")
        self.assertTrue(wait_for(lambda: window_tree() == windows_before),
                        "windows left behind: %r" % (set(window_tree()) - set(windows_before)))
        # The daemon ran nothing but this saver (and its own helpers), and saw no crash.
        log = self.daemon_log()
        forked = re.findall(r'forked "([^"]*)"', log)
        self.assertEqual([f for f in forked if not f.startswith("xscreensaver-")],
                         ["vorticel-saver --root"], log)
        self.assertNotRegex(log, r"(?i)vorticel-saver.*(crash|core dump|signal)", log)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--probe", required=True)
    parser.add_argument("--user", default="vorticel-e2e")
    ARGS, rest = parser.parse_known_args()
    support.PROBE = os.path.abspath(ARGS.probe)
    missing = [p for p in ("xscreensaver", "xscreensaver-command", "Xvfb", "import")
               if not shutil.which(p)]
    if os.getuid() == 0 and not shutil.which("setpriv"):
        missing.append("setpriv")
    if missing:
        print("xscreensaver_test.py: SKIPPED, not installed: %s (scripts/deps.sh installs them)"
              % " ".join(missing), file=sys.stderr)
        return SKIP
    os.umask(0o022)  # the scratch install must be readable by the daemon's user
    support.WAIT = 30.0
    return support.run_tests(rest, needs_display=False)


if __name__ == "__main__":
    sys.exit(main())
