"""Albums from outside the program's folder: `movra PATH` opens that album (a missing one is
reported and never created), the window carries the Movra icon and the class its desktop entry
names, and
Baza > Ostatnio otwierane brings back the albums opened last (one whose file is gone is dropped
with a message)."""

import os
import subprocess

from movra_e2e import (MAIN_TITLE, Grid, check, check_equal, label_after, read_ini, run,
                       seed_album, wait_equal, wait_for, x_window)


def xprop(wid, name):
    p = subprocess.run(["xprop", "-id", wid, name], capture_output=True, text=True, timeout=30)
    return p.stdout.strip()


def test(s):
    folder = os.path.join(s.home, "albumy")
    os.makedirs(folder)
    klasa = os.path.join(folder, "klasa.db3")
    rodzina = os.path.join(folder, "rodzina.db3")
    seed_album(klasa, [("Anna", "Nowak", "Ania", "", "", None),
                       ("Jan", "Kowalski", "Janek", "", "", None)])
    seed_album(rodzina, [("Ewa", "Zielińska", "Ewka", "", "", None)])
    ini = os.path.join(s.prog, "movra.ini")

    with s.step("movra PATH with a missing file: reported, never created"):
        missing = os.path.join(folder, "nie-ma.db3")
        s.start_program(args=[missing])
        text = s.answer("OK")
        check(text.startswith("Błąd podczas odczytu bazy danych!\nNie udało się otworzyć albumu: "
                              "takiego pliku nie ma"), f"unexpected message: {text!r}")
        check(not os.path.exists(missing), "the missing album was created")
        s.quit()

    with s.step("movra PATH opens an album from another folder; the window has icon and class"):
        s.start_program(args=[klasa])
        w = s.main_window()
        check_equal(label_after(w, "Otwarty plik:"), "klasa.db3", "open file shown")
        wait_equal("the record count", lambda: label_after(w, "Rekordów:"), "2")
        wid = wait_for("the main X window", lambda: x_window(MAIN_TITLE))
        check("_NET_WM_ICON(CARDINAL)" in xprop(wid, "_NET_WM_ICON"), "the window has no icon")
        # The class the desktop entry's StartupWMClass names, so the desktop matches the two.
        wm_class = xprop(wid, "WM_CLASS")
        check(wm_class.endswith('"Movra"'), f"the window's class is not Movra: {wm_class!r}")
        s.quit()
        check_equal(read_ini(ini).get("Plik", {}).get("Nazwa"), klasa, "album in movra.ini")

    with s.step("a second album, then a start without arguments: the last one, both listed"):
        s.start_program(args=[rodzina])
        s.quit()
        s.start_program()
        w = s.main_window()
        check_equal(label_after(w, "Otwarty plik:"), "rodzina.db3", "open file shown")
        s.menu(w, "Baza", f"1 rodzina.db3  ({folder})")
        s.menu(w, "Baza", f"2 klasa.db3  ({folder})")
        wait_equal("the list", lambda: [r[2] for r in Grid(w).visible_rows()],
                   ["Kowalski", "Nowak"])
        check_equal(label_after(w, "Otwarty plik:"), "klasa.db3", "open file shown")

    with s.step("an album whose file is gone is dropped from the list with a message"):
        os.remove(rodzina)
        s.menu(w, "Baza", f"2 rodzina.db3  ({folder})")
        text = s.answer("OK")
        check(rodzina in text and "już nie ma" in text, f"unexpected message: {text!r}")
        check_equal(label_after(w, "Otwarty plik:"), "klasa.db3", "open file shown")
        s.quit()
        recent = read_ini(ini).get("Ostatnie", {})
        check_equal(recent.get("Plik1"), klasa, "first recent album in movra.ini")
        check_equal(recent.get("Plik2", ""), "", "second recent album in movra.ini")


run(test)
