"""What every end-to-end test of Movra shares.

The tests drive the real program under an X server from outside, as a user would: windows,
menus, fields, buttons and grid cells through the accessibility bus (AT-SPI), keys and mouse
through xdotool where a user's hands are the point (shortcuts, typing, dragging a column
border). What the album file holds is read with the sqlite3 command-line shell.

run-e2e.sh starts each test inside xvfb-run and dbus-run-session with a fresh program folder;
this module starts the accessibility bus and the program, finds things, waits for them (always
by polling a condition, never by sleeping a fixed time) and, when a step fails, leaves the
accessible tree and a screenshot in the test's folder and prints where they are.
"""

import contextlib
import json
import os
import shutil
import signal
import subprocess
import sys
import time
import traceback
import unicodedata

import pyatspi
from gi.repository import Atspi

# Slower builds (sanitizers) stretch every wait by this factor.
SLOWNESS = float(os.environ.get("MOVRA_E2E_SLOWNESS", "1"))
DEFAULT_TIMEOUT = 20.0 * SLOWNESS
POLL = 0.05

MAIN_TITLE = '"Movra" wer. 1.9'
RECORD_TITLE = "Podgląd i edycja rekordu"
SHEET_TITLE = "Podgląd i wydruk strony"
FIND_TITLE = "Szukanie"
CHANGE_QUESTION = "W rekordzie dokonano zmian. Czy chcesz je zapisać? "


class E2EFailure(AssertionError):
    pass


class Skip(Exception):
    pass


def log(msg):
    print(msg, flush=True)


