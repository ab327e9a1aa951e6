"""A user's first session: the first start, a new album, three people with photos added, a record
edited and saved, and the change question answered both ways while moving through the records."""

import os

from movra_e2e import (CHANGE_QUESTION, MAIN_TITLE, RECORD_TITLE, Grid, RecordWindow, album_rows,
                       check, check_equal, choose_file, click, close_window, polish_key, enabled,
                       find, focused, label_after, make_jpeg, read_ini, run, screen_size, sql,
                       text_of, wait_equal, wait_for)

PEOPLE = [
    # first name, last name, nickname, remarks, address, photo (size, colour)
    ("Łucja", "Żółkiewska", "Lusia", "Lubi góry.\nGra na skrzypcach.", "ul. Długa 5\nKraków",
     (120, 90, "firebrick")),
    ("Bartłomiej", "Ćwik", "Bartek", "Kolega z ławki.", "Gdańsk, ul. Morska 12",
     (100, 140, "navy")),
    ("Agnieszka", "Śliwińska", "Aga", "Świetnie śpiewa.", "Kraków, Rynek 1",
     (90, 90, "darkgreen")),
]
FIRST = ("pusty", "zero", "zero", "", "")


def list_rows(records, key):
    """The rows the list shows for these records (No., first, last name, nickname), ordered as
    the album file orders them: by the Polish alphabet of the sort column, then by ID."""
    ordered = sorted(records, key=lambda r: polish_key(r[key]))
    return [[str(i + 1), r["Imie"], r["Nazwisko"], r["Ksywa"]] for i, r in enumerate(ordered)]


