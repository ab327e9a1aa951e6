"""Finding a phrase (Ctrl+F) and its next occurrences (F3), row by row and column by column, with
and without whole words; then ordering the list by each column the program offers (Shift+F1,
Shift+F2, Shift+F3), while the column titles do not sort on a click; then narrowing the list with
"Szukaj:" (Ctrl+L), showing, saving and deleting people of the narrowed list, Esc, and a new start
that forgets the filter."""

import os

from movra_e2e import (FIND_TITLE, MAIN_TITLE, RECORD_TITLE, Grid, RecordWindow, album_rows,
                       check, check_equal, click, close_window, find, focused, label_after,
                       polish_key, press, read_ini, run, seed_album, sql, text_of, wait_equal,
                       wait_for)

PEOPLE = [
    ("Zenon", "zero", "zero", "", ""),
    ("Łucja", "Żółkiewska", "Lucy", "Lubi góry.\nGra na skrzypcach.", "ul. Długa 5\nKraków"),
    ("Bartłomiej", "Ćwik", "Bartek", "Kolega z ławki.", "Gdańsk, ul. Morska 12"),
    ("Agnieszka", "Śliwińska", "Aga", "Świetnie śpiewa.", "Kraków, Rynek 1"),
    # The same town with and without its marks (an address copied from a foreign letter); no
    # "ó" in either, so that the finds above meet neither.
    ("Ewa", "Nowak", "Ewka", "Sąsiadka z piętra.", "Wrocław, ul. Świdnicka 7"),
    ("Jan", "Kowalski", "Kowal", "Gra w szachy.", "Wroclaw, Rynek 2"),
]
COLUMN = {"Imie": 0, "Nazwisko": 1, "Ksywa": 2}


def order_by(key, people=PEOPLE):
    """The list rows (No., first name, last name, nickname) ordered as the album file orders
    them: by the Polish alphabet of the column."""
    ordered = sorted(people, key=lambda p: polish_key(p[COLUMN[key]]))
    return [[str(i + 1), p[0], p[1], p[2]] for i, p in enumerate(ordered)]