def check(condition, message):
    if not condition:
        raise E2EFailure(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise E2EFailure(f"{what}: expected {expected!r}, got {actual!r}")


def wait_for(what, probe, timeout=None):
    """Polls probe() until it returns something true and returns that; fails naming `what`."""
    start = time.monotonic()
    limit = start + (timeout if timeout is not None else DEFAULT_TIMEOUT)
    last_error = None
    while True:
        try:
            value = probe()
            if value:
                if time.monotonic() - start > 3:
                    log(f"  (waited {time.monotonic() - start:.1f} s for {what})")
                return value
        except (E2EFailure, Skip):
            raise
        except Exception as e:  # the object may be going away while we look at it
            last_error = e
        if time.monotonic() > limit:
            extra = f" (last error: {last_error})" if last_error else ""
            raise E2EFailure(f"timed out waiting for {what}{extra}")
        time.sleep(POLL)


def wait_equal(what, probe, expected, timeout=None):
    """Waits until probe() == expected; the failure shows the last value seen."""
    seen = []

    def p():
        value = probe()
        seen[:] = [value]
        return value == expected

    try:
        wait_for(what, p, timeout)
    except E2EFailure as e:
        raise E2EFailure(f"{e}: expected {expected!r}, last seen {seen[0] if seen else None!r}")


# ---- accessible objects ------------------------------------------------------------------------

def role(acc):
    return acc.getRoleName()


def states(acc):
    return acc.getState()


def showing(acc):
    try:
        s = acc.getState()
        return s.contains(pyatspi.STATE_SHOWING) and not s.contains(pyatspi.STATE_DEFUNCT)
    except Exception:
        return False


def children(acc):
    try:
        n = acc.childCount
    except Exception:
        return []
    out = []
    for i in range(n):
        try:
            c = acc.getChildAtIndex(i)
        except Exception:
            c = None
        if c is not None:
            out.append(c)
    return out


def descendants(acc):
    """Every object below acc in reading order (depth first). Tables are not entered: their cells
    are many and are read through the table interface."""
    for c in children(acc):
        yield c
        try:
            if role(c) == "table":
                continue
        except Exception:
            continue
        yield from descendants(c)


def find_all(root, role_name=None, name=None, description=None, only_showing=True):
    out = []
    for a in descendants(root):
        try:
            if role_name is not None and role(a) != role_name:
                continue
            if name is not None and a.name != name:
                continue
            if description is not None and a.description != description:
                continue
            if only_showing and not showing(a):
                continue
            out.append(a)
        except Exception:
            continue
    return out


def find(root, role_name=None, name=None, description=None, timeout=None):
    what = f"{role_name or 'object'} named {name!r}" if name is not None else (
        f"{role_name or 'object'} described {description!r}")
    return wait_for(what, lambda: (find_all(root, role_name, name, description) or [None])[0],
                    timeout)


def text_of(acc):
    """A text field's text; paragraphs of a multi-line field are joined by line feeds."""
    t = acc.queryText()
    return t.getText(0, t.characterCount).replace("\u2029", "\n")


def set_text(acc, value):
    acc.queryEditableText().setTextContents(value)


# How long a call to the program may take before the library gives up on its answer.
CALL_TIMEOUT_MS = int(10000 * SLOWNESS)


def press(acc):
    """Runs the object's first action (press, click, toggle), as a user's click would.

    A menu command runs inside the call, and one that opens a modal dialog answers only when the
    dialog has closed; so the call is sent without waiting for its answer, and the caller waits
    for what the command shows instead."""
    action = acc.queryAction()
    check(action.nActions > 0, f"{role(acc)} {acc.name!r} has no action")
    Atspi.set_timeout(300, 300)
    try:
        action.doAction(0)
    except Exception as e:
        if "reply" not in str(e):
            raise
    finally:
        Atspi.set_timeout(CALL_TIMEOUT_MS, 15000)


def extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def focused(acc):
    return acc.getState().contains(pyatspi.STATE_FOCUSED)


def enabled(acc):
    return acc.getState().contains(pyatspi.STATE_ENABLED)


def dump_tree(acc, out, depth=0, max_cells=60):
    try:
        r = role(acc)
        s = acc.getState()
        flags = [n for n, st in (("showing", pyatspi.STATE_SHOWING),
                                 ("focused", pyatspi.STATE_FOCUSED),
                                 ("selected", pyatspi.STATE_SELECTED),
                                 ("enabled", pyatspi.STATE_ENABLED)) if s.contains(st)]
        line = f"{'  ' * depth}[{r}] name={acc.name!r}"
        if acc.description:
            line += f" description={acc.description!r}"
        with contextlib.suppress(Exception):
            if "Text" in pyatspi.listInterfaces(acc) and r not in ("table", "table cell"):
                line += f" text={text_of(acc)!r}"
        with contextlib.suppress(Exception):
            line += f" extents={extents(acc)}"
        line += f" {','.join(flags)}"
        out.write(line + "\n")
        if r == "table":
            t = acc.queryTable()
            out.write(f"{'  ' * (depth + 1)}table {t.nRows} rows x {t.nColumns} columns\n")
            for i, c in enumerate(children(acc)[:max_cells]):
                cs = c.getState()
                marks = "".join(m for m, st in ((" focused", pyatspi.STATE_FOCUSED),
                                                (" selected", pyatspi.STATE_SELECTED))
                                if cs.contains(st))
                out.write(f"{'  ' * (depth + 1)}cell {i}: [{role(c)}] {c.name!r}{marks}\n")
            return
        for c in children(acc):
            dump_tree(c, out, depth + 1, max_cells)
    except Exception as e:
        out.write(f"{'  ' * depth}<unreadable: {e}>\n")


# ---- the album file through the sqlite3 shell ---------------------------------------------------

def sql(path, query):
    """Rows of a query as dicts, read with the sqlite3 command-line shell (read-only)."""
    check(os.path.isfile(path), f"no album file {path}")
    p = subprocess.run(["sqlite3", "-readonly", "-json", path, query],
                       capture_output=True, text=True, timeout=30)
    if p.returncode != 0:
        raise E2EFailure(f"sqlite3 {query!r} failed: {p.stderr.strip()}")
    return json.loads(p.stdout) if p.stdout.strip() else []


def album_rows(path):
    """Every record of an album, texts decoded from their Windows-1250 bytes, photo as bytes."""
    rows = sql(path, "SELECT ID, typeof(Imie) AS t, hex(Imie) AS Imie, hex(Nazwisko) AS Nazwisko,"
                     " hex(Ksywa) AS Ksywa, hex(Notes) AS Notes, hex(Adres) AS Adres,"
                     " hex(Picture) AS Picture FROM album ORDER BY ID")
    out = []
    for r in rows:
        rec = {"ID": r["ID"]}
        for k in ("Imie", "Nazwisko", "Ksywa", "Notes", "Adres"):
            rec[k] = bytes.fromhex(r[k]).decode("cp1250")
        rec["Picture"] = bytes.fromhex(r["Picture"])
        out.append(rec)
    return out


# The album table as the program creates it (album/AlbumFile.h).
ALBUM_SCHEMA = ("CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko VARCHAR(20),"
                " Ksywa VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB COLLATE NOCASE);")


def seed_album(path, records):
    """Writes an album file with the sqlite3 shell: records are (Imie, Nazwisko, Ksywa, Notes,
    Adres, photo path or None), texts stored as Windows-1250 bytes like the program stores them,
    line breaks as CR LF."""
    def text(t):
        return f"CAST(X'{t.replace(chr(10), chr(13) + chr(10)).encode('cp1250').hex()}' AS TEXT)"

    stmts = [ALBUM_SCHEMA, "BEGIN;"]
    for imie, nazwisko, ksywa, notes, adres, photo in records:
        pic = f"readfile('{photo}')" if photo else "NULL"
        stmts.append("INSERT INTO album(Imie,Nazwisko,Ksywa,Notes,Adres,Picture) VALUES ("
                     f"{text(imie)},{text(nazwisko)},{text(ksywa)},{text(notes)},{text(adres)},"
                     f"{pic});")
    stmts.append("COMMIT;")
    p = subprocess.run(["sqlite3", path], input="\n".join(stmts), capture_output=True, text=True,
                       timeout=60)
    check(p.returncode == 0 and not p.stderr.strip(), f"seeding {path}: {p.stderr.strip()}")


def write_ini(path, sections):
    """A settings file as the program writes it: sections of key = integer or text."""
    with open(path, "w", encoding="utf-8") as f:
        for name, keys in sections.items():
            f.write(f"[{name}]\n")
            for k, v in keys.items():
                f.write(f"{k}={v}\n")
            f.write("\n")


def read_ini(path):
    out = {}
    section = None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                section = out.setdefault(line[1:-1], {})
            elif "=" in line and section is not None:
                k, v = line.split("=", 1)
                section[k.strip()] = v.strip()
    return out


ALPHABET = "aąbcćdeęfghijklłmnńoópqrsśtuvwxyzźż"


def polish_key(text):
    """The list's order as a Polish reader expects it: letters by the alphabet above (other
    languages' marked letters with their base letter), blanks, digits and signs before every
    letter by their bytes; then small letters before capitals; then the Windows-1250 bytes."""
    def primary(c):
        small = c.lower()
        if small in ALPHABET:
            return 256 + ALPHABET.index(small)
        base = unicodedata.normalize("NFD", small)[0]
        if c.isalpha() and base in ALPHABET:
            return 256 + ALPHABET.index(base)
        return c.encode("cp1250")[0]
    return ([primary(c) for c in text],
            [1 if c.isalpha() and c.isupper() else 0 for c in text],
            text.encode("cp1250"))


# ---- the session: X server, accessibility bus, the program --------------------------------------

class Session:
    """One test's world: its folders, the accessibility bus, and the program when it runs."""

    def __init__(self):
        self.workdir = os.environ["MOVRA_E2E_WORKDIR"]
        self.prog = os.path.join(self.workdir, "prog")  # the program's folder
        self.home = os.path.join(self.workdir, "home")
        self.files = os.path.join(self.workdir, "files")  # pictures, saved sheets
        self.out = os.path.join(self.workdir, "out")  # what a failure leaves behind
        for d in (self.files, self.out):
            os.makedirs(d, exist_ok=True)
        self.exe = os.path.join(self.prog, "movra")
        self.proc = None
        self.app = None
        self.runs = 0
        self.bus = None
        self._step = 0
        self.start_bus()
        Atspi.set_timeout(CALL_TIMEOUT_MS, 15000)

    # -- accessibility bus

    def start_bus(self):
        # Its own process group, so that the bus daemon and registry it starts go with it.
        self.bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                    stdout=subprocess.DEVNULL,
                                    stderr=open(os.path.join(self.out, "at-spi.log"), "w"),
                                    start_new_session=True)

        def bus_ready():
            p = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                                "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                               capture_output=True, text=True)
            return p.returncode == 0 and "unix:" in p.stdout

        wait_for("the accessibility bus", bus_ready)

    def stop_bus(self):
        if self.bus and self.bus.poll() is None:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self.bus.pid, signal.SIGTERM)
            try:
                self.bus.wait(3)
            except subprocess.TimeoutExpired:
                with contextlib.suppress(ProcessLookupError):
                    os.killpg(self.bus.pid, signal.SIGKILL)
                self.bus.wait(10)

    # -- the program

    def program_env(self, extra=None):
        env = dict(os.environ)
        env.pop("QT_QPA_PLATFORM", None)  # unit tests run offscreen; this one needs the X server
        env.update({
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "LC_ALL": "C.UTF-8",
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.workdir, "runtime"),
        })
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        if extra:
            env.update(extra)
        return env

    def start_program(self, extra_env=None, args=()):
        check(self.proc is None or self.proc.poll() is not None, "the program is already running")
        self.runs += 1
        env = self.program_env(extra_env)
        logpath = os.path.join(self.out, f"movra-run{self.runs}.log")
        self.proc = subprocess.Popen([self.exe, *args], cwd=self.home, env=env,
                                     stdout=open(logpath, "w"), stderr=subprocess.STDOUT)
        self.logpath = logpath
        pid = self.proc.pid

        def app():
            if self.proc.poll() is not None:
                raise E2EFailure(f"the program ended at start with code {self.proc.returncode}")
            desktop = pyatspi.Registry.getDesktop(0)
            for a in children(desktop):
                with contextlib.suppress(Exception):
                    if a.get_process_id() == pid:
                        return a
            return None

        self.app = wait_for("the program on the accessibility bus", app, 60 * SLOWNESS)
        # What we read must be what is on screen now, not what the library remembered.
        self.app.set_cache_mask(Atspi.Cache.NONE)
        return self.app

    def wait_exit(self, timeout=None):
        limit = timeout if timeout is not None else DEFAULT_TIMEOUT
        try:
            return self.proc.wait(limit)
        except subprocess.TimeoutExpired:
            raise E2EFailure("the program did not end")

    def quit(self):
        """Koniec: the program ends by itself, with exit code 0."""
        self.menu(self.main_window(), "Koniec")
        check_equal(self.wait_exit(), 0, "the program's exit code")

    def sanitizer_reports(self):
        """What AddressSanitizer or UndefinedBehaviorSanitizer said in any run of the program."""
        found = []
        for name in sorted(os.listdir(self.out)):
            if name.startswith("movra-run") and name.endswith(".log"):
                with open(os.path.join(self.out, name), errors="replace") as f:
                    for line in f:
                        if "ERROR: AddressSanitizer" in line or "runtime error:" in line or \
                                "ERROR: LeakSanitizer" in line:
                            found.append(f"{name}: {line.strip()}")
        return found

    def kill_program(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(10)

    # -- windows

    def windows(self):
        out = []
        for w in children(self.app):
            with contextlib.suppress(Exception):
                if showing(w):
                    out.append(w)
        return out

    def window(self, title, timeout=None):
        return wait_for(f"the window {title!r}",
                        lambda: next((w for w in self.windows() if w.name == title), None),
                        timeout)

    def wait_window_gone(self, title, timeout=None):
        wait_for(f"the window {title!r} to close",
                 lambda: not any(w.name == title for w in self.windows()), timeout)

    def main_window(self):
        return self.window(MAIN_TITLE)

    def message_box(self, timeout=None):
        """The message box on screen (caption "Movra"): (window, its text)."""
        def box():
            for w in self.windows():
                if w.name == "Movra" and role(w) in ("dialog", "alert"):
                    return w
            return None

        w = wait_for("a message box", box, timeout)
        return w, message_text(w)

    def answer(self, button, expected_text=None, timeout=None):
        """Waits for the message box, checks its text, presses the named button."""
        w, text = self.message_box(timeout)
        if expected_text is not None:
            check_equal(text, expected_text, "message box text")
        b = find(w, "push button", button)
        press(b)
        wait_for("the message box to close", lambda: not showing(w) or w not in self.windows())
        return text

    # -- menus

    def menu_item(self, window, menu, item=None):
        """A menu bar entry (menu None: a command on the bar itself) of a window."""
        bar = find(window, "menu bar")
        top = wait_for(f"menu {menu!r}", lambda: next(
            (m for m in children(bar) if m.name == menu), None))
        if item is None:
            return top
        return wait_for(f"menu item {menu!r} > {item!r}", lambda: next(
            iter(find_all(top, "menu item", item, only_showing=False)), None))

    def menu(self, window, menu, item=None):
        a = self.menu_item(window, menu, item)
        check(enabled(a), f"menu item {menu!r} > {item!r} is disabled")
        press(a)

    # -- keyboard and mouse

    def focus_window(self, title):
        """Gives the named window the keyboard, as a click on its title bar does: the window
        manager activates it (raises and focuses it)."""
        wid = wait_for(f"X window {title!r}", lambda: x_window(title))

        def focus():
            p = subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True,
                               timeout=30)
            return p.stdout.strip()

        if focus() != wid:
            subprocess.run(["xdotool", "windowactivate", wid], check=True, timeout=30)
            wait_equal(f"the keyboard in {title!r}", focus, wid)
        return wid

    def key(self, title, *keys):
        self.focus_window(title)
        subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True, timeout=30)

    def type_text(self, title, text):
        """Types text into the focused field of a window; a line break is the Return key."""
        self.focus_window(title)
        for i, line in enumerate(text.split("\n")):
            if i:
                subprocess.run(["xdotool", "key", "Return"], check=True, timeout=30)
            if line:
                subprocess.run(["xdotool", "type", "--delay", "20", "--", line], check=True,
                               timeout=120)

    @staticmethod
    def extents(acc):
        return extents(acc)

    @staticmethod
    def enabled(acc):
        return enabled(acc)

    def type_into(self, title, field, text):
        """Replaces the text of a focused field by typing, and checks what arrived. The screen has
        a Polish keyboard (run-e2e.sh); xdotool still types a letter missing from it by remapping
        a key for a moment, which a program may read before the new map, so a field that did not
        get the text is typed again (as a user corrects a typo)."""
        for attempt in range(3):
            self.key(title, "ctrl+a")
            self.type_text(title, text)
            try:
                wait_equal("the text typed", lambda: text_of(field), text, 3 * SLOWNESS)
                return
            except E2EFailure as e:
                if attempt == 2:
                    raise
                log(f"  (typing again: {e})")

    # -- failure evidence

    def evidence(self):
        lines = []
        tree = os.path.join(self.out, "accessible-tree.txt")
        with contextlib.suppress(Exception):
            with open(tree, "w") as f:
                if self.app is not None:
                    dump_tree(self.app, f)
            lines.append(f"accessible tree: {tree}")
        shot = os.path.join(self.out, "screen.xwd")
        with contextlib.suppress(Exception):
            subprocess.run(["xwd", "-root", "-silent", "-out", shot], timeout=30, check=True)
            lines.append(f"screenshot: {shot}")
            if shutil.which("convert"):
                png = os.path.join(self.out, "screen.png")
                if subprocess.run(["convert", shot, png], timeout=60).returncode == 0:
                    lines.append(f"screenshot: {png}")
        if getattr(self, "logpath", None):
            lines.append(f"program output: {self.logpath}")
            with contextlib.suppress(Exception):
                with open(self.logpath, errors="replace") as f:
                    tail = f.read()[-3000:]
                if tail.strip():
                    lines.append("---- program output (end) ----\n" + tail)
        with contextlib.suppress(Exception):
            with open(tree) as f:
                content = f.read()
            lines.append("---- accessible tree ----\n" + content[-12000:])
        return "\n".join(lines)

    @contextlib.contextmanager
    def step(self, title):
        self._step += 1
        n = self._step
        log(f"STEP {n}: {title}")
        t0 = time.monotonic()
        yield
        log(f"  ok ({time.monotonic() - t0:.1f} s)")

    def close(self):
        self.kill_program()
        self.stop_bus()


