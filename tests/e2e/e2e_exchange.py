"""The album's people going out and coming back: every person exported to a vCard file through
Baza, a new album made with Ctrl+N and the file imported into it (texts and photos byte for byte
as they were), and the whole album saved as one PDF document (a page a person, in the list's
order, titled with the album's name, each photo in its proportions)."""

import base64
import os
import shutil
import subprocess
import unicodedata

from movra_e2e import (MAIN_TITLE, SLOWNESS, E2EFailure, Grid, album_rows, check, check_equal,
                       choose_file, find, label_after, make_jpeg, polish_key, run, seed_album, sql,
                       text_of, wait_equal)

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# What the program stores for a person added without a photo: its built-in placeholder picture.
PLACEHOLDER = os.path.join(SOURCE, "resources", "record", "placeholder.jpg")

PEOPLE = [
    # first name, last name, nickname, remarks, address, photo (width, height, colour) or None
    ("Łucja", "Żółkiewska", "Lusia", "Lubi góry; gra na skrzypcach.\nŹrebię ma na imię Iskra.",
     "ul. Długa 5\n31-000 Kraków\nTel.: +48 600 100 200", (160, 100, "firebrick")),
    ("Bartłomiej", "Ćwik", "Bartek", "Kolega z ławki, \"Bartuś\" dla przyjaciół.",
     "Gdańsk, ul. Morska 12\nE-mail: bartek@example.pl", (90, 150, "navy")),
    ("Agnieszka", "Śliwińska", "Aga", "Świetnie śpiewa.", "Kraków, Rynek 1", None),
]
TEXTS = ("Imie", "Nazwisko", "Ksywa", "Notes", "Adres")
# The first record Ctrl+N writes into a new album, as the record window holds it before any
# record was shown.
FIRST = ("pusty", "zero", "zero", "", "")


def vcards(data):
    """The cards of a vCard file as lists of (name, parameters, value), lines unfolded."""
    check(data.endswith(b"\r\n"), "the vCard file does not end with CR LF")
    physical = data[:-2].split(b"\r\n")
    for line in physical:
        # A fold never splits a character: each line is whole UTF-8 on its own.
        try:
            line.decode("utf-8")
        except UnicodeDecodeError:
            raise E2EFailure(f"a vCard line is not whole UTF-8: {line!r}")
        check(len(line) <= 75, f"a vCard line of {len(line)} octets: {line[:40]!r}...")
    logical = []
    for line in physical:
        if line[:1] in (b" ", b"\t"):
            check(logical, "the vCard file starts with a continuation line")
            logical[-1] += line[1:]
        else:
            logical.append(line)
    cards, card = [], None
    for line in logical:
        text = line.decode("utf-8")
        head, _, value = text.partition(":")
        name, *params = head.split(";")
        if name.upper() == "BEGIN":
            check(card is None and value.upper() == "VCARD", f"unexpected {text!r}")
            card = []
        elif name.upper() == "END":
            check(card is not None and value.upper() == "VCARD", f"unexpected {text!r}")
            cards.append(card)
            card = None
        else:
            check(card is not None, f"a line outside any card: {text!r}")
            card.append((name.upper(), params, value))
    check(card is None, "the last card has no END:VCARD")
    return cards


def pdf_info(path):
    p = subprocess.run(["pdfinfo", "-enc", "UTF-8", path], capture_output=True, text=True,
                       timeout=60)
    check(p.returncode == 0, f"pdfinfo failed: {p.stderr.strip()}")
    info = {}
    for line in p.stdout.splitlines():
        key, _, value = line.partition(":")
        info[key.strip()] = value.strip()
    return info


def pdf_images(path):
    """(page, width, height) of every picture the document holds (its masks left out)."""
    p = subprocess.run(["pdfimages", "-list", path], capture_output=True, text=True, timeout=60)
    check(p.returncode == 0, f"pdfimages failed: {p.stderr.strip()}")
    out = []
    for line in p.stdout.splitlines()[2:]:
        f = line.split()
        if len(f) > 4 and f[2] == "image":
            out.append((int(f[0]), int(f[3]), int(f[4])))
    return out


