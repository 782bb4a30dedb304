#!/usr/bin/env python3
"""Runs a command inside a private Weston compositor and ends the compositor.

    weston_run.py [--backend headless|x11] [--size 1024x768] [--scale N] -- COMMAND...

headless renders with pixman (it renders nothing without) and has no input;
x11 runs under xvfb-run as one X window at the screen's origin, so xdotool
points and types into the Wayland clients. Weston runs with --debug (for
weston-screenshooter), in a runtime directory of its own, on a plain
background without panel. COMMAND gets WAYLAND_DISPLAY, XDG_RUNTIME_DIR,
QT_QPA_PLATFORM=wayland and MARLUNE_E2E_COMPOSITOR; the exit code is its own,
77 when Weston cannot start (1 with MARLUNE_E2E_REQUIRE_WAYLAND=1, as in CI).
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SOCKET = "marlune-e2e"
# A colour no widget paints, so that tests can tell the desktop from a window.
BACKGROUND = 0xFF3A5F7F
SKIP = 77


def skipped(why):
    """The exit code of a run that could not happen for want of a part."""
    if os.environ.get("MARLUNE_E2E_REQUIRE_WAYLAND") == "1":
        print(f"FAILED: {why}", file=sys.stderr)
        return 1
    print(f"SKIPPED: {why}")
    return SKIP


def weston_ini(path):
    with open(path, "w") as f:
        f.write("[core]\nidle-time=0\n\n"
                f"[shell]\nbackground-color=0x{BACKGROUND:08x}\npanel-position=none\n"
                "locking=false\nanimation=none\nstartup-animation=none\n"
                "close-animation=none\nfocus-animation=none\n\n"
                "[input-method]\npath=\n")


def start_weston(args, runtime):
    config = os.path.join(runtime, "weston.ini")
    weston_ini(config)
    width, height = args.size.split("x")
    command = ["weston", f"--backend={args.backend}-backend.so", "--use-pixman", "--debug",
               f"--socket={SOCKET}", f"--config={config}", f"--width={width}",
               f"--height={height}", "--idle-time=0",
               f"--log={os.path.join(runtime, 'weston.log')}"]
    if args.scale != 1:
        command.append(f"--scale={args.scale}")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    return subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)


def wait_until_ready(weston, runtime, timeout=20.0):
    """True once a client can connect to the compositor's socket."""
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=SOCKET)
    probe = shutil.which("wayland-info") or shutil.which("weston-info")
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if weston.poll() is not None:
            return False
        if os.path.exists(os.path.join(runtime, SOCKET)):
            if probe is None:
                return True
            if subprocess.run([probe], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return True
        time.sleep(0.1)
    return False


def wake_the_pointer():
    """Weston's X11 backend takes no notice of the pointer until it has moved
    over its window once; afterwards xdotool's first move reaches the clients."""
    if shutil.which("xdotool"):
        for point in (("0", "0"), ("1", "1")):
            subprocess.run(["xdotool", "mousemove", *point], capture_output=True)
            time.sleep(0.1)


def stop(weston):
    """Ends Weston and the clients it launched (its shell, its keyboard)."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(weston.pid, sig)
            weston.wait(timeout=10)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--backend", choices=["headless", "x11"], default="headless")
    parser.add_argument("--size", default="1024x768")
    parser.add_argument("--scale", type=int, default=1)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command to run")
    if shutil.which("weston") is None:
        return skipped("weston is not installed")
    if args.backend == "x11" and not os.environ.get("DISPLAY"):
        print("the x11 backend needs an X server: run under xvfb-run", file=sys.stderr)
        return 2

    runtime = tempfile.mkdtemp(prefix="marlune-weston-")
    os.chmod(runtime, 0o700)
    weston = start_weston(args, runtime)
    try:
        if not wait_until_ready(weston, runtime):
            with open(os.path.join(runtime, "weston.log"), errors="replace") as f:
                print(f.read()[-3000:], file=sys.stderr)
            return skipped("weston did not start")
        if args.backend == "x11":
            wake_the_pointer()
        env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=SOCKET,
                   QT_QPA_PLATFORM="wayland", MARLUNE_E2E_COMPOSITOR=f"weston-{args.backend}")
        if args.backend == "headless":
            env.pop("DISPLAY", None)  # nothing may fall back to an X server
        return subprocess.run(command, env=env).returncode
    finally:
        stop(weston)
        shutil.rmtree(runtime, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
