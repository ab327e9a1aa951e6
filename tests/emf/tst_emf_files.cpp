// Pictures as bytes, streams and files; damaged pictures; records other programs write.

#include "EmfTestUtil.h"

#include "platform/emf/EmfPlayer.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QBuffer>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <uemf.h>

#include <cstdlib>
#include <cstring>

using namespace movra;
using namespace movra::test;

namespace {

// A small page: a red block, a text, a photo, a blue block.
TMetafile samplePage(QSize size = QSize(200, 100)) {
    return Record(size, [](TCanvas& c) {
        c.Brush.Color = RGBColor(255, 0, 0);
        c.FillRect(TRect(0, 0, 50, 50));
        c.Font = TFont(QStringLiteral("Arial"), 10);
        c.TextOut(60, 5, QStringLiteral("Zażółć"));
        c.StretchDraw(TRect(60, 30, 100, 60), MakeTestImage(16, 12));
        c.Brush.Color = RGBColor(0, 0, 255);
        c.FillRect(TRect(150, 50, 200, 100));
    });
}

// Takes a libUEMF record (malloc'ed) as bytes.
QByteArray take(char* rec) {
    const QByteArray out(rec, static_cast<int>(Get32(QByteArray::fromRawData(rec, 8), 4)));
    std::free(rec);
    return out;
}

// The page with records inserted just before its EOF, header totals kept right.
QByteArray insertBeforeEof(QByteArray page, const QByteArray& records, int extraRecords,
                           int handles = 0) {
    const int eof = RecordOffsets(page).last();
    page.insert(eof, records);
    Put32(page, 48, static_cast<std::uint32_t>(page.size()));
    Put32(page, 52, Get32(page, 52) + static_cast<std::uint32_t>(extraRecords));
    if (handles > 0) {
        const std::uint32_t v =
            (Get32(page, 56) & 0xFFFF0000u) | static_cast<std::uint32_t>(handles);
        Put32(page, 56, v);
    }
    return page;
}

QImage playBytes(const QByteArray& bytes, QSize size, emf::PlayOutcome* outcome = nullptr) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const emf::PlayOutcome o = emf::Play(bytes, &p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
    if (outcome)
        *outcome = o;
    return img;
}

} // namespace

class TestEmfFiles : public QObject {
    Q_OBJECT

private slots:
    void fileRoundTripIsByteIdentical();
    void pagesLoadFromTheirOffsetInsideALargerStream();
    void onChangeFollowsEveryChange();
    void damagedPagesAreRefusedAndNeverCrashThePlayer_data();
    void damagedPagesAreRefusedAndNeverCrashThePlayer();
    void randomBytesAfterAValidHeader();
    void streamsThatEndTooSoon();
    void fileErrorsSpeakPolish();
    void unalignedBytesAreAccepted();
    void recordsOfOtherWritersPlay();
    void unknownRecordsAreSkipped();
    void mappingModesPathsRegionsAndAlignment();
    void decodedPhotosFollowTheContent();
    void glyphsSentFarOffThePageAreLeftOut();
};

void TestEmfFiles::fileRoundTripIsByteIdentical() {
    const TMetafile page = samplePage();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("foto.emf"));
    page.SaveToFile(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), page.Bytes());
    f.close();
    // Saving again replaces the file.
    page.SaveToFile(path);
    QCOMPARE(QFileInfo(path).size(), page.Bytes().size());

    TMetafile loaded;
    int changes = 0;
    loaded.OnChange = [&] { ++changes; };
    loaded.LoadFromFile(path);
    QCOMPARE(changes, 1);
    QCOMPARE(loaded.Bytes(), page.Bytes());
    QCOMPARE(loaded.Width(), 200);
    QCOMPARE(loaded.Height(), 100);
    QCOMPARE(CountDifferent(RenderMetafile(loaded, QSize(200, 100)),
                            RenderMetafile(page, QSize(200, 100)), QRect(0, 0, 200, 100)),
             0);
}

