#!/usr/bin/env python3
"""Runs a command on a virtual X server of its own and ends the server.

    xvfb_run.py [--screen 1024x768x24] -- COMMAND...

Like `xvfb-run -a`, but the server picks a free display number itself
(-displayfd), and servers start one at a time (a lock file): two X servers
starting at once can both take the same number, the later one removing the
earlier one's socket. The server does not reset when its last client goes
(a scenario that starts the program again and again would meet a server
busy resetting, refusing connections). The exit code is COMMAND's.
"""
import argparse
import fcntl
import os
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--screen", default="1024x768x24")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command to run")
    read, write = os.pipe()
    with open(os.path.join("/tmp", "marlune-xvfb-start.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                   args.screen, "-nolisten", "tcp", "-noreset"],
                                  pass_fds=(write,), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
    try:
        if not number:
            print("Xvfb did not start", file=sys.stderr)
            return 1
        env = dict(os.environ, DISPLAY=f":{number}")
        env.pop("XAUTHORITY", None)
        return subprocess.run(command, env=env).returncode
    finally:
        server.terminate()
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()


if __name__ == "__main__":
    sys.exit(main())