def message_text(box):
    """The text a message box shows: its label's text (the icon's label has none)."""
    texts = []
    for a in descendants(box):
        with contextlib.suppress(Exception):
            if role(a) == "label" and a.name:
                texts.append(a.name)
    if not texts:
        with contextlib.suppress(Exception):
            if box.description:
                texts.append(box.description)
    return "\n".join(texts)


def x_window(title):
    p = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + _re(title) + "$"],
                       capture_output=True, text=True)
    ids = p.stdout.split()
    return ids[-1] if ids else None


def _re(s):
    out = []
    for ch in s:
        out.append("\\" + ch if ch in ".^$*+?()[]{}|\\" else ch)
    return "".join(out)


def label_after(root, caption, timeout=None):
    """The showing label that follows the label `caption` (a value beside its caption)."""
    def probe():
        labels = [a for a in find_all(root, "label") if a.name is not None]
        for i, a in enumerate(labels):
            if a.name == caption and i + 1 < len(labels):
                return [labels[i + 1].name]
        return None

    return wait_for(f"the label after {caption!r}", probe, timeout)[0]


def close_window(title):
    """Asks the window to close, as its title bar's close box does: the X client message
    WM_DELETE_WINDOW (there is no window manager under the test to send it)."""
    import ctypes
    import ctypes.util

    wid = wait_for(f"X window {title!r}", lambda: x_window(title))
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(None)
    check(display, "cannot open the X display")
    try:
        ev = XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = int(wid)
        ev.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        ev.xclient.data[1] = 0  # CurrentTime
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(XEvent)]
        check(x11.XSendEvent(display, int(wid), 0, 0, ctypes.byref(ev)) != 0,
              f"the close request did not reach {title!r}")
        x11.XFlush(display)
    finally:
        x11.XCloseDisplay(display)


