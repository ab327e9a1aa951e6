// Compacting an album ("Regeneruj (odśwież) bazę"): memory that does not grow with the file, and
// a file left exactly as it was when the disk fills up or the user cancels.

#include "AlbumTestUtil.h"
#include "FullDiskVfs.h"

#include "album/AlbumFile.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

using namespace movra;
using namespace movra::test;

namespace {

constexpr int kRecords = 400;
constexpr int kPhotoBytes = 60'000;

const QString kDiskFull = QStringLiteral(
    "Za mało miejsca na dysku, by zregenerować bazę: potrzeba wolnego miejsca około dwa razy "
    "tyle, ile zajmuje plik bazowy. Plik bazowy pozostał bez zmian.");

} // namespace

class TstAlbumFileCompaction : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_original;
    int m_counter = 0;

    // A copy of the album made once: every test compacts its own copy.
    QString FreshCopy() {
        const QString path = m_dir.filePath(QStringLiteral("c%1.db3").arg(++m_counter));
        if (!QFile::copy(m_original, path))
            qFatal("copy failed");
        return path;
    }

    static bool JournalLeft(const QString& path) {
        return QFile::exists(path + QStringLiteral("-journal"));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_original = m_dir.filePath(QStringLiteral("album.db3"));
        auto db = CreateAlbumFile(m_original, TAlbumTexts{"pusty", "zero", "zero", "", ""});
        // Photos as random bytes: the engine copies them like any JPEG, and nothing compresses.
        db->Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kRecords) +
                    ") INSERT INTO album(Imie, Nazwisko, Ksywa, Notes, Adres, Picture) "
                    "SELECT 'Imię' || i, 'Nazwisko', 'k', 'uwagi', 'adres', randomblob(" +
                    std::to_string(kPhotoBytes) + ") FROM n");
        // Every third record gone, so that compacting has something to do.
        db->Execute("DELETE FROM album WHERE ID % 3 = 0");
    }

    void memoryDoesNotGrowWithTheFile() {
        const QString path = FreshCopy();
        const qint64 size = QFileInfo(path).size();
        auto db = OpenAlbumFile(path);
        QVERIFY2(sqlite3_memory_used() > 0, "the engine keeps no memory statistics");
        const sqlite3_int64 before = sqlite3_memory_used();
        sqlite3_memory_highwater(1);
        QVERIFY(Regenerate(*db).has_value());
        const sqlite3_int64 peak = sqlite3_memory_highwater(0) - before;
        // The page caches (a few megabytes), not a copy of the file.
        QVERIFY2(peak < size / 3, qPrintable(QStringLiteral("peak %1 bytes above the start for a "
                                                            "file of %2 bytes")
                                                 .arg(peak)
                                                 .arg(size)));
        QVERIFY(QFileInfo(path).size() < size);
        QCOMPARE(QueryRecordList(*db, skImie)->Rows(),
                 static_cast<std::uint32_t>(kRecords + 1 - (kRecords + 1) / 3));
    }

    void cancellingLeavesTheFileAsItWas() {
        const QString path = FreshCopy();
        const QByteArray before = FileBytes(path);
        auto db = OpenAlbumFile(path);
        int reports = 0;
        QVERIFY_THROWS_EXCEPTION(ERegenerateCancelled, (void)Regenerate(*db, [&](int) {
                                     return ++reports < 20; // "Anuluj" well into the work
                                 }));
        QCOMPARE(reports, 20);
        QVERIFY(!JournalLeft(path));
        QVERIFY(FileBytes(path) == before);
        // "Anuluj" while the rebuilt copy is being written back over the file.
        bool late = false;
        QVERIFY_THROWS_EXCEPTION(ERegenerateCancelled, (void)Regenerate(*db, [&](int percent) {
                                     late = percent > 60;
                                     return !late;
                                 }));
        QVERIFY(late);
        QVERIFY(!JournalLeft(path));
        QVERIFY(FileBytes(path) == before);
        // The connection goes on working, and a later compaction runs to its end, its estimate
        // rising all the way.
        int last = -1;
        bool rising = true;
        QVERIFY(Regenerate(*db, [&](int percent) {
                    rising = rising && percent >= last && percent <= 100;
                    last = percent;
                    return true;
                }).has_value());
        QVERIFY(rising);
        QCOMPARE(last, 100);
        QVERIFY(QFileInfo(path).size() < before.size());
    }

    void aFullDiskLeavesTheFileAsItWas() {
        TFullDiskVfs disk;
        // How much the files grow in a compaction that succeeds: the copy, the journal.
        const QString probe = FreshCopy();
        {
            auto db = OpenAlbumFile(probe);
            disk.SetAllowance(-1);
            QVERIFY(Regenerate(*db).has_value());
        }
        // The most the files held at once beyond the album.
        const std::int64_t needed = disk.Peak();
        // The disk fills while the copy is built, while the journal is written, near the end.
        for (const double share : {0.05, 0.5, 0.95}) {
            const QString path = FreshCopy();
            const QByteArray before = FileBytes(path);
            auto db = OpenAlbumFile(path);
            disk.SetAllowance(static_cast<std::int64_t>(share * static_cast<double>(needed)));
            const std::string message = ThrownMessage<EMovraError>([&] { (void)Regenerate(*db); });
            disk.SetAllowance(-1);
            QCOMPARE(QString::fromStdString(message), kDiskFull);
            QVERIFY(!JournalLeft(path));
            QVERIFY2(FileBytes(path) == before, qPrintable(QString::number(share)));
            // Once there is room again, the same connection compacts the file.
            QVERIFY(Regenerate(*db).has_value());
            QVERIFY(QFileInfo(path).size() < before.size());
        }
    }
};

QTEST_GUILESS_MAIN(TstAlbumFileCompaction)
#include "tst_albumfile_compaction.moc"
