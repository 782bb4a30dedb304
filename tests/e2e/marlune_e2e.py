#!/usr/bin/env python3
"""Drives the real program on an X server (run it under xvfb-run).

    marlune_e2e.py first-start  --program BIN --data FILE --out DIR
    marlune_e2e.py missing-file --program BIN --data FILE --out DIR
    marlune_e2e.py search-syd   --program BIN --data FILE --out DIR --find FIND
    marlune_e2e.py update       --program BIN --data FILE --out DIR --mkdatafile TOOL --port N
    marlune_e2e.py update-close --program BIN --data FILE --out DIR --port N
    marlune_e2e.py hints        --program BIN --data FILE --out DIR
    marlune_e2e.py about        --program BIN --data FILE --out DIR
    marlune_e2e.py tray         --program BIN --data FILE --out DIR
    marlune_e2e.py no-tray      --program BIN --data FILE --out DIR
    marlune_e2e.py keyboard     --program BIN --data FILE --out DIR
    marlune_e2e.py screen-reader --program BIN --data FILE --out DIR --find FIND
    marlune_e2e.py installed    --program /usr/bin/marlune --data /usr/share/marlune/20051206.dat
                                --out DIR --find /usr/bin/marlune-find

The screen-reader scenario runs inside a D-Bus session (dbus-run-session)
with a Python that has pyatspi; it starts the accessibility bus and exits
with 77 (skipped) when that bus cannot start.

The tray scenarios run a window manager (twm) so that a window can be
minimised; tray adds a system tray host (trayer), no-tray has none.

The update scenario needs a program built with its update server at
127.0.0.1:N; it serves a folder there with python's http.server.

Each scenario starts Marlune with a fresh HOME and XDG_CONFIG_HOME, in a
temporary working directory that holds a copy of the data file, finds its
windows with xdotool, types into it, takes screenshots into DIR and ends it.
Waits poll with time-outs; nothing sleeps longer than a fraction of a second.
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

REG_FILE = "HKEY_CURRENT_USER.reg"
SETTINGS_KEY = "[HKEY_CURRENT_USER\\Software\\Calderix\\Marlune\\Settings]"

# Where things are in the main window's client area.
EDIT1 = (8 + 60, 61 + 10)
EXIT_BUTTON = (1 + 8 + 23, 1 + 2 + 18)
PRINT_BUTTON = (1 + 8 + 47 + 23, 1 + 2 + 18)
UPDATE_BUTTON = (1 + 8 + 2 * 47 + 23, 1 + 2 + 18)
ABOUT_BUTTON = (1 + 8 + 3 * 47 + 8 + 23, 1 + 2 + 18)
GRID_AREA = (0, 89, 500, 330 - 19)


def is_tooltip(wid):
    """Whether a window is a hint bubble, which comes and goes with the pointer."""
    kind = subprocess.run(["xprop", "-id", str(wid), "_NET_WM_WINDOW_TYPE"], capture_output=True,
                          text=True).stdout
    return "_NET_WM_WINDOW_TYPE_TOOLTIP" in kind


class Failure(Exception):
    pass


def ask_for_update(program, wid):
    """Clicks Update and returns the question's window. On a loaded machine a
    click that arrives while the window is still settling can be lost; the
    scenario is about what follows, so the click is given once more."""
    others = lambda: [w for w, _ in program.windows() if w != wid]
    click(wid, UPDATE_BUTTON)
    try:
        return wait_for("the question", others, timeout=8)
    except Failure:
        print("no question 8 s after the click; clicking Update again")
        click(wid, UPDATE_BUTTON)
        return wait_for("the question", others)


def wait_for(what, condition, timeout=20.0, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(interval)


def xdotool(*args, check=False):
    run = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True)
    if check and run.returncode != 0:
        raise Failure(f"xdotool {' '.join(map(str, args))}: {run.stderr.strip()}")
    return run.stdout.split()


class Program:
    def __init__(self, args, registry=None, environment=None):
        self.base = tempfile.mkdtemp(prefix="marlune-e2e-")
        self.home = os.path.join(self.base, "home")
        self.config = os.path.join(self.home, ".config")
        self.work = os.path.join(self.base, "work")
        os.makedirs(self.config)
        os.makedirs(self.work)
        shutil.copy(args.data, os.path.join(self.work, "20051206.dat"))
        self.reg_dir = os.path.join(self.config, "marlune")
        if registry is not None:
            os.makedirs(self.reg_dir)
            with open(os.path.join(self.reg_dir, REG_FILE), "w", newline="\r\n") as f:
                f.write(registry)
        env = dict(os.environ)
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.config, QT_QPA_PLATFORM="xcb")
        env.update(environment or {})
        for name in ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI"):
            env.pop(name, None)
        self.log = open(os.path.join(self.base, "program.log"), "w")
        self.process = subprocess.Popen([args.program], cwd=self.work, env=env,
                                        stdout=self.log, stderr=subprocess.STDOUT)

    def windows(self):
        """The program's visible windows that carry a title."""
        found = []
        for wid in xdotool("search", "--onlyvisible", "--pid", self.process.pid):
            name = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True,
                                  text=True).stdout.strip()
            if name and not is_tooltip(wid):
                found.append((wid, name))
        return found

    def alive(self):
        return self.process.poll() is None

    def registry_text(self):
        try:
            with open(os.path.join(self.reg_dir, REG_FILE), encoding="cp1252") as f:
                return f.read()
        except OSError:
            return ""

    def finish(self):
        if self.alive():
            self.process.kill()
        self.process.wait(timeout=10)
        self.log.close()
        shutil.rmtree(self.base, ignore_errors=True)


