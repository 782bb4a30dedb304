#!/usr/bin/env python3
"""Runs the hint screen tests' Wayland case under a headless Weston of its own
and reads the client's protocol log (WAYLAND_DEBUG): the bubble's surface
must be an xdg_popup of the window it hints, never an xdg_toplevel, and must
never get the keyboard.

    wayland_popup.py TEST_PROGRAM

Exits 77 (skipped) when Weston or Qt's Wayland plugin is missing.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time


def main():
    program = sys.argv[1]
    weston = shutil.which("weston")
    if weston is None:
        print("weston is not installed")
        return 77
    runtime = tempfile.mkdtemp(prefix="marlune-wayland-")
    os.chmod(runtime, 0o700)
    socket = "marlune-hints"
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    env.pop("DISPLAY", None)
    server = subprocess.Popen([weston, "--backend=headless-backend.so", "--use-pixman",
                               f"--socket={socket}", "--idle-time=0"], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 20
        while not os.path.exists(os.path.join(runtime, socket)):
            if server.poll() is not None or time.monotonic() > deadline:
                print("weston did not start")
                return 1
            time.sleep(0.1)
        env.update(WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland", WAYLAND_DEBUG="1")
        run = subprocess.run([program, "--gtest_filter=BubbleOnWayland.*"], env=env,
                             capture_output=True, text=True, timeout=60)
    finally:
        server.terminate()
        server.wait(timeout=10)
        shutil.rmtree(runtime, ignore_errors=True)
    print(run.stdout)
    if "Could not load the Qt platform plugin" in run.stderr:
        print("Qt's Wayland plugin is not installed")
        return 77
    log = run.stderr
    surfaces = dict(re.findall(r"get_xdg_surface\(new id (xdg_surface@\d+), (wl_surface@\d+)\)",
                               log))
    toplevels = re.findall(r"(xdg_surface@\d+)\.get_toplevel\(", log)
    popups = re.findall(r"(xdg_surface@\d+)\.get_popup\(new id xdg_popup@\d+, (xdg_surface@\d+)",
                        log)
    focused = set(re.findall(r"wl_keyboard@\d+\.enter\(\d+, (wl_surface@\d+)", log))
    failures = []
    if run.returncode != 0:
        failures.append(f"the test program failed ({run.returncode})")
    if len(toplevels) != 1:
        failures.append(f"{len(toplevels)} top-level windows, the hinted window's alone expected")
    if not popups:
        failures.append("the bubble is no xdg_popup")
    for popup, parent in popups:
        if parent not in toplevels:
            failures.append(f"the pop-up {popup} does not belong to the hinted window")
        if surfaces.get(popup) in focused:
            failures.append(f"the pop-up {popup} got the keyboard")
    if 'set_title("Print complete list")' in log:
        failures.append("the bubble is titled as a window of its own")
    for failure in failures:
        print("FAILED:", failure)
    print(f"top-levels {toplevels}, pop-ups {popups}, keyboard on {sorted(focused)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
