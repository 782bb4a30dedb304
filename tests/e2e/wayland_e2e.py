#!/usr/bin/env python3
"""Drives the real program on a Wayland compositor, under weston_run.py.

    wayland_e2e.py paints|input|hints --program BIN --data FILE --out DIR [--find FIND]

paints (any backend), input and hints (the x11 backend under xvfb-run): see
each scenario. The program runs with WAYLAND_DEBUG=1: WaylandLog reads from
its log the surfaces it makes and where the keyboard went. Screenshots come
from weston-screenshooter; the window (no client-side decorations) is what
differs from the compositor's plain background.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import marlune_e2e as e2e
from marlune_e2e import Failure, wait_for
import weston_run


class WaylandLog:
    """The surfaces a client made, read from its WAYLAND_DEBUG output.

    Object ids are reused once deleted, so the log is read in order and every
    role is bound to the wl_surface id current when it was made."""

    # The time stamp is padded to a width: "[ 889830.101]".
    REQUEST = re.compile(r"^\[\s*[\d.]+\]\s+-> (\w+)@(\d+)\.(\w+)\((.*)\)$")
    EVENT = re.compile(r"^\[\s*[\d.]+\] (\w+)@(\d+)\.(\w+)\((.*)\)$")

    def __init__(self, text):
        self.surfaces = []  # dicts: surface, role, title, parent (wl_surface ids)
        self.keyboard_entered = []  # wl_surface ids, in order
        xdg_surface_of = {}  # xdg_surface id -> wl_surface id
        role_of = {}  # xdg_toplevel / xdg_popup id -> index into self.surfaces
        for line in text.splitlines():
            request = self.REQUEST.match(line)
            if request:
                kind, oid, name, params = request.groups()
                ids = re.findall(r"@(\d+)", params)
                if kind == "xdg_wm_base" and name == "get_xdg_surface":
                    xdg_surface_of[ids[0]] = ids[1]
                elif kind == "xdg_surface" and name in ("get_toplevel", "get_popup"):
                    entry = {"surface": xdg_surface_of.get(oid), "role": name[4:],
                             "title": None, "parent": None}
                    if name == "get_popup" and len(ids) > 1:
                        entry["parent"] = xdg_surface_of.get(ids[1])
                    role_of[ids[0]] = len(self.surfaces)
                    self.surfaces.append(entry)
                elif kind == "xdg_toplevel" and name == "set_title" and oid in role_of:
                    self.surfaces[role_of[oid]]["title"] = params.strip('"')
                elif kind == "xdg_toplevel" and name == "set_parent" and oid in role_of:
                    # The parent named by its role: give its surface.
                    parent = self.surfaces[role_of[ids[0]]]["surface"] if ids and ids[0] in \
                        role_of else None
                    self.surfaces[role_of[oid]]["parent"] = parent
                continue
            event = self.EVENT.match(line)
            if event and event.group(1) == "wl_keyboard" and event.group(3) == "enter":
                ids = re.findall(r"wl_surface@(\d+)", event.group(4))
                if ids:
                    self.keyboard_entered.append(ids[0])

    def toplevels(self):
        return [s for s in self.surfaces if s["role"] == "toplevel"]

    def popups(self):
        return [s for s in self.surfaces if s["role"] == "popup"]


def program_log(program):
    program.log.flush()
    with open(os.path.join(program.base, "program.log"), errors="replace") as f:
        return f.read()


def start(args, x11=False):
    if not os.environ.get("WAYLAND_DISPLAY"):
        raise Failure("no WAYLAND_DISPLAY: run under weston_run.py")
    if x11 and (os.environ.get("MARLUNE_E2E_COMPOSITOR") != "weston-x11"
                or not os.environ.get("DISPLAY")):
        raise Failure("this scenario needs weston_run.py --backend x11 under xvfb-run")
    return e2e.Program(args, environment={"QT_QPA_PLATFORM": "wayland", "WAYLAND_DEBUG": "1",
                                          "QT_WAYLAND_DISABLE_WINDOWDECORATION": "1"})


def screenshot(path):
    """The compositor's whole output, taken by weston-screenshooter."""
    folder = tempfile.mkdtemp(prefix="marlune-e2e-shot-")
    try:
        subprocess.run(["weston-screenshooter"], cwd=folder, check=True, capture_output=True)
        taken = [n for n in os.listdir(folder) if n.endswith(".png")]
        if len(taken) != 1:
            raise Failure(f"weston-screenshooter left {taken}")
        shutil.move(os.path.join(folder, taken[0]), path)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return path