void TestEmfFiles::pagesLoadFromTheirOffsetInsideALargerStream() {
    const TMetafile first = samplePage();
    const TMetafile second = samplePage(QSize(300, 120));
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::ReadWrite));
    buffer.write("thirteen byte"); // an odd offset: the page must not rely on alignment
    const qint64 at1 = buffer.pos();
    first.SaveToStream(buffer);
    const qint64 at2 = buffer.pos();
    second.SaveToStream(buffer);
    buffer.write("tail");
    QCOMPARE(at2 - at1, first.Bytes().size());

    TMetafile page;
    buffer.seek(at2);
    page.LoadFromStream(buffer);
    QCOMPARE(page.Bytes(), second.Bytes());
    QCOMPARE(buffer.pos(), at2 + second.Bytes().size());
    QCOMPARE(page.Width(), 300);
    buffer.seek(at1);
    page.LoadFromStream(buffer);
    QCOMPARE(page.Bytes(), first.Bytes());
    QCOMPARE(buffer.pos(), at2); // just after the page, at the next one
    QCOMPARE(buffer.read(4),
             first.Bytes().left(4).isEmpty() ? QByteArray() : second.Bytes().left(4));
}

void TestEmfFiles::onChangeFollowsEveryChange() {
    TMetafile mf;
    int changes = 0;
    mf.OnChange = [&] { ++changes; };
    mf.SetSize(100, 50);
    {
        TMetafileCanvas c(mf, 96, 96);
        c.Brush.Color = clBlack;
        c.FillRect(TRect(0, 0, 10, 10));
        QCOMPARE(changes, 0); // nothing until the picture is complete
    }                         // destruction completes it
    QCOMPARE(changes, 1);
    QVERIFY(!mf.Empty());
    QCOMPARE(mf.Width(), 100);
    mf.SetSize(10, 10); // a held picture keeps its size
    QCOMPARE(mf.Width(), 100);
    const QByteArray held = mf.Bytes();
    QVERIFY_THROWS_EXCEPTION(EMetafileError, mf.SetBytes(QByteArray("not a picture at all")));
    QCOMPARE(changes, 1);
    QCOMPARE(mf.Bytes(), held);
    mf.SetBytes(samplePage().Bytes());
    QCOMPARE(changes, 2);
    mf.Clear();
    QCOMPARE(changes, 3);
    QVERIFY(mf.Empty());
    QCOMPARE(mf.Width(), 0);
    // A canvas finished explicitly records nothing afterwards.
    mf.SetSize(40, 40);
    TMetafileCanvas c(mf);
    c.Finish();
    QCOMPARE(changes, 4);
    const QByteArray done = mf.Bytes();
    c.Brush.Color = clBlack;
    c.FillRect(TRect(0, 0, 40, 40));
    c.Finish();
    QCOMPARE(mf.Bytes(), done);
    QCOMPARE(changes, 4);
}