def window_origin(wid):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid],
                         capture_output=True, text=True, check=True).stdout
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def click(wid, point):
    xdotool("mousemove", "--window", wid, point[0], point[1], check=True)
    xdotool("click", "1", check=True)


def screenshot(path, wid="root"):
    subprocess.run(["import", "-window", wid, path], check=True)
    return path


def grid_pixels(path, origin):
    """The grid area of a root screenshot, as raw RGB bytes."""
    x, y, _, _ = origin
    left, top, right, bottom = GRID_AREA
    crop = f"{right - left}x{bottom - top}+{x + left}+{y + top}"
    return subprocess.run(["convert", path, "-crop", crop, "+repage", "rgb:-"],
                          capture_output=True, check=True).stdout


def main_window(program):
    def find():
        titled = [w for w in program.windows() if w[1] == "Marlune"]
        return titled[0][0] if titled else None
    return wait_for("the main window", lambda: program.alive() and find())


def exit_through_the_toolbar(program, wid):
    click(wid, EXIT_BUTTON)
    wait_for("the program to end after Exit", lambda: not program.alive(), timeout=10)
    if program.process.returncode != 0:
        raise Failure(f"exit code {program.process.returncode}")


def first_start(args):
    program = Program(args)
    try:
        wid = main_window(program)
        print(f"main window {wid} titled 'Marlune'")
        text = wait_for("the setting to be written",
                        lambda: '"DataFileName"="20051206.dat"' in program.registry_text()
                        and program.registry_text())
        if SETTINGS_KEY not in text:
            raise Failure(f"settings key missing from the registry file:\n{text}")
        print("registry holds DataFileName=20051206.dat under the Settings key")
        origin = window_origin(wid)
        if origin[2:] != (500, 330):
            raise Failure(f"window is {origin[2]}x{origin[3]}, not 500x330")

        # The grid is painted once the records are loaded; wait until two
        # screenshots in a row agree.
        shots = os.path.join(args.out, "e2e_first_start.png")
        previous = settle(origin, shots)
        print(f"screenshot {shots}")

        # Typing moves the grid to another record.
        after = type_and_see(args, wid, origin, previous, "bon", "e2e_search_bon.png")
        print(f"screenshot {after}")
        if len(program.windows()) != 1:
            raise Failure(f"unexpected windows: {program.windows()}")
        exit_through_the_toolbar(program, wid)
        print("Exit ended the program")
    finally:
        program.finish()


def type_and_see(args, wid, origin, before, text, name, delay=50, click_first=True):
    """Types into the search box (clicked first unless it has the focus) and
    waits for the grid to show something other than `before`; returns the
    screenshot's path."""
    if click_first:
        click(wid, EDIT1)
    xdotool("type", "--delay", str(delay), text, check=True)
    shot = os.path.join(args.out, name)
    wait_for("the grid to follow the search",
             lambda: grid_pixels(screenshot(shot), origin) != before, timeout=10, interval=0.3)
    return shot


def installed(args):
    """The installed program as a new user meets it: the launcher from a fresh
    HOME seeds ~/.local/share/marlune/ with the shipped list, the window shows
    it and follows typing; then the installed marlune-find looks up syd there."""
    program = Program(args, environment={"XDG_DATA_HOME": ""})
    try:
        wid = main_window(program)
        origin = window_origin(wid)
        seeded = os.path.join(program.home, ".local", "share", "marlune", "20051206.dat")
        wait_for("the launcher to seed the data folder", lambda: os.path.exists(seeded))
        with open(seeded, "rb") as a, open(args.data, "rb") as b:
            if a.read() != b.read():
                raise Failure(f"{seeded} differs from {args.data}")
        print(f"the launcher seeded {seeded}")
        before = settle(origin, os.path.join(args.out, "e2e_installed.png"))
        if len(set(before)) < 3:
            raise Failure("the grid shows no records")
        shot = type_and_see(args, wid, origin, before, "syd", "e2e_installed_syd.png")
        print(f"the list is shown and follows the search; screenshot {shot}")
        exit_through_the_toolbar(program, wid)
        found = subprocess.run([args.find, "syd"], cwd=os.path.dirname(seeded),
                               env=dict(os.environ, HOME=program.home, XDG_CONFIG_HOME=program.config),
                               capture_output=True, text=True, timeout=30)
        fields = found.stdout.rstrip("\n").split("\t")
        if found.returncode != 0 or len(fields) != 5 or not fields[1].lower().startswith("syd"):
            raise Failure(f"marlune-find syd: exit {found.returncode}, {found.stdout!r} {found.stderr!r}")
        print(f"marlune-find syd prints {found.stdout.strip()!r}")
    finally:
        program.finish()

def settle(origin, path):
    """Takes screenshots into path until two in a row agree; returns the grid's pixels."""
    previous = None
    def settled():
        nonlocal previous
        pixels = grid_pixels(screenshot(path), origin)
        same = pixels == previous
        previous = pixels
        return same and pixels
    return wait_for("the window to settle", settled, timeout=20, interval=0.3)


def pixel_column(path, origin, x):
    """The colours of one pixel column of the grid area, top to bottom."""
    left, top, right, bottom = GRID_AREA
    data = grid_pixels(path, origin)
    width = right - left
    return [tuple(data[3 * (row * width + x):3 * (row * width + x) + 3])
            for row in range(bottom - top)]


