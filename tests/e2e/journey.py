#!/usr/bin/env python3
"""One user's journey through the built program, driven from outside with X input events.

Starts its own Xvfb, a simulated processor on a loopback address with its own announcement
port, and dapcontrol in a fresh working folder laid out like build/run. It clicks and types
with xdotool and checks each step twice: in what the simulator received (its --verbose log)
and in what the window shows (the program's widget map, window titles, device.db, cfg.dat,
files written, screen pixels).

    journey.py --bin BUILD/bin --run BUILD/run [--install-deps scripts/install-deps.sh]

Exits 0 when the whole journey passes. Every process it starts is stopped on every exit path.
"""
import argparse
import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import socket
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time

# Generous, so a loaded 2-core CI machine does not fail a correct program.
WAIT = 30.0
SIM_PASSWORD = "1234"
LOCK_PASSWORD = "42"
MACHINE_ID = 7301


class JourneyError(Exception):
    pass


def log(text):
    print(f"journey: {text}", flush=True)


def _die_with_parent():
    """Even a killed test (SIGKILL) leaves nothing running: the kernel stops the children."""
    libc = ctypes.CDLL(ctypes.util.find_library("c") or "libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Processes:
    """Everything started here; stop() ends each of them by its own pid."""

    def __init__(self):
        self.procs = {}

    def start(self, name, args, **kw):
        self.procs[name] = subprocess.Popen(args, preexec_fn=_die_with_parent, **kw)
        return self.procs[name]

    def stop(self, name, timeout=10):
        p = self.procs.pop(name, None)
        if p is None or p.poll() is not None:
            return None if p is None else p.returncode
        p.terminate()
        try:
            return p.wait(timeout)
        except subprocess.TimeoutExpired:
            p.kill()
            return p.wait(timeout)

    def stop_all(self):
        for name in reversed(list(self.procs)):
            self.stop(name, timeout=5)


def wait_for(what, check, timeout=WAIT, interval=0.1):
    """Polls check() until it returns something true; that value is returned."""
    end = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > end:
            raise JourneyError(f"timed out waiting for {what}")
        time.sleep(interval)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def free_sim_address():
    """A loopback address whose TCP port 2699 nobody holds (other tests use .2 to .60)."""
    for last in range(180, 250):
        address = f"127.0.0.{last}"
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
            try:
                s.bind((address, 2699))
                return address
            except OSError:
                continue
    raise JourneyError("no free loopback address for the simulator")


class Widget:
    def __init__(self, line):
        kind, path, rect, enabled, text = (line.split("\t") + [""] * 5)[:5]
        self.kind, self.path, self.text = kind, path, text
        self.x, self.y, self.w, self.h = (int(v) for v in rect.split())
        self.enabled = enabled == "1"

    @property
    def centre(self):
        return self.x + self.w // 2, self.y + self.h // 2

    def __repr__(self):
        return f"{self.kind} {self.path} '{self.text}' at {self.x},{self.y}"


class Screen:
    """Real input through xdotool; what is shown through the program's widget map."""

    def __init__(self, display, map_path):
        self.env = dict(os.environ, DISPLAY=display)
        self.map_path = map_path

    def xdo(self, *args):
        r = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                           text=True, timeout=20)
        return r.stdout.strip()

    def widgets(self):
        try:
            with open(self.map_path, encoding="utf-8") as f:
                return [Widget(line) for line in f.read().splitlines() if line]
        except (FileNotFoundError, ValueError):
            return []

    def find(self, kind="widget", path=None, text=None, window=None):
        """Shown entries in on-screen order; path is a regex, text exact (None: any)."""
        found = [w for w in self.widgets() if w.kind == kind
                 and (path is None or re.search(path, w.path))
                 and (text is None or w.text == text)
                 and (window is None or w.path.split("/")[0].split("#")[0] == window)]
        return found

    def wait(self, what, timeout=WAIT, **kw):
        """Waits until entries are shown and stay where they are for a map refresh or two:
        a page shown for the first time is laid out after it appears."""
        def settled():
            first = self.find(**kw)
            if not first:
                return None
            time.sleep(0.45)
            again = self.find(**kw)
            same = [(w.x, w.y, w.w, w.h) for w in first] == [(w.x, w.y, w.w, w.h) for w in again]
            return again if same else None
        return wait_for(what, settled, timeout)

    def wait_gone(self, what, timeout=WAIT, **kw):
        wait_for(what, lambda: not self.find(**kw), timeout)

    def click(self, w, double=False):
        x, y = w.centre
        self.xdo("mousemove", "--sync", x, y)
        self.xdo("click", "--repeat", 2 if double else 1, "--delay", 80, 1)

    def type(self, text):
        self.xdo("type", "--delay", 40, text)

    def key(self, *keys):
        self.xdo("key", "--delay", 40, *keys)

    def replace_text(self, edit, text):
        """Clicks into a line edit, replaces its text and presses Return."""
        self.click(edit)
        self.key("ctrl+a")
        self.type(text)
        self.key("Return")

    def visible_window(self, title):
        return self.xdo("search", "--onlyvisible", "--name", f"^{re.escape(title)}$")