void TestEmfFiles::damagedPagesAreRefusedAndNeverCrashThePlayer_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("firstBlockDrawn");
    const QByteArray page = samplePage().Bytes();
    const QList<int> recs = RecordOffsets(page);
    const int polygon = FindRecord(page, U_EMR_POLYGON16);
    const int text = FindRecord(page, U_EMR_EXTTEXTOUTW);
    const int dib = FindRecord(page, U_EMR_STRETCHDIBITS);
    const int select = FindRecord(page, U_EMR_SELECTOBJECT, 2);
    const int create = FindRecord(page, U_EMR_CREATEBRUSHINDIRECT);
    QVERIFY(polygon > 0 && text > polygon && dib > text && select > 0 && create > 0);

    QTest::newRow("truncated") << page.left(dib + 30) << true;
    {
        QByteArray b = page.left(dib);
        Put32(b, 48, static_cast<std::uint32_t>(b.size()));
        QTest::newRow("ends without EOF") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, text + 4, 0x7FFFFFF0u);
        QTest::newRow("record with a huge size") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, text + 4, 0);
        QTest::newRow("record of size zero") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, text + 4, 10);
        QTest::newRow("record size not a multiple of four") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, select + 8, 5000);
        QTest::newRow("selects a handle beyond the table") << b << false;
    }
    {
        QByteArray b = page;
        Put32(b, create + 8, 0);
        QTest::newRow("creates object number zero") << b << false;
    }
    {
        QByteArray b = page;
        Put32(b, dib + 56, 0x7FFFFF00u); // offBitsSrc
        QTest::newRow("bitmap bits outside the record") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, dib + 48, 0xFFFFFFF0u); // offBmiSrc: wraps around when added naively
        QTest::newRow("bitmap header offset wraps") << b << true;
    }
    {
        QByteArray b = page;
        const int bmi = dib + static_cast<int>(Get32(b, dib + 48));
        Put32(b, bmi + 4, 60000);
        Put32(b, bmi + 8, 60000);
        QTest::newRow("bitmap larger than its bits") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, text + 44, 0x40000000u); // nChars
        QTest::newRow("text longer than its record") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, text + 72, 0x7FFFFFF0u); // offDx
        QTest::newRow("advances outside the record") << b << true;
    }
    {
        QByteArray b = page;
        Put32(b, polygon + 24, 0x40000000u); // point count
        QTest::newRow("more points than the record holds") << b << false;
    }
    {
        QByteArray b = page;
        Put32(b, 48, 0xFFFFFF00u);
        QTest::newRow("header claims a gigantic picture") << b << false;
    }
    {
        QByteArray b = page;
        Put32(b, 40, 0x12345678u);
        QTest::newRow("no signature") << b << false;
    }
    {
        QByteArray b = page;
        Put32(b, recs[1], 1); // a second header
        QTest::newRow("second header") << b << false;
    }
    QTest::newRow("text file") << QByteArray("Pliki WindowsMetaFile (*.emf)|*.emf|Dowolne pliki")
                               << false;
    QTest::newRow("nothing but eight bytes") << QByteArray(8, '\x01') << false;
}

void TestEmfFiles::damagedPagesAreRefusedAndNeverCrashThePlayer() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, firstBlockDrawn);
    TMetafile mf = samplePage();
    const QByteArray held = mf.Bytes();
    int changes = 0;
    mf.OnChange = [&] { ++changes; };
    try {
        mf.SetBytes(bytes);
        QFAIL("a damaged picture was accepted");
    } catch (const EMetafileError& e) {
        QVERIFY(QString::fromStdString(e.what()).contains(QStringLiteral("EMF")));
    }
    QCOMPARE(mf.Bytes(), held);
    QCOMPARE(changes, 0);

    emf::PlayOutcome outcome;
    const QImage img = playBytes(bytes, QSize(200, 100), &outcome);
    QVERIFY(!outcome.complete);
    QVERIFY(!outcome.error.isEmpty());
    if (firstBlockDrawn) {
        QCOMPARE(img.pixel(10, 10), qRgb(255, 0, 0)); // drawn up to the damage
    }
    QCOMPARE(img.pixel(175, 75), qRgb(255, 255, 255)); // and no further

    // Played as if it had passed the checks (as a held picture plays): the checks that keep
    // every read inside the picture still hold.
    QImage trusted(200, 100, QImage::Format_RGB32);
    trusted.fill(Qt::white);
    QPainter p(&trusted);
    emf::ImageCache images;
    emf::PlayOptions options;
    options.checked = true;
    options.images = &images;
    for (int pass = 0; pass < 2; ++pass)
        QVERIFY(!emf::Play(bytes, &p, QRectF(0, 0, 200, 100), options).complete);
}