def highlighted_row(path, origin):
    """(slot, window size N, top, height) of the highlighted data row, read from the
    pixels: the black line under the title row, the silver line after every data
    row, the band in a colour that is neither the grid's white nor a line colour."""
    column = pixel_column(path, origin, 62)  # right of the postcodes and of the title "Post Code"
    plain = {(255, 255, 255), (192, 192, 192), (0, 0, 0)}
    title_line = next(y for y, c in enumerate(column) if c == (0, 0, 0) and y > 2)
    band = [y for y, c in enumerate(column) if y > title_line and c not in plain]
    if not band:
        raise Failure("no highlighted row in the grid")
    top = band[0]
    height = next(i for i, y in enumerate(band + [None]) if y != top + i)
    # Below the rows come the empty area and then the horizontal scroll bar.
    end = band[height] if height < len(band) else len(column)
    lines = [y for y, c in enumerate(column) if title_line < y < end and c == (192, 192, 192)]
    slot = sum(1 for y in lines if y < top)
    return slot, len(lines) + (0 if top + height in lines else 1), top, height


def ocr(path, origin, top, height, width):
    """The text of one grid row read back with tesseract, in a few renderings."""
    x, y, _, _ = origin
    texts = []
    for extra in (["-resize", "300%"], ["-resize", "400%", "-normalize"],
                  ["-filter", "Lanczos", "-resize", "500%", "-normalize", "-threshold", "60%"]):
        crop = f"{width}x{height}+{x + GRID_AREA[0]}+{y + GRID_AREA[1] + top}"
        png = subprocess.run(["convert", path, "-crop", crop, "+repage", *extra[:2],
                              "-colorspace", "gray", "-negate", *extra[2:], "png:-"],
                             capture_output=True, check=True).stdout
        out = subprocess.run(["tesseract", "-", "-", "--psm", "7"], input=png,
                             capture_output=True).stdout.decode("utf-8", "replace")
        texts.append(" ".join(out.split()))
    return texts


def pasted(selection="clipboard"):
    """What another program pastes from the X selection."""
    run = subprocess.run(["xclip", "-o", "-selection", selection], capture_output=True,
                         timeout=5)
    return run.stdout.decode("utf-8", "replace")


def find_record(args, program, text):
    """The five fields of the record that marlune-find names for text."""
    found = subprocess.run([args.find, "--data", os.path.join(program.work, "20051206.dat"),
                            text], capture_output=True, text=True, check=True).stdout
    print(f"marlune-find names {found.strip()!r}")
    return found.rstrip("\n").split("\t")


def search_syd(args):
    """Types syd and checks that the grid highlights, in its middle row, the record
    that marlune-find names for the same text."""
    program = Program(args)
    try:
        pcode, locality = find_record(args, program, "syd")[:2]
        expected = f"{pcode} {locality}"
        wid = main_window(program)
        origin = window_origin(wid)
        before = settle(origin, os.path.join(args.out, "e2e_before_syd.png"))
        shot = type_and_see(args, wid, origin, before, "syd", "e2e_search_syd.png", delay=80)
        settle(origin, shot)
        print(f"screenshot {shot}")
        slot, n, top, height = highlighted_row(shot, origin)
        print(f"highlighted slot {slot} of {n}")
        if slot != (n - 1) // 2:
            raise Failure(f"found record in slot {slot}, expected {(n - 1) // 2} of {n}")
        if shutil.which("tesseract"):
            # Post Code and Locality columns of the highlighted row.
            texts = ocr(shot, origin, top, height, 320)
            print(f"highlighted row reads {texts}")
            if not any(t.startswith(expected) for t in texts):
                raise Failure(f"highlighted row reads {texts}, expected {expected!r}")
        else:
            print("tesseract not installed: the row's text is not read back")
        exit_through_the_toolbar(program, wid)
    finally:
        program.finish()


def missing_file(args):
    registry = ("Windows Registry Editor Version 5.00\n\n" + SETTINGS_KEY + "\n"
                '"DataFileName"="missing.dat"\n\n')
    program = Program(args, registry)
    try:
        wid = main_window(program)
        box = wait_for("the message box",
                       lambda: [w for w, _ in program.windows() if w != wid])
        if len(box) != 1:
            raise Failure(f"expected one message box, got {program.windows()}")
        box = box[0]
        titles = dict(program.windows())
        if titles[box] != "Marlune":
            raise Failure(f"message box titled {titles[box]!r}")
        shot = screenshot(os.path.join(args.out, "e2e_missing_file.png"))
        print(f"message box {box} titled 'Marlune'; screenshot {shot}")

        xdotool("windowfocus", box)
        xdotool("key", "Return", check=True)
        wait_for("the message box to close",
                 lambda: [w for w, _ in program.windows()] == [wid], timeout=10)
        print("Enter closed the message box")

        # The window is usable: typing into the search box raises nothing.
        click(wid, EDIT1)
        xdotool("type", "--delay", "50", "bon", check=True)
        deadline = time.monotonic() + 1.0
        while time.monotonic() < deadline:
            if [w for w, _ in program.windows()] != [wid] or not program.alive():
                raise Failure(f"after typing: {program.windows()}")
            time.sleep(0.1)
        screenshot(os.path.join(args.out, "e2e_missing_file_after.png"))
        text = program.registry_text()
        if '"DataFileName"="missing.dat"' not in text:
            raise Failure(f"setting changed:\n{text}")
        exit_through_the_toolbar(program, wid)
        print("main window stayed usable; Exit ended the program")
    finally:
        program.finish()