def frame_geometry(title):
    """(x, y, width, height) of a window as the user sees it on the screen: with the frame the
    window manager put around it (the top-level window that holds the program's window)."""
    import ctypes
    import ctypes.util

    wid = wait_for(f"X window {title!r}", lambda: x_window(title))
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                               ctypes.POINTER(ctypes.c_uint)]
    uint = ctypes.c_uint
    x11.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                 ctypes.POINTER(uint), ctypes.POINTER(uint), ctypes.POINTER(uint),
                                 ctypes.POINTER(uint)]
    display = x11.XOpenDisplay(None)
    check(display, "cannot open the X display")
    try:
        window = int(wid)
        while True:
            root, parent = ctypes.c_ulong(), ctypes.c_ulong()
            kids, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
            check(x11.XQueryTree(display, window, ctypes.byref(root), ctypes.byref(parent),
                                 ctypes.byref(kids), ctypes.byref(count)) != 0,
                  f"the window {title!r} went away")
            if kids:
                x11.XFree(kids)
            if parent.value == root.value:
                break
            window = parent.value
        r, x, y = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = uint(), uint(), uint(), uint()
        check(x11.XGetGeometry(display, window, ctypes.byref(r), ctypes.byref(x),
                               ctypes.byref(y), ctypes.byref(w), ctypes.byref(h),
                               ctypes.byref(border), ctypes.byref(depth)) != 0,
              f"no geometry for {title!r}")
        b = border.value
        return (x.value, y.value, w.value + 2 * b, h.value + 2 * b)
    finally:
        x11.XCloseDisplay(display)