void TestEmfFiles::randomBytesAfterAValidHeader() {
    const QByteArray page = samplePage().Bytes();
    const int headerSize = static_cast<int>(Get32(page, 4));
    QRandomGenerator rng(20240607);
    for (int round = 0; round < 200; ++round) {
        QByteArray b = page.left(headerSize);
        const int n = 4 * static_cast<int>(rng.bounded(1, 400));
        for (int i = 0; i < n; ++i)
            b.append(static_cast<char>(rng.bounded(256)));
        Put32(b, 48, static_cast<std::uint32_t>(b.size()));
        TMetafile mf;
        QVERIFY_THROWS_EXCEPTION(EMetafileError, mf.SetBytes(b));
        QVERIFY(mf.Empty());
        emf::PlayOutcome outcome;
        playBytes(b, QSize(50, 50), &outcome);
        QVERIFY(!outcome.complete);
    }
}

void TestEmfFiles::streamsThatEndTooSoon() {
    const QByteArray page = samplePage().Bytes();
    TMetafile mf = samplePage(QSize(300, 120));
    const QByteArray held = mf.Bytes();
    for (const int keep : {0, 5, 60, 200, static_cast<int>(page.size()) - 4}) {
        QBuffer buffer;
        buffer.setData(page.left(keep));
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY_THROWS_EXCEPTION(EMetafileError, mf.LoadFromStream(buffer));
        QCOMPARE(mf.Bytes(), held);
    }
    // A header that claims half a gigabyte on a short stream fails at once.
    QByteArray claim = page;
    Put32(claim, 48, 400u * 1024 * 1024);
    QBuffer buffer(&claim);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QVERIFY_THROWS_EXCEPTION(EMetafileError, mf.LoadFromStream(buffer));
    QCOMPARE(mf.Bytes(), held);
}

void TestEmfFiles::fileErrorsSpeakPolish() {
    TMetafile mf;
    QTemporaryDir dir;
    try {
        mf.LoadFromFile(dir.filePath(QStringLiteral("brak.emf")));
        QFAIL("a missing file loaded");
    } catch (const EMetafileError& e) {
        const QString msg = QString::fromStdString(e.what());
        QVERIFY2(msg.startsWith(QStringLiteral("Nie można otworzyć pliku „brak.emf”")),
                 qPrintable(msg));
    }
    try {
        samplePage().SaveToFile(dir.filePath(QStringLiteral("nie/ma/takiego/foto.emf")));
        QFAIL("saved into a missing folder");
    } catch (const EMetafileError& e) {
        const QString msg = QString::fromStdString(e.what());
        QVERIFY2(msg.startsWith(QStringLiteral("Nie można zapisać pliku „foto.emf”")),
                 qPrintable(msg));
    }
    const QString empty = dir.filePath(QStringLiteral("pusty.emf"));
    QFile f(empty);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY_THROWS_EXCEPTION(EMetafileError, mf.LoadFromFile(empty));
}

void TestEmfFiles::unalignedBytesAreAccepted() {
    const QByteArray page = samplePage().Bytes();
    QByteArray shifted(1, 'x');
    shifted += page;
    const QByteArray view = QByteArray::fromRawData(shifted.constData() + 1, page.size());
    TMetafile mf;
    mf.SetBytes(view);
    QCOMPARE(mf.Bytes(), page);
    emf::PlayOutcome outcome;
    const QImage img = playBytes(view, QSize(200, 100), &outcome);
    QVERIFY(outcome.complete);
    QCOMPARE(img.pixel(10, 10), qRgb(255, 0, 0));
    QCOMPARE(img.pixel(175, 75), qRgb(0, 0, 255));
    // The picture keeps its own copy: what becomes of the viewed memory afterwards is not its
    // business.
    std::memset(shifted.data() + 1, 0x55, static_cast<size_t>(page.size()));
    QCOMPARE(mf.Bytes(), page);
    QCOMPARE(RenderMetafile(mf, QSize(200, 100)).pixel(175, 75), qRgb(0, 0, 255));
}