# The new list the update scenario publishes: names no shipped record has.
UPDATE_CSV = """Pcode,Locality,State,Comments,DeliveryOffice
0800,AAAUPDATE ONE,NT,,
0801,AAAUPDATE TWO,NT,,
0802,AAAUPDATE THREE,NT,,
"""
UPDATE_NAME = "20261209.dat"


def serve(folder, port):
    """python3 -m http.server on 127.0.0.1:port, once it accepts connections."""
    server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind",
                               "127.0.0.1", "--directory", folder],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    def listening():
        if server.poll() is not None:
            raise Failure(f"http.server on port {port} ended (port taken?)")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return True
        except OSError:
            return False
    wait_for(f"the update server on port {port}", listening, timeout=15)
    return server


def update(args):
    """Publishes a new list beside its check file, clicks Update, answers Yes and
    checks the grid, the working directory and the registry file."""
    site = tempfile.mkdtemp(prefix="marlune-e2e-site-")
    with open(os.path.join(site, "new.csv"), "w") as f:
        f.write(UPDATE_CSV)
    subprocess.run([args.mkdatafile, os.path.join(site, "new.csv"),
                    os.path.join(site, UPDATE_NAME)], check=True)
    with open(os.path.join(site, "mrl_check.txt"), "w") as f:
        f.write(UPDATE_NAME + "\n")
    server = serve(site, args.port)
    program = Program(args)
    try:
        wid = main_window(program)
        origin = window_origin(wid)
        before = settle(origin, os.path.join(args.out, "e2e_before_update.png"))
        box = ask_for_update(program, wid)
        if dict(program.windows()).get(box[0]) != "Marlune":
            raise Failure(f"question box titled {dict(program.windows()).get(box[0])!r}")
        shot = screenshot(os.path.join(args.out, "e2e_update_question.png"))
        print(f"question box {box[0]}; screenshot {shot}")
        xdotool("windowfocus", box[0])
        xdotool("key", "Return", check=True)  # Yes is the default button
        wait_for("the registry to name the new file",
                 lambda: f'"DataFileName"="{UPDATE_NAME}"' in program.registry_text(),
                 timeout=30)
        print(f"registry holds DataFileName={UPDATE_NAME}")
        shot = os.path.join(args.out, "e2e_update_done.png")
        wait_for("the grid to show the new list",
                 lambda: grid_pixels(screenshot(shot), origin) != before, timeout=10,
                 interval=0.3)
        settle(origin, shot)
        print(f"screenshot {shot}")
        if [w for w, _ in program.windows()] != [wid]:
            raise Failure(f"unexpected windows after the update: {program.windows()}")
        with open(os.path.join(site, UPDATE_NAME), "rb") as f:
            published = f.read()
        with open(os.path.join(program.work, UPDATE_NAME), "rb") as f:
            if f.read() != published:
                raise Failure("the installed file differs from the published one")
        left = sorted(os.listdir(program.work))
        if left != ["20051206.dat", UPDATE_NAME]:
            raise Failure(f"working directory holds {left}")
        print(f"working directory holds {left}")
        slot, _, top, height = highlighted_row(shot, origin)
        if slot != 0:
            raise Failure(f"current record in slot {slot}, expected the first row")
        if shutil.which("tesseract"):
            texts = ocr(shot, origin, top, height, 320)
            print(f"first row reads {texts}")
            if not any("AAAUPDATE ONE" in t.upper() for t in texts):
                raise Failure(f"first row reads {texts}, expected the new list")
        exit_through_the_toolbar(program, wid)
        print("Exit ended the program")
    finally:
        program.finish()
        server.kill()
        server.wait(timeout=10)
        shutil.rmtree(site, ignore_errors=True)


class StallingServer:
    """Answers the check file at once and the data file with its first bytes,
    then holds the connection open until the client goes."""
    def __init__(self, port):
        self.listener = socket.create_server(("127.0.0.1", port))
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        self.listener.settimeout(0.2)
        while not self.stop.is_set():
            try:
                conn, _ = self.listener.accept()
            except OSError:
                continue
            with conn:
                request = b""
                while b"\r\n\r\n" not in request:
                    chunk = conn.recv(4096)
                    if not chunk:
                        break
                    request += chunk
                if request.startswith(b"GET /mrl_check.txt "):
                    conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + UPDATE_NAME.encode() + b"\n")
                    continue
                conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 1000000\r\n\r\n" + b"x" * 5000)
                conn.settimeout(0.2)
                while not self.stop.is_set():
                    try:
                        if not conn.recv(4096):
                            break
                    except socket.timeout:
                        continue
                    except OSError:
                        break

    def close(self):
        self.stop.set()
        self.thread.join(timeout=10)
        self.listener.close()


def update_close(args):
    """Exit while a download waits: the program ends at once and cleanly, no
    partial file is left and the setting is unchanged."""
    server = StallingServer(args.port)
    program = Program(args)
    try:
        wid = main_window(program)
        settle(window_origin(wid), os.path.join(args.out, "e2e_before_update_close.png"))
        box = ask_for_update(program, wid)
        xdotool("windowfocus", box[0])
        xdotool("key", "Return", check=True)
        # The download has started when its temporary file is there.
        wait_for("the download to start",
                 lambda: any(n.startswith(f".{UPDATE_NAME}.download-")
                             for n in os.listdir(program.work)),
                 timeout=15)
        shot = screenshot(os.path.join(args.out, "e2e_update_waiting.png"))
        print(f"download waiting; screenshot {shot}")
        exit_through_the_toolbar(program, wid)
        left = sorted(os.listdir(program.work))
        if left != ["20051206.dat"]:
            raise Failure(f"working directory holds {left}")
        if f'"DataFileName"="20051206.dat"' not in program.registry_text():
            raise Failure(f"setting changed:\n{program.registry_text()}")
        print("Exit during the download ended the program; nothing left behind")
    finally:
        program.finish()
        server.close()