class XDisplay:
    """The few Xlib calls the test needs beyond xdotool: pixels and a polite close."""

    class XClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    def __init__(self, display):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XInternAtom.restype = ctypes.c_ulong
        self.x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.x.XGetImage.restype = ctypes.c_void_p
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
            [ctypes.c_uint] * 2 + [ctypes.c_ulong, ctypes.c_int]
        self.x.XGetPixel.restype = ctypes.c_ulong
        self.x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                      ctypes.c_long, ctypes.c_void_p]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise JourneyError(f"cannot open display {display}")

    def region(self, x, y, w, h):
        """The pixels of a screen rectangle, as a tuple of 0xRRGGBB values."""
        image = self.x.XGetImage(self.dpy, self.x.XDefaultRootWindow(self.dpy), x, y, w, h,
                                 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            raise JourneyError("cannot read the screen")
        pixels = tuple(self.x.XGetPixel(image, i, j) & 0xFFFFFF
                       for j in range(h) for i in range(w))
        self.x.XDestroyImage(image)
        return pixels

    def close_window(self, window_id):
        """WM_DELETE_WINDOW, as a window manager sends it when the user closes a window."""
        protocols = self.x.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
        delete = self.x.XInternAtom(self.dpy, b"WM_DELETE_WINDOW", 0)
        msg = self.XClientMessage(type=33, send_event=1, display=self.dpy, window=window_id,
                                  message_type=protocols, format=32)
        msg.data[0] = delete
        event = (ctypes.c_long * 24)()
        ctypes.memmove(event, ctypes.byref(msg), ctypes.sizeof(msg))
        self.x.XSendEvent(self.dpy, window_id, 0, 0, event)
        self.x.XFlush(self.dpy)


class SimLog:
    """The simulator's --verbose log; marks let a step look only at what came after it."""

    def __init__(self, path):
        self.path = path

    def mark(self):
        return os.path.getsize(self.path)

    def since(self, mark):
        with open(self.path, "rb") as f:
            f.seek(mark)
            return f.read().decode("utf-8", "replace")

    def wait(self, what, mark, pattern, timeout=WAIT):
        regex = re.compile(pattern, re.M)
        return wait_for(f"the simulator to receive {what}",
                        lambda: regex.search(self.since(mark)), timeout, 0.2)


def module_set(module, payload_start="00"):
    """A set (direction 01) to a module, for channel 0 unless told otherwise."""
    return rf"recv class 3 type {module} code \d+ dir 01 len \d+: {payload_start}\b"


# One edit per module tab: (tab, page class, module id, what the user does).
# "click TEXT": the first shown button with that text (unchecked); it must show checked after.
# "spin VALUE": the first spin box takes a typed value; it must show that value after.
# "double CLASS": double-click the first such widget (a mixer crosspoint).
MODULE_EDITS = [
    (0, "QInLevel", 1, "click Mute"),
    (1, "QGate", 2, "click Enable"),
    (2, "QFeedback", 3, "click Enable"),
    (3, "QInFilter", 4, "click Enable"),
    (4, "QInLimiter", 5, "click Enable"),
    (5, "QInDelay", 6, "spin 12.50"),
    (6, "QMixer", 7, "double QMixButton"),
    (7, "QSigGenerator", 8, "click O1"),
    (8, "QOutLevel", 9, "click Mute"),
    (9, "QOutFilter", 10, "click Enable"),
    (10, "QOutLimiter", 11, "click Enable"),
    (11, "QOutDelay", 12, "spin 7.25"),
]
TAB_PRESET, TAB_SETTINGS, TAB_SECURITY = 12, 13, 14
PAGE = r"QStackedWidget/{}#"


class Journey:
    def __init__(self, args, procs):
        self.args, self.procs = args, procs
        self.tmp = tempfile.mkdtemp(prefix="dap-e2e-")
        self.work = os.path.join(self.tmp, "run")
        os.makedirs(self.work)
        for sub in ("translations", "image"):
            shutil.copytree(os.path.join(args.run, sub), os.path.join(self.work, sub))
        self.port = free_port()
        self.address = free_sim_address()
        self.sim_log = SimLog(os.path.join(self.tmp, "dapsim.log"))
        self.map = os.path.join(self.tmp, "widgets.txt")
        self.app_runs = 0

    # --- processes -------------------------------------------------------------------------

    def start_x(self):
        read_fd, write_fd = os.pipe()
        self.procs.start("Xvfb", ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                  "1366x768x24", "-nolisten", "tcp"],
                         pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                         stderr=open(os.path.join(self.tmp, "xvfb.log"), "w"))
        os.close(write_fd)
        with os.fdopen(read_fd, "rb") as r:
            number = r.readline().strip()
        if not number:
            raise JourneyError("Xvfb did not start")
        self.display = f":{number.decode()}"
        self.screen = Screen(self.display, self.map)
        self.x = XDisplay(self.display)
        log(f"X server on {self.display}")

    def start_sim(self):
        out = open(self.sim_log.path, "ab")
        self.procs.start("dapsim", [os.path.join(self.args.bin, "dapsim"),
                                    "--address", self.address, "--machine-id", str(MACHINE_ID),
                                    "--password", SIM_PASSWORD,
                                    "--lock-password", LOCK_PASSWORD,
                                    "--announce", f"127.0.0.1:{self.port}",
                                    "--command-port", "0", "--verbose"],
                         stdout=out, stderr=out)
        self.sim_log.wait("its start", 0, rf"dapsim: {re.escape(self.address)} listening")

    def start_app(self):
        if os.path.exists(self.map):
            os.remove(self.map)
        env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                   DAPCONTROL_TEST_ANNOUNCE_PORT=str(self.port),
                   DAPCONTROL_TEST_WIDGET_MAP=self.map, LANG="C.UTF-8")
        self.app_runs += 1
        out = open(os.path.join(self.tmp, f"dapcontrol-{self.app_runs}.log"), "wb")
        self.procs.start("dapcontrol", [os.path.join(self.args.bin, "dapcontrol")],
                         cwd=self.work, env=env, stdout=out, stderr=out)
        main = self.screen.wait("the main window", kind="window", path=r"^mainWindow$")[0]
        if not self.screen.visible_window(main.text):
            raise JourneyError(f"no shown X window titled '{main.text}'")

    # --- what is stored ----------------------------------------------------------------------

    def device_rows(self):
        path = os.path.join(self.work, "device.db")
        if not os.path.exists(path):
            return []
        con = sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=5)
        try:
            return con.execute("select machineid, ipaddress, location from devicetable").fetchall()
        except sqlite3.Error:
            return []
        finally:
            con.close()

    def cfg(self):
        try:
            with open(os.path.join(self.work, "cfg.dat"), encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    # --- steps -------------------------------------------------------------------------------

    def tile(self):
        labels = self.screen.wait(f"a tile for {self.address}", text=self.address,
                                  path=r"QDeviceList.*/QDeviceItem/QLabel$")
        return labels[0]

    def discover(self):
        tile = self.tile()
        a, b, c, d = (int(v) for v in self.address.split("."))
        wait_for("the processor in device.db",
                 lambda: any(r[0] == MACHINE_ID and r[1] == (a << 24 | b << 16 | c << 8 | d)
                             for r in self.device_rows()))
        return tile

    def login(self, tile, wrong_first):
        mark = self.sim_log.mark()
        self.screen.click(tile)
        self.sim_log.wait("a client", mark, r"client 127\.0\.0\.1 connected")
        self.screen.wait("the login dialog", kind="window", path=r"^QLogin$")
        if not self.screen.visible_window("Login"):
            raise JourneyError("the login dialog has no shown X window titled 'Login'")
        if wrong_first:
            mark = self.sim_log.mark()
            self.screen.replace_text(self.login_edit(), "9999")
            self.sim_log.wait("the wrong password", mark,
                              r"recv class 2 type 1 code 1 dir 01 len 4: 39 39 39 39")
            self.sim_log.wait("the refusal", mark, r"send class 2 type 1 code 1 dir 80 len 1: 00")
            # The dialog comes back, empty.
            wait_for("the login dialog again, empty",
                     lambda: any(w.text == "" for w in self.screen.find(
                         path=r"^QLogin/QLineEdit$")))
            if not self.screen.visible_window("Login"):
                raise JourneyError("the login dialog is not shown again after a wrong password")
        mark = self.sim_log.mark()
        self.screen.replace_text(self.login_edit(), SIM_PASSWORD)
        self.sim_log.wait("the password", mark,
                          r"recv class 2 type 1 code 1 dir 01 len 4: 31 32 33 34")
        self.sim_log.wait("the acceptance", mark, r"send class 2 type 1 code 1 dir 80 len 1: 01")
        self.screen.wait_gone("the login dialog to close", kind="window", path=r"^QLogin$")
        wait_for("the state 'Connected'", lambda: self.state_text() == "Connected")
        # After a login the settings page asks for the device information.
        self.sim_log.wait("device information requests", mark, r"recv class 2 type [234] ")

    def login_edit(self):
        return self.screen.wait("the password field", path=r"^QLogin/QLineEdit$")[0]

    def state_text(self):
        """The text right of "State :" in the overview (English only)."""
        labels = self.screen.find(path=r"QOverView.*/QLabel(#titleLabel)?$")
        for t in (w for w in labels if w.text == "State :"):
            right = [w for w in labels if abs(w.y - t.y) < 3 and 0 <= w.x - (t.x + t.w) < 20]
            if right:
                return right[0].text
        return None

    def tab_buttons(self):
        buttons = self.screen.find(path=r"FuncWidget#funcWidget/QWidget#tabButtonsWidget/"
                                        r"QPushButton")
        return sorted(buttons, key=lambda w: w.x)

    def open_tab(self, index, page):
        buttons = wait_for("the tab buttons", lambda: len(self.tab_buttons()) == 15
                           and self.tab_buttons())
        self.screen.click(buttons[index])
        self.screen.wait(f"the page {page}", path=PAGE.format(page) + r"[^/]*$")

    def edit_module(self, tab, page, module, action):
        self.open_tab(tab, page)
        verb, arg = action.split(" ", 1)
        inside = PAGE.format(page)
        mark = self.sim_log.mark()
        if verb == "click":
            target = self.screen.wait(f"'{arg}' on {page}", path=inside, text=arg)[0]
            self.screen.click(target)
            wait_for(f"'{arg}' on {page} to show checked", lambda: self.screen.find(
                path=inside, text=f"{arg} [x]"))
        elif verb == "spin":
            edit = self.screen.wait(f"a spin box on {page}",
                                    path=inside + r".*QLineEdit#qt_spinbox_lineedit$")[0]
            self.screen.replace_text(edit, arg)
            wait_for(f"{arg} shown on {page}", lambda: any(
                w.text == arg and (w.x, w.y) == (edit.x, edit.y)
                for w in self.screen.find(path=r"qt_spinbox_lineedit$")))
        elif verb == "double":
            target = self.screen.wait(f"a {arg} on {page}", path=inside + rf".*/{arg}$")[0]
            before = self.x.region(target.x, target.y, target.w, target.h)
            self.screen.click(target, double=True)
            wait_for(f"the {arg} to look switched", lambda: self.x.region(
                target.x, target.y, target.w, target.h) != before)
        self.sim_log.wait(f"a set for module {module} ({page})", mark, module_set(module))

    def settings(self):
        self.open_tab(TAB_SETTINGS, "QSetup")
        inside = PAGE.format("QSetup")
        self.screen.wait("'Location :'", path=inside, text="Location :")
        edit = self.screen.wait("the location field", path=inside + r".*QLineEdit#locationEdit$")[0]
        mark = self.sim_log.mark()
        self.screen.replace_text(edit, "Stage left")
        hexed = " ".join(f"{b:02x}" for b in b"Stage left")
        self.sim_log.wait("the location", mark, rf"recv class 2 type \d+ code \d+ dir 01 .*{hexed}")
        # The processor keeps it and reports it back to the overview; it announces it, and
        # the device list stores it.
        self.screen.wait("the new location in the overview", path=r"QOverView.*/QLabel$",
                         text="Stage left")
        wait_for("the new location in device.db",
                 lambda: any(r[2] == "Stage left" for r in self.device_rows()))

    def security(self):
        self.open_tab(TAB_SECURITY, "QSecurity")
        inside = PAGE.format("QSecurity")
        edit = self.screen.wait("the lock password field", path=inside + r".*QLineEdit$")[0]
        # The padlock beside the field opens with the right password.
        access = min(self.screen.find(path=inside + r".*/QLock$"), key=lambda w: w.y)
        closed = self.x.region(access.x, access.y, access.w, access.h)
        self.screen.replace_text(edit, LOCK_PASSWORD)
        quit_button = self.screen.wait("'Quit' on the security page", path=inside,
                                       text="Quit")[0]
        wait_for("the page's padlock to open", lambda: self.x.region(
            access.x, access.y, access.w, access.h) != closed)
        lock = [w for w in self.screen.find(path=inside + r".*/QLock$")
                if w.y > quit_button.y + quit_button.h][0]
        before = self.x.region(lock.x, lock.y, lock.w, lock.h)
        mark = self.sim_log.mark()
        self.screen.click(lock)
        self.sim_log.wait("a lock change", mark, r"recv class 2 type 5 code \d+ dir 01 ")
        wait_for("the padlock to change", lambda: self.x.region(
            lock.x, lock.y, lock.w, lock.h) != before)

    def confirm_yes(self, what):
        yes = self.screen.wait(f"the confirmation for {what}", path=r"^QMessageBox[^/]*/",
                               text="&Yes")[0]
        self.screen.click(yes)
        self.screen.wait_gone(f"the confirmation for {what} to close", kind="window",
                              path=r"^QMessageBox(#\w*)?$")

    def presets(self):
        self.open_tab(TAB_PRESET, "QPreset")
        inside = PAGE.format("QPreset")
        first_row = lambda: min(self.screen.find(path=inside + r".*QLineEdit$"),
                                key=lambda w: w.y)
        # Recall and Export wait for the processor to report the slot in use.
        row_button = lambda text: min(wait_for(f"'{text}' of preset 1 enabled", lambda: [
            w for w in self.screen.wait(f"'{text}'", path=inside, text=text)
            if w.enabled and w.y == first_row().y]), key=lambda w: w.y)
        self.screen.wait("the preset rows", path=inside + r".*QLineEdit$")
        name_edit = first_row()
        mark = self.sim_log.mark()
        self.screen.replace_text(name_edit, "JOURNEY")
        hexed = " ".join(f"{b:02x}" for b in b"JOURNEY")
        self.sim_log.wait("the preset name", mark, rf"{module_set(32, r'[0-9a-f]{2}')}.*{hexed}")
        for verb in ("Save", "Recall"):
            mark = self.sim_log.mark()
            self.screen.click(row_button(verb))
            self.confirm_yes(f"{verb} of preset 1")
            self.sim_log.wait(f"the {verb}", mark,
                              r"recv class 3 type 32 code \d+ dir 01 len 1: 00")
        wait_for("the slot's name kept", lambda: first_row().text == "JOURNEY")

        target = os.path.join(self.tmp, "journey.pst1")
        mark = self.sim_log.mark()
        self.screen.click(row_button("Export"))
        dialog = self.screen.wait("the file dialog", kind="window",
                                  path=r"^QFileDialog(#\w*)?$")[0]
        name = self.screen.wait("the file name field",
                                path=r"^QFileDialog[^/]*/.*QLineEdit#fileNameEdit$")[0]
        self.screen.replace_text(name, target)
        self.screen.wait_gone("the file dialog to close", kind="window",
                              path=r"^QFileDialog(#\w*)?$")
        self.sim_log.wait("the export request", mark, r"recv class 3 type 32 ")
        data = wait_for("the exported file", lambda: os.path.exists(target)
                        and os.path.getsize(target) > 0 and open(target, "rb").read())
        # The slot was saved after the delay edits, so its image holds both delays.
        for ms in (12.5, 7.25):
            if struct.pack("<f", ms) not in data:
                raise JourneyError(f"the exported preset ({len(data)} bytes) lacks the {ms} ms "
                                   "delay set before it was saved")
        self.screen.wait_gone("the progress dialog to close", kind="window",
                              path=r"^QProgressDialog(#\w*)?$")
        log(f"exported {len(data)} bytes ({dialog.text})")

    def choose_language(self, index, expect_tab):
        bar = self.screen.wait("the menu bar", kind="action", path=r"^mainWindow/QMenuBar$")[0]
        self.screen.click(bar)
        language = self.screen.wait("the language entry", kind="action", path=r"^QMenu$",
                                    timeout=10)
        language = [a for a in language if a.text.endswith(" >")]
        if not language:
            raise JourneyError("the menu has no language submenu")
        self.screen.click(language[0])
        entries = wait_for("the language list", lambda: [
            a for a in self.screen.find(kind="action", path=r"^QMenu$")
            if a.x > language[0].x + language[0].w // 2])
        self.screen.click(sorted(entries, key=lambda a: a.y)[index])
        wait_for(f"the first tab to read '{expect_tab}'",
                 lambda: self.tab_buttons() and self.tab_buttons()[0].text.startswith(expect_tab))
        wait_for(f"cfg.dat to keep language {index}",
                 lambda: re.search(rf"current lang:{index}\b", self.cfg()))

    def languages(self):
        # The pointer away from the strip, so no button is drawn hovered.
        self.screen.xdo("mousemove", "--sync", 1360, 760)
        tabs = self.tab_buttons()
        strip = (tabs[0].x, tabs[0].y, tabs[-1].x + tabs[-1].w - tabs[0].x, tabs[0].h)
        english = self.x.region(*strip)
        self.choose_language(1, "输入电平")
        # The tab strip really is drawn differently, not only renamed inside the program.
        wait_for("the tab strip redrawn in Chinese", lambda: self.x.region(*strip) != english)
        main = self.screen.find(kind="window", path=r"^mainWindow$")[0]
        if not self.screen.visible_window(main.text):
            raise JourneyError(f"no shown window titled '{main.text}' in Chinese")
        self.choose_language(0, "In Level")
        self.screen.xdo("mousemove", "--sync", 1360, 760)
        wait_for("the tab strip drawn in English again", lambda: self.x.region(*strip) == english)

    def quit_app(self):
        ids = self.screen.xdo("search", "--onlyvisible", "--name",
                              f"^{re.escape(self.main_title())}$").split()
        if not ids:
            raise JourneyError("the main window is not shown")
        for window_id in ids:
            self.x.close_window(int(window_id))
        app = self.procs.procs["dapcontrol"]
        try:
            rc = app.wait(WAIT)
        except subprocess.TimeoutExpired:
            raise JourneyError("the program did not end when its window was closed")
        self.procs.procs.pop("dapcontrol")
        if rc != 0:
            raise JourneyError(f"the program ended with status {rc}")

    def main_title(self):
        return self.screen.wait("the main window", kind="window", path=r"^mainWindow$")[0].text

    def run(self):
        self.start_x()
        self.start_sim()
        self.start_app()
        log("discover")
        tile = self.discover()
        log("log in, a wrong password first")
        self.login(tile, wrong_first=True)
        for tab, page, module, action in MODULE_EDITS:
            log(f"edit {page}: {action}")
            self.edit_module(tab, page, module, action)
        log("settings: location")
        self.settings()
        log("security: open and lock")
        self.security()
        log("presets: name, save, recall, export")
        self.presets()
        log("languages: Chinese and back")
        self.languages()
        log("quit")
        self.quit_app()

        log("restart without the processor: found again from device.db")
        self.procs.stop("dapsim")
        self.start_app()
        tile = self.tile()
        wait_for("the restarted program in English", lambda: self.tab_buttons()
                 and self.tab_buttons()[0].text.startswith("In Level"))
        log("the processor comes back: select and log in again")
        self.start_sim()
        self.login(tile, wrong_first=False)
        self.quit_app()
        log("passed")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--run", required=True)
    parser.add_argument("--install-deps")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()
    args.bin, args.run = os.path.abspath(args.bin), os.path.abspath(args.run)

    if not (shutil.which("Xvfb") and shutil.which("xdotool")) and args.install_deps:
        subprocess.run([args.install_deps], check=True)
    for tool in ("Xvfb", "xdotool"):
        if not shutil.which(tool):
            print(f"journey: {tool} is missing", file=sys.stderr)
            return 1

    procs = Processes()
    # A terminated test (ctest's time-out) still stops what it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(2))
    signal.signal(signal.SIGINT, lambda *_: sys.exit(2))
    journey = Journey(args, procs)
    try:
        journey.run()
        return 0
    except JourneyError as e:
        print(f"journey: FAILED: {e}", file=sys.stderr)
        shown = "\n".join(f"  {w}" for w in journey.screen.widgets()
                          if w.kind == "window" or w.kind == "action") \
            if hasattr(journey, "screen") else ""
        print(f"journey: shown windows and menu entries:\n{shown}", file=sys.stderr)
        if os.path.exists(journey.sim_log.path):
            tail = [l for l in journey.sim_log.since(0).splitlines() if " dir 00 " not in l]
            print("journey: simulator log (requests left out), last lines:\n  "
                  + "\n  ".join(tail[-15:]), file=sys.stderr)
        args.keep = True
        return 1
    finally:
        procs.stop_all()
        if args.keep:
            print(f"journey: files kept in {journey.tmp}", file=sys.stderr)
        else:
            shutil.rmtree(journey.tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