def test(s):
    seed_album(os.path.join(s.prog, "klasa.db3"), [p + (None,) for p in PEOPLE])
    with open(os.path.join(s.prog, "movra.ini"), "w", encoding="utf-8") as f:
        f.write("[Plik]\nNazwa=klasa.db3\n")

    with s.step("start with the album of six people, ordered by last name"):
        s.start_program()
        w = s.main_window()
        check_equal(label_after(w, "Otwarty plik:"), "klasa.db3", "open file shown")
        g = Grid(w)
        wait_equal("the list", g.visible_rows, order_by("Nazwisko"))
        check_equal(label_after(w, "Rekordów:"), str(len(PEOPLE)), "record count shown")

    def find_phrase(phrase, whole_words=False, by_columns=False, enter=False):
        s.key(MAIN_TITLE, "ctrl+f")
        d = s.window(FIND_TITLE)
        field = find(d, "text", "Szukana fraza:")
        wait_for("the phrase field focused",
                 lambda: focused(field))
        # Every opening starts afresh.
        check_equal(field.queryText().characterCount, 0, "phrase field at opening")
        s.type_into(FIND_TITLE, field, phrase)
        if whole_words:
            press(find(d, "check box", "Uwzględnij tylko całe wyrazy"))
        if by_columns:
            press(find(d, "radio button", "Szukaj kolejno kolumnami"))
        if enter:
            # "Znajdź" is the default button: Enter in the phrase searches.
            field.queryComponent().grabFocus()
            wait_for("the phrase field focused", lambda: focused(field))
            s.key(FIND_TITLE, "Return")
        else:
            press(find(d, "push button", "Znajdź"))
        s.wait_window_gone(FIND_TITLE)

    def shown(row, col):
        """The cell a find makes current: a match in a hidden column (the notes, 5 and 6) shows
        as the person's first name."""
        return (row, 2 if col in (5, 6) else col)

    rows = order_by("Nazwisko")
    row_of = {r[2]: i for i, r in enumerate(rows)}

    with s.step("Ctrl+F 'ó' row by row: first in Agnieszka's address, F3 on along the rows"):
        find_phrase("ó")
        # Row by row: Śliwińska's address, then Żółkiewska's last name, remarks and address.
        expected = [shown(row_of["Śliwińska"], 6), shown(row_of["Żółkiewska"], 3),
                    shown(row_of["Żółkiewska"], 5), shown(row_of["Żółkiewska"], 6)]
        wait_equal("the found cell", g.current, expected[0])
        check_equal(g.selected_rows(), [expected[0][0]], "selected row")
        for cell in expected[1:]:
            s.key(MAIN_TITLE, "F3")
            wait_equal("the next found cell", g.current, cell)
            check_equal(g.selected_rows(), [cell[0]], "selected row")
        s.key(MAIN_TITLE, "F3")
        s.answer("OK", "Takiej frazy już nie znalazłem")
        check_equal(g.current(), expected[-1], "the cell after the last occurrence")
        check(not s.enabled(s.menu_item(w, "Edycja", "Znajdź następną")),
              "Znajdź następną is still enabled after the search ran out")
        check_equal([g.column_hidden(c) for c in (5, 6)], [True, True],
                    "notes columns hidden after the search")

    with s.step("Ctrl+F 'ó' column by column: last name first, then remarks, then addresses"):
        find_phrase("ó", by_columns=True, enter=True)
        expected = [shown(row_of["Żółkiewska"], 3), shown(row_of["Żółkiewska"], 5),
                    shown(row_of["Śliwińska"], 6), shown(row_of["Żółkiewska"], 6)]
        wait_equal("the found cell", g.current, expected[0])
        check(s.enabled(s.menu_item(w, "Edycja", "Znajdź następną")),
              "Znajdź następną is disabled after a successful find")
        for cell in expected[1:]:
            s.key(MAIN_TITLE, "F3")
            wait_equal("the next found cell", g.current, cell)

    with s.step("whole words: 'Kraków' matches no whole cell; 'Bartek' does"):
        find_phrase("Kraków", whole_words=True)
        s.answer("OK", 'Frazy   "Kraków"   nie znalazłem')
        find_phrase("Bartek", whole_words=True)
        wait_equal("the found cell", g.current, (row_of["Ćwik"], 4))

    with s.step("a click on a column title does not reorder the loaded list"):
        click(g.header(2))
        check_equal(g.visible_rows(), order_by("Nazwisko"), "the list after a title click")

    for keys, column in (("shift+F1", "Imie"), ("shift+F3", "Ksywa"), ("shift+F2", "Nazwisko")):
        with s.step(f"{keys}: the list ordered by {column}"):
            s.key(MAIN_TITLE, keys)
            wait_equal(f"the list ordered by {column}", g.visible_rows, order_by(column))
            check_equal(label_after(w, "Rekordów:"), str(len(PEOPLE)), "record count shown")
            check_equal([g.column_hidden(c) for c in range(7)],
                        [False, True, False, False, False, True, True], "hidden columns")

    album = os.path.join(s.prog, "klasa.db3")
    ini = os.path.join(s.prog, "movra.ini")
    count = lambda: label_after(w, "Rekordów:")  # noqa: E731
    people = list(PEOPLE)

    def narrowed(*last_names):
        return [[str(i + 1)] + row[1:] for i, row in enumerate(
            r for r in order_by("Nazwisko", people) if r[2] in last_names)]

    def filter_field():
        """Ctrl+L: the keyboard goes to "Szukaj:", its text selected."""
        s.key(MAIN_TITLE, "ctrl+l")
        field = find(w, "text", "Szukaj na liście")
        wait_for("the keyboard in Szukaj", lambda: focused(field))
        return field

    def type_filter(text):
        field = filter_field()
        s.type_into(MAIN_TITLE, field, text)
        return field

    with s.step("Ctrl+L, 'wroclaw': both spellings of the town, 'Wrocław' among them"):
        field = filter_field()
        check_equal(text_of(field), "", "Szukaj at the start")
        s.type_into(MAIN_TITLE, field, "wroclaw")
        wait_equal("the narrowed list", g.visible_rows, narrowed("Nowak", "Kowalski"))
        wait_equal("the record count", count, "2 z 6")

    with s.step("'wrocław' typed with its mark: the spelling without it drops out"):
        field = filter_field()
        # Ctrl+L selects what is there, so that typing replaces it.
        check_equal(field.queryText().getSelection(0)[:2], (0, len("wroclaw")),
                    "selection after Ctrl+L")
        s.type_into(MAIN_TITLE, field, "wrocław")
        wait_equal("the narrowed list", g.visible_rows, narrowed("Nowak"))
        wait_equal("the record count", count, "1 z 6")
        check_equal(g.selected_rows(), [0], "selected row")

    with s.step("F2 shows the narrowed list's person; a save keeps the filter"):
        s.key(MAIN_TITLE, "F2")
        r = RecordWindow(s)
        r.wait_texts(["Ewa", "Nowak", "Ewka", "Sąsiadka z piętra.", "Wrocław, ul. Świdnicka 7"])
        wait_equal("the record window's position", r.position, "1 z 1")
        r.type_into("Ksywa:", "Ewunia")
        r.press("save")
        s.answer("OK", "Zmiany w rekordzie 1 zostały zapisane.")
        s.wait_window_gone(RECORD_TITLE)
        people[people.index(PEOPLE[4])] = ("Ewa", "Nowak", "Ewunia") + PEOPLE[4][3:]
        wait_equal("the narrowed list after the save", g.visible_rows, narrowed("Nowak"))
        check_equal(count(), "1 z 6", "record count after the save")
        check_equal(text_of(field), "wrocław", "Szukaj after the save")
        check_equal([x["Ksywa"] for x in album_rows(album) if x["Nazwisko"] == "Nowak"],
                    ["Ewunia"], "the saved nickname in the file")

    with s.step("Ctrl+Del in the narrowed list deletes its selected person, after a question"):
        type_filter("wroclaw")
        wait_equal("the narrowed list", g.visible_rows, narrowed("Nowak", "Kowalski"))
        # Down takes the keyboard from Szukaj to the list (Ctrl+Del in a field deletes a word).
        s.key(MAIN_TITLE, "Down")
        wait_for("the keyboard out of Szukaj", lambda: not focused(field))
        click(g.cell(0, 3))
        wait_equal("the selected row", g.selected_rows, [0])
        s.key(MAIN_TITLE, "ctrl+Delete")
        s.answer("Tak", "Zniszczyć rekord 1  jesteś tego pewny ?")
        people.remove(PEOPLE[5])
        wait_equal("the narrowed list after the delete", g.visible_rows, narrowed("Nowak"))
        wait_equal("the record count", count, "1 z 5")
        check_equal(sorted(x["Nazwisko"] for x in album_rows(album)),
                    sorted(p[1] for p in people), "last names in the file")

    with s.step("Esc in Szukaj: the field empties and the whole list comes back"):
        field = filter_field()
        s.key(MAIN_TITLE, "Escape")
        wait_equal("Szukaj emptied", lambda: text_of(field), "")
        wait_equal("the whole list", g.visible_rows, order_by("Nazwisko", people))
        wait_equal("the record count", count, "5")

    with s.step("Koniec with a filter on: the order is kept, the filter is not"):
        type_filter("wroclaw")
        wait_equal("the record count", count, "1 z 5")
        s.quit()
        settings = read_ini(ini)
        check_equal(settings["Plik"]["Sort"], "3", "order in movra.ini")
        with open(ini, encoding="utf-8") as f:
            text = f.read().lower()
        for trace in ("wroclaw", "szukaj", "filt"):
            check(trace not in text, f"movra.ini holds {trace!r}:\n{text}")
        check_equal(sql(album, "SELECT type, name FROM sqlite_master"),
                    [{"type": "table", "name": "album"}], "what the album file holds")

    with s.step("a new start: the whole list, Szukaj empty"):
        s.start_program()
        w = s.main_window()
        g = Grid(w)
        wait_equal("the whole list", g.visible_rows, order_by("Nazwisko", people))
        check_equal(count(), "5", "record count shown")
        check_equal(text_of(find(w, "text", "Szukaj na liście")), "", "Szukaj at the start")
        s.quit()


run(test)