def hint_windows(program):
    """The hint bubbles the program shows: (window, title, x, y, width, height)."""
    found = []
    for wid in xdotool("search", "--onlyvisible", "--pid", program.process.pid):
        if is_tooltip(wid):
            name = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True,
                                  text=True).stdout.strip()
            found.append((wid, name) + window_origin(wid))
    return found


def rest_and_find_hint(program, wid, point, text):
    xdotool("mousemove", "--window", wid, point[0], point[1], check=True)
    return wait_for(f"the hint {text!r}",
                    lambda: next((h for h in hint_windows(program) if h[1] == text), None),
                    timeout=10)


def hints(args):
    """Rests the pointer on the search box, then on Exit with the window at
    the top of the screen: the bubble opens above the pointer, then below."""
    program = Program(args)
    try:
        wid = main_window(program)
        x, y, _, _ = window_origin(wid)
        hint = rest_and_find_hint(program, wid, EDIT1, "Type your search here")
        pointer_y = y + EDIT1[1]
        if not hint[3] + hint[5] <= pointer_y - 5:
            raise Failure(f"the search box's hint is not above the pointer: {hint}")
        shot = screenshot(os.path.join(args.out, "e2e_hint_up.png"))
        print(f"hint {hint[1]!r} at {hint[2:]}; screenshot {shot}")

        xdotool("mousemove", "0", "700", check=True)  # away, so the next hint starts afresh
        wait_for("the hint to go", lambda: not hint_windows(program), timeout=10)
        xdotool("windowmove", wid, "200", "0", check=True)
        wait_for("the window at the top", lambda: window_origin(wid)[1] < 40, timeout=10)
        _, top, _, _ = window_origin(wid)
        hint = rest_and_find_hint(program, wid, EXIT_BUTTON, "Exit Marlune")
        if not hint[3] >= top + EXIT_BUTTON[1] + 15:
            raise Failure(f"Exit's hint at the top of the screen does not open below: {hint}")
        shot = screenshot(os.path.join(args.out, "e2e_hint_down.png"))
        print(f"hint {hint[1]!r} at {hint[2:]}; screenshot {shot}")
        exit_through_the_toolbar(program, wid)
    finally:
        program.finish()


def about(args):
    """About opens the about box over the main window; Enter closes it."""
    program = Program(args)
    try:
        wid = main_window(program)
        settle(window_origin(wid), os.path.join(args.out, "e2e_about_before.png"))
        click(wid, ABOUT_BUTTON)
        box = wait_for("the about box", lambda: next(
            (w for w, name in program.windows() if name == "About"), None))
        x, y, width, height = window_origin(box)
        if (width, height) != (298, 213):
            raise Failure(f"about box is {width}x{height}, not 298x213")
        shot = os.path.join(args.out, "e2e_about.png")
        screenshot(shot)
        print(f"about box {box} at {x},{y}; screenshot {shot}")
        # What it says, read back from the screen.
        crop = f"{width}x{height}+{x}+{y}"
        png = subprocess.run(["convert", shot, "-crop", crop, "+repage", "-resize", "300%",
                              "-colorspace", "gray", "png:-"], capture_output=True,
                             check=True).stdout
        text = subprocess.run(["tesseract", "-", "-", "--psm", "6"], input=png,
                              capture_output=True).stdout.decode("utf-8", "replace")
        if "Version: 1.0.0.1" not in text or "Marlune" not in text:
            raise Failure(f"the about box reads:\n{text}")
        print("the about box reads Marlune and Version: 1.0.0.1")
        # Enter, typed at the focused window, as a user types it.
        xdotool("key", "Return", check=True)
        wait_for("the about box to close",
                 lambda: all(name != "About" for _, name in program.windows()), timeout=10)
        print("Enter closed the about box")
        # The main window takes input again.
        exit_through_the_toolbar(program, wid)
    finally:
        program.finish()


def read_screen(path, crop, scale="200%"):
    """The text tesseract reads in one part of a screenshot."""
    png = subprocess.run(["convert", path, "-crop", crop, "+repage", "-resize", scale,
                          "-colorspace", "gray", "png:-"], capture_output=True,
                         check=True).stdout
    return subprocess.run(["tesseract", "-", "-", "--psm", "6"], input=png,
                          capture_output=True).stdout.decode("utf-8", "replace")


def preview_window(program):
    return wait_for("the preview", lambda: next(
        (w for w, name in program.windows() if name == "Preview - Marlune"), None), timeout=60)


def print_preview(args):
    """Print builds the whole list and shows it in the preview, maximised, at
    page width; the zoom menu goes to 25 %; Escape closes the preview."""
    on_desktop(args, False, lambda program, wid: preview_at_two_zooms(args, program, wid))