def test(s):
    for tool in ("pdfinfo", "pdftotext", "pdfimages"):
        check(shutil.which(tool), f"{tool} is not installed (poppler-utils)")
    album = os.path.join(s.prog, "szkoła.db3")
    photos = {}
    records = []
    for n, (imie, nazwisko, ksywa, notes, adres, photo) in enumerate(PEOPLE):
        path = PLACEHOLDER
        if photo:
            path = os.path.join(s.files, f"osoba{n + 1}.jpg")
            photos[nazwisko] = (make_jpeg(path, *photo, f"{n + 1}"), photo[0], photo[1])
        records.append((imie, nazwisko, ksywa, notes, adres, path))
    with open(PLACEHOLDER, "rb") as f:
        placeholder = f.read()
    seed_album(album, records)
    with open(os.path.join(s.prog, "movra.ini"), "w", encoding="utf-8") as f:
        f.write("[Plik]\nNazwa=szkoła.db3\n")
    originals = album_rows(album)
    # The list's order (by last name, the Polish alphabet), which both the vCard file and the
    # PDF document keep.
    in_order = sorted(originals, key=lambda r: (polish_key(r["Nazwisko"]), r["ID"]))
    names = [(r["Imie"], r["Nazwisko"]) for r in in_order]
    s.start_program()
    w = s.main_window()
    g = Grid(w)
    wait_equal("the list", lambda: [row[2:4] for row in g.rows()], [list(n) for n in names])

    with s.step("Baza > Zapisz album do PDF...: a page a person, titled with the album's name"):
        pdf = os.path.join(s.files, "album.pdf")
        s.menu(w, "Baza", "Zapisz album do PDF...")
        d = s.window("Zachowaj jako")
        check_equal(text_of(find(d, "text", "Nazwa pliku:")), "szkoła.pdf", "offered file name")
        choose_file(s, "Zachowaj jako", pdf, "Zachowaj")
        s.answer("OK", "Album zapisano w pliku „album.pdf” (stron: 3).", 120 * SLOWNESS)
        info = pdf_info(pdf)
        check_equal(info.get("Pages"), "3", "pages of the album's PDF")
        check_equal(info.get("Title"), "szkoła", "the PDF's title")
        p = subprocess.run(["pdftotext", "-enc", "UTF-8", "-layout", pdf, "-"],
                           capture_output=True, timeout=60)
        check(p.returncode == 0, f"pdftotext failed: {p.stderr[-300:]!r}")
        pages = unicodedata.normalize("NFC", p.stdout.decode("utf-8")).split("\f")
        for i, (imie, nazwisko) in enumerate(names):
            check(imie in pages[i] and nazwisko in pages[i],
                  f"page {i + 1} does not name {imie} {nazwisko}:\n{pages[i]}")
            others = [n for _, n in names if n != nazwisko]
            check(not any(n in pages[i] for n in others),
                  f"page {i + 1} names someone else too:\n{pages[i]}")
        images = pdf_images(pdf)
        for i, (imie, nazwisko) in enumerate(names):
            if nazwisko not in photos:
                continue
            _, pw, ph = photos[nazwisko]
            on_page = [(iw, ih) for page, iw, ih in images if page == i + 1]
            check(any(abs((iw / ih) / (pw / ph) - 1) <= 0.01 for iw, ih in on_page),
                  f"no picture in the proportions of {nazwisko}'s {pw}x{ph} photo on page "
                  f"{i + 1}: {on_page}")

    with s.step("Baza > Eksport osób do vCard...: every person as a vCard 4.0"):
        vcf = os.path.join(s.files, "osoby.vcf")
        s.menu(w, "Baza", "Eksport osób do vCard...")
        d = s.window("Zachowaj jako")
        check_equal(text_of(find(d, "text", "Nazwa pliku:")), "osoby.vcf", "offered file name")
        choose_file(s, "Zachowaj jako", vcf, "Zachowaj")
        s.answer("OK", "Zapisano osób: 3 w pliku „osoby.vcf”.", 60 * SLOWNESS)
        with open(vcf, "rb") as f:
            cards = vcards(f.read())
        check_equal(len(cards), 3, "cards in the file")
        for card, (imie, nazwisko) in zip(cards, names):
            check_equal(card[0], ("VERSION", [], "4.0"), f"{nazwisko}'s first line")
            props = {}
            for name, params, value in card:
                props.setdefault(name, []).append(value)
            check_equal(props.get("FN"), [f"{imie} {nazwisko}"], "FN")
            check_equal(props.get("N"), [f"{nazwisko};{imie};;;"], "N")
            if nazwisko in photos:
                photo = props.get("PHOTO", [])
                prefix = "data:image/jpeg;base64,"
                check(len(photo) == 1 and photo[0].startswith(prefix),
                      f"{nazwisko}'s PHOTO: {[p[:40] for p in photo]}")
                check(base64.b64decode(photo[0][len(prefix):]) == photos[nazwisko][0],
                      f"{nazwisko}'s PHOTO is not the album's JPEG")
            else:
                # The placeholder is no photo of the person.
                check("PHOTO" not in props, f"{nazwisko} has a PHOTO")

    with s.step("Baza > Zapisz kopię albumu...: the same records, photos included"):
        copy = os.path.join(s.files, "kopia.db3")
        s.menu(w, "Baza", "Zapisz kopię albumu...")
        d = s.window("Zachowaj jako")
        check_equal(text_of(find(d, "text", "Nazwa pliku:")), "szkoła-kopia.db3",
                    "offered file name")
        choose_file(s, "Zachowaj jako", copy, "Zachowaj")
        s.answer("OK", f"Kopię albumu zapisano w pliku „{copy}”.", 60 * SLOWNESS)
        check(album_rows(copy) == originals, "the copy's records differ from the album's")

    with s.step("Ctrl+N: a new album, nowa.db3"):
        new_album = os.path.join(s.prog, "nowa.db3")
        s.key(MAIN_TITLE, "ctrl+n")
        d = s.window("Zachowaj jako")
        check_equal(text_of(find(d, "text", "Nazwa pliku:")), "zerowa.db3", "offered file name")
        choose_file(s, "Zachowaj jako", new_album, "Zachowaj")
        wait_equal("the open file's name", lambda: label_after(w, "Otwarty plik:"), "nowa.db3")
        wait_equal("the list", lambda: [row[2:5] for row in g.rows()], [list(FIRST[:3])])

    with s.step("Baza > Import osób z vCard...: the people come back byte for byte"):
        s.menu(w, "Baza", "Import osób z vCard...")
        choose_file(s, "Otwórz", vcf, "Otwórz")
        # Nothing to ask: every text fits the album, nobody is there yet, no photo is damaged.
        s.answer("OK", "Dodano do albumu osób: 3.", 60 * SLOWNESS)
        expected = sorted([list(FIRST[:3])] + [[r["Imie"], r["Nazwisko"], r["Ksywa"]]
                                               for r in originals],
                          key=lambda r: polish_key(r[1]))
        wait_equal("the list", lambda: [row[2:5] for row in g.rows()], expected)
        check_equal(label_after(w, "Rekordów:"), "4", "record count shown")
        imported = album_rows(new_album)
        check_equal(len(imported), 4, "records in the new album")
        first = imported[0]
        check_equal(tuple(first[k] for k in TEXTS), FIRST, "the new album's first record")
        check_equal(sql(new_album, f"SELECT typeof(Picture) AS t FROM album WHERE ID="
                                   f"{first['ID']}"), [{"t": "null"}], "its photo")
        # Added in the file's order, which is the list's order of the album they came from.
        for got, want in zip(imported[1:], in_order):
            who = f"{want['Imie']} {want['Nazwisko']}"
            for k in TEXTS:
                check_equal(got[k], want[k], f"{k} of {who}")
            check(got["Picture"] == want["Picture"],
                  f"{who}'s photo: {len(got['Picture'])} bytes imported, "
                  f"{len(want['Picture'])} in the original album")
        check(any(r["Picture"] == placeholder for r in imported[1:]),
              "the person without a photo did not get the placeholder back")
        types = sql(new_album, "SELECT DISTINCT typeof(Imie) || typeof(Nazwisko) || "
                               "typeof(Ksywa) || typeof(Notes) || typeof(Adres) AS t "
                               f"FROM album WHERE ID > {first['ID']}")
        check_equal(types, [{"t": "text" * 5}], "storage classes of the imported texts")
        s.quit()


run(test)
