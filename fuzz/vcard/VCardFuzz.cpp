// A vCard file with hostile contents, read as "Import osób z vCard..." reads it. No input may
// crash, hang or trip a sanitizer; every person read must come back whole when written as a
// vCard and read again (texts and photo) and when written as a CSV row and read again (texts);
// and the nearest Windows-1250 form of every text must be storable.

#include "album/Csv.h"
#include "album/VCard.h"
#include "fuzz/support/FuzzFiles.h"
#include "platform/core/ErrorBox.h"
#include "platform/text/Cp1250.h"

#include <QtCore/QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

[[noreturn]] void fail(const char* what) {
    movra::fuzz::Fail("fuzz_vcard", what);
}

void printTexts(const char* label, const movra::TAlbumTexts& t) {
    std::fprintf(stderr, "%s: [%s] [%s] [%s] [%s] [%s]\n", label, qUtf8Printable(t.Imie),
                 qUtf8Printable(t.Nazwisko), qUtf8Printable(t.Ksywa), qUtf8Printable(t.Notes),
                 qUtf8Printable(t.Adres));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QCoreApplication* app = [] {
        static int argc = 1;
        static char name[] = "fuzz_vcard";
        static char* argv[] = {name, nullptr};
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::vector<movra::TExchangePerson> people;
    try {
        people = movra::ReadVCards(bytes);
    } catch (const movra::EMovraError&) {
        return 0; // no vCard in it: told to the user
    }
    for (const movra::TExchangePerson& p : people) {
        const QByteArray written = movra::WriteVCard(p);
        const std::vector<movra::TExchangePerson> again = movra::ReadVCards(written);
        if (again.size() != 1)
            fail("a written vCard does not read as one person");
        if (again[0].Texts != p.Texts) {
            printTexts("read", p.Texts);
            printTexts("again", again[0].Texts);
            std::fprintf(stderr, "%s\n", written.constData());
            fail("a person written and read again lost or changed a text");
        }
        if (again[0].Jpeg != p.Jpeg)
            fail("a person written and read again lost or changed the photo");
        const std::vector<movra::TExchangePerson> row =
            movra::ReadCsv(movra::CsvHeaderRow() + movra::CsvRow(p.Texts));
        if (row.size() != 1 || row[0].Texts != p.Texts) {
            printTexts("read", p.Texts);
            fail("a person's CSV row read again lost or changed a text");
        }
        const movra::TAlbumTexts nearest = movra::NearestCp1250(p.Texts);
        for (const QString* t :
             {&nearest.Imie, &nearest.Nazwisko, &nearest.Ksywa, &nearest.Notes, &nearest.Adres})
            if (!movra::IsCp1250(*t))
                fail("the nearest Windows-1250 form holds a character the code page lacks");
    }
    return 0;
}