void TestEmfFiles::recordsOfOtherWritersPlay() {
    // What other programs commonly write: saved states, world transforms, stock objects,
    // ellipses, 16-bit polylines, pens made with EXTCREATEPEN, text aligned at the top.
    QByteArray recs;
    int n = 0;
    auto add = [&](char* r) {
        recs += take(r);
        ++n;
    };
    EMFHANDLES* eht = nullptr;
    QCOMPARE(emf_htable_create(16, 16, &eht), 0);
    add(U_EMRSAVEDC_set());
    add(U_EMRSETWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 100, 0))); // 100 to the right
    uint32_t green = 0;
    add(createbrushindirect_set(&green, eht,
                                logbrush_set(U_BS_SOLID, colorref3_set(0, 200, 0), 0)));
    add(selectobject_set(green, eht));
    add(selectobject_set(U_NULL_PEN, eht));
    add(U_EMRELLIPSE_set(U_RECTL{0, 0, 40, 40})); // at 100..140 after the transform
    add(U_EMRRESTOREDC_set(-1));                  // transform and brush back as they were
    add(selectobject_set(U_BLACK_BRUSH, eht));
    add(selectobject_set(U_NULL_PEN, eht));
    add(U_EMRRECTANGLE_set(U_RECTL{0, 60, 21, 81})); // pen-less: 20 x 20 pixels
    uint32_t pen = 0;
    U_EXTLOGPEN* elp = extlogpen_set(U_PS_SOLID | U_PS_GEOMETRIC | U_PS_ENDCAP_FLAT, 3, U_BS_SOLID,
                                     colorref3_set(0, 0, 255), 0, 0, nullptr);
    add(extcreatepen_set(&pen, eht, nullptr, 0, nullptr, elp));
    std::free(elp);
    add(selectobject_set(pen, eht));
    const U_POINT16 pts[3] = {point16_set(160, 10), point16_set(190, 10), point16_set(190, 40)};
    add(U_EMRPOLYLINE16_set(U_RECTL{160, 10, 190, 40}, 3, pts));
    add(selectobject_set(U_BLACK_PEN, eht));
    add(deleteobject_set(&pen, eht));
    add(deleteobject_set(&green, eht));
    add(U_EMREXCLUDECLIPRECT_set(U_RECTL{0, 90, 10, 100}));
    add(selectobject_set(U_BLACK_BRUSH, eht));
    add(selectobject_set(U_NULL_PEN, eht));
    const U_POINT16 square[4] = {point16_set(0, 90), point16_set(20, 90), point16_set(20, 100),
                                 point16_set(0, 100)};
    add(U_EMRPOLYGON16_set(U_RECTL{0, 90, 20, 100}, 4, square));
    const int handles = static_cast<int>(eht->peak) + 1;
    emf_htable_free(&eht);

    const QByteArray blank = Record(QSize(200, 100), [](TCanvas&) {}).Bytes();
    const QByteArray page = insertBeforeEof(blank, recs, n, handles);
    TMetafile mf;
    mf.SetBytes(page);
    if (qEnvironmentVariableIsSet("EMF_DUMP")) {
        // Seeds for the fuzzer.
        mf.SaveToFile(QStringLiteral("/tmp/emf-seed-other.emf"));
        samplePage().SaveToFile(QStringLiteral("/tmp/emf-seed-sample.emf"));
    }
    const QImage img = RenderMetafile(mf, QSize(200, 100));
    QCOMPARE(img.pixel(120, 20), qRgb(0, 200, 0));    // ellipse moved by the world transform
    QCOMPARE(img.pixel(20, 20), qRgb(255, 255, 255)); // and not at the untransformed place
    QCOMPARE(InkBox(img, QRect(0, 55, 40, 30), [](QRgb p) { return p == qRgb(0, 0, 0); }),
             QRect(0, 60, 20, 20));
    QVERIFY(Near(img.pixel(175, 10), QColor(0, 0, 255), 30)); // the wide pen's polyline
    QVERIFY(Near(img.pixel(190, 25), QColor(0, 0, 255), 30));
    QCOMPARE(img.pixel(5, 95), qRgb(255, 255, 255)); // excluded from the clip
    QCOMPARE(img.pixel(15, 95), qRgb(0, 0, 0));
}

