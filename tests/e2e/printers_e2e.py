#!/usr/bin/env python3
"""The program and marlune-report beside a print server that never answers
(run under xvfb-run).

    printers_e2e.py startup --program BIN --data FILE --out DIR
        times start-up to the painted window with no print server at all and
        with one that accepts connections and never answers (CUPS_SERVER),
        seven times each in turn; the program must not ask that server before
        Print. Print then says within a few seconds that no printer answers,
        and the preview opens all the same.
    printers_e2e.py report-tool --program MARLUNE-REPORT --data FILE --out DIR
        marlune-report writes the list as a PDF without asking the server.
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

import marlune_e2e as e2e
from marlune_e2e import Failure, wait_for

# Far above the usual start-up (well under a second): a start that waits for
# printers blocks for a minute or more.
STARTUP_BOUND = 20.0
# How long Print may take to say that no printer answers.
ANSWER_BOUND = 10.0


class SilentServer:
    """Listens on 127.0.0.1 and never reads or answers: a print server that is
    down or out of reach. The kernel takes the connections into the backlog;
    count() accepts them there to count them."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0), backlog=128)
        self.listener.setblocking(False)
        self.port = self.listener.getsockname()[1]
        self.connections = []

    def count(self):
        try:
            while True:
                self.connections.append(self.listener.accept()[0])
        except BlockingIOError:
            return len(self.connections)

    def close(self):
        for conn in self.connections:
            conn.close()
        self.listener.close()


def closed_port():
    """A port on 127.0.0.1 where nothing listens: no print server at all."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def painted(program):
    """Seconds from the program's start until its window shows with the grid's
    first row highlighted, and the window. Polls often: the whole start takes
    a fraction of a second."""
    start = time.monotonic()

    def mapped():
        if not program.alive():
            with open(os.path.join(program.base, "program.log")) as f:
                raise Failure(f"the program ended: {f.read()[-2000:]}")
        return next((w for w, name in program.windows() if name == "Marlune"), None)
    wid = wait_for("the main window", mapped, timeout=STARTUP_BOUND, interval=0.02)
    origin = e2e.window_origin(wid)
    shot = os.path.join(program.base, "start.png")

    def grid_shown():
        try:
            e2e.highlighted_row(e2e.screenshot(shot, wid), (0, 0) + origin[2:])
            return True
        except (Failure, StopIteration, subprocess.CalledProcessError):
            return False
    wait_for("the grid to paint", grid_shown, timeout=STARTUP_BOUND, interval=0.02)
    return time.monotonic() - start, wid


def timed_start(args, server):
    program = e2e.Program(args, environment={"CUPS_SERVER": server})
    try:
        return painted(program)[0]
    finally:
        program.finish()


def startup(args):
    silent = SilentServer()
    try:
        none = f"127.0.0.1:{closed_port()}"
        hanging = f"127.0.0.1:{silent.port}"
        # In turn, so that both see the same machine load.
        times = {none: [], hanging: []}
        for _ in range(7):
            for server in (none, hanging):
                times[server].append(timed_start(args, server))
        median = {s: sorted(t)[len(t) // 2] for s, t in times.items()}
        print(f"start-up to the painted grid, no print server: "
              f"{', '.join(f'{t:.3f}' for t in times[none])} s (median {median[none]:.3f})")
        print(f"start-up to the painted grid, a print server that never answers: "
              f"{', '.join(f'{t:.3f}' for t in times[hanging])} s "
              f"(median {median[hanging]:.3f}, {median[hanging] / median[none]:.2f}x)")
        if max(times[hanging]) > STARTUP_BOUND:
            raise Failure("start-up waited for the print server")
        if silent.count() != 0:
            raise Failure(f"start-up asked the print server {silent.count()} times")
        print("no start-up asked the print server")
        print_without_an_answer(args, hanging, silent)
    finally:
        silent.close()


def print_without_an_answer(args, server, silent):
    program = e2e.Program(args, environment={"CUPS_SERVER": server})
    try:
        _, wid = painted(program)
        e2e.click(wid, e2e.PRINT_BUTTON)
        clicked = time.monotonic()
        box = wait_for("a message", lambda: next(
            (w for w, name in program.windows() if w != wid and name == "Marlune"), None),
            timeout=ANSWER_BOUND + 5)
        waited = time.monotonic() - clicked
        shot = e2e.screenshot(os.path.join(args.out, "e2e_print_no_answer.png"))
        print(f"{waited:.1f} s after Print a message box; screenshot {shot}")
        if waited > ANSWER_BOUND:
            raise Failure(f"the message took {waited:.1f} s")
        if silent.count() == 0:
            raise Failure("Print did not ask the print server")
        if shutil.which("tesseract"):
            x, y, width, height = e2e.window_origin(box)
            text = e2e.read_screen(shot, f"{width}x{height}+{x}+{y}", "300%")
            if "printer" not in text.lower():
                raise Failure(f"the message reads: {text}")
            print(f"it reads: {' '.join(text.split())}")
        e2e.xdotool("windowfocus", "--sync", box, check=True)
        e2e.xdotool("key", "Return", check=True)
        preview = e2e.preview_window(program)
        print(f"after OK the preview {preview} opened")
        e2e.xdotool("windowfocus", "--sync", preview, check=True)
        e2e.xdotool("key", "Escape", check=True)
        wait_for("the preview to close",
                 lambda: all(name != "Preview - Marlune" for _, name in program.windows()),
                 timeout=10)
        e2e.exit_through_the_toolbar(program, wid)
    finally:
        program.finish()


def report_tool(args):
    silent = SilentServer()
    work = tempfile.mkdtemp(prefix="marlune-e2e-report-")
    try:
        pdf = os.path.join(work, "list.pdf")
        env = dict(os.environ, CUPS_SERVER=f"127.0.0.1:{silent.port}", HOME=work,
                   XDG_CONFIG_HOME=work)
        run = subprocess.run([args.program, "--data", args.data, "--pdf", pdf], env=env,
                             capture_output=True, text=True, timeout=120)
        if run.returncode != 0:
            raise Failure(f"marlune-report ended with {run.returncode}: {run.stderr}")
        pages = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
        if "Pages:" not in pages:
            raise Failure(f"no PDF written: {pages}")
        if silent.count() != 0:
            raise Failure(f"marlune-report asked the print server {silent.count()} times")
        print(f"marlune-report wrote {pdf} ({pages.split('Pages:')[1].split()[0]} pages) "
              "without asking the print server")
    finally:
        silent.close()
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=["startup", "report-tool"])
    parser.add_argument("--program", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.scenario == "startup" and not os.environ.get("DISPLAY"):
        print("no DISPLAY: run under xvfb-run", file=sys.stderr)
        return 2
    try:
        {"startup": startup, "report-tool": report_tool}[args.scenario](args)
    except Failure as e:
        print(f"FAILED: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
