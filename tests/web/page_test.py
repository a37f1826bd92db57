#!/usr/bin/python3
"""The browser build's page in headless Chromium, driven as a visitor would, its pictures judged
as the desktop ones: page_test.py --site build/web [unittest args]."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as support  # noqa: E402
from e2e_support import ARGS, TITLE, checkerboard_problems, tunnel_problems, wait_for  # noqa


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="vorticel-web-")
        site = os.path.join(cls.folder, "site")
        shutil.copytree(ARGS.site, site)
        subprocess.run(["convert", os.path.join(site, "grottebl.jpg"), "-resize", "12000x64!",
                        os.path.join(site, "wide.jpg")], check=True)
        cls.server = subprocess.Popen(
            [sys.executable, "-u", "-m", "http.server", "-b", "127.0.0.1", "0", "-d", site],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        port = re.search(r"port (\d+)", cls.server.stdout.readline()).group(1)
        cls.url = "http://127.0.0.1:%s/index.html" % port
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--use-angle=swiftshader",
                     "--enable-unsafe-swiftshader", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     "--window-size=800,600", "--user-data-dir=" + os.path.join(cls.folder, "profile")):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.browser = webdriver.Chrome(service=Service(executable_path="/usr/bin/chromedriver"),
                                       options=options)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.terminate()
        cls.server.wait()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def run_js(self, script, *args):
        return self.browser.execute_script(script, *args)

    def load(self, query=""):
        """Opens the page and waits for its start prompt; the console so far is dropped."""
        self.browser.get_log("browser")
        self.browser.get(self.url + query)
        self.assertTrue(wait_for(lambda: "start" in self.run_js(
            "return document.getElementById('status').textContent")), "the page never got ready")

    def keys(self, *keys):
        ActionChains(self.browser).send_keys(*keys).perform()

    def title(self, after=None):
        """The next frame-rate title other than `after`, parsed."""
        found = wait_for(lambda: self.browser.title != after and TITLE.match(self.browser.title))
        self.assertTrue(found, "no frame-rate title: %r" % self.browser.title)
        return found

    def flying(self):
        """The flight goes on: a title, then a picture that changes."""
        self.title()
        before = self.browser.get_screenshot_as_png()
        self.assertTrue(wait_for(lambda: self.browser.get_screenshot_as_png() != before),
                        "the picture stands still")

    def shot(self):
        return support.ppm(subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], check=True,
                                          input=self.browser.get_screenshot_as_png(),
                                          capture_output=True).stdout)

    def console(self):
        return [(e["level"], e["message"]) for e in self.browser.get_log("browser")]

    def test_flight(self):
        self.load()
        self.keys("x")  # any key starts
        self.flying()
        self.assertEqual(tunnel_problems(self.shot()), [])

        # Density: 1 and 4 show 8 and 64 quads a ring, a tap the next density up from 8.
        tri = {}
        for key in "14":
            self.keys(key)
            tri[key] = int(self.title(self.title().group(0)).group(2))
        self.assertGreater(tri["4"], 4 * tri["1"])
        self.browser.execute_cdp_cmd("Input.dispatchTouchEvent", {
            "type": "touchStart", "touchPoints": [{"x": 300, "y": 300}]})
        self.browser.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})
        tapped = int(self.title(self.title().group(0)).group(2))
        self.assertLess(tapped, tri["4"] / 4)
        # F shows the title's figures in a corner, and hides them again.
        shown = "return !fps.hidden && fps.textContent != '' && document.title.endsWith(fps.textContent)"
        self.keys("f")
        self.assertTrue(wait_for(lambda: self.run_js(shown)), "no frame-rate overlay")
        self.keys("f")
        self.assertTrue(self.run_js("return fps.hidden"), "the overlay stays")

        # 50 presses of - stand the flight still; 50 of + fly it again. Unknown keys do nothing.
        self.keys("-" * 50)
        self.title(self.title().group(0))
        first = self.browser.get_screenshot_as_png()
        self.title(self.title().group(0))
        self.assertEqual(self.browser.get_screenshot_as_png(), first, "still moving after -")
        self.keys("+" * 50, "q", Keys.ENTER, Keys.F2, Keys.TAB, "é")
        self.flying()

        # Resizing and a higher pixel density: the canvas follows, the tunnel fills the window.
        self.browser.set_window_size(1000, 420)
        self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 600, "height": 270, "deviceScaleFactor": 2, "mobile": False})
        fits = "return canvas.width == innerWidth * 2 && canvas.height == innerHeight * 2"
        self.assertTrue(wait_for(lambda: self.run_js(fits)), "the canvas did not follow")
        self.title(self.title().group(0))
        width, height, rgb = self.shot()
        self.assertEqual((width, height), (1200, 540))
        self.assertEqual(tunnel_problems((width, height, rgb)), [])
        self.browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

        # ESC flies out of the end; the page then offers another flight, which a click starts.
        self.keys(Keys.ESCAPE)
        again = "return !overlay.hidden && /fly again/.test(overlay.textContent)"
        self.assertTrue(wait_for(lambda: self.run_js(again)), "no offer to fly again")
        self.browser.find_element("id", "overlay").click()
        self.flying()
        self.assertEqual([line for line in self.console() if line[0] == "SEVERE"], [])

    def test_wall_textures(self):
        # ?texture=, what the wall shows, and what the console says (None: nothing).
        cases = [
            ("?texture=missing.jpg", checkerboard_problems, "missing.jpg.*cannot open"),
            ("?texture=page.css", checkerboard_problems, "page.css.*not a JPEG"),
            ("?texture=http://example.invalid/x.jpg", checkerboard_problems, "from this site"),
            ("?texture=wide.jpg", tunnel_problems, None),
        ]
        for query, problems, said in cases:
            with self.subTest(query=query):
                self.load(query)
                self.browser.find_element("id", "overlay").click()
                self.flying()
                self.assertEqual(problems(self.shot()), [])
                lines = self.console()
                warnings = [m for level, m in lines if level == "WARNING" and "Vorticel:" in m]
                said_it = any(re.search(said, m) for m in warnings) if said else not warnings
                self.assertTrue(said_it, warnings)
                # The browser's own line for the missing file is the only error.
                errors = [m for level, m in lines if level == "SEVERE" and "404" not in m]
                self.assertEqual(errors, [])


if __name__ == "__main__":
    sys.exit(support.main(["site"]))
