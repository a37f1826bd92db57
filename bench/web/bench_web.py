#!/usr/bin/python3
"""The browser build's figures, beside the Linux program's, measured in one run:
- frame time at 640 x 480 and 1920 x 1080: the page in headless Chromium, WebGL on SwiftShader,
  frame rate unlimited (no vsync, no frame rate limit), frames counted by a second
  requestAnimationFrame loop; and vorticel-saver --fullscreen --max-fps 0 on Mesa llvmpipe on
  a private Xvfb of that size, frames counted as presented (the swap counter of
  bench/saver/bench-saver.sh); then the ratio of the two frame times;
- the download: each file of the site, and all but the wall texture, plain and gzip'd;
- the time from the start of loading to the page's start prompt, and from the start to the
  first frame drawn;
- with --screenshot FILE: the page at frame 120 of a flight whose clock steps exactly 1/60 s a
  frame, at 640 x 480 (the frame docs/screenshot.png shows from the desktop program), and the
  RMSE of the canvas against that picture (ImageMagick's compare).

Usage: bench/web/bench_web.py [--site build/web] [--linux-build build/release] [--seconds 5]
                              [--screenshot docs/web-screenshot.png]
Run it on a quiet machine: both sides share its cores with whatever else runs.
"""
import argparse
import gzip
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

SIZES = [(640, 480), (1920, 1080)]
# A clock that moves 1/60 s per animation frame, from the start of the flight.
FIXED_CLOCK = """
let frames = 0;
performance.now = () => frames * 1000 / 60;
const request = window.requestAnimationFrame.bind(window);
window.requestAnimationFrame = (callback) => request((t) => {
  if (window.stopAtFrame === undefined || frames < window.stopAtFrame) { frames++; callback(t); }
});
window.startFixedFlight = (count) => { window.stopAtFrame = frames + count; overlay.click(); };
window.fixedFramesLeft = () => window.stopAtFrame - frames;
"""


def serve(site):
    server = subprocess.Popen([sys.executable, "-u", "-m", "http.server", "-b", "127.0.0.1", "0", "-d",
                               site], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    port = re.search(r"port (\d+)", server.stdout.readline()).group(1)
    return server, "http://127.0.0.1:%s/index.html" % port


def browser(folder, *flags):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--use-angle=swiftshader",
                 "--enable-unsafe-swiftshader", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run",
                 "--user-data-dir=" + tempfile.mkdtemp(dir=folder)) + flags:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(executable_path="/usr/bin/chromedriver"),
                            options=options)


def wait(predicate, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.02)
    raise RuntimeError("timed out")


def open_page(driver, url, width, height):
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
    driver.get(url)
    wait(lambda: "start" in driver.execute_script("return document.getElementById('status').textContent"))


def page_fps(driver, url, width, height, seconds):
    """Frames a second in the page, and its load times (ms): ready, start to first frame."""
    open_page(driver, url, width, height)
    driver.find_element("id", "overlay").click()
    wait(lambda: driver.execute_script("return vorticelTimes.firstFrame !== undefined"))
    times = driver.execute_script("return vorticelTimes")
    driver.execute_script("window.ticks = 0; (function tick() { ticks++; requestAnimationFrame(tick); })()")
    time.sleep(3)
    count = "return [ticks, performance.now()]"
    ticks0, ms0 = driver.execute_script(count)
    time.sleep(seconds)
    ticks1, ms1 = driver.execute_script(count)
    return (ticks1 - ticks0) * 1000 / (ms1 - ms0), times["ready"], times["firstFrame"] - times["start"]


def saver_fps(saver, counter, width, height, seconds, folder):
    """Frames a second presented by vorticel-saver full screen on an Xvfb of that size."""
    display_file = os.path.join(folder, "display")
    with open(display_file, "w") as fd:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(fd.fileno()), "-screen", "0",
                                 "%dx%dx24" % (width, height), "-nolisten", "tcp", "-noreset"],
                                pass_fds=[fd.fileno()], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    wait(lambda: os.path.getsize(display_file) > 0, 10)
    log = os.path.join(folder, "swaps")
    env = dict(os.environ, DISPLAY=":" + open(display_file).read().strip(),
               VORTICEL_SWAP_LOG=log, LD_PRELOAD=counter)
    process = None
    try:
        process = subprocess.Popen([saver, "--fullscreen", "--max-fps", "0"], env=env,
                                   cwd=os.path.dirname(saver))
        time.sleep(3)
        frames0, ns0 = map(int, open(log).read().split())
        time.sleep(seconds)
        frames1, ns1 = map(int, open(log).read().split())
    finally:
        if process:
            process.send_signal(signal.SIGTERM)
            process.wait()
        xvfb.terminate()
        xvfb.wait()
        os.remove(display_file)
    return (frames1 - frames0) * 1e9 / (ns1 - ns0)