def preview_at_two_zooms(args, program, wid):
    settle(window_origin(wid), os.path.join(args.out, "e2e_print_before.png"))
    click(wid, PRINT_BUTTON)
    preview = preview_window(program)
    x, y, width, height = window_origin(preview)
    shot = os.path.join(args.out, "e2e_print_page_width.png")
    expected = ("Australian Post Code list", "Post Code", "Suburb", "ANU")
    text = ""

    def page_width_shown():
        nonlocal text
        text = read_screen(screenshot(shot), f"{width}x{height // 3}+{x}+{y}")
        return all(e in text for e in expected)

    try:
        wait_for("the first page at page width", page_width_shown, timeout=20, interval=0.5)
    except Failure:
        raise Failure(f"the preview at page width reads:\n{text}")
    indicator = read_screen(shot, f"200x40+{x}+{y + height - 40}", "300%")
    if "1/344" not in indicator.replace(" ", ""):
        raise Failure(f"the page indicator reads: {indicator}")
    print(f"preview {preview} {width}x{height} at page width, page 1/344; screenshot {shot}")
    # The zoom menu from the zoom button: it opens below the button, its items
    # 22 pixels apart, "25%" the sixth. The item is clicked once the menu is on
    # the screen; a click that reached the window before the pointer had moved
    # opened nothing, and is tried again.
    shot = os.path.join(args.out, "e2e_print_25.png")
    menu = os.path.join(args.out, "e2e_print_menu.png")
    mx, my = x + 8, y + 6 + 24 + 8
    area = f"120x250+{mx}+{my}"

    def menu_pixels():
        screenshot(menu)
        return subprocess.run(["convert", menu, "-crop", area, "+repage", "rgb:-"],
                              capture_output=True, check=True).stdout

    zoom = ""
    for _ in range(3):
        xdotool("mousemove", "--sync", str(x + 30), str(y + 18), check=True)
        closed = menu_pixels()
        xdotool("click", "1", check=True)
        try:
            wait_for("the zoom menu", lambda: menu_pixels() != closed, timeout=5, interval=0.2)
        except Failure:
            continue
        xdotool("mousemove", "--sync", str(mx + 40), str(my + 10 + 5 * 22), check=True)
        time.sleep(0.3)
        xdotool("click", "1", check=True)
        try:
            wait_for("the zoom button to read 25%", lambda: "25%" in read_screen(
                screenshot(shot), f"80x40+{x}+{y}", "300%").replace(" ", ""), timeout=10,
                interval=0.5)
            break
        except Failure:
            zoom = read_screen(shot, f"80x40+{x}+{y}", "300%")
    else:
        raise Failure(f"the zoom button reads: {zoom}")
    print(f"the zoom menu set 25 %; screenshot {shot}")
    xdotool("windowfocus", "--sync", preview, check=True)
    xdotool("key", "Escape", check=True)
    wait_for("the preview to close",
             lambda: all(name != "Preview - Marlune" for _, name in program.windows()),
             timeout=10)
    print("Escape closed the preview")
    exit_through_the_toolbar(program, wid)


def keyboard(args):
    """Keys alone: Tab to the search box, type, copy the record and its postcode,
    Escape, F1 for About, Enter to close it, Ctrl+Q to end."""
    program = Program(args)
    try:
        wid = main_window(program)
        origin = window_origin(wid)
        # Focus comes from the window manager; there is none here.
        xdotool("windowfocus", "--sync", wid, check=True)
        xdotool("mousemove", "0", "700", check=True)  # no hint in the way
        xdotool("key", "Tab", check=True)
        before = settle(origin, os.path.join(args.out, "e2e_keyboard_before.png"))
        shot = type_and_see(args, wid, origin, before, "syd", "e2e_keyboard_syd.png", delay=80,
                            click_first=False)
        slot, n, _, _ = highlighted_row(shot, origin)
        if slot != (n - 1) // 2:
            raise Failure(f"found record in slot {slot}, expected {(n - 1) // 2} of {n}")
        print(f"Tab and typing syd found a record; screenshot {shot}")
        # Copying it: Ctrl+C in the search box copies the record as marlune-find
        # prints it; Shift+Tab to the grid, the menu key and Enter copy its postcode.
        found = "\t".join(find_record(args, program, "syd"))
        xdotool("key", "ctrl+c", check=True)
        wait_for("the found record on the clipboard", lambda: pasted() == found, timeout=5)
        xdotool("key", "shift+Tab", check=True)
        xdotool("key", "Menu", check=True)
        time.sleep(0.5)
        screenshot(os.path.join(args.out, "e2e_keyboard_menu.png"))
        xdotool("key", "Return", check=True)
        postcode = found.split("\t")[0]
        wait_for("the postcode on the clipboard", lambda: pasted() == postcode, timeout=5)
        print(f"Ctrl+C copied {found!r}, the grid's menu copied {postcode!r}")
        xdotool("key", "Tab", check=True)  # back to the search box
        xdotool("key", "Escape", check=True)
        shot = os.path.join(args.out, "e2e_keyboard_escape.png")
        wait_for("Escape to empty the search",
                 lambda: grid_pixels(screenshot(shot), origin) == before, timeout=10,
                 interval=0.3)
        print("Escape emptied the search: the grid is back at the first record")
        xdotool("key", "F1", check=True)
        box = wait_for("the about box", lambda: next(
            (w for w, name in program.windows() if name == "About"), None))
        screenshot(os.path.join(args.out, "e2e_keyboard_about.png"))
        xdotool("key", "Return", check=True)
        wait_for("the about box to close",
                 lambda: all(name != "About" for _, name in program.windows()), timeout=10)
        print(f"F1 opened the about box {box}, Enter closed it")
        # Again what a window manager would do: focus the window left on top.
        xdotool("windowfocus", "--sync", wid, check=True)
        xdotool("key", "ctrl+p", check=True)
        preview = preview_window(program)
        screenshot(os.path.join(args.out, "e2e_keyboard_preview.png"))
        xdotool("windowfocus", "--sync", preview, check=True)
        xdotool("key", "Escape", check=True)
        wait_for("the preview to close",
                 lambda: all(name != "Preview - Marlune" for _, name in program.windows()),
                 timeout=10)
        print(f"Ctrl+P opened the preview {preview}, Escape closed it")
        xdotool("windowfocus", "--sync", wid, check=True)
        xdotool("key", "ctrl+q", check=True)
        wait_for("the program to end after Ctrl+Q", lambda: not program.alive(), timeout=10)
        if program.process.returncode != 0:
            raise Failure(f"exit code {program.process.returncode}")
        print("Ctrl+Q ended the program")
    finally:
        program.finish()