def screen_size():
    """Width and height of the X screen."""
    p = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True,
                       check=True, timeout=30)
    w, h = p.stdout.split()
    return (int(w), int(h))


def click_at(x, y, button=1, double=False):
    # No --sync: it waits for a pointer motion, and there is none when the pointer is there
    # already; the server takes the move before the click in any case.
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True, timeout=30)
    args = ["xdotool", "click"] + (["--repeat", "2", "--delay", "80"] if double else []) + [
        str(button)]
    subprocess.run(args, check=True, timeout=30)


def click(acc, double=False):
    x, y, w, h = extents(acc)
    check(w > 0 and h > 0, f"{role(acc)} {acc.name!r} is not on screen")
    click_at(x + w // 2, y + h // 2, double=double)


def choose_file(session, title, path, button):
    """Fills a file dialog's file name with a full path and confirms it."""
    d = session.window(title)
    field = find(d, "text", "Nazwa pliku:")
    # The name goes into the field the keyboard is in, as typing does: the dialog adds a name
    # typed elsewhere to the file already selected in its list instead of replacing it.
    session.focus_window(title)
    if not focused(field):
        field.queryComponent().grabFocus()
    wait_for("the keyboard in the file name field", lambda: focused(field))
    set_text(field, path)
    wait_equal("the file name typed", lambda: text_of(field), path)
    press(find(d, "push button", button))
    session.wait_window_gone(title)


class RecordWindow:
    """The record window as the user sees it: two tabs, five captioned fields, seven buttons."""

    FIELDS = ("Imię:", "Nazwisko:", "Ksywa:", "Adnotacje i uwagi:", "Adres i źródła kontaktu:")
    BUTTONS = {"first": "Na Pierwszy rekord", "previous": "Poprzedni rekord",
               "next": "Następny rekord", "last": "Na ostatni rekord", "add": "Dodaje rekord",
               "delete": "Usuwa zaznaczony rekord", "save": "Zatwierdza zmiany w treści rekordu"}

    def __init__(self, session):
        self.s = session
        self.w = session.window(RECORD_TITLE)
        self._fields = {}

    def tab(self, name):
        """Brings a tab forward; the tab list is named after the tab in front."""
        tabs = find(self.w, "page tab list")
        if tabs.name != name:
            press(find(tabs, "page tab", name))
        wait_equal("the tab in front", lambda: tabs.name, name)

    def field(self, caption):
        # The window lives as long as the program, and so do its fields' objects.
        if caption not in self._fields:
            self._fields[caption] = wait_for(f"the field {caption!r}", lambda: next(
                iter(find_all(self.w, "text", caption, only_showing=False)), None))
        return self._fields[caption]

    def texts(self):
        return [text_of(self.field(c)) for c in self.FIELDS]

    def wait_texts(self, expected):
        wait_equal("the record window's fields", self.texts, list(expected))

    def type_into(self, caption, text):
        """Replaces a field's text by typing it, as a user does (this marks the record changed)."""
        self.tab("Opis")
        f = self.field(caption)
        f.queryComponent().grabFocus()
        wait_for(f"focus in {caption!r}", lambda: f.getState().contains(pyatspi.STATE_FOCUSED))
        self.s.type_into(RECORD_TITLE, f, text)

    def button(self, key):
        # A screen reader speaks each button by its accessible name, its tooltip.
        return find(self.w, "push button", self.BUTTONS[key])

    def press(self, key):
        press(self.button(key))

    def position(self):
        return label_after(self.w, "Rekord:")

    def file_label(self):
        return label_after(self.w, "Plik:")

    def photo_size(self):
        """Width and height of the photo shown on the "Foto" tab (the picture at its own size)."""
        self.tab("Foto")
        pane = find(self.w, "layered pane")
        images = find_all(pane, "image")  # the label turns into an image once it holds one
        if not images:
            return (0, 0)
        x, y, w, h = extents(images[0])
        return (w, h)

    def import_photo(self, path):
        self.s.menu(self.w, "Obraz", "Import obrazu JPG z pliku..")
        choose_file(self.s, "Otwórz", path, "Otwórz")


# ---- the grid ----------------------------------------------------------------------------------

class Grid:
    """The record list as AT-SPI shows it: a table whose header cells are the column titles."""

    def __init__(self, window):
        # Found as a screen reader names it.
        self.acc = find(window, "table", "Lista osób")

    @property
    def table(self):
        return self.acc.queryTable()

    def titles(self):
        t = self.table
        return [t.getColumnDescription(c) for c in range(t.nColumns)]

    def rows(self):
        t = self.table
        return [[t.getAccessibleAt(r, c).name for c in range(t.nColumns)] for r in range(t.nRows)]

    def visible_rows(self, columns=(0, 2, 3, 4)):
        return [[row[c] for c in columns] for row in self.rows()]

    def cell(self, row, col):
        return self.table.getAccessibleAt(row, col)

    def header(self, col):
        """The title cell of a column (the table's first children are the titles)."""
        return self.acc.getChildAtIndex(col)

    def current(self):
        """(table row, column) of the focused cell, or None."""
        t = self.table
        for r in range(t.nRows):
            for c in range(t.nColumns):
                if t.getAccessibleAt(r, c).getState().contains(pyatspi.STATE_FOCUSED):
                    return (r, c)
        return None

    def selected_rows(self):
        return list(self.table.getSelectedRows())

    def column_hidden(self, col):
        return not self.header(col).getState().contains(pyatspi.STATE_VISIBLE)


# ---- pictures ------------------------------------------------------------------------------------

# The label's font, named by its file: ImageMagick's default font comes from packages that a
# machine set up by scripts/install-deps.sh does not have (fonts-liberation2 it has).
LABEL_FONT = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"


def make_jpeg(path, width, height, colour, label):
    """A small photo made with ImageMagick for this run."""
    convert = shutil.which("convert")
    if not convert:
        raise Skip("ImageMagick's convert is not installed")
    check(os.path.isfile(LABEL_FONT), f"no font {LABEL_FONT} (fonts-liberation2)")
    subprocess.run([convert, "-size", f"{width}x{height}", f"xc:{colour}", "-fill", "white",
                    "-draw", f"circle {width // 2},{height // 2} {width // 2},{height // 4}",
                    "-fill", "black", "-font", LABEL_FONT, "-pointsize", "14",
                    "-annotate", "+4+16", label, "-quality", "85", path], check=True, timeout=60)
    with open(path, "rb") as f:
        data = f.read()
    check(data[:2] == b"\xff\xd8" and len(data) < 20000, f"{path} is not a small JPEG")
    return data


# ---- running a test ------------------------------------------------------------------------------

def run(test):
    """Runs test(session); on failure prints what was on screen and exits non-zero."""
    session = None
    t0 = time.monotonic()
    code = 0

    def out_of_time(signum, frame):
        raise E2EFailure("the test ran out of time")

    # Ends the test itself before ctest would kill it, so that everything it started is stopped.
    signal.signal(signal.SIGALRM, out_of_time)
    signal.alarm(int(float(os.environ.get("MOVRA_E2E_DEADLINE", "540"))))
    try:
        session = Session()
        if time.monotonic() - t0 > 2:
            log(f"(starting the accessibility bus took {time.monotonic() - t0:.1f} s)")
        test(session)
        reports = session.sanitizer_reports()
        check(not reports, "the sanitizers reported:\n" + "\n".join(reports))
        log(f"PASSED in {time.monotonic() - t0:.1f} s")
    except Skip as e:
        log(f"SKIPPED: {e}")
        code = 0
    except BaseException as e:
        log(f"FAILED: {e}")
        traceback.print_exc(file=sys.stdout)
        if session is not None:
            log(session.evidence())
            log(f"test folder: {session.workdir}")
        code = 1
    finally:
        if session is not None:
            t1 = time.monotonic()
            with contextlib.suppress(Exception):
                session.close()
            if time.monotonic() - t1 > 2:
                log(f"(stopping the program and the accessibility bus took "
                    f"{time.monotonic() - t1:.1f} s)")
    sys.stdout.flush()
    os._exit(code)