void TestEmfFiles::unknownRecordsAreSkipped() {
    QByteArray unknown(16, '\0');
    Put32(unknown, 0, 200); // no such record type
    Put32(unknown, 4, 16);
    QByteArray comment = take(U_EMRCOMMENT_set(8, "Movra..."));
    const QByteArray page = insertBeforeEof(samplePage().Bytes(), unknown + comment, 2);
    TMetafile mf;
    try {
        mf.SetBytes(page);
    } catch (const EMetafileError& e) {
        QFAIL(e.what());
    }
    const QImage img = RenderMetafile(mf, QSize(200, 100));
    QCOMPARE(img.pixel(175, 75), qRgb(0, 0, 255));
}

void TestEmfFiles::mappingModesPathsRegionsAndAlignment() {
    QByteArray recs;
    int n = 0;
    auto add = [&](char* r) {
        recs += take(r);
        ++n;
    };
    EMFHANDLES* eht = nullptr;
    QCOMPARE(emf_htable_create(16, 16, &eht), 0);
    uint32_t black = 0;
    add(createbrushindirect_set(&black, eht, logbrush_set(U_BS_SOLID, colorref3_set(0, 0, 0), 0)));
    add(selectobject_set(black, eht));
    add(selectobject_set(U_NULL_PEN, eht));
    // Tenths of a millimetre with y upwards: 100..200 lies 37.8..75.6 pixels from the corner.
    add(U_EMRSAVEDC_set());
    add(U_EMRSETMAPMODE_set(U_MM_LOMETRIC));
    add(U_EMRRECTANGLE_set(U_RECTL{100, -100, 200, -200}));
    add(U_EMRRESTOREDC_set(-1));
    // A path filled in red.
    uint32_t red = 0;
    add(createbrushindirect_set(&red, eht, logbrush_set(U_BS_SOLID, colorref3_set(255, 0, 0), 0)));
    add(selectobject_set(red, eht));
    add(U_EMRBEGINPATH_set());
    add(U_EMRMOVETOEX_set(point32_set(100, 10)));
    add(U_EMRLINETO_set(point32_set(140, 10)));
    add(U_EMRLINETO_set(point32_set(140, 50)));
    add(U_EMRCLOSEFIGURE_set());
    add(U_EMRENDPATH_set());
    add(U_EMRFILLPATH_set(U_RECTL{100, 10, 140, 50}));
    // A clip region (device pixels) and a pattern fill through it, then the clip reset.
    const U_RECTL only{150, 10, 160, 20};
    PU_RGNDATA rgn = rgndata_set(rgndataheader_set(1, only), const_cast<PU_RECTL>(&only));
    add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, rgn));
    std::free(rgn);
    add(U_EMRBITBLT_set(U_RECTL{140, 0, 200, 40}, point32_set(140, 0), point32_set(60, 40),
                        point32_set(0, 0), xform_set(1, 0, 0, 1, 0, 0), colorref3_set(0, 0, 0), 0,
                        U_PATCOPY, nullptr, 0, nullptr));
    QByteArray reset(16, '\0');
    Put32(reset, 0, U_EMR_EXTSELECTCLIPRGN);
    Put32(reset, 4, 16);
    Put32(reset, 12, U_RGN_COPY); // no region: back to the whole page
    recs += reset;
    ++n;
    add(U_EMRSETPIXELV_set(point32_set(190, 90), colorref3_set(0, 0, 255)));
    // Text aligned at its top and at its bottom centre, with no advances given.
    U_LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = -20;
    lf.lfWeight = 700;
    const char16_t face[] = u"Arial";
    std::memcpy(lf.lfFaceName, face, sizeof face);
    uint32_t font = 0;
    add(extcreatefontindirectw_set(&font, eht, reinterpret_cast<const char*>(&lf), nullptr));
    add(selectobject_set(font, eht));
    add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    auto text = [&](int x, int y) {
        const QString s = QStringLiteral("HH");
        QByteArray t(76 + 4, '\0');
        Put32(t, 0, U_EMR_EXTTEXTOUTW);
        Put32(t, 4, static_cast<std::uint32_t>(t.size()));
        Put32(t, 24, U_GM_COMPATIBLE);
        Put32(t, 36, static_cast<std::uint32_t>(x));
        Put32(t, 40, static_cast<std::uint32_t>(y));
        Put32(t, 44, 2);
        Put32(t, 48, 76);
        std::memcpy(t.data() + 76, s.utf16(), 4);
        recs += t;
        ++n;
    };
    add(U_EMRSETTEXTALIGN_set(U_TA_TOP));
    text(10, 78);
    add(U_EMRSETTEXTALIGN_set(U_TA_BOTTOM | U_TA_CENTER));
    text(100, 95);
    const int handles = static_cast<int>(eht->peak) + 1;
    emf_htable_free(&eht);

    const QByteArray page =
        insertBeforeEof(Record(QSize(200, 100), [](TCanvas&) {}).Bytes(), recs, n, handles);
    TMetafile mf;
    mf.SetBytes(page);
    if (qEnvironmentVariableIsSet("EMF_DUMP"))
        mf.SaveToFile(QStringLiteral("/tmp/emf-seed-modes.emf"));
    const QImage img = RenderMetafile(mf, QSize(200, 100));
    const auto isBlack = [](QRgb p) { return p == qRgb(0, 0, 0); };
    const QRect lometric = InkBox(img, QRect(0, 0, 85, 78), isBlack);
    QVERIFY2(std::abs(lometric.left() - 38) <= 1 && std::abs(lometric.right() - 75) <= 1 &&
                 std::abs(lometric.top() - 38) <= 1 && std::abs(lometric.bottom() - 75) <= 1,
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(lometric.x())
                            .arg(lometric.y())
                            .arg(lometric.width())
                            .arg(lometric.height())));
    QCOMPARE(img.pixel(135, 15), qRgb(255, 0, 0)); // inside the triangle
    QCOMPARE(img.pixel(105, 45), qRgb(255, 255, 255));
    QCOMPARE(InkBox(img, QRect(141, 0, 59, 40), [](QRgb p) { return p == qRgb(255, 0, 0); }),
             QRect(150, 10, 10, 10));
    QCOMPARE(img.pixel(190, 90), qRgb(0, 0, 255));
    const QRect top = InkBox(img, QRect(0, 77, 60, 23), Dark);
    QVERIFY(!top.isNull());
    QVERIFY(top.top() >= 78 && top.top() <= 84); // the cell's top at 78, glyphs a little lower
    QVERIFY(top.left() >= 10 && top.left() <= 13);
    const QRect bottom = InkBox(img, QRect(78, 55, 60, 45), Dark);
    QVERIFY(!bottom.isNull());
    QVERIFY(bottom.bottom() < 95 && bottom.bottom() >= 85); // descent below the baseline
    QVERIFY(std::abs((bottom.left() + bottom.right()) / 2 - 100) <= 2); // centred on 100
}

