"""Exit and start again: the user orders the list by nickname, moves and resizes the main window,
widens a column by dragging its border, and ends with Koniec (refused while the record window is
open); the settings file keeps it all, and the next start shows the same album, order and
layout."""

import os
import subprocess

from movra_e2e import (MAIN_TITLE, RECORD_TITLE, Grid, check, check_equal, close_window,
                       polish_key, extents, label_after, read_ini, run, seed_album, wait_equal,
                       wait_for, x_window)

PEOPLE = [
    ("Zenon", "zero", "zero", "", ""),
    ("Łucja", "Żółkiewska", "Lucy", "Lubi góry.", "Kraków"),
    ("Bartłomiej", "Ćwik", "Bartek", "Kolega z ławki.", "Gdańsk"),
    ("Agnieszka", "Śliwińska", "Aga", "Świetnie śpiewa.", "Kraków, Rynek 1"),
]
COLUMN = {"Imie": 0, "Nazwisko": 1, "Ksywa": 2}
PLACE = (100, 150, 700, 420)
WIDER = 40
REFUSAL = ("        Dziecino! jeżeli mam skończyć robotę \n to uprzednio zamknij okno podglądu i "
           "edycji rekordu.")


def order_by(key):
    ordered = sorted(PEOPLE, key=lambda p: polish_key(p[COLUMN[key]]))
    return [[str(i + 1), p[0], p[1], p[2]] for i, p in enumerate(ordered)]


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, timeout=30)


def header_widths(g):
    return [extents(g.header(c))[2] for c in (2, 3, 4)]


def test(s):
    album = os.path.join(s.prog, "klasa.db3")
    ini = os.path.join(s.prog, "movra.ini")
    seed_album(album, [p + (None,) for p in PEOPLE])
    with open(ini, "w", encoding="utf-8") as f:
        f.write("[Plik]\nNazwa=klasa.db3\n")

    with s.step("start: the album of four people, ordered by last name"):
        s.start_program()
        w = s.main_window()
        g = Grid(w)
        wait_equal("the list", g.visible_rows, order_by("Nazwisko"))

    with s.step("order by nickname (Shift+F3), move and resize the window, widen a column"):
        s.key(MAIN_TITLE, "shift+F3")
        wait_equal("the list by nickname", g.visible_rows, order_by("Ksywa"))
        wid = x_window(MAIN_TITLE)
        xdotool("windowmove", "--sync", wid, str(PLACE[0]), str(PLACE[1]))
        xdotool("windowsize", "--sync", wid, str(PLACE[2]), str(PLACE[3]))
        wait_equal("the window's place and size", lambda: extents(w), PLACE)
        before = header_widths(g)
        x, y, cw, ch = extents(g.header(2))
        # The border line right of " Imię " in the title row, dragged to the right.
        xdotool("mousemove", str(x + cw), str(y + ch // 2))
        xdotool("mousedown", "1")
        for step in (10, 20, 30, WIDER):
            xdotool("mousemove", str(x + cw + step), str(y + ch // 2))
        xdotool("mouseup", "1")
        expected_widths = [before[0] + WIDER] + before[1:]
        wait_equal("the column widths", lambda: header_widths(g), expected_widths)

    with s.step("Koniec is refused while the record window is open"):
        s.key(MAIN_TITLE, "F2")
        s.window(RECORD_TITLE)
        s.menu(w, "Koniec")
        s.answer("OK", REFUSAL)
        check(s.proc.poll() is None, "the program ended with the record window open")
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)

    with s.step("Koniec: the program ends and writes its settings"):
        s.menu(w, "Koniec")
        code = s.wait_exit()
        check_equal(code, 0, "exit code")
        settings = read_ini(ini)
        form1 = settings.get("Form1", {})
        check_equal(tuple(int(form1.get(k, -1)) for k in ("Left", "Top", "Width", "Height")),
                    PLACE, "window place and size in movra.ini")
        check_equal(settings.get("Plik", {}).get("Nazwa"), "klasa.db3", "album in movra.ini")
        check_equal(settings.get("Plik", {}).get("Sort"), "4", "order in movra.ini")
        kolumny = settings.get("Kolumny", {})
        widths = [int(kolumny.get(k, -1)) for k in ("Imie", "Nazwisko", "Ksywa")]
        check_equal(widths, [100 + WIDER, 140, 140], "column widths in movra.ini")
        check_equal(form1.get("WysRow"), "22", "row height in movra.ini")

    with s.step("start again: the same album, order, place, size and column widths"):
        s.start_program()
        w = s.main_window()
        g = Grid(w)
        check_equal(label_after(w, "Otwarty plik:"), "klasa.db3", "open file shown")
        wait_equal("the list", g.visible_rows, order_by("Ksywa"))
        check_equal(label_after(w, "Rekordów:"), "4", "record count shown")
        wait_equal("the window's place and size", lambda: extents(w), PLACE)
        wait_equal("the column widths", lambda: header_widths(g), expected_widths)
        check_equal([g.column_hidden(c) for c in range(7)],
                    [False, True, False, False, False, True, True], "hidden columns")

    with s.step("Koniec again: the settings stay as they were"):
        s.menu(w, "Koniec")
        check_equal(s.wait_exit(), 0, "exit code")
        check_equal(read_ini(ini), settings, "movra.ini after the second run")
        wait_for("no window left", lambda: not x_window(MAIN_TITLE))


run(test)
