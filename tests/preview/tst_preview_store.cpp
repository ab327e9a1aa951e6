#include "OpenRecorder.h"
#include "PreviewTestPages.h"

#include "platform/core/ErrorBox.h"
#include "preview/Grayscale.h"
#include "preview/MetafileList.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtTest/QtTest>

#include <fcntl.h>

using namespace movra;
using namespace movra::test;

class TestPreviewStore : public QObject {
    Q_OBJECT
private slots:
    void emptyStore() {
        TMetafileList list;
        int changes = 0;
        list.OnChange = [&](TMetafileList* s) {
            QCOMPARE(s, &list);
            ++changes;
        };
        QCOMPARE(list.Count(), 0);
        list.Clear();
        QCOMPARE(changes, 1);
        QCOMPARE(list.StreamSize(), 0);
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)list.Pages(0));
    }

    void offsetsAndReadBack_data() {
        QTest::addColumn<bool>("tempFile");
        QTest::newRow("memory") << false;
        QTest::newRow("temporary file") << true;
    }
    void offsetsAndReadBack() {
        QFETCH(bool, tempFile);
        TMetafileList list;
        list.SetUseTempFile(tempFile);
        auto p0 = RecordPage(200, 300, 1, 0);
        auto p1 = RecordPage(200, 300, 5, 1);
        auto p2 = RecordPage(200, 300, 2, 2);
        int changes = 0;
        list.OnChange = [&](TMetafileList*) { ++changes; };
        QCOMPARE(list.Add(*p0), 0);
        QCOMPARE(list.Add(*p1), 1);
        QCOMPARE(list.Add(*p2), 2);
        QCOMPARE(changes, 3);
        const qint64 s1 = p0->Bytes().size();
        const qint64 s2 = p1->Bytes().size();
        QCOMPARE(list.Offset(0), 0);
        QCOMPARE(list.Offset(1), s1);
        QCOMPARE(list.Offset(2), s1 + s2);
        QCOMPARE(list.StreamSize(), s1 + s2 + p2->Bytes().size());
        QCOMPARE(list.Pages(1).Bytes(), p1->Bytes());
        QCOMPARE(list.Pages(2).Bytes(), p2->Bytes());
        QCOMPARE(list.Pages(0).Bytes(), p0->Bytes());
        if (tempFile) {
            QVERIFY(QFileInfo(list.TempFileName()).fileName().startsWith(QLatin1String("PP")));
            QCOMPARE(QFileInfo(list.TempFileName()).absolutePath(),
                     QFileInfo(QDir::tempPath()).absoluteFilePath());
            QCOMPARE(QFileInfo(list.TempFileName()).size(), list.StreamSize());
        }
    }

    void cacheLoadsOnce() {
        TMetafileList list;
        auto p0 = RecordPage(100, 100, 1, 0);
        auto p2 = RecordPage(100, 100, 3, 2);
        list.Add(*p0);
        list.Add(*RecordPage(100, 100, 2, 1));
        list.Add(*p2);
        TMetafile& first = list.Pages(2);
        // Loading is seen through the picture's change notification, which the store detaches
        // while it loads; count loads by the cached index instead, and make sure asking again
        // keeps the very object and content.
        QCOMPARE(list.CachedIndex(), 2);
        first.OnChange = nullptr; // would be re-attached by a load
        TMetafile& again = list.Pages(2);
        QCOMPARE(&again, &first);
        QVERIFY(!again.OnChange); // no second load happened
        // Another index replaces the content of the same object.
        TMetafile& zero = list.Pages(0);
        QCOMPARE(&zero, &first);
        QCOMPARE(first.Bytes(), p0->Bytes());
        QVERIFY(zero.OnChange);
    }

    void rewriteMovesFollowingPages_data() {
        QTest::addColumn<bool>("tempFile");
        QTest::addColumn<int>("lines");
        QTest::newRow("grows, memory") << false << 12;
        QTest::newRow("shrinks, memory") << false << 0;
        QTest::newRow("grows, file") << true << 12;
        QTest::newRow("shrinks, file") << true << 0;
    }
    void rewriteMovesFollowingPages() {
        QFETCH(bool, tempFile);
        QFETCH(int, lines);
        TMetafileList list;
        list.SetUseTempFile(tempFile);
        auto p0 = RecordPage(120, 160, 2, 0);
        auto p1 = RecordPage(120, 160, 4, 1);
        auto p2 = RecordPage(120, 160, 3, 2);
        auto p3 = RecordPage(120, 160, 1, 3);
        for (auto* p : {p0.get(), p1.get(), p2.get(), p3.get()})
            list.Add(*p);
        const qint64 o2 = list.Offset(2);
        const qint64 o3 = list.Offset(3);
        const qint64 size = list.StreamSize();
        QList<int> rewritten;
        list.OnCurrentChange = [&](TMetafileList*, int i) { rewritten << i; };

        auto replacement = RecordPage(120, 160, lines, 9);
        const qint64 d = replacement->Bytes().size() - p1->Bytes().size();
        QVERIFY(d != 0);
        list.Pages(1).SetBytes(replacement->Bytes());
        QCOMPARE(rewritten, QList<int>{1});
        QCOMPARE(list.Offset(0), 0);
        QCOMPARE(list.Offset(2), o2 + d);
        QCOMPARE(list.Offset(3), o3 + d);
        QCOMPARE(list.StreamSize(), size + d);
        QCOMPARE(list.Pages(2).Bytes(), p2->Bytes());
        QCOMPARE(list.Pages(3).Bytes(), p3->Bytes());
        QCOMPARE(list.Pages(0).Bytes(), p0->Bytes());
        QCOMPARE(list.Pages(1).Bytes(), replacement->Bytes());
    }

    void lastPageRewrittenInPlace() {
        TMetafileList list;
        auto p0 = RecordPage(120, 160, 2, 0);
        auto p1 = RecordPage(120, 160, 8, 1);
        list.Add(*p0);
        list.Add(*p1);
        const qint64 o1 = list.Offset(1);
        auto smaller = RecordPage(120, 160, 1, 5);
        list.Pages(1).SetBytes(smaller->Bytes());
        QCOMPARE(list.Offset(1), o1);
        QCOMPARE(list.StreamSize(), o1 + smaller->Bytes().size());
        QCOMPARE(list.Pages(0).Bytes(), p0->Bytes());
        QCOMPARE(list.Pages(1).Bytes(), smaller->Bytes());
    }

    void emptiedPageKeepsItsPlace() {
        // A cached page whose picture is cleared becomes a blank page, not a page of no bytes
        // that would read back as the page after it.
        TMetafileList list;
        auto p1 = RecordPage(120, 160, 3, 1);
        list.Add(*RecordPage(120, 160, 2, 0));
        list.Add(*RecordPage(120, 160, 2, 4));
        list.Add(*p1);
        list.Pages(1).Clear();
        QVERIFY(list.Offset(2) > list.Offset(1));
        QCOMPARE(list.Pages(2).Bytes(), p1->Bytes());
        QVERIFY(!list.Pages(1).Empty());
        QVERIFY(list.Pages(1).Bytes() != p1->Bytes());
    }

    void switchingStorageKeepsPages() {
        TMetafileList list;
        auto p0 = RecordPage(100, 140, 2, 0);
        auto p1 = RecordPage(100, 140, 6, 1);
        list.Add(*p0);
        list.Add(*p1);
        (void)list.Pages(1);
        list.SetUseTempFile(true);
        const QString name = list.TempFileName();
        QVERIFY(QFileInfo(name).fileName().startsWith(QLatin1String("PP")));
        QVERIFY(QFile::exists(name));
        QCOMPARE(QFileInfo(name).size(), list.StreamSize());
        QCOMPARE(list.Pages(0).Bytes(), p0->Bytes());
        QCOMPARE(list.Pages(1).Bytes(), p1->Bytes());
        list.SetUseTempFile(false);
        QVERIFY(!QFile::exists(name));
        QVERIFY(list.TempFileName().isEmpty());
        QCOMPARE(list.Pages(0).Bytes(), p0->Bytes());
        QCOMPARE(list.Pages(1).Bytes(), p1->Bytes());
    }

    void clearDeletesTemporaryFile() {
        TMetafileList list;
        list.SetUseTempFile(true);
        list.Add(*RecordPage(100, 100, 1));
        const QString name = list.TempFileName();
        QVERIFY(QFile::exists(name));
        list.Clear();
        QVERIFY(!QFile::exists(name));
        QCOMPARE(list.TempFileName(), name); // the name stays stored
        QCOMPARE(list.Count(), 0);
        // The next page makes a new file.
        list.Add(*RecordPage(100, 100, 1));
        QVERIFY(QFile::exists(list.TempFileName()));
        QVERIFY(list.TempFileName() != name);
        const QString second = list.TempFileName();
        auto other = std::make_unique<TMetafileList>();
        other->SetUseTempFile(true);
        other->Add(*RecordPage(100, 100, 1));
        QVERIFY(other->TempFileName() != second);
        const QString otherName = other->TempFileName();
        QVERIFY(QFile::exists(otherName));
        other.reset(); // destroying removes it too
        QVERIFY(!QFile::exists(otherName));
    }

    void tempPageFilesAreNewAndPrivate() {
        const TTempPageFile a = OpenTempPageFile();
        const TTempPageFile b = OpenTempPageFile();
        QVERIFY(a.Name != b.Name);
        QVERIFY(a.File->isOpen() && a.File->isWritable());
        QVERIFY(QFileInfo(a.Name).fileName().startsWith(QLatin1String("PP")));
        QCOMPARE(QFileInfo(a.Name).size(), 0);
        // Nobody but the owner reads the pages (group and others: no permission bits).
        QCOMPARE(int(QFileInfo(a.Name).permissions() & 0x00FF), 0);
        QCOMPARE(a.File->write("page"), qint64(4));
        QCOMPARE(QFileInfo(a.Name).size(), 4); // unbuffered: in the file at once
        QFile::remove(a.Name);
        QFile::remove(b.Name);
    }

    void tempPageFileIsNeverOpenedByNameAgain() {
        // Whatever another user puts at the temporary file's name once it exists (a link to one
        // of the user's files) must never be opened: the only open of that name is the one that
        // creates it, exclusively.
        TMetafileList list;
        list.SetUseTempFile(true);
        const TOpenRecording recording;
        list.Add(*RecordPage(100, 100, 2, 0));
        list.Add(*RecordPage(100, 100, 3, 1));
        QCOMPARE(list.Pages(0).Bytes().isEmpty(), false);
        const QByteArray name = QFile::encodeName(list.TempFileName());
        QVERIFY(QFileInfo::exists(list.TempFileName()));
        for (const TOpenedFile& opened : recording.Opened()) {
            if (opened.Path != name.toStdString())
                continue;
            QVERIFY2((opened.Flags & O_CREAT) && (opened.Flags & O_EXCL),
                     "the page file was opened again by its name");
        }
    }

    void failedLoadLeavesNoHook() {
        // A page that cannot be read back must not leave the cached picture tied to any page:
        // a later change of that picture would overwrite another page.
        TMetafileList list;
        list.SetUseTempFile(true);
        auto p0 = RecordPage(100, 100, 2, 0);
        auto p1 = RecordPage(100, 100, 3, 1);
        list.Add(*p0);
        list.Add(*p1);
        {
            QFile f(list.TempFileName());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(list.Offset(1)));
            f.write(QByteArray(64, '\x7f')); // page 1's header is now garbage
        }
        (void)list.Pages(0); // page 0 cached and hooked
        int rewrites = 0;
        list.OnCurrentChange = [&](TMetafileList*, int) { ++rewrites; };
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)list.Pages(1));
        QCOMPARE(list.CachedIndex(), -1);
        const qint64 size = list.StreamSize();
        TMetafile& cache = list.Pages(0); // page 0 still reads back
        QCOMPARE(cache.Bytes(), p0->Bytes());
        // Now make the failing load once more and change the picture afterwards.
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)list.Pages(1));
        cache.SetBytes(RecordPage(100, 100, 9, 7)->Bytes());
        QCOMPARE(rewrites, 0);
        QCOMPARE(list.StreamSize(), size);
        QCOMPARE(list.Pages(0).Bytes(), p0->Bytes());
    }

    void grayscalePalette() {
        QImage img(4, 1, QImage::Format_RGB32);
        img.setPixel(0, 0, qRgb(255, 0, 0));
        img.setPixel(1, 0, qRgb(0, 255, 0));
        img.setPixel(2, 0, qRgb(0, 0, 255));
        img.setPixel(3, 0, qRgb(255, 255, 255));
        QImage indexed = img.convertToFormat(QImage::Format_Indexed8);
        ConvertToGrayscale(img);
        QCOMPARE(img.format(), QImage::Format_Indexed8);
        QCOMPARE(img.pixel(0, 0), qRgb(76, 76, 76));
        QCOMPARE(img.pixel(1, 0), qRgb(150, 150, 150));
        QCOMPARE(img.pixel(2, 0), qRgb(28, 28, 28));
        QCOMPARE(img.pixel(3, 0), qRgb(255, 255, 255));
        for (QRgb c : img.colorTable())
            QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
        // A palette bitmap has its palette entries turned gray.
        QCOMPARE(indexed.colorCount(), 4);
        ConvertToGrayscale(indexed);
        QCOMPARE(indexed.colorCount(), 4);
        QCOMPARE(indexed.pixel(0, 0), qRgb(76, 76, 76));
        QCOMPARE(indexed.pixel(1, 0), qRgb(150, 150, 150));
        QCOMPARE(indexed.pixel(2, 0), qRgb(28, 28, 28));
        QCOMPARE(indexed.pixel(3, 0), qRgb(255, 255, 255));
    }

    void drawGrayscaleAndStretch() {
        auto page = RecordPage(100, 100, 2, 3);
        QImage target(200, 200, QImage::Format_RGB32);
        target.fill(Qt::black);
        {
            QPainter p(&target);
            DrawGrayscale(p, TRect(50, 50, 150, 150), *page);
        }
        // Outside the rectangle nothing is drawn; inside every pixel is gray and the page's
        // white paper is there.
        QCOMPARE(target.pixel(10, 10), qRgb(0, 0, 0));
        QCOMPARE(target.pixel(160, 160), qRgb(0, 0, 0));
        bool sawWhite = false;
        bool sawColourBlock = false;
        for (int y = 50; y < 150; ++y)
            for (int x = 50; x < 150; ++x) {
                const QRgb c = target.pixel(x, y);
                QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
                sawWhite = sawWhite || c == qRgb(255, 255, 255);
            }
        // The filled block (10..60 of the page) is gray of the block's colour.
        const QRgb block = target.pixel(50 + 20, 50 + 45); // off the diagonal line
        const int expected = ((3 * 40) * 30 + 80 * 59 + 160 * 11) / 100;
        sawColourBlock = std::abs(qRed(block) - expected) <= 2;
        QVERIFY(sawWhite);
        QVERIFY(sawColourBlock);

        QImage src(2, 2, QImage::Format_RGB32);
        src.setPixel(0, 0, qRgb(255, 0, 0));
        src.setPixel(1, 0, qRgb(0, 255, 0));
        src.setPixel(0, 1, qRgb(0, 0, 255));
        src.setPixel(1, 1, qRgb(255, 255, 255));
        QImage dst(10, 10, QImage::Format_RGB32);
        dst.fill(Qt::black);
        {
            QPainter p(&dst);
            DrawBitmapStretched(p, src, TRect(2, 2, 10, 10));
        }
        QCOMPARE(dst.pixel(1, 1), qRgb(0, 0, 0));
        QCOMPARE(dst.pixel(2, 2), qRgb(255, 0, 0)); // no smoothing: exact colours
        QCOMPARE(dst.pixel(9, 2), qRgb(0, 255, 0));
        QCOMPARE(dst.pixel(2, 9), qRgb(0, 0, 255));
        QCOMPARE(dst.pixel(9, 9), qRgb(255, 255, 255));
    }
};

QTEST_MAIN(TestPreviewStore)
#include "tst_preview_store.moc"
