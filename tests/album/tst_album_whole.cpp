// The whole album at once, from the end of Baza: every person's record sheet as one PDF
// document and to the printer, and a safe copy of the album file.
#include "tests/album/AlbumFixture.h"

#include "grid/Fajny.h"
#include "platform/printer/Printer.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAction>
#include <QtPrintSupport/QPrinter>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>

#include <sqlite3.h>

using namespace movra;
using namespace movra::test;

namespace {

const QString kAlbum = QStringLiteral("klasa-łódzka.db3");

// What a poppler tool prints, or a failed test's note when it is missing.
QString Run(const QString& tool, const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return {};
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool HavePoppler() {
    for (const char* tool : {"pdfinfo", "pdftotext", "pdfimages"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

// The files in a folder, hidden ones included.
QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A second program with the album open: its own connection, holding a write transaction with a
// change it has not committed.
class OtherCopy {
public:
    explicit OtherCopy(const QString& path) {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~OtherCopy() { sqlite3_close(m_db); }
    OtherCopy(const OtherCopy&) = delete;
    OtherCopy& operator=(const OtherCopy&) = delete;
    bool exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == 0; }

private:
    sqlite3* m_db = nullptr;
};

} // namespace

class TestAlbumWhole : public QObject {
    Q_OBJECT

    QByteArray photo1, photo2, photo3;

    // Three people with photos and Polish letters, the list by last name.
    void startAlbum(AlbumFixture& f) {
        WriteRawAlbum(
            f.folder.file(kAlbum),
            {{"Łucja", "Żółkiewska", "Lusia", "Pierwsza linia uwag\r\nDruga linia",
              "ul. Długa 5\r\n00-001 Warszawa", photo1},
             {"Ewa", "Ćwiklińska", "", "Śpiewa w chórze", "Gdańsk, ul. Mariacka 3", photo2},
             {"Zenon", "Źdźbło", "Zenek", "Gra na gęślach", "Kraków", photo3}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=" + kAlbum.toUtf8() + "\n"));
        f.start();
        QCOMPARE(f.column(3), (QStringList{"Ćwiklińska", "Źdźbło", "Żółkiewska"}));
    }

private slots:
    void initTestCase() {
        InitApplication(*qApp);
        photo1 = MakeJpeg(60, 80, QColor(200, 60, 30), true);
        photo2 = MakeJpeg(80, 60, QColor(30, 160, 60), true);
        photo3 = MakeJpeg(50, 50, QColor(30, 60, 200), true);
    }

    // The three commands come last in Baza, after a separator of their own.
    void commandsEndTheBazaMenu() {
        AlbumFixture f;
        f.start();
        auto* baza = f.form1().findChild<QMenu*>(QStringLiteral("File1"));
        QVERIFY(baza);
        const QList<QAction*> actions = baza->actions();
        QVERIFY(actions.size() >= 4);
        const QList<QAction*> last = actions.mid(actions.size() - 4);
        QVERIFY(last[0]->isSeparator());
        QCOMPARE(last[1]->objectName(), QStringLiteral("ZapiszAlbumPdf1"));
        QCOMPARE(last[1]->text(), QStringLiteral("Zapisz album do PDF..."));
        QCOMPARE(last[2]->objectName(), QStringLiteral("DrukujAlbum1"));
        QCOMPARE(last[2]->text(), QStringLiteral("Drukuj album..."));
        QCOMPARE(last[3]->objectName(), QStringLiteral("ZapiszKopie1"));
        QCOMPARE(last[3]->text(), QStringLiteral("Zapisz kopię albumu..."));
        // Without an album each one says what to do first.
        f.dialogs->expectBox(MsgResult::Ok).expectBox(MsgResult::Ok).expectBox(MsgResult::Ok);
        last[1]->trigger();
        last[2]->trigger();
        last[3]->trigger();
        for (const QString& text : f.dialogs->texts())
            QCOMPARE(text, QStringLiteral("Nie otwarto żadnego albumu. Otwórz bazę (Ctrl+O) albo "
                                          "utwórz nową (Ctrl+N)."));
    }

    // One sheet a person in the list's order, the notes as text, one picture each, titled with
    // the album's name.
    void theAlbumAsOnePdf() {
        if (!HavePoppler())
            QSKIP("poppler-utils is not installed");
        AlbumFixture f;
        startAlbum(f);
        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("album"));
        f.dialogs->expectSaveFile(path).expectBox(MsgResult::Ok);
        f.form1().Action(QStringLiteral("ZapiszAlbumPdf1"))->trigger();
        const ShownDialog& asked = f.dialogs->shown().front();
        QCOMPARE(asked.file.FileName, QStringLiteral("klasa-łódzka.pdf"));
        QCOMPARE(asked.file.DefaultExt, QStringLiteral("pdf"));
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Album zapisano w pliku „album.pdf” (stron: 3)."));
        const QString pdf = path + QStringLiteral(".pdf");
        QCOMPARE(FilesIn(out.path()), QStringList{QStringLiteral("album.pdf")});

        const QString meta = Run(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))),
                 qPrintable(meta));
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Title:\\s+klasa-łódzka\\n"))),
                 qPrintable(meta));
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Page size:\\s+842 x 595 pts"))),
                 qPrintable(meta));

        // Each page is its person's, in the list's order, with both notes as text.
        const QList<QStringList> pages{
            {"Ewa", "Ćwiklińska", "brak", "Śpiewa w chórze", "Gdańsk, ul. Mariacka 3"},
            {"Zenon", "Źdźbło", "Zenek", "Gra na gęślach", "Kraków"},
            {"Łucja", "Żółkiewska", "Lusia", "Pierwsza linia uwag", "Druga linia", "ul. Długa 5",
             "00-001 Warszawa"}};
        for (int page = 1; page <= 3; ++page) {
            const QString text =
                Run(QStringLiteral("pdftotext"),
                    {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                     QString::number(page), pdf, QStringLiteral("-")});
            QVERIFY2(text.contains(QStringLiteral("Zestawienie danych osobowych")),
                     qPrintable(text));
            for (const QString& word : pages[page - 1])
                QVERIFY2(text.contains(word), qPrintable(word + QStringLiteral(" on page ") +
                                                         QString::number(page) + ":\n" + text));
            for (int other = 0; other < 3; ++other)
                if (other != page - 1)
                    QVERIFY2(!text.contains(pages[other][1]), qPrintable(text));
        }

        // One picture a person, each on its own page: the notes are text, not pictures.
        const QStringList listed = Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                       .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), 2 + 3); // two heading lines, then one line a picture
        for (int i = 0; i < 3; ++i)
            QCOMPARE(listed[2 + i].simplified().section(' ', 0, 0), QString::number(i + 1));
    }

    // "Anuluj" while the document is being written: no new file, and an old one as it was.
    void aCancelledExportLeavesNoFile() {
        AlbumFixture f;
        startAlbum(f);
        QTemporaryDir out;
        const QString old = out.filePath(QStringLiteral("stary.pdf"));
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("%PDF-stary") == 10);
        file.close();
        const QString fresh = out.filePath(QStringLiteral("nowy.pdf"));
        const QString cancelled = QStringLiteral("Przerwano zapisywanie albumu do PDF. Nie "
                                                 "zapisano żadnego pliku; poprzedni plik "
                                                 "pozostał bez zmian.");
        // Stopped at the first report, before any page, and at the third, after pages.
        for (const int at : {1, 3}) {
            for (const QString& target : {old, fresh}) {
                f.dialogs->clear();
                f.dialogs->expectSaveFile(target).expectProgress(at).expectBox(MsgResult::Ok);
                f.form1().Action(QStringLiteral("ZapiszAlbumPdf1"))->trigger();
                QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
                QCOMPARE(f.dialogs->last().text, cancelled);
                QCOMPARE(FilesIn(out.path()), QStringList{QStringLiteral("stary.pdf")});
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(file.readAll(), QByteArray("%PDF-stary"));
                file.close();
            }
        }
    }

    // Printing goes through the printer dialog and gives one sheet a person, in order.
    void printingTheAlbum() {
        if (!HavePoppler())
            QSKIP("poppler-utils is not installed");
        AlbumFixture f;
        startAlbum(f);
        QTemporaryDir out;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = out.filePath(QStringLiteral("wydruk.pdf"));
        printer.setOutputFileName(pdf);
        TPrinterOverride use(printer);

        // Declined in the printer dialog: nothing printed.
        f.dialogs->expectPrinterSetup(false);
        f.form1().Action(QStringLiteral("DrukujAlbum1"))->trigger();
        QVERIFY(!QFileInfo::exists(pdf));

        f.dialogs->expectPrinterSetup(true);
        f.form1().Action(QStringLiteral("DrukujAlbum1"))->trigger();
        QCOMPARE(f.dialogs->last().kind, DialogKind::PrinterSetup);
        const QString meta = Run(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))),
                 qPrintable(meta));
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Page size:\\s+842 x 595 pts"))),
                 qPrintable(meta));
        const QString text = Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        const qsizetype a = text.indexOf(QStringLiteral("Ćwiklińska"));
        const qsizetype b = text.indexOf(QStringLiteral("Źdźbło"));
        const qsizetype c = text.indexOf(QStringLiteral("Żółkiewska"));
        QVERIFY2(a >= 0 && a < b && b < c, qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("Zestawienie danych osobowych")), 3);
    }

    // The copy is the album as committed, while another copy of the program holds a write
    // transaction with a change of its own; an old file at the target is replaced whole.
    void aSafeCopyWhileAnotherProgramWrites() {
        AlbumFixture f;
        startAlbum(f);
        const QString album = f.folder.file(kAlbum);
        const std::vector<QByteArrayList> before = RawRecords(album);
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("kopia.db3"));
        QVERIFY(QFile(target).open(QIODevice::WriteOnly)); // an old, empty file
        {
            OtherCopy other(album);
            QVERIFY(other.exec("BEGIN IMMEDIATE"));
            QVERIFY(other.exec("UPDATE album SET Imie = 'Zmienione' WHERE ID = 1"));
            QVERIFY(other.exec("INSERT INTO album (Imie) VALUES ('Nowy')"));
            f.dialogs->expectSaveFile(target).expectBox(MsgResult::Ok);
            f.form1().Action(QStringLiteral("ZapiszKopie1"))->trigger();
            QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
            QCOMPARE(f.dialogs->last().text,
                     QStringLiteral("Kopię albumu zapisano w pliku „%1”.").arg(target));
            // The other program's work goes on: its commit is not held up by the copy.
            QVERIFY(other.exec("COMMIT"));
        }
        QCOMPARE(FilesIn(out.path()), QStringList{QStringLiteral("kopia.db3")});
        QCOMPARE(RawRecords(target), before);
        QCOMPARE(RawCount(album), 4);

        // The copy is an album the program opens, with every person in it.
        f.dialogs->expectOpenFile(target);
        f.form1().OtwieramDB1Click();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("3"));
        QCOMPARE(f.column(3), (QStringList{"Ćwiklińska", "Źdźbło", "Żółkiewska"}));
    }

    // Never over the open album itself, by its own name or through a link.
    void theCopyRefusesTheOpenAlbum() {
        AlbumFixture f;
        startAlbum(f);
        const QString album = f.folder.file(kAlbum);
        const QByteArray bytes = f.folder.read(kAlbum);
        const QString link = f.folder.file(QStringLiteral("dowiązanie.db3"));
        QVERIFY(QFile::link(album, link));
        const QString refused = QStringLiteral("Kopii albumu nie można zapisać w miejsce "
                                               "otwartego albumu „klasa-łódzka.db3”. Wybierz inną "
                                               "nazwę pliku albo inny folder.");
        for (const QString& target :
             {album, link, f.folder.path() + QStringLiteral("./") + kAlbum}) {
            f.dialogs->clear();
            f.dialogs->expectSaveFile(target).expectBox(MsgResult::Ok);
            f.form1().Action(QStringLiteral("ZapiszKopie1"))->trigger();
            QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
            QCOMPARE(f.dialogs->last().text, refused);
        }
        QCOMPARE(f.folder.read(kAlbum), bytes);
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("3"));
    }

    // "Anuluj" keeps an old target as it was and leaves nothing beside it.
    void aCancelledCopyKeepsTheOldTarget() {
        AlbumFixture f;
        startAlbum(f);
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("kopia.db3"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("stara kopia") == 11);
        file.close();
        f.dialogs->expectSaveFile(target).expectProgress(1).expectBox(MsgResult::Ok);
        f.form1().Action(QStringLiteral("ZapiszKopie1"))->trigger();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Przerwano zapisywanie kopii albumu. Kopii nie zapisano; plik "
                                "docelowy pozostał bez zmian."));
        QCOMPARE(FilesIn(out.path()), QStringList{QStringLiteral("kopia.db3")});
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("stara kopia"));
    }
};

QTEST_MAIN(TestAlbumWhole)
#include "tst_album_whole.moc"
