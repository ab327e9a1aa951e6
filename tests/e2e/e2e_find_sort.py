"""Finding a phrase (Ctrl+F) and its next occurrences (F3), row by row and column by column, with
and without whole words; then ordering the list by each column the program offers (Shift+F1,
Shift+F2, Shift+F3), while the column titles do not sort on a click."""

import os

from movra_e2e import (FIND_TITLE, MAIN_TITLE, Grid, check, check_equal, click, polish_key,
                       find, focused, label_after, press, read_ini, run, seed_album, wait_equal,
                       wait_for)

PEOPLE = [
    ("Zenon", "zero", "zero", "", ""),
    ("Łucja", "Żółkiewska", "Lucy", "Lubi góry.\nGra na skrzypcach.", "ul. Długa 5\nKraków"),
    ("Bartłomiej", "Ćwik", "Bartek", "Kolega z ławki.", "Gdańsk, ul. Morska 12"),
    ("Agnieszka", "Śliwińska", "Aga", "Świetnie śpiewa.", "Kraków, Rynek 1"),
]
COLUMN = {"Imie": 0, "Nazwisko": 1, "Ksywa": 2}


def order_by(key):
    """The list rows (No., first name, last name, nickname) ordered as the album file orders
    them: by the Windows-1250 bytes of the column."""
    ordered = sorted(PEOPLE, key=lambda p: polish_key(p[COLUMN[key]]))
    return [[str(i + 1), p[0], p[1], p[2]] for i, p in enumerate(ordered)]


def test(s):
    seed_album(os.path.join(s.prog, "klasa.db3"), [p + (None,) for p in PEOPLE])
    with open(os.path.join(s.prog, "movra.ini"), "w", encoding="utf-8") as f:
        f.write("[Plik]\nNazwa=klasa.db3\n")

    with s.step("start with the album of four people, ordered by last name"):
        s.start_program()
        w = s.main_window()
        check_equal(label_after(w, "Otwarty plik:"), "klasa.db3", "open file shown")
        g = Grid(w)
        wait_equal("the list", g.visible_rows, order_by("Nazwisko"))
        check_equal(label_after(w, "Rekordów:"), "4", "record count shown")

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
            check_equal(label_after(w, "Rekordów:"), "4", "record count shown")
            check_equal([g.column_hidden(c) for c in range(7)],
                        [False, True, False, False, False, True, True], "hidden columns")

    with s.step("Koniec: the last order chosen is kept"):
        s.quit()
        check_equal(read_ini(os.path.join(s.prog, "movra.ini"))["Plik"]["Sort"], "3",
                    "order in movra.ini")


run(test)
