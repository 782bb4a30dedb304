#!/usr/bin/env python3
"""Runs the hint screen tests' Wayland case and reads the client's protocol
log (WAYLAND_DEBUG): the bubble's surface must be an xdg_popup of the window
it hints, never a titled xdg_toplevel, and must never get the keyboard. Run
it under tests/e2e/weston_run.py --backend headless, where no window has the
focus that would otherwise stand in for the bubble's missing parent.

    weston_run.py --backend headless -- wayland_popup.py TEST_PROGRAM
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from wayland_e2e import WaylandLog  # noqa: E402
import weston_run  # noqa: E402


def main():
    run = subprocess.run([sys.argv[1], "--gtest_filter=BubbleOnWayland.*"],
                         env=dict(os.environ, WAYLAND_DEBUG="1"), capture_output=True,
                         text=True, timeout=60)
    print(run.stdout)
    if "Could not load the Qt platform plugin" in run.stderr:
        return weston_run.skipped("Qt's Wayland platform plugin is not installed (qt6-wayland)")
    log = WaylandLog(run.stderr)
    toplevels = [s["surface"] for s in log.toplevels()]
    failures = [f"the test program failed ({run.returncode})"] if run.returncode else []
    if len(toplevels) != 1:
        failures.append(f"{len(toplevels)} top-level surfaces, the hinted window's alone expected")
    if not log.popups():
        failures.append("the bubble is no xdg_popup")
    for popup in log.popups():
        if popup["parent"] not in toplevels or popup["surface"] in log.keyboard_entered:
            failures.append(f"the pop-up {popup} is not the hinted window's, or has the keyboard")
    for failure in failures:
        print("FAILED:", failure)
    print(f"surfaces {log.surfaces}, keyboard on {log.keyboard_entered}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
