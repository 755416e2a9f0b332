#!/usr/bin/env python3
"""Opens path.html pages in headless Chromium (through its DevTools pipe) and prints, per page,
the file size, the time to first contentful paint, and the times the page takes to show the
next step (right arrow), a far step (slider or click) and the whole path played through.

    build/bench/pathout/path_html_bench /tmp/pages && bench/pathout/paint.py /tmp/pages/*/path.html

Times are wall-clock milliseconds on this machine, medians of --runs page loads.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import tempfile
import time


class Browser:
    """Chromium with --remote-debugging-pipe: requests on fd 3, answers and events on fd 4."""

    def __init__(self, binary):
        self.to_browser_r, self.to_browser_w = os.pipe()
        self.from_browser_r, self.from_browser_w = os.pipe()
        self.profile = tempfile.mkdtemp(prefix="paint_")
        os.set_inheritable(self.to_browser_r, True)
        os.set_inheritable(self.from_browser_w, True)
        self.proc = subprocess.Popen(
            [binary, "--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--user-data-dir=" + self.profile, "--window-size=1200,1000", "about:blank"],
            close_fds=False,  # fds 3 and 4 are made in the child, after which subprocess would close them
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=lambda: (os.dup2(self.to_browser_r, 3), os.dup2(self.from_browser_w, 4)))
        os.close(self.to_browser_r)
        os.close(self.from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def _read(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_browser_r, 1 << 16)
            if not chunk:
                raise RuntimeError("chromium closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser_w, json.dumps(message).encode() + b"\0")
        while True:
            m = self._read()
            if m.get("id") == self.next_id:
                if "error" in m:
                    raise RuntimeError(f"{method}: {m['error']}")
                return m.get("result", {})
            self.events.append(m)

    def wait_event(self, method):
        while True:
            for k, m in enumerate(self.events):
                if m.get("method") == method:
                    del self.events[k]
                    return m
            self.events.append(self._read())

    def close(self):
        try:
            self.call("Browser.close")
        except RuntimeError:
            pass
        self.proc.wait(timeout=30)
        shutil.rmtree(self.profile, ignore_errors=True)


def evaluate(browser, session, expression):
    r = browser.call("Runtime.evaluate", {"expression": expression, "returnByValue": True}, session)
    return r["result"].get("value")


def measure(browser, page):
    target = browser.call("Target.createTarget", {"url": "about:blank"})["targetId"]
    session = browser.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    browser.call("Page.enable", session=session)
    browser.call("Page.navigate", {"url": "file://" + os.path.abspath(page)}, session)
    browser.wait_event("Page.loadEventFired")
    paint = None
    for _ in range(100):
        paint = evaluate(browser, session, "(performance.getEntriesByType('paint').find("
                         "e => e.name === 'first-contentful-paint') || {}).startTime")
        if paint is not None:
            break
        time.sleep(0.05)
    step = evaluate(browser, session, """(() => { show(0); const t = performance.now();
        for (let k = 0; k < 200 && cur < N; ++k)
          document.dispatchEvent(new KeyboardEvent('keydown', {key: 'ArrowRight'}));
        return (performance.now() - t) / Math.min(200, N); })()""")
    jump = evaluate(browser, session, """(() => { const t = performance.now();
        for (let k = 0; k < 50; ++k) show((k * 7919) % (N + 1));
        return (performance.now() - t) / 50; })()""")
    played = evaluate(browser, session, """(() => { show(0); const t = performance.now();
        while (cur < N) show(cur + 1); return performance.now() - t; })()""")
    browser.call("Target.closeTarget", {"targetId": target})
    return paint, step, jump, played


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("pages", nargs="+")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--chromium", default=shutil.which("chromium") or "chromium")
    args = ap.parse_args()
    browser = Browser(args.chromium)
    try:
        for page in args.pages:
            runs = [measure(browser, page) for _ in range(args.runs)]
            med = [statistics.median(r[k] for r in runs) for k in range(4)]
            print(f"{page}: {os.path.getsize(page)} bytes, first contentful paint {med[0]:.0f} ms, "
                  f"next step {med[1]:.2f} ms, far step {med[2]:.2f} ms, whole path shown step by step "
                  f"{med[3]:.0f} ms (medians of {args.runs} loads)")
    finally:
        browser.close()


if __name__ == "__main__":
    main()
