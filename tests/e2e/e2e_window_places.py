"""Window places on a laptop's screen (1366 x 768) under a window manager: the main window's design
place reaches below the screen and the record window's place was saved on a larger monitor; both
come up wholly on the screen. Closing and reopening the record window, and ending and starting
the program again, bring both back exactly where they were, frame and all."""

import os
import subprocess
import time

from movra_e2e import (MAIN_TITLE, RECORD_TITLE, E2EFailure, check, check_equal, close_window,
                       extents, frame_geometry, read_ini, run, screen_size, seed_album,
                       wait_equal, wait_for, write_ini, x_window)

PEOPLE = [("Anna", "Kowalska", "Ania", "", ""), ("Jan", "Nowak", "Jasiek", "", "")]
DESIGN_LEFT = 692
DESIGN_SIZE = (543, 301)
# Saved on a monitor right of this screen, the title bar above its top edge.
STORED_RECORD = {"Left": 1700, "Top": -40, "Width": 454, "Height": 714}
PLACE_KEYS = ("Left", "Top", "Width", "Height")


def wholly_on(screen, frame):
    x, y, w, h = frame
    return x >= 0 and y >= 0 and x + w <= screen[0] and y + h <= screen[1]


def settled_frame(title, screen):
    """The window's frame once it is wholly on the screen and has stopped moving (the window
    manager frames it, then the program may still move it into the screen)."""
    seen = []

    def probe():
        frame = frame_geometry(title)
        if not wholly_on(screen, frame):
            seen.clear()
            return None
        seen.append((time.monotonic(), frame))
        while seen and seen[-1][0] - seen[0][0] > 0.5:
            if all(f == frame for _, f in seen):
                return frame
            seen.pop(0)
        return None

    try:
        return wait_for(f"the window {title!r} wholly on the {screen} screen, at rest", probe)
    except E2EFailure as e:
        raise E2EFailure(f"{e}; its frame is {frame_geometry(title)}") from None


def places(ini):
    s = read_ini(ini)
    return {w: tuple(int(s.get(w, {}).get(k, -1)) for k in PLACE_KEYS) for w in ("Form1", "Form2")}


def test(s):
    album = os.path.join(s.prog, "klasa.db3")
    ini = os.path.join(s.prog, "movra.ini")
    seed_album(album, [p + (None,) for p in PEOPLE])
    write_ini(ini, {"Plik": {"Nazwa": "klasa.db3"}, "Form2": STORED_RECORD})
    screen = screen_size()
    check_equal(screen, (1366, 768), "the test's screen")

    with s.step("first start: the main window's design place comes up wholly on the screen"):
        s.start_program()
        w = s.main_window()
        main_place = settled_frame(MAIN_TITLE, screen)
        check_equal(extents(w)[2:], DESIGN_SIZE, "the main window's size")
        # Moved no further than it must: straight up, its frame's bottom on the screen's.
        check_equal((extents(w)[0], main_place[1] + main_place[3]), (DESIGN_LEFT, screen[1]),
                    "the main window's left edge and its frame's bottom")

    with s.step("F2: the record window's stored place comes up wholly on the screen"):
        s.key(MAIN_TITLE, "F2")
        rec = s.window(RECORD_TITLE)
        record_place = settled_frame(RECORD_TITLE, screen)
        check_equal(extents(rec)[2:], (STORED_RECORD["Width"], STORED_RECORD["Height"]),
                    "the record window's size")
        check_equal((record_place[0] + record_place[2], record_place[1]), (screen[0], 0),
                    "the record window's frame: its right edge and its top")

    with s.step("closed and shown again, the record window is where it was"):
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)
        s.key(MAIN_TITLE, "F2")
        s.window(RECORD_TITLE)
        wait_equal("the record window's frame", lambda: frame_geometry(RECORD_TITLE),
                   record_place)

    with s.step("moved off the screen's edges by the user, closed and shown again: still there"):
        subprocess.run(["xdotool", "windowmove", "--sync", x_window(RECORD_TITLE), "300", "40"],
                       check=True, timeout=30)
        wait_for("the record window moved", lambda: frame_geometry(RECORD_TITLE) != record_place)
        record_place = settled_frame(RECORD_TITLE, screen)
        check(record_place[0] > 0 and record_place[1] > 0, f"moved to {record_place}")
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)
        s.key(MAIN_TITLE, "F2")
        s.window(RECORD_TITLE)
        wait_equal("the record window's frame", lambda: frame_geometry(RECORD_TITLE),
                   record_place)
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)

    with s.step("Koniec, start again: both windows are where they were"):
        s.quit()
        saved = places(ini)
        s.start_program()
        s.main_window()
        wait_equal("the main window's frame", lambda: frame_geometry(MAIN_TITLE), main_place)
        s.key(MAIN_TITLE, "F2")
        s.window(RECORD_TITLE)
        wait_equal("the record window's frame", lambda: frame_geometry(RECORD_TITLE),
                   record_place)
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)

    with s.step("Koniec again: the settings file keeps the same places"):
        s.quit()
        check_equal(places(ini), saved, "the places in movra.ini after the second run")


run(test)