def rgb(path):
    """(width, height, raw RGB bytes) of a picture."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                          text=True, check=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    return width, height, pixels(path, (0, 0, width, height))


def window_box(path):
    """(x, y, width, height) of what differs from the plain background, or None.
    Rows and columns with only a few such pixels (the pointer) do not count."""
    width, height, data = rgb(path)
    background = weston_run.BACKGROUND.to_bytes(4, "big")[1:]
    rows = [0] * height
    columns = [0] * width
    for y in range(height):
        line = data[3 * width * y:3 * width * (y + 1)]
        for x in range(width):
            if line[3 * x:3 * x + 3] != background:
                rows[y] += 1
                columns[x] += 1
    minimum = 40
    ys = [y for y, n in enumerate(rows) if n >= minimum]
    xs = [x for x, n in enumerate(columns) if n >= minimum]
    if not ys or not xs:
        return None
    return xs[0], ys[0], xs[-1] - xs[0] + 1, ys[-1] - ys[0] + 1


class Skipped(Exception):
    pass


def main_window(program, out, name):
    """Waits for the main window's surface and its settled picture: (box, path)."""
    def surface():
        if not program.alive():
            if 'platform plugin "wayland"' in program_log(program):
                raise Skipped("Qt's Wayland platform plugin is not installed (qt6-wayland)")
            raise Failure(f"the program ended:\n{program_log(program)[-2000:]}")
        return any(s["title"] == "Marlune" for s in WaylandLog(program_log(program)).toplevels())
    wait_for("the main window's surface", surface)
    path = os.path.join(out, name)
    previous = None

    def settled():
        nonlocal previous
        box = window_box(screenshot(path))
        pixels = box and e2e.grid_pixels(path, box)
        same = pixels is not None and pixels == previous
        previous = pixels
        return same and box
    return wait_for("the window to paint and settle", settled, timeout=20, interval=0.3), path


def paints(args):
    """The main window is one top-level surface titled Marlune and paints its
    grid, the first record current."""
    program = start(args)
    try:
        box, shot = main_window(program, args.out, "e2e_wayland_paints.png")
        print(f"main window at {box[:2]}, {box[2]}x{box[3]}; screenshot {shot}")
        if box[2:] != (500, 330):
            raise Failure(f"window is {box[2]}x{box[3]}, not 500x330")
        slot, n, _, _ = e2e.highlighted_row(shot, box)
        if slot != 0 or n < 5:
            raise Failure(f"current record in slot {slot} of {n}, expected the first of many")
        print(f"the grid shows {n} rows, the first current")
        log = WaylandLog(program_log(program))
        titles = [s["title"] for s in log.toplevels()]
        if titles != ["Marlune"] or log.popups():
            raise Failure(f"surfaces: {log.surfaces}")
        print(f"one top-level surface titled {titles[0]!r}")
    finally:
        program.finish()


def move(box, point):
    e2e.xdotool("mousemove", box[0] + point[0], box[1] + point[1], check=True)


def ready_for_input(args, program, shot):
    """The record syd finds and the window's box, once the window has settled
    and the search box is clicked."""
    record = e2e.find_record(args, program, "syd")[:2]
    box, _ = main_window(program, args.out, shot)
    move(box, e2e.EDIT1)
    e2e.xdotool("click", "1", check=True)
    return record, box


def type_syd(box, shot):
    """Types syd and waits for the grid to move its highlight to the record
    found, in the middle of the grid: (slot, rows, top, height)."""
    e2e.xdotool("type", "--delay", "80", "syd", check=True)
    wait_for("the grid to follow the typing",
             lambda: e2e.highlighted_row(screenshot(shot), box)[0] != 0, timeout=10,
             interval=0.3)
    slot, n, top, height = e2e.highlighted_row(shot, box)
    if slot != (n - 1) // 2:
        raise Failure(f"found record in slot {slot}, expected {(n - 1) // 2} of {n}")
    return slot, n, top, height


def new_surfaces(program, what, count):
    return wait_for(what, lambda: WaylandLog(program_log(program)).surfaces[count:], timeout=10)