// A picture's photos are decoded on its first play and reused (repaints, zoom steps); whatever
// replaces the content must show, even where the new picture has its photo at the same place.
void TestEmfFiles::decodedPhotosFollowTheContent() {
    const auto photoPage = [](const QColor& colour) {
        QImage photo(24, 16, QImage::Format_RGB32);
        photo.fill(colour);
        return Record(QSize(100, 80),
                      [&](TCanvas& c) { c.StretchDraw(TRect(10, 10, 90, 70), photo); });
    };
    const TMetafile red = photoPage(QColor(255, 0, 0));
    const TMetafile blue = photoPage(QColor(0, 0, 255));
    QCOMPARE(red.Bytes().size(), blue.Bytes().size());
    QCOMPARE(FindRecord(red.Bytes(), U_EMR_STRETCHDIBITS),
             FindRecord(blue.Bytes(), U_EMR_STRETCHDIBITS));
    QVERIFY(red.Bytes() != blue.Bytes());
    const auto centre = [](const TMetafile& mf, QSize size) {
        return RenderMetafile(mf, size).pixel(size.width() / 2, size.height() / 2);
    };

    TMetafile mf = red;
    QCOMPARE(centre(mf, QSize(100, 80)), qRgb(255, 0, 0));
    QCOMPARE(centre(mf, QSize(250, 200)), qRgb(255, 0, 0)); // again, at another size
    const TMetafile copy = mf;                              // played once already
    mf.SetBytes(blue.Bytes());
    QCOMPARE(centre(mf, QSize(100, 80)), qRgb(0, 0, 255));
    QCOMPARE(centre(copy, QSize(100, 80)), qRgb(255, 0, 0)); // the copy keeps its own content
    mf.Clear();
    mf.SetBytes(red.Bytes());
    QCOMPARE(centre(mf, QSize(100, 80)), qRgb(255, 0, 0));
    QBuffer stream;
    QVERIFY(stream.open(QIODevice::ReadWrite));
    blue.SaveToStream(stream);
    stream.seek(0);
    mf.LoadFromStream(stream);
    QCOMPARE(centre(mf, QSize(100, 80)), qRgb(0, 0, 255));
    // The page store's way of handing out another page: the cached picture is assigned.
    mf = red;
    QCOMPARE(centre(mf, QSize(100, 80)), qRgb(255, 0, 0));

    // A page just recorded plays the bitmaps its recorder had in hand; they are exactly what its
    // bytes decode to, bitmap for bitmap.
    QImage pattern(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, qRgb(x * 6, y * 8, (x * y) % 256));
    QImage plain(20, 20, QImage::Format_RGB32);
    plain.fill(QColor(10, 200, 30));
    const TMetafile twoPhotos = Record(QSize(200, 100), [&](TCanvas& c) {
        c.StretchDraw(TRect(0, 0, 100, 100), pattern);
        c.StretchDraw(TRect(100, 0, 200, 100), plain);
    });
    TMetafile fresh;
    fresh.SetBytes(twoPhotos.Bytes());
    QCOMPARE(RenderMetafile(twoPhotos, QSize(200, 100)), RenderMetafile(fresh, QSize(200, 100)));
}

// Advances that run far out and back again are sound as records: the glyphs out there are left
// out, those that come back are drawn, and so is the rest of the page.
void TestEmfFiles::glyphsSentFarOffThePageAreLeftOut() {
    QByteArray page = samplePage().Bytes();
    const int text = FindRecord(page, U_EMR_EXTTEXTOUTW);
    QVERIFY(text > 0);
    const auto n = static_cast<int>(Get32(page, text + 44));
    QVERIFY(n >= 4);
    const int dx = text + static_cast<int>(Get32(page, text + 72));
    Put32(page, dx, 0x7FFFFF00u);
    Put32(page, dx + 4, static_cast<std::uint32_t>(-0x7FFFFF00));
    Put32(page, dx + 8, 0x7FFFFF00u);
    Put32(page, dx + 12, static_cast<std::uint32_t>(-0x7FFFFF00));
    TMetafile mf;
    mf.SetBytes(page);
    const QImage img = RenderMetafile(mf, QSize(200, 100));
    QCOMPARE(img.pixel(175, 75), qRgb(0, 0, 255));
    QVERIFY(!InkBox(img, QRect(60, 0, 90, 28), Dark).isNull());
}

QTEST_MAIN(TestEmfFiles)
#include "tst_emf_files.moc"
