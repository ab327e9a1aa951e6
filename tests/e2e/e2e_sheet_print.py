"""The record sheet: opened from the record window's Drukowanie, zoomed with the zoom list (an item,
a typed number) and the keypad keys, saved as foto.emf, printed to the CUPS PDF queue."""

import os
import shutil
import struct
import subprocess
import time

from movra_e2e import (MAIN_TITLE, RECORD_TITLE, SHEET_TITLE, SLOWNESS, Grid, RecordWindow, check,
                       check_equal, children, close_window, extents, find, find_all, focused, log,
                       make_jpeg, press, role, run, seed_album, set_text, text_of, wait_equal,
                       wait_for)

PERSON = ("Łucja", "Żółkiewska", "Lusia", "Lubi góry.\nGra na skrzypcach.", "ul. Długa 5\nKraków")


def dark_pixels(pgm):
    """Dark pixels of a binary greyscale picture (PGM, as pdftoppm -gray writes it)."""
    fields = []
    pos = 0
    while len(fields) < 4:  # magic, width, height, maximum
        while pgm[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not pgm[end:end + 1].isspace():
            end += 1
        fields.append(pgm[pos:end])
        pos = end
    check(fields[0] == b"P5", "pdftoppm did not write a greyscale picture")
    pixels = pgm[pos + 1:pos + 1 + int(fields[1]) * int(fields[2])]
    return sum(1 for v in pixels if v < 128)


def test(s):
    photo = os.path.join(s.files, "lucja.jpg")
    make_jpeg(photo, 120, 90, "firebrick", "1")
    seed_album(os.path.join(s.prog, "klasa.db3"), [PERSON + (photo,)])
    with open(os.path.join(s.prog, "movra.ini"), "w", encoding="utf-8") as f:
        f.write("[Plik]\nNazwa=klasa.db3\n")
    queue = os.environ.get("MOVRA_CUPS_QUEUE", "")
    pdf_dir = os.environ.get("MOVRA_CUPS_PDF_DIR", "") or os.path.expanduser("~/PDF")
    # The sheet prints straight to the user's default printer, without a dialog; the user's
    # choice of that printer is the PRINTER variable the print system reads.
    s.start_program({"PRINTER": queue} if queue else None)

    with s.step("show Łucja's record and open its sheet with Drukowanie"):
        w = s.main_window()
        g = Grid(w)
        wait_equal("the list", lambda: g.table.nRows, 1)
        s.key(MAIN_TITLE, "F2")
        r = RecordWindow(s)
        r.wait_texts(PERSON)
        s.menu(r.w, "Drukowanie")
        sheet = s.window(SHEET_TITLE)
        # Found as a screen reader names it: its text field carries the caption's words.
        zoom_list = find(sheet, "text", "Rozmiar strony").parent
        check_equal(role(zoom_list), "combo box", "the zoom list")
        check_equal(zoom_list.name, "40%", "zoom list text at opening")
        items = [i.name for i in find_all(zoom_list, "list item", only_showing=False)]
        check_equal(items, ["200%", "175%", "150%", "125%", "100%", "50%", "40%", "30%", "20%"],
                    "zoom list items")
        preview = find_all(sheet, "filler")[0]
        area = extents(preview)

        def paper():
            """The sheet of paper on screen: the one child of the preview's viewport."""
            viewport = children(preview)[0]
            return extents(children(viewport)[0])

        # Fitted into the window: as wide or as high as the preview allows.
        wait_for("the sheet fitted", lambda: paper() and paper()[2] > 0)
        x, y, width, height = paper()
        check(width <= area[2] and height <= area[3], f"sheet {paper()} outside {area}")
        check(width >= area[2] - 4 or height >= area[3] - 4, f"sheet {paper()} not fitted")
        check(width > height, f"the landscape sheet is {width}x{height}")

    def sheet_width(timeout=None):
        return paper()[2]

    with s.step("zoom: the list's 50% item, a typed 120, keypad plus and minus"):
        field = find(zoom_list, "text")
        field.queryComponent().grabFocus()
        wait_for("focus in the zoom list", lambda: focused(field))
        # Down steps through the items from the first; each choice zooms.
        for _ in range(6):
            s.key(SHEET_TITLE, "Down")
        wait_equal("the zoom list text", lambda: text_of(field), "50%")
        wait_for("the sheet at 50%", lambda: sheet_width() < width or sheet_width() > width)
        w50 = sheet_width()
        # A number that is no item's (an item's text would be completed, "100" to "100%").
        s.type_into(SHEET_TITLE, field, "120")
        s.key(SHEET_TITLE, "Return")
        wait_for("the sheet at 120%", lambda: sheet_width() > w50 * 2.2)
        w120 = sheet_width()
        preview.queryComponent().grabFocus()
        wait_for("focus in the preview", lambda: focused(preview))
        s.key(SHEET_TITLE, "KP_Add")
        wait_for("the sheet at 130%", lambda: sheet_width() > w120)
        w130 = sheet_width()
        # The sheet's size is the page's size times the zoom, plus a constant frame.
        check(abs((w120 - w50) - 7 * (w130 - w120)) <= 8,
              f"sheet widths {w50}, {w120}, {w130} at 50, 120, 130 % are not in proportion")
        s.key(SHEET_TITLE, "KP_Subtract")
        wait_equal("the sheet back at 120%", sheet_width, w120)
        log(f"  sheet widths: 50% {w50}, 120% {w120}, 130% {w130} pixels")

    with s.step("Zapis obrazu: foto.emf offered, saved as an enhanced metafile"):
        press(find(sheet, "push button", "Zapis obrazu"))
        d = s.window("Zachowaj jako")
        name = find(d, "text", "Nazwa pliku:")
        check_equal(text_of(name), "foto.emf", "offered file name")
        target = os.path.join(s.files, "foto.emf")
        set_text(name, target)
        wait_equal("the file name typed", lambda: text_of(name), target)
        press(find(d, "push button", "Zachowaj"))
        s.wait_window_gone("Zachowaj jako")
        wait_for("foto.emf written",
                 lambda: os.path.isfile(target) and os.path.getsize(target) > 88)
        with open(target, "rb") as f:
            emf = f.read()
        rtype, size = struct.unpack_from("<II", emf, 0)
        check_equal(rtype, 1, "first record type (EMR_HEADER)")
        check_equal(emf[40:44], b" EMF", "signature at offset 40")
        check_equal(struct.unpack_from("<I", emf, 48)[0], len(emf), "file size in the header")
        left, top, right, bottom = struct.unpack_from("<iiii", emf, 24)
        check(right - left > bottom - top, f"the picture frame {left, top, right, bottom} is "
                                           "not landscape")
        for t in ("Zestawienie danych osobowych", "Łucja", "Żółkiewska", "Lusia",
                  "Adres i źródła kontaktu:"):
            check(t.encode("utf-16-le") in emf, f"the sheet's text {t!r} is not in foto.emf")

    with s.step("Druk: the sheet goes to the CUPS PDF queue"):
        if not queue:
            log("  SKIPPED: MOVRA_CUPS_QUEUE is not set (scripts/ci-cups.sh makes the queue)")
        else:
            def pdfs():
                if not os.path.isdir(pdf_dir):
                    return {}
                return {n: os.path.getmtime(os.path.join(pdf_dir, n))
                        for n in os.listdir(pdf_dir) if n.lower().endswith(".pdf")}

            before = pdfs()
            t0 = time.time()
            press(find(sheet, "push button", "Druk"))

            def new_pdf():
                # Files of other print jobs (the unit tests print there too) have titles.
                fresh = [n for n, m in pdfs().items()
                         if (n not in before or m > before[n]) and m >= t0 - 1
                         and not n.startswith("MovraCups")]
                return fresh[0] if fresh else None

            pdf = os.path.join(pdf_dir, wait_for(f"a new PDF in {pdf_dir}", new_pdf,
                                                 90 * SLOWNESS))
            if shutil.which("pdfinfo"):
                def info():
                    p = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True)
                    return p.stdout if p.returncode == 0 and "Pages:" in p.stdout else None

                text = wait_for("the PDF written whole", info, 60 * SLOWNESS)
                pages = [ln.split()[-1] for ln in text.splitlines() if ln.startswith("Pages:")]
                check_equal(pages, ["1"], "pages printed")
                size = next(ln for ln in text.splitlines() if ln.startswith("Page size:"))
                # The print service lays the landscape page on an A4 sheet as a printer would.
                check("(A4)" in size, f"printed page is not A4: {size}")
            if shutil.which("pdftoppm"):
                p = subprocess.run(["pdftoppm", "-r", "20", "-gray", pdf], capture_output=True,
                                   timeout=60)
                check(p.returncode == 0, f"pdftoppm failed: {p.stderr[-300:]!r}")
                dark = dark_pixels(p.stdout)
                check(dark > 200, f"the printed page is nearly blank ({dark} dark pixels)")
            log(f"  printed: {pdf}")
            os.remove(pdf)

    with s.step("Zamknij closes the sheet; the record window closes without a question"):
        press(find(sheet, "push button", "Zamknij"))
        s.wait_window_gone(SHEET_TITLE)
        close_window(RECORD_TITLE)
        s.wait_window_gone(RECORD_TITLE)
        s.quit()


run(test)
