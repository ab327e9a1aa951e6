// The album file format: what the program writes byte for byte, what it reads from files written
// by other means, quoting, ordering and the record operations.

#include "AlbumTestUtil.h"

#include "album/AlbumFile.h"
#include "platform/core/ErrorBox.h"

#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

using namespace movra;
using namespace movra::test;

namespace {

TAlbumTexts Texts(const QString& imie, const QString& nazwisko, const QString& ksywa = {},
                  const QString& notes = {}, const QString& adres = {}) {
    return TAlbumTexts{imie, nazwisko, ksywa, notes, adres};
}

const TAlbumTexts kStartTexts = Texts("pusty", "zero", "zero");

} // namespace

class TstAlbumFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_placeholder; // the record window's 2 x 2 placeholder
    int m_counter = 0;

    QString NewPath() { return m_dir.filePath(QStringLiteral("a%1.db3").arg(++m_counter)); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_placeholder = MakeJpeg(2, 2, Qt::white);
        QVERIFY(!m_placeholder.isEmpty());
    }

    void quoting_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("memo");
        // Stored as typed: the values are bound, nothing needs escaping.
        QTest::newRow("double quotes") << "Ala \"Kot\" \"\" ''x''"
                                       << "Ala \"Kot\" \"\" ''x''"
                                       << "Ala \"Kot\" \"\" ''x''";
        QTest::newRow("others unchanged") << "O'Brien \\ 100% `x`"
                                          << "O'Brien \\ 100% `x`"
                                          << "O'Brien \\ 100% `x`";
        QTest::newRow("LF") << "a\nb"
                            << "a\nb"
                            << "a\r\nb";
        QTest::newRow("CR LF kept") << "a\r\nb\r\n"
                                    << "a\r\nb\r\n"
                                    << "a\r\nb\r\n";
        QTest::newRow("lone CR") << "a\rb"
                                 << "a\rb"
                                 << "a\r\nb";
        QTest::newRow("LF CR is two breaks") << "a\n\rb"
                                             << "a\n\rb"
                                             << "a\r\n\r\nb";
        QTest::newRow("breaks at the ends") << "\n\"\n"
                                            << "\n\"\n"
                                            << "\r\n\"\r\n";
        QTest::newRow("Polish letters") << "Źdźbło „ż”"
                                        << "Źdźbło „ż”"
                                        << "Źdźbło „ż”";
    }
    void quoting() {
        QFETCH(QString, in);
        QFETCH(QString, field);
        QFETCH(QString, memo);
        TAlbumTexts t{in, in, in, in, in};
        QuoteRecordFields(t);
        QCOMPARE(t.Imie, field);
        QCOMPARE(t.Nazwisko, field);
        QCOMPARE(t.Ksywa, field);
        QCOMPARE(t.Notes, memo);
        QCOMPARE(t.Adres, memo);
        const TAlbumTexts once = t;
        QuoteRecordFields(t);
        QCOMPARE(t, once); // a second time changes nothing
    }

    void newFileHoldsExactlyTheTableAndTheFirstRecord() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, kStartTexts);
        db.reset();
        TRawDb raw(path);
        const auto master = raw.Rows("SELECT type, name, sql FROM sqlite_master");
        QCOMPARE(master.size(), std::size_t(1));
        QCOMPARE(master[0][0].Bytes, std::string("table"));
        QCOMPARE(master[0][1].Bytes, std::string("album"));
        std::string expected = kAlbumSchema;
        expected.pop_back(); // the engine keeps the text without its semicolon
        QCOMPARE(master[0][2].Bytes, expected);

        const auto rows = raw.Rows("SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres, Picture, "
                                   "typeof(ID) FROM album");
        QCOMPARE(rows.size(), std::size_t(1));
        const std::vector<std::string> types{"integer", "text", "text", "text",
                                             "text",    "text", "null", "text"};
        const std::vector<std::string> bytes{"1", "pusty", "zero", "zero", "", "", "", "integer"};
        for (std::size_t c = 0; c < types.size(); ++c) {
            QCOMPARE(rows[0][c].Type, types[c]);
            QCOMPARE(rows[0][c].Bytes, bytes[c]);
        }
    }

    void firstRecordIsNotQuotedButKeepsItsQuotes() {
        // A double quote in the window's texts used to leave a new file with an empty table.
        const QString path = NewPath();
        (void)CreateAlbumFile(path, Texts("Ala \"As\"", "Żółć", "Notes", "a\nb", "\"x\""));
        TRawDb raw(path);
        const auto rows = raw.Rows("SELECT Imie, Nazwisko, Ksywa, Notes, Adres FROM album");
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0][0].Bytes, std::string("Ala \"As\""));
        QCOMPARE(rows[0][1].Bytes, std::string("\xAF\xF3\xB3\xE6"));
        QCOMPARE(rows[0][2].Bytes, std::string("Notes"));
        QCOMPARE(rows[0][3].Bytes, std::string("a\r\nb"));
        QCOMPARE(rows[0][4].Bytes, std::string("\"x\""));
    }

    void newFileRefusesAnExistingFile() {
        const QString path = NewPath();
        QVERIFY(WriteFileBytes(path, "nie ruszać"));
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)CreateAlbumFile(path, kStartTexts));
        QCOMPARE(FileBytes(path), QByteArray("nie ruszać"));
    }

    void fileWrittenIndependentlyReadsBackExactly() {
        const QString path = NewPath();
        const QByteArray jpeg = MakeJpeg(64, 48, QColor(10, 120, 200), true);
        {
            TRawDb raw(path);
            raw.Exec(kAlbumSchema);
            // Windows-1250: Ł=A3 ó=F3 ż=BF ś=9C ń=F1 ą=B9 ę=EA ć=E6 Ś=8C ź=9F.
            raw.Run("INSERT INTO album(Imie,Nazwisko,Ksywa,Notes,Adres) VALUES (?,?,?,?,?)",
                    {Text("\xA3ucja"),
                     Text("Mr\xF3\xBF"
                          "ek-\x8C"
                          "wi\xEA"
                          "cka"),
                     Text("\x9F\x64\x9F"),
                     Text("Pierwsza linia\r\nDruga: \xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF"),
                     Text("")});
            raw.Run("INSERT INTO album(Imie,Nazwisko,Ksywa,Notes,Adres,Picture) VALUES "
                    "(?,?,?,?,?,?)",
                    {Text("Jan"), Text("Nowak"), Text("O'Brien"), Text("x"), Text("y\r\n"),
                     Blob(jpeg)});
        }
        auto db = OpenAlbumFile(path);
        const TAlbumRecord first = ReadRecord(*db, 1);
        QCOMPARE(first.Id, 1);
        QCOMPARE(first.Texts,
                 Texts("Łucja", "Mróżek-Święcka", "źdź", "Pierwsza linia\r\nDruga: ąćęłńóśźż", ""));
        QVERIFY(first.Photo.IsNull());
        const TAlbumRecord second = ReadRecord(*db, 2);
        QCOMPARE(second.Texts, Texts("Jan", "Nowak", "O'Brien", "x", "y\r\n"));
        QCOMPARE(second.Photo.Jpeg(), jpeg);
        QCOMPARE(second.Photo.Width(), 64);
        QCOMPARE(second.Photo.Height(), 48);

        // The list as the grid reads it, also through TextOf.
        auto list = QueryRecordList(*db, skNazwisko);
        QCOMPARE(list->Columns(), 6u);
        const TAlbumListColumns columns = TAlbumListColumns::Of(*list);
        const TAlbumListRow row = ReadListRow(*list, columns);
        QCOMPARE(row.Id, QString("1"));
        QCOMPARE(row.Nazwisko, QString("Mróżek-Święcka"));
        QCOMPARE(row.Notes, QString("Pierwsza linia\r\nDruga: ąćęłńóśźż"));
        QCOMPARE(list->TextOf("Notes"), std::string("Pierwsza linia\r\nDruga: "
                                                    "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF"));
        QVERIFY(list->MoveNext());
        QCOMPARE(ReadListRow(*list, columns).Adres, QString("y\r\n"));
    }

    void writtenRecordsReadBackByteForByteThroughRawSqlite() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, kStartTexts);
        const QByteArray jpeg = MakeJpeg(40, 30, QColor(0, 200, 0), true);
        const TJpegPhoto photo = TJpegPhoto::FromJpeg(jpeg);
        const qint64 id = InsertRecord(*db, Texts("Ala \"\"", "Łukasik", "Notes", "a\nb", ""),
                                       photo, m_placeholder);
        QCOMPARE(id, 2);
        const qint64 plain = InsertRecord(*db, Texts("Imie", "ID", "O'Brien", "", "id"),
                                          TJpegPhoto(), m_placeholder);
        QCOMPARE(plain, 3);
        QVERIFY(!db->TransactionOpen());
        db.reset();

        TRawDb raw(path);
        const auto rows =
            raw.Rows("SELECT Imie, Nazwisko, Ksywa, Notes, Adres, Picture FROM album WHERE ID>1 "
                     "ORDER BY ID");
        QCOMPARE(rows.size(), std::size_t(2));
        const std::vector<std::string> first{"Ala \"\"", "\xA3ukasik", "Notes", "a\r\nb", ""};
        const std::vector<std::string> second{"Imie", "ID", "O'Brien", "", "id"};
        for (std::size_t c = 0; c < 5; ++c) {
            QCOMPARE(rows[0][c].Type, std::string("text"));
            QCOMPARE(rows[0][c].Bytes, first[c]);
            QCOMPARE(rows[1][c].Type, std::string("text"));
            QCOMPARE(rows[1][c].Bytes, second[c]);
        }
        QCOMPARE(rows[0][5].Type, std::string("blob"));
        QCOMPARE(QByteArray::fromStdString(rows[0][5].Bytes), jpeg);
        QCOMPARE(rows[1][5].Type, std::string("blob"));
        QCOMPARE(QByteArray::fromStdString(rows[1][5].Bytes), m_placeholder);
    }

    void placeholderShowsAsTwoByTwo() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, kStartTexts);
        QVERIFY(UpdateRecord(*db, 1, kStartTexts, TJpegPhoto(), m_placeholder));
        const TAlbumRecord r = ReadRecord(*db, 1);
        QCOMPARE(r.Photo.Width(), 2);
        QCOMPARE(r.Photo.Height(), 2);
        QCOMPARE(r.Photo.Jpeg(), m_placeholder);
    }

    void updateWritesTextsAndPicture() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, kStartTexts);
        const TJpegPhoto photo = TJpegPhoto::FromJpeg(MakeJpeg(8, 6, Qt::red));
        QVERIFY(UpdateRecord(*db, 1, Texts("\"Ewa\"", "Ąbc", "k", "1\n2\n", "\r"), photo,
                             m_placeholder));
        const TAlbumRecord r = ReadRecord(*db, 1);
        QCOMPARE(r.Texts, Texts("\"Ewa\"", "Ąbc", "k", "1\r\n2\r\n", "\r\n"));
        QCOMPARE(r.Photo.Jpeg(), photo.Jpeg());

        // A record deleted meanwhile: nothing written, reported as false.
        const QByteArray before = FileBytes(path);
        QVERIFY(!UpdateRecord(*db, 7, Texts("x", "y"), photo, m_placeholder));
        QVERIFY(!db->TransactionOpen());
        QCOMPARE(FileBytes(path), before);
    }

    void readingAMissingOrBrokenRecord() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, kStartTexts);
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)ReadRecord(*db, 42); }),
                 std::string("Field ID Not found. Empty dataset"));
        {
            TRawDb raw(path);
            raw.Run("UPDATE album SET Picture=? WHERE ID=1", {Blob("\xFF\xD8 to nie JPEG")});
        }
        // The person stays readable; the photo is marked, and a save that keeps it leaves the
        // stored value as it is, storage class and all.
        const TAlbumRecord r = ReadRecord(*db, 1);
        QVERIFY(r.PhotoUnreadable);
        QVERIFY(r.Photo.IsNull());
        QCOMPARE(r.Texts.Imie, kStartTexts.Imie);
        for (const char* value : {"12", "'nie obraz'", "2.5", "x'FFD8FFE0'"}) {
            {
                TRawDb raw(path);
                raw.Exec(std::string("UPDATE album SET Picture=") + value + " WHERE ID=1");
            }
            const TAlbumRecord damaged = ReadRecord(*db, 1);
            QVERIFY2(damaged.PhotoUnreadable, value);
            TStoredTexts kept;
            kept.KeepPicture = true;
            QVERIFY(UpdateRecord(*db, 1, Texts("Nowe", "Imię"), TJpegPhoto(), m_placeholder, kept));
            TStoredRow expected = damaged.Row;
            expected[1].Bytes = "Nowe";
            expected[2].Bytes = "Imi\xEA";
            expected[3].Bytes = expected[4].Bytes = expected[5].Bytes = "";
            QCOMPARE(ReadRecord(*db, 1).Row, expected);
        }
    }

    void deletingTheLargestIdGivesItToTheNextRecord() {
        auto db = CreateAlbumFile(NewPath(), kStartTexts);
        QCOMPARE(InsertRecord(*db, Texts("a", "b"), TJpegPhoto(), m_placeholder), 2);
        QCOMPARE(InsertRecord(*db, Texts("c", "d"), TJpegPhoto(), m_placeholder), 3);
        DeleteRecord(*db, 3);
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)ReadRecord(*db, 3); }),
                 std::string("Field ID Not found. Empty dataset"));
        QCOMPARE(InsertRecord(*db, Texts("e", "f"), TJpegPhoto(), m_placeholder), 3);
        QCOMPARE(ReadRecord(*db, 3).Texts.Imie, QString("e"));
    }

    void idsAre64Bit() {
        const QString path = NewPath();
        (void)CreateAlbumFile(path, kStartTexts);
        {
            TRawDb raw(path);
            raw.Exec("INSERT INTO album(ID, Imie, Nazwisko) VALUES (5000000000, 'Duzy', 'Nr')");
        }
        auto db = OpenAlbumFile(path);
        QCOMPARE(ReadRecord(*db, 5000000000LL).Texts.Imie, QString("Duzy"));
        auto list = QueryRecordList(*db, skImie);
        QCOMPARE(list->TextOf("ID"), std::string("5000000000"));
        QCOMPARE(ReadListRow(*list, TAlbumListColumns::Of(*list)).Id, QString("5000000000"));
        QVERIFY(UpdateRecord(*db, 5000000000LL, Texts("Nowy", "Nr"), TJpegPhoto(), m_placeholder));
        QCOMPARE(InsertRecord(*db, Texts("a", "b"), TJpegPhoto(), m_placeholder), 5000000001LL);
        DeleteRecord(*db, 5000000000LL);
        QVERIFY_THROWS_EXCEPTION(ESQLiteException, (void)ReadRecord(*db, 5000000000LL));
    }

    void orderingFollowsThePolishAlphabet() {
        auto db = CreateAlbumFile(NewPath(), Texts("Jan", "Zieliński", "c"));
        for (const auto& t : {Texts("Ola", "Łukasik", "a"), Texts("Ewa", "adamski", "B"),
                              Texts("Adam", "Nowak", "ą"), Texts("Ździsław", "Ćma", "Z")}) {
            (void)InsertRecord(*db, t, TJpegPhoto(), m_placeholder);
        }
        const auto column = [&](int key, const char* name) {
            QStringList out;
            auto t = QueryRecordList(*db, key);
            for (; !t->AtEnd(); t->MoveNext()) {
                out << AlbumText(t->TextOf(name));
            }
            return out;
        };
        // Letters in the alphabet's order whatever their case; Ć after C, Ł after L, Ą after A.
        QCOMPARE(column(skNazwisko, "Nazwisko"),
                 QStringList({"adamski", "Ćma", "Łukasik", "Nowak", "Zieliński"}));
        QCOMPARE(column(skImie, "Imie"), QStringList({"Adam", "Ewa", "Jan", "Ola", "Ździsław"}));
        QCOMPARE(column(skKsywa, "Ksywa"), QStringList({"a", "ą", "B", "c", "Z"}));
        QCOMPARE(ThrownMessage<EMovraError>([&] {
                     (void)QueryRecordList(*db, 5);
                 }).starts_with("Nieznany porządek"),
                 true);
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)QueryRecordList(*db, 1));
    }

    void regenerateCompactsAndReadsTheFirstRecord() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, Texts("Pierwszy", "x"));
        const TJpegPhoto big = TJpegPhoto::FromJpeg(MakeJpeg(400, 300, Qt::blue, true, 100));
        for (int i = 0; i < 20; ++i) {
            (void)InsertRecord(*db, Texts(QString::number(i), "y"), big, m_placeholder);
        }
        db->Execute("DELETE FROM album WHERE ID > 2");
        const qint64 before = QFileInfo(path).size();
        std::optional<TAlbumRecord> first = Regenerate(*db);
        QVERIFY(first.has_value());
        QCOMPARE(first->Id, 1);
        QCOMPARE(first->Texts.Imie, QString("Pierwszy"));
        QVERIFY2(QFileInfo(path).size() < before / 4, "the file did not shrink");

        // The first record by ID, also when another record comes first in the file's pages.
        DeleteRecord(*db, 1);
        QCOMPARE(Regenerate(*db)->Id, 2);

        // An empty album is compacted without an error.
        DeleteRecord(*db, 2);
        QVERIFY(!Regenerate(*db).has_value());
        QCOMPARE(QueryRecordList(*db, skImie)->Rows(), 0u);
    }

    void textsOutsideTheCodePageAreRefusedBeforeWriting() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, kStartTexts);
        const QByteArray before = FileBytes(path);
        const std::string message = ThrownMessage<EMovraError>([&] {
            (void)InsertRecord(*db, Texts("Ala", "Kot", "", "smok 🐉"), TJpegPhoto(), m_placeholder);
        });
        QVERIFY2(QString::fromStdString(message).startsWith("Pole „Adnotacje i uwagi”: "),
                 message.c_str());
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)UpdateRecord(*db, 1, Texts("Ωmega", "x"),
                                                                 TJpegPhoto(), m_placeholder));
        QVERIFY(!db->TransactionOpen());
        QCOMPARE(FileBytes(path), before);
        // Nor is a new file created for such a first record.
        const QString fresh = NewPath();
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)CreateAlbumFile(fresh, Texts("€", "日本")));
        QVERIFY(!QFile::exists(fresh));
    }
};

QTEST_GUILESS_MAIN(TstAlbumFile)
#include "tst_albumfile.moc"