def test(s):
    album = os.path.join(s.prog, "klasa.db3")
    ini = os.path.join(s.prog, "movra.ini")

    with s.step("first start: no settings file, no album"):
        check(not os.path.exists(ini), "a settings file exists before the first start")
        s.start_program()
        w = s.main_window()
        # A new user's window: in the middle of the screen, 900 x 600 or 60% of the screen.
        sw, sh = screen_size()
        x, y, ww, wh = s.extents(w)
        check_equal((ww, wh), (min(900, sw * 6 // 10), min(600, sh * 6 // 10)),
                    "main window size")
        check(abs(x + ww // 2 - sw // 2) <= 40 and abs(y + wh // 2 - sh // 2) <= 40,
              f"main window in the middle of the screen: {(x, y, ww, wh)}")
        check_equal(label_after(w, "Otwarty plik:"), "brak", "open file shown")
        check_equal(label_after(w, "Rekordów:"), "00", "record count shown")
        g = Grid(w)
        check_equal(g.titles(), ["Nr", "ID", " Imię ", " Nazwisko ", " Ksywa ", "Notes ",
                                 "Adres "], "column titles")
        check_equal(g.table.nRows, 0, "rows in the list")
        check_equal([g.column_hidden(c) for c in range(7)],
                    [False, True, False, False, False, True, True], "hidden columns")
        check(not enabled(s.menu_item(w, "Obraz")),
              "the Obraz menu is enabled with no record shown")
        check(enabled(s.menu_item(w, "Baza", "Nowa Baza")), "Nowa Baza is disabled")
        check_equal([f for f in os.listdir(s.prog) if f.endswith(".db3")], [], "album files")

    with s.step("Baza > Nowa Baza: the save dialog offers zerowa.db3; klasa.db3 is created"):
        s.menu(w, "Baza", "Nowa Baza")
        d = s.window("Zachowaj jako")
        check_equal(text_of(find(d, "text", "Nazwa pliku:")), "zerowa.db3", "offered file name")
        find(d, "combo box", s.prog)  # the dialog starts in the program's folder
        choose_file(s, "Zachowaj jako", "klasa.db3", "Zachowaj")
        wait_equal("the open file's name", lambda: label_after(w, "Otwarty plik:"), "klasa.db3")
        wait_equal("the list", g.rows, [["1", "1", "pusty", "zero", "zero", "", ""]])
        check_equal(label_after(w, "Rekordów:"), "1", "record count shown")
        master = sql(album, "SELECT type, name FROM sqlite_master")
        check_equal(master, [{"type": "table", "name": "album"}], "tables in the new album file")
        cols = [c["name"] for c in sql(album, "SELECT name FROM pragma_table_info('album')")]
        check_equal(cols, ["ID", "Imie", "Nazwisko", "Ksywa", "Notes", "Adres", "Picture"],
                    "columns of table album")
        rows = album_rows(album)
        check_equal([(r["ID"], r["Imie"], r["Nazwisko"], r["Ksywa"], r["Notes"], r["Adres"])
                     for r in rows], [(1,) + FIRST], "the first record in the file")
        check_equal(sql(album, "SELECT typeof(Picture) AS t FROM album"), [{"t": "null"}],
                    "the first record's photo")

    expected = {1: dict(zip(("Imie", "Nazwisko", "Ksywa", "Notes", "Adres"), FIRST))}
    photos = {}
    for n, (imie, nazwisko, ksywa, notes, adres, (pw, ph, colour)) in enumerate(PEOPLE):
        with s.step(f"add {imie} {nazwisko} with a {pw}x{ph} photo"):
            photo = os.path.join(s.files, f"osoba{n + 1}.jpg")
            jpeg = make_jpeg(photo, pw, ph, colour, f"{n + 1}")
            # The record window opens on the selected record; what it holds is added anew.
            s.key(MAIN_TITLE, "F2")
            r = RecordWindow(s)
            wait_for("the record window's position", lambda: " z " in r.position())
            r.type_into("Imię:", imie)
            r.type_into("Nazwisko:", nazwisko)
            r.type_into("Ksywa:", ksywa)
            r.type_into("Adnotacje i uwagi:", notes)
            r.type_into("Adres i źródła kontaktu:", adres)
            r.import_photo(photo)
            wait_equal("the photo shown at its size", r.photo_size, (pw, ph))
            r.press("add")
            s.answer("OK", "Rekord dodany do bazy. ")
            s.wait_window_gone(RECORD_TITLE)

            new_id = n + 2
            expected[new_id] = {"Imie": imie, "Nazwisko": nazwisko, "Ksywa": ksywa,
                                "Notes": notes.replace("\n", "\r\n"),
                                "Adres": adres.replace("\n", "\r\n")}
            photos[new_id] = jpeg
            recs = [dict(v, ID=k) for k, v in expected.items()]
            wait_equal("the list", lambda: g.visible_rows(), list_rows(recs, "Nazwisko"))
            check_equal(label_after(w, "Rekordów:"), str(len(recs)), "record count shown")
            rows = album_rows(album)
            check_equal([r_["ID"] for r_ in rows], sorted(expected), "IDs in the file")
            for rec in rows:
                for k, v in expected[rec["ID"]].items():
                    check_equal(rec[k], v, f"{k} of record {rec['ID']} in the file")
                if rec["ID"] in photos:
                    check(rec["Picture"] == photos[rec["ID"]],
                          f"the photo of record {rec['ID']} differs from its JPEG file "
                          f"({len(rec['Picture'])} bytes stored, {len(photos[rec['ID']])} in file)")
            raw = sql(album, f"SELECT hex(Nazwisko) AS h FROM album WHERE ID={new_id}")[0]["h"]
            check_equal(bytes.fromhex(raw), nazwisko.encode("cp1250"),
                        "last name bytes in the file (Windows-1250)")

    def row_of(last_name):
        return next(i for i, row in enumerate(g.rows()) if row[3] == last_name)

    def show(last_name):
        click(g.cell(row_of(last_name), 3))
        wait_for("the row selected", lambda: g.selected_rows() == [row_of(last_name)])
        s.key(MAIN_TITLE, "F2")
        return RecordWindow(s)

    with s.step("F2, Ctrl+E (export) from a name field, close without an edit: no question"):
        r = show("Śliwińska")
        r.wait_texts(["Agnieszka", "Śliwińska", "Aga", "Świetnie śpiewa.", "Kraków, Rynek 1"])
        r.tab("Opis")
        f = r.field("Imię:")
        f.queryComponent().grabFocus()
        wait_for("focus in the first name", lambda: focused(f))
        # A line edit takes Ctrl+E as the end of the line under X11; the menu command comes first.
        s.key(RECORD_TITLE, "ctrl+e")
        d = s.window("Zachowaj jako")
        check_equal(text_of(find(d, "text", "Nazwa pliku:")), "fotka.jpg", "offered file name")
        s.key("Zachowaj jako", "Escape")
        s.wait_window_gone("Zachowaj jako")
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)

    with s.step("edit Łucja's nickname and save with the record window's save button"):
        r = show("Żółkiewska")
        r.wait_texts(["Łucja", "Żółkiewska", "Lusia", "Lubi góry.\nGra na skrzypcach.",
                      "ul. Długa 5\nKraków"])
        check_equal(r.photo_size(), (120, 90), "photo shown")
        r.type_into("Ksywa:", "Lucy")
        row = row_of("Żółkiewska") + 1
        r.press("save")
        s.answer("OK", f"Zmiany w rekordzie {row} zostały zapisane.")
        s.wait_window_gone(RECORD_TITLE)
        expected[2]["Ksywa"] = "Lucy"
        wait_equal("Łucja's row", lambda: g.rows()[row_of("Żółkiewska")][4], "Lucy")
        rec = next(x for x in album_rows(album) if x["ID"] == 2)
        check_equal(rec["Ksywa"], "Lucy", "saved nickname in the file")
        check(rec["Picture"] == photos[2], "saving changed the photo")

    with s.step("edit the first record, Następny rekord: answer Tak (stay), then save with Ins"):
        # By the alphabet "zero" is third: Ćwik, Śliwińska, zero, Żółkiewska.
        zero = row_of("zero")
        check_equal(zero, 2, "row of the first record")
        r = show("zero")
        r.wait_texts(list(FIRST))
        r.type_into("Imię:", "Zenon")
        s.menu(s.main_window(), "Edycja", "Następny rekord")
        s.answer("Tak", CHANGE_QUESTION)
        check_equal(r.texts()[0], "Zenon", "first name kept after Tak")
        check_equal(r.position(), "3 z 4", "position after Tak")
        check_equal(next(x for x in album_rows(album) if x["ID"] == 1)["Imie"], "pusty",
                    "the file after Tak")
        s.key(MAIN_TITLE, "Insert")
        s.answer("OK", "Zmiany w rekordzie 3 zostały zapisane.")
        s.wait_window_gone(RECORD_TITLE)
        check_equal(next(x for x in album_rows(album) if x["ID"] == 1)["Imie"], "Zenon",
                    "the file after saving")
        wait_equal("the first record's row", lambda: g.rows()[zero][2], "Zenon")

    with s.step("edit again, the window's Następny rekord button: answer Nie (discard, move)"):
        r = show("zero")
        r.wait_texts(["Zenon", "zero", "zero", "", ""])
        r.type_into("Nazwisko:", "Nowak")
        r.press("next")
        s.answer("Nie", CHANGE_QUESTION)
        r.wait_texts(["Łucja", "Żółkiewska", "Lucy", "Lubi góry.\nGra na skrzypcach.",
                      "ul. Długa 5\nKraków"])
        check_equal(r.position(), "4 z 4", "position after Nie")
        check_equal(g.selected_rows(), [3], "selected row after moving")
        check_equal(next(x for x in album_rows(album) if x["ID"] == 1)["Nazwisko"], "zero",
                    "the file after Nie")
        check_equal(g.rows()[zero][3], "zero", "the first record's row after Nie")
        # Nothing changed since the move: the window closes without a question.
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)

    with s.step("the record window from the keyboard: Alt+PgDown moves, Esc asks, Nie closes"):
        # Shown with a double click, so that no key has been released in a field yet.
        click(g.cell(row_of("Śliwińska"), 3), double=True)
        r = RecordWindow(s)
        r.wait_texts(["Agnieszka", "Śliwińska", "Aga", "Świetnie śpiewa.", "Kraków, Rynek 1"])
        s.key(RECORD_TITLE, "alt+Next")
        wait_equal("position after Alt+PgDown", r.position, "3 z 4")
        r.type_into("Ksywa:", "Klawiatura")
        s.key(RECORD_TITLE, "Escape")
        s.answer("Nie", CHANGE_QUESTION)
        s.wait_window_gone(RECORD_TITLE)
        check("Klawiatura" not in [x["Ksywa"] for x in album_rows(album)],
              "Esc and Nie wrote the edit into the file")

    with s.step("Koniec: the program ends and its first settings file names the new album"):
        s.quit()
        settings = read_ini(ini)
        check_equal(settings.get("Plik", {}).get("Nazwa"), "klasa.db3", "album in movra.ini")
        check_equal(settings.get("Plik", {}).get("Sort"), "3", "order in movra.ini")
        check_equal(len(album_rows(album)), 4, "records in the file at the end")


run(test)