class Skipped(Exception):
    pass


def start_accessibility_bus():
    """Starts the AT-SPI bus of this D-Bus session: asking for its address starts
    at-spi2-core's bus launcher, and that bus starts the registry. Raises Skipped
    when there is no session or the bus does not come up."""
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        raise Skipped("no D-Bus session (run under dbus-run-session)")

    def address():
        reply = subprocess.run(["dbus-send", "--session", "--print-reply",
                                "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                               capture_output=True, text=True, timeout=10)
        return reply.returncode == 0 and "unix:" in reply.stdout
    try:
        wait_for("the accessibility bus", address, timeout=15, interval=0.3)
    except Failure:
        raise Skipped("the accessibility bus (at-spi2-core's org.a11y.Bus) did not start")


def hear_tooltips(pyatspi, action, seconds=4.0):
    """The names of the tooltips that AT-SPI announces as showing, from action()
    on for a few seconds."""
    from gi.repository import GLib
    heard = []

    def listener(event):
        if event.detail1 == 1 and event.source.getRole() == pyatspi.ROLE_TOOL_TIP:
            heard.append(event.source.name)
    pyatspi.Registry.registerEventListener(listener, "object:state-changed:showing")
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop() and False)
    GLib.idle_add(lambda: action() and False)
    try:
        pyatspi.Registry.start()
    finally:
        pyatspi.Registry.deregisterEventListener(listener, "object:state-changed:showing")
    return heard


def screen_reader(args):
    """Reads the grid as a screen reader does, through AT-SPI: after typing syd
    the table's selected row holds the record that marlune-find names."""
    start_accessibility_bus()
    import pyatspi  # after the bus is up: it connects on import
    program = Program(args, environment={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    try:
        expected = find_record(args, program, "syd")
        wid = main_window(program)

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == program.process.pid:
                    return app
            return None

        def find(root, role, name):
            return pyatspi.findDescendant(
                root, lambda a: a.getRole() == role and a.name == name)

        app = wait_for("the program on the accessibility bus", application)
        grid = wait_for("the table Postcodes", lambda: find(app, pyatspi.ROLE_TABLE, "Postcodes"))
        search = find(app, pyatspi.ROLE_TEXT, "Search")
        if search is None:
            raise Failure("no text field named Search")
        table = grid.queryTable()
        columns = [table.getColumnDescription(c) for c in range(table.nColumns)]
        print(f"table Postcodes: {table.nRows} rows, columns {columns}")

        def selected_record():
            grid.clearCache()
            rows = table.getSelectedRows()
            if len(rows) != 1:
                return None
            return [table.getAccessibleAt(rows[0], c).name for c in range(table.nColumns)]

        first = wait_for("a selected row", selected_record)
        print(f"selected row before the search reads {first}")
        if first == expected:
            raise Failure("the first record is already the one syd finds")
        click(wid, EDIT1)
        xdotool("type", "--delay", "80", "syd", check=True)
        try:
            found = wait_for("the selected row to read the found record",
                             lambda: selected_record() == expected and expected, timeout=10)
        except Failure:
            raise Failure(f"selected row reads {selected_record()}, expected {expected}")
        typed = search.queryText().getText(0, -1)
        if typed != "syd":
            raise Failure(f"the search box reads {typed!r}")
        print(f"after typing {typed!r} the selected row reads {found}, as marlune-find does")
        screenshot(os.path.join(args.out, "e2e_screen_reader.png"))

        # Resting the pointer on Exit shows its speech bubble, which a screen
        # reader hears as a tooltip showing, once.
        heard = hear_tooltips(pyatspi, lambda: xdotool("mousemove", "--window", wid,
                                                       EXIT_BUTTON[0], EXIT_BUTTON[1]))
        if heard.count("Exit Marlune") != 1:
            raise Failure(f"tooltips heard: {heard}, expected 'Exit Marlune' once")
        print(f"the bubble was announced as a tooltip: {heard}")
        exit_through_the_toolbar(program, wid)
    finally:
        program.finish()


class Desktop:
    """twm, and with a tray also trayer, on the display; ended by finish()."""

    def __init__(self, base, tray):
        self.base = base
        rc = os.path.join(base, "twmrc")
        with open(rc, "w") as f:
            # The built-in "fixed" font: Xvfb has no other core fonts.
            f.write('RandomPlacement\nUsePPosition "on"\nNoTitle\n' + "".join(
                f'{kind}Font "fixed"\n' for kind in ("Title", "Resize", "Menu", "Icon",
                                                      "IconManager")))
        self.processes = [subprocess.Popen(["twm", "-f", rc], stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)]
        if tray:
            self.processes.append(subprocess.Popen(
                ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                 "--width", "120", "--heighttype", "pixel", "--height", "32",
                 "--transparent", "false", "--tint", "0xd0d0d0", "--SetDockType", "false"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            wait_for("the tray host", lambda: xdotool("search", "--onlyvisible", "--class",
                                                      "trayer"))
        time.sleep(0.5)  # the window manager takes over the screen

    def finish(self):
        for p in self.processes:
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()


def wm_state(wid):
    """The ICCCM state the window manager gives the window: Normal, Iconic or Withdrawn."""
    out = subprocess.run(["xprop", "-id", str(wid), "WM_STATE"], capture_output=True,
                         text=True).stdout
    for word in ("Normal", "Iconic", "Withdrawn"):
        if f"window state: {word}" in out:
            return word
    return "Withdrawn"


def visible(wid):
    out = subprocess.run(["xwininfo", "-id", str(wid)], capture_output=True, text=True).stdout
    return "IsViewable" in out


def on_desktop(args, tray, body):
    """Runs body(program, wid) with Marlune on a desktop with or without a tray host."""
    base = tempfile.mkdtemp(prefix="marlune-e2e-desktop-")
    desktop = Desktop(base, tray=tray)
    program = Program(args)
    try:
        wid = main_window(program)
        # On a loaded machine the window manager may take over the window
        # only after it shows; minimising before that goes nowhere.
        wait_for("the window manager to manage the window", lambda: wm_state(wid) == "Normal")
        body(program, wid)
    finally:
        program.finish()
        desktop.finish()
        shutil.rmtree(base, ignore_errors=True)


def tray(args):
    """Minimising puts Marlune into the tray; one click on the icon brings it back."""
    on_desktop(args, True, lambda program, wid: minimise_into_the_tray(args, program, wid))


def minimise_into_the_tray(args, program, wid):
    screenshot(os.path.join(args.out, "e2e_tray_before.png"))
    xdotool("windowminimize", wid, check=True)
    wait_for("the window to leave the screen and the taskbar",
             lambda: not visible(wid) and wm_state(wid) == "Withdrawn")
    print("minimised: the window is withdrawn, so it has no taskbar entry")

    # The tray icon: the program's one window left on the screen.
    def icon():
        others = [w for w in xdotool("search", "--onlyvisible", "--pid",
                                     program.process.pid) if w != wid]
        return others[0] if len(others) == 1 else None
    tray_icon = wait_for("the tray icon", icon)
    x, y, width, height = window_origin(tray_icon)
    minimised = os.path.join(args.out, "e2e_tray_minimised.png")
    screenshot(minimised)
    print(f"tray icon {tray_icon} at {x},{y} {width}x{height}; screenshot {minimised}")

    xdotool("mousemove", x + width // 2, y + height // 2, check=True)
    xdotool("click", "1", check=True)
    wait_for("the window to come back", lambda: visible(wid) and wm_state(wid) == "Normal")
    wait_for("the tray icon to go", lambda: not visible(tray_icon))
    state = subprocess.run(["xprop", "-id", str(wid), "_NET_WM_STATE"], capture_output=True,
                           text=True).stdout
    if "HIDDEN" in state:
        raise Failure(f"the window is still marked hidden: {state}")
    restored = os.path.join(args.out, "e2e_tray_restored.png")
    screenshot(restored)
    print(f"one click restored the window; screenshot {restored}")
    exit_through_the_toolbar(program, wid)


def no_tray(args):
    """Without a tray host, minimising leaves the window iconified, not withdrawn."""
    on_desktop(args, False, lambda program, wid: minimise_without_a_tray(args, program, wid))


def minimise_without_a_tray(args, program, wid):
    xdotool("windowminimize", wid, check=True)
    wait_for("the window to be iconified", lambda: wm_state(wid) == "Iconic")
    # The program has had every chance to withdraw it by now.
    deadline = time.monotonic() + 2
    while time.monotonic() < deadline:
        if wm_state(wid) != "Iconic":
            raise Failure(f"the window went from Iconic to {wm_state(wid)}")
        time.sleep(0.2)
    print("minimised without a tray: the window stays iconified, reachable")
    xdotool("windowmap", wid, check=True)
    wait_for("the window to come back", lambda: visible(wid))
    screenshot(os.path.join(args.out, "e2e_no_tray_restored.png"))
    exit_through_the_toolbar(program, wid)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=["first-start", "missing-file", "search-syd", "update",
                                             "update-close", "hints", "about", "tray",
                                             "no-tray", "keyboard", "screen-reader",
                                             "print-preview", "installed"])
    parser.add_argument("--find")
    parser.add_argument("--mkdatafile")
    parser.add_argument("--port", type=int)
    parser.add_argument("--program", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if not os.environ.get("DISPLAY"):
        print("no DISPLAY: run under xvfb-run", file=sys.stderr)
        return 2
    try:
        {"first-start": first_start, "missing-file": missing_file,
         "search-syd": search_syd, "update": update,
         "update-close": update_close, "hints": hints, "about": about, "tray": tray,
         "no-tray": no_tray, "keyboard": keyboard, "print-preview": print_preview,
         "screen-reader": screen_reader, "installed": installed}[args.scenario](args)
    except Failure as e:
        print(f"FAILED: {e}", file=sys.stderr)
        return 1
    except Skipped as e:
        print(f"SKIPPED: {e}")
        return 77
    return 0


if __name__ == "__main__":
    sys.exit(main())