def input_through_weston(args):
    """Typing syd finds marlune-find's record, resting on Print shows a hint on
    a surface of its own, and Exit ends the program."""
    program = start(args, x11=True)
    try:
        (pcode, locality), box = ready_for_input(args, program, "e2e_wayland_before.png")
        shot = os.path.join(args.out, "e2e_wayland_syd.png")
        _, _, top, height = type_syd(box, shot)
        if shutil.which("tesseract"):
            texts = e2e.ocr(shot, box, top, height, 320)
            if not any(t.startswith(f"{pcode} {locality}") for t in texts):
                raise Failure(f"highlighted row reads {texts}, expected {pcode} {locality}")
        print(f"typing syd through Weston found {pcode} {locality}; screenshot {shot}")

        count = len(WaylandLog(program_log(program)).surfaces)
        move(box, e2e.PRINT_BUTTON)
        hint = new_surfaces(program, "the Print hint's surface", count)
        time.sleep(0.3)  # the bubble's first frame
        shot = screenshot(os.path.join(args.out, "e2e_wayland_hint.png"))
        print(f"resting on Print made {hint}; screenshot {shot}")

        move(box, e2e.EXIT_BUTTON)
        e2e.xdotool("click", "1", check=True)
        wait_for("the program to end after Exit", lambda: not program.alive(), timeout=10)
        if program.process.returncode != 0:
            raise Failure(f"exit code {program.process.returncode}")
        print("Exit ended the program")
    finally:
        program.finish()


def pixels(path, box):
    """The raw RGB bytes of a box (x, y, width, height) of a screenshot."""
    crop = f"{box[2]}x{box[3]}+{box[0]}+{box[1]}"
    return subprocess.run(["convert", path, "-crop", crop, "+repage", "rgb:-"],
                          capture_output=True, check=True).stdout


def changed_box(before, after):
    """(x, y, width, height) of the largest patch of touching pixels (diagonal
    neighbours too, for a stippled shadow) that differ between two
    screenshots: what appeared, apart from the pointer and the caret."""
    width, _, a = rgb(before)
    b = rgb(after)[2]
    differ = {(i // 3 % width, i // 3 // width) for i in range(0, len(a), 3)
              if a[i:i + 3] != b[i:i + 3]}
    best = []
    while differ:
        patch = [differ.pop()]
        todo = list(patch)
        while todo:
            x, y = todo.pop()
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    if (x + dx, y + dy) in differ:
                        differ.discard((x + dx, y + dy))
                        patch.append((x + dx, y + dy))
                        todo.append((x + dx, y + dy))
        best = max(best, patch, key=len)
    if not best:
        raise Failure("nothing appeared on the screen")
    xs = [x for x, _ in best]
    ys = [y for _, y in best]
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def hints_through_weston(args):
    """Rests the pointer on the search box: the bubble is a pop-up of the main
    window, untitled, never given the keyboard, and around its body shows
    what lies behind it (never black); typing while it is up goes into the
    search box."""
    program = start(args, x11=True)
    try:
        (pcode, locality), box = ready_for_input(args, program, "e2e_wayland_hint_before.png")
        move(box, (e2e.EDIT1[0] + 3, e2e.EDIT1[1] + 1))
        time.sleep(0.3)
        before = screenshot(os.path.join(args.out, "e2e_wayland_hint_before.png"))
        count = len(WaylandLog(program_log(program)).surfaces)
        move(box, e2e.EDIT1)
        hint = new_surfaces(program, "the search box's hint", count)
        time.sleep(0.4)  # the bubble's first frame
        shot = screenshot(os.path.join(args.out, "e2e_wayland_hint.png"))
        log = WaylandLog(program_log(program))
        main = [s["surface"] for s in log.toplevels() if s["title"] == "Marlune"]
        if any(s["role"] != "popup" or s["parent"] not in main for s in hint):
            raise Failure(f"the bubble is not a pop-up of the main window: {hint}")
        if any(s["title"] for s in log.surfaces if s["title"] != "Marlune"):
            raise Failure(f"a window of its own besides the main one: {log.surfaces}")
        bubble = changed_box(before, shot)
        # The window's top right corner lies outside the body, the tail and
        # the shadow in every direction: it shows what was there before.
        corner = (bubble[0] + bubble[2] - 4, bubble[1], 4, 4)
        if pixels(before, corner) != pixels(shot, corner):
            raise Failure(f"around the bubble at {bubble} the screen is not what lay behind")
        print(f"the hint is a pop-up of the main window at {bubble}; screenshot {shot}")

        type_syd(box, os.path.join(args.out, "e2e_wayland_hint_syd.png"))
        log = WaylandLog(program_log(program))
        popups = {s["surface"] for s in log.popups()}
        if popups & set(log.keyboard_entered):
            raise Failure(f"a bubble got the keyboard: {log.keyboard_entered}")
        print(f"typing syd under the bubble found the record of {pcode} {locality}")
    finally:
        program.finish()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=["paints", "input", "hints"])
    parser.add_argument("--program", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--find")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    try:
        {"paints": paints, "input": input_through_weston,
         "hints": hints_through_weston}[args.scenario](args)
    except Failure as e:
        print(f"FAILED: {e}", file=sys.stderr)
        return 1
    except Skipped as e:
        return weston_run.skipped(str(e))
    return 0


if __name__ == "__main__":
    sys.exit(main())