def screenshot(url, out, reference, folder):
    driver = browser(folder)
    try:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": FIXED_CLOCK})
        open_page(driver, url, 640, 480)
        driver.execute_script("startFixedFlight(120)")
        wait(lambda: driver.execute_script("return fixedFramesLeft() == 0"))
        bare = os.path.join(folder, "bare.png")
        driver.execute_script("document.getElementById('toolbar').style.visibility = 'hidden'")
        driver.save_screenshot(bare)
        driver.execute_script("document.getElementById('toolbar').style.visibility = ''; fps.hidden = false")
        driver.save_screenshot(out)
    finally:
        driver.quit()
    result = subprocess.run(["compare", "-metric", "RMSE", bare, reference, "null:"],
                            capture_output=True, text=True)
    print("screenshot: %s (frame 120 at 640 x 480); canvas against %s: RMSE %s"
          % (out, reference, result.stderr.strip()))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--site", default="build/web")
    parser.add_argument("--linux-build", default="build/release")
    parser.add_argument("--seconds", type=float, default=5)
    parser.add_argument("--screenshot")
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    os.chdir(root)
    saver = os.path.abspath(os.path.join(args.linux_build, "bin", "vorticel-saver"))
    counter = os.path.abspath(os.path.join(args.linux_build, "bench/saver/vorticel-swap-counter.so"))
    if not os.path.exists(saver) or not os.path.exists(counter):
        sys.exit("build vorticel-saver and vorticel-swap-counter in %s first" % args.linux_build)

    names = sorted(os.listdir(args.site))
    sizes = {n: os.path.getsize(os.path.join(args.site, n)) for n in names}
    packed = {n: len(gzip.compress(open(os.path.join(args.site, n), "rb").read(), 9)) for n in names}
    print("download: " + ", ".join("%s %d (gzip %d)" % (n, sizes[n], packed[n]) for n in names))
    code = [n for n in names if n != "grottebl.jpg"]
    print("download without the wall texture: %d bytes, gzip'd %d; vorticel.js + vorticel.wasm %d"
          % (sum(sizes[n] for n in code), sum(packed[n] for n in code),
             sizes["vorticel.js"] + sizes["vorticel.wasm"]))

    print("machine: %d cores; load average before: %s" % (os.cpu_count(), open("/proc/loadavg").read().split()[:3]))
    with tempfile.TemporaryDirectory() as folder:
        server, url = serve(args.site)
        driver = browser(folder, "--disable-gpu-vsync", "--disable-frame-rate-limit")
        try:
            measure(driver, url, saver, counter, args.seconds, folder)
        finally:
            driver.quit()
        try:
            if args.screenshot:
                screenshot(url, args.screenshot, "docs/screenshot.png", folder)
        finally:
            server.terminate()
    print("load average after: %s" % open("/proc/loadavg").read().split()[:3])


def measure(driver, url, saver, counter, seconds, folder):
    """Frame times side by side, load times, and the page's renderer."""
    for width, height in SIZES:
        web, ready, first = page_fps(driver, url, width, height, seconds)
        linux = saver_fps(saver, counter, width, height, seconds, folder)
        print("%4d x %-4d  page: %6.1f fps = %6.2f ms a frame   Linux saver: %6.1f fps = "
              "%6.2f ms a frame   page / Linux frame time: %.2f   (page ready %.0f ms after "
              "the load began, first frame %.0f ms after the start)"
              % (width, height, web, 1000 / web, linux, 1000 / linux, linux / web, ready, first))
    renderer = driver.execute_script(
        "const gl = document.createElement('canvas').getContext('webgl');"
        "const info = gl.getExtension('WEBGL_debug_renderer_info');"
        "return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER)")
    print("page's renderer: %s; Chromium %s" % (renderer, driver.capabilities["browserVersion"]))


if __name__ == "__main__":
    main()
