#include "platform/text/Jpeg.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtGui/QPainter>
#include <QtTest/QTest>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;
using movra::DecodeJpeg;
using movra::EJpegError;
using movra::EncodeJpeg;
using movra::TJpegPhoto;

namespace {

// Four solid quadrants and a soft gradient band: enough structure to notice swapped channels,
// a wrong row pitch or a flipped picture.
QImage TestPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const int w2 = width / 2, h2 = height / 2;
    p.fillRect(0, 0, w2, h2, QColor(220, 30, 30));
    p.fillRect(w2, 0, width - w2, h2, QColor(30, 200, 40));
    p.fillRect(0, h2, w2, height - h2, QColor(20, 40, 210));
    p.fillRect(w2, h2, width - w2, height - h2, QColor(240, 230, 80));
    return image;
}

QByteArray QtJpeg(const QImage& image, int quality = 95) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", quality))
        qFatal("Qt could not write a test JPEG");
    return bytes;
}

QImage QtDecode(const QByteArray& bytes) {
    return QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB888);
}

int MaxChannelDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size())
        return 1000;
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i)
            worst = std::max(worst, std::abs(int(p[i]) - int(q[i])));
    }
    return worst;
}

bool Near(QRgb got, QColor want, int tolerance) {
    return std::abs(qRed(got) - want.red()) <= tolerance &&
           std::abs(qGreen(got) - want.green()) <= tolerance &&
           std::abs(qBlue(got) - want.blue()) <= tolerance;
}

QString Describe(QRgb c) {
    return u"(%1, %2, %3)"_s.arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// Offset of the start-of-frame segment (baseline or progressive), or -1.
qsizetype FindSof(const QByteArray& jpeg) {
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC1 || m == 0xC2))
            return i;
    }
    return -1;
}

QByteArray WithFrameSize(QByteArray jpeg, int width, int height) {
    const qsizetype sof = FindSof(jpeg);
    if (sof < 0)
        qFatal("no frame header in the test JPEG");
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg;
}

// Straight TurboJPEG compression, for the inputs Qt cannot write (CMYK, progressive).
QByteArray TjCompress(const unsigned char* pixels, int width, int height, int pixelFormat,
                      int subsamp, int flags) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc =
        tjCompress2(handle, pixels, width, 0, height, pixelFormat, &out, &size, subsamp, 95, flags);
    QByteArray bytes;
    if (rc == 0)
        bytes = QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(handle);
    if (rc != 0)
        qFatal("TurboJPEG could not write a test JPEG");
    return bytes;
}

QByteArray ProgressiveJpeg(int width, int height) {
    const QImage picture = TestPicture(width, height).convertToFormat(QImage::Format_RGB888);
    std::vector<unsigned char> rgb(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        std::copy_n(picture.constScanLine(y), width * 3,
                    rgb.begin() + std::ptrdiff_t(y) * width * 3);
    return TjCompress(rgb.data(), width, height, TJPF_RGB, TJSAMP_420, TJFLAG_PROGRESSIVE);
}

// The JPEG's scans (with the tables between them) repeated until there are far more than any
// real file has: each repeat only refines coefficients already complete, which the decoder
// merely warns about, so without a limit it would go through every one of them.
QByteArray WithRepeatedScans(const QByteArray& jpeg, int repeats) {
    const qsizetype sof = FindSof(jpeg);
    const int sofLength = (uchar(jpeg[sof + 2]) << 8) | uchar(jpeg[sof + 3]);
    const qsizetype body = sof + 2 + sofLength;
    const qsizetype eoi = jpeg.lastIndexOf("\xFF\xD9");
    if (sof < 0 || eoi <= body)
        qFatal("unexpected test JPEG layout");
    QByteArray out = jpeg.left(body);
    const QByteArray scans = jpeg.mid(body, eoi - body);
    for (int i = 0; i < repeats; ++i)
        out += scans;
    out += "\xFF\xD9";
    return out;
}

int ScanCount(const QByteArray& jpeg) {
    // Every SOS marker; the entropy-coded data stuffs 0xFF with 0x00, so FF DA is unambiguous.
    return int(jpeg.count("\xFF\xDA"));
}

int Subsampling(const QByteArray& jpeg) {
    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, subsamp = -1, colorspace = -1;
    tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                        static_cast<unsigned long>(jpeg.size()), &w, &h, &subsamp, &colorspace);
    tjDestroy(handle);
    return subsamp;
}

template <typename F> QString ErrorOf(F&& f) {
    try {
        f();
    } catch (const EJpegError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

class JpegTest : public QObject {
    Q_OBJECT

private slots:
    void decodesAtFullSizeWithRightColours();
    void matchesAnIndependentDecoder();
    void readsTheHeaderAlone();
    void grayscaleDecodesToRgb();
    void cmykDecodesToRgb();
    void progressiveDecodes();
    void tooManyProgressiveScansAreRefused();
    void encodeDecodeRoundTrip();
    void encodesEveryImageFormatFaithfully();
    void encodeRefusesWhatCannotBeWritten();
    void photoKeepsItsOriginalBytes();
    void phonePhotoStandsUpright_data();
    void phonePhotoStandsUpright();
    void reducedDecodeCoversWhatIsAsked();
    void photoFromImageShowsWhatItStores();
    void photoFromFile();
    void photoFromFileFailures();
    void refusesOversizedPicturesBeforeDecoding();
    void pixelLimitBoundary();
    void notJpegData_data();
    void notJpegData();
    void truncatedFiles();
    void slightlyDamagedFileStillGivesItsPicture();
};

void JpegTest::decodesAtFullSizeWithRightColours() {
    // An odd width, so rows are padded in the QImage and the row pitch matters.
    const QImage source = TestPicture(97, 61);
    const QImage image = DecodeJpeg(QtJpeg(source));
    QCOMPARE(image.size(), QSize(97, 61));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    const struct {
        QPoint at;
        QColor colour;
    } checks[] = {{{10, 10}, QColor(220, 30, 30)},
                  {{80, 10}, QColor(30, 200, 40)},
                  {{10, 50}, QColor(20, 40, 210)},
                  {{80, 50}, QColor(240, 230, 80)},
                  {{96, 60}, QColor(240, 230, 80)}};
    for (const auto& c : checks) {
        const QRgb got = image.pixel(c.at);
        QVERIFY2(Near(got, c.colour, 12),
                 qPrintable(u"at %1,%2: %3"_s.arg(c.at.x()).arg(c.at.y()).arg(Describe(got))));
    }
}

void JpegTest::matchesAnIndependentDecoder() {
    QImage source(203, 117, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb((x * 5) & 255, (y * 7) & 255, (x * y) & 255));
    const QByteArray bytes = QtJpeg(source, 90);
    const QImage ours = DecodeJpeg(bytes);
    const QImage qt = QtDecode(bytes);
    QVERIFY(!qt.isNull());
    const int diff = MaxChannelDifference(ours, qt);
    QVERIFY2(diff <= 3, qPrintable(u"max difference %1"_s.arg(diff)));
}

void JpegTest::readsTheHeaderAlone() {
    const auto header = movra::ReadJpegHeader(QtJpeg(TestPicture(640, 480)));
    QCOMPARE(header.Width, 640);
    QCOMPARE(header.Height, 480);
    const QString error = ErrorOf([] { (void)movra::ReadJpegHeader("GIF89a"); });
    QVERIFY2(error.startsWith(u"Dane nie są poprawnym obrazem JPEG: "_s), qPrintable(error));
}

void JpegTest::grayscaleDecodesToRgb() {
    QImage gray(40, 30, QImage::Format_Grayscale8);
    gray.fill(90);
    const QByteArray bytes = QtJpeg(gray);
    QCOMPARE(Subsampling(bytes), int(TJSAMP_GRAY));
    const QImage image = DecodeJpeg(bytes);
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QVERIFY2(Near(image.pixel(20, 15), QColor(90, 90, 90), 2),
             qPrintable(Describe(image.pixel(20, 15))));
}

// TurboJPEG itself refuses to turn CMYK into RGB; the decoder converts, with the inverted
// (Adobe) samples that TurboJPEG writes and Qt's own reader expects.
void JpegTest::cmykDecodesToRgb() {
    const int w = 32, h = 32;
    std::vector<unsigned char> cmyk(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &cmyk[(std::size_t(y) * w + x) * 4];
            const bool left = x < w / 2, top = y < h / 2;
            p[0] = left ? 200 : 255;
            p[1] = top ? 50 : 255;
            p[2] = 100;
            p[3] = (left && !top) ? 128 : 255;
        }
    }
    const QByteArray bytes = TjCompress(cmyk.data(), w, h, TJPF_CMYK, TJSAMP_444, 0);
    const QImage image = DecodeJpeg(bytes);
    QCOMPARE(image.size(), QSize(w, h));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    const QRgb topLeft = image.pixel(4, 4), bottomLeft = image.pixel(4, 28),
               bottomRight = image.pixel(28, 28);
    QVERIFY2(Near(topLeft, QColor(200, 50, 100), 6), qPrintable(Describe(topLeft)));
    QVERIFY2(Near(bottomLeft, QColor(100, 128, 50), 6), qPrintable(Describe(bottomLeft)));
    QVERIFY2(Near(bottomRight, QColor(255, 255, 100), 6), qPrintable(Describe(bottomRight)));

    const QImage qt = QtDecode(bytes);
    if (!qt.isNull()) {
        const int diff = MaxChannelDifference(image, qt);
        QVERIFY2(diff <= 3, qPrintable(u"differs from Qt's reader by %1"_s.arg(diff)));
    }
}

void JpegTest::progressiveDecodes() {
    const QByteArray bytes = ProgressiveJpeg(120, 80);
    QVERIFY(ScanCount(bytes) > 1);
    QCOMPARE(uchar(bytes[FindSof(bytes) + 1]), uchar(0xC2));
    const QImage image = DecodeJpeg(bytes);
    QCOMPARE(image.size(), QSize(120, 80));
    QVERIFY2(Near(image.pixel(10, 10), QColor(220, 30, 30), 14),
             qPrintable(Describe(image.pixel(10, 10))));
    QVERIFY2(Near(image.pixel(100, 70), QColor(240, 230, 80), 14),
             qPrintable(Describe(image.pixel(100, 70))));
}

void JpegTest::tooManyProgressiveScansAreRefused() {
    const QByteArray normal = ProgressiveJpeg(16, 16);
    const QByteArray abusive = WithRepeatedScans(normal, 80);
    QVERIFY2(ScanCount(abusive) > 600, qPrintable(QString::number(ScanCount(abusive))));

    // Without a scan limit the same bytes are read to the end (with warnings only): the file is
    // well formed enough that only the limit stops it.
    {
        tjhandle handle = tjInitDecompress();
        std::vector<unsigned char> rgb(16 * 16 * 3);
        const int rc = tjDecompress2(
            handle, reinterpret_cast<const unsigned char*>(abusive.constData()),
            static_cast<unsigned long>(abusive.size()), rgb.data(), 16, 0, 16, TJPF_RGB, 0);
        const bool completed = rc == 0 || tjGetErrorCode(handle) == TJERR_WARNING;
        tjDestroy(handle);
        QVERIFY(completed);
    }

    QElapsedTimer timer;
    timer.start();
    const QString error = ErrorOf([&] { (void)DecodeJpeg(abusive); });
    QVERIFY2(error.startsWith(u"Obraz JPEG jest uszkodzony i nie da się go odczytać: "_s),
             qPrintable(error));
    QVERIFY2(error.contains(u"ponad 500 przebiegów"_s), qPrintable(error));
    QVERIFY(timer.elapsed() < 5000);
}

void JpegTest::encodeDecodeRoundTrip() {
    QImage source(160, 90, QImage::Format_RGB888);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb(x + 40, y * 2 + 30, 255 - x));
    const QByteArray bytes = EncodeJpeg(source);
    QVERIFY(bytes.startsWith("\xFF\xD8"));
    QCOMPARE(Subsampling(bytes), int(TJSAMP_444));

    const QImage qt = QtDecode(bytes);
    QCOMPARE(qt.size(), source.size());
    const int diffQt = MaxChannelDifference(qt, source);
    QVERIFY2(diffQt <= 4, qPrintable(u"difference %1"_s.arg(diffQt)));
    const int diffOurs = MaxChannelDifference(DecodeJpeg(bytes), source);
    QVERIFY2(diffOurs <= 4, qPrintable(u"difference %1"_s.arg(diffOurs)));

    // Lower quality gives a smaller file: the quality really reaches the encoder.
    QVERIFY(EncodeJpeg(source, 30).size() < bytes.size());
}

void JpegTest::encodesEveryImageFormatFaithfully() {
    const QImage base = TestPicture(64, 48);
    const QImage::Format formats[] = {QImage::Format_RGB32,    QImage::Format_RGB888,
                                      QImage::Format_RGBX8888, QImage::Format_ARGB32,
                                      QImage::Format_Indexed8, QImage::Format_BGR888,
                                      QImage::Format_RGB16};
    for (const QImage::Format f : formats) {
        const QImage source = base.convertToFormat(f);
        const QImage back = DecodeJpeg(EncodeJpeg(source));
        QCOMPARE(back.size(), base.size());
        QVERIFY2(Near(back.pixel(8, 8), QColor(220, 30, 30), 10),
                 qPrintable(u"format %1: %2"_s.arg(int(f)).arg(Describe(back.pixel(8, 8)))));
        QVERIFY2(Near(back.pixel(56, 40), QColor(240, 230, 80), 10),
                 qPrintable(u"format %1: %2"_s.arg(int(f)).arg(Describe(back.pixel(56, 40)))));
    }

    QImage gray(20, 20, QImage::Format_Grayscale8);
    gray.fill(200);
    const QByteArray grayBytes = EncodeJpeg(gray);
    QCOMPARE(Subsampling(grayBytes), int(TJSAMP_GRAY));
    QVERIFY(Near(DecodeJpeg(grayBytes).pixel(10, 10), QColor(200, 200, 200), 2));

    // A transparent picture is shown on white, not on whatever its hidden colour is.
    QImage transparent(20, 20, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    const QRgb t = DecodeJpeg(EncodeJpeg(transparent)).pixel(10, 10);
    QVERIFY2(Near(t, Qt::white, 2), qPrintable(Describe(t)));
}

void JpegTest::encodeRefusesWhatCannotBeWritten() {
    QCOMPARE(ErrorOf([] { (void)EncodeJpeg(QImage()); }), u"Brak obrazu do zapisania jako JPEG."_s);
    QVERIFY(ErrorOf([] { (void)EncodeJpeg(TestPicture(4, 4), 0); }).contains(u"jakość"_s));
    QVERIFY(ErrorOf([] { (void)EncodeJpeg(TestPicture(4, 4), 101); }).contains(u"jakość"_s));
    // Wider than the format allows (65,535): TurboJPEG's refusal arrives as our error.
    QImage wide(70000, 1, QImage::Format_RGB888);
    wide.fill(Qt::gray);
    const QString error = ErrorOf([&] { (void)EncodeJpeg(wide); });
    QVERIFY2(error.startsWith(u"Nie udało się zapisać obrazu w formacie JPEG: "_s),
             qPrintable(error));
}

void JpegTest::photoKeepsItsOriginalBytes() {
    QVERIFY(TJpegPhoto().IsNull());
    const QByteArray bytes = QtJpeg(TestPicture(50, 40), 70);
    const TJpegPhoto photo = TJpegPhoto::FromJpeg(bytes);
    QVERIFY(!photo.IsNull());
    QCOMPARE(photo.Jpeg(), bytes);
    QCOMPARE(photo.Width(), 50);
    QCOMPARE(photo.Height(), 40);
    QCOMPARE(photo.Image(), DecodeJpeg(bytes));

    QVERIFY_THROWS_EXCEPTION(EJpegError, TJpegPhoto::FromJpeg(QByteArray("nie jpeg")));
}

// Quadrant colours of the picture as shown, read left to right, top to bottom: R red, G green,
// B blue, W white. Stored, the picture is "RGBW" and 48 x 32.
void JpegTest::phonePhotoStandsUpright_data() {
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("onItsSide");
    QTest::newRow("no tag") << 0 << u"RGBW"_s << false;
    QTest::newRow("1 as stored") << 1 << u"RGBW"_s << false;
    QTest::newRow("2 mirrored") << 2 << u"GRWB"_s << false;
    QTest::newRow("3 upside down") << 3 << u"WBGR"_s << false;
    QTest::newRow("4 flipped") << 4 << u"BWRG"_s << false;
    QTest::newRow("5 transposed") << 5 << u"RBGW"_s << true;
    QTest::newRow("6 quarter clockwise") << 6 << u"BRWG"_s << true;
    QTest::newRow("7 transversed") << 7 << u"WGBR"_s << true;
    QTest::newRow("8 quarter anticlockwise") << 8 << u"GWRB"_s << true;
    QTest::newRow("9 not an orientation") << 9 << u"RGBW"_s << false;
}

void JpegTest::phonePhotoStandsUpright() {
    QFETCH(int, orientation);
    QFETCH(QString, shown);
    QFETCH(bool, onItsSide);
    const QByteArray bytes = movra::test::MakeQuadrantJpegWithOrientation(48, 32, orientation);
    QVERIFY(!bytes.isEmpty());
    const QSize upright = onItsSide ? QSize(32, 48) : QSize(48, 32);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"telefon.jpg"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.close();
    const TJpegPhoto photo = TJpegPhoto::FromFile(path);
    QCOMPARE(photo.Jpeg(), bytes); // the tag stays in what is stored and exported
    QCOMPARE(QSize(photo.Width(), photo.Height()), upright);
    const movra::TJpegHeader header = movra::ReadJpegHeader(bytes);
    QCOMPARE(QSize(header.Width, header.Height), upright);
    QCOMPARE(photo.Image().format(), QImage::Format_RGB32);

    auto letter = [](QRgb c) {
        const QRgb names[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                              qRgb(255, 255, 255)};
        for (int i = 0; i < 4; ++i)
            if (Near(c, QColor(names[i]), 24))
                return QChar(u"RGBW"[i]);
        return QChar(u'?');
    };
    const QImage& img = photo.Image();
    const int qx = img.width() / 4;
    const int qy = img.height() / 4;
    QString got;
    for (const QPoint p :
         {QPoint(qx, qy), QPoint(3 * qx, qy), QPoint(qx, 3 * qy), QPoint(3 * qx, 3 * qy)})
        got += letter(img.pixel(p));
    QCOMPARE(got, shown);
    QCOMPARE(TJpegPhoto::FromJpeg(bytes).Image(), img);
}

void JpegTest::photoFromImageShowsWhatItStores() {
    const QImage source = TestPicture(33, 21);
    const TJpegPhoto photo = TJpegPhoto::FromImage(source);
    QVERIFY(!photo.IsNull());
    QCOMPARE(photo.Image().size(), source.size());
    QCOMPARE(Subsampling(photo.Jpeg()), int(TJSAMP_444));
    QCOMPARE(photo.Image(), DecodeJpeg(photo.Jpeg()));
    QVERIFY(MaxChannelDifference(photo.Image(), source) <= 8);
    QVERIFY_THROWS_EXCEPTION(EJpegError, TJpegPhoto::FromImage(QImage()));
}

void JpegTest::photoFromFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"zdjęcie Łucji.jpg"_s);
    const QByteArray bytes = QtJpeg(TestPicture(64, 64), 80);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const TJpegPhoto photo = TJpegPhoto::FromFile(path);
    QCOMPARE(photo.Jpeg(), bytes);
    QCOMPARE(photo.Image().size(), QSize(64, 64));
}

void JpegTest::photoFromFileFailures() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(u"brak.jpg"_s);
    QCOMPARE(ErrorOf([&] { (void)TJpegPhoto::FromFile(missing); }),
             u"Plik „%1” nie istnieje."_s.arg(QDir::toNativeSeparators(missing)));

    const QString text = dir.filePath(u"notatka.jpg"_s);
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("To nie jest zdjęcie.");
    file.close();
    const QString notJpeg = ErrorOf([&] { (void)TJpegPhoto::FromFile(text); });
    QVERIFY2(notJpeg.startsWith(u"Plik „%1” nie jest poprawnym obrazem JPEG: "_s.arg(
                 QDir::toNativeSeparators(text))),
             qPrintable(notJpeg));

    const QString folder = ErrorOf([&] { (void)TJpegPhoto::FromFile(dir.path()); });
    QVERIFY2(folder.startsWith(u"Nie można odczytać pliku „"_s), qPrintable(folder));

    const QString empty = dir.filePath(u"pusty.jpg"_s);
    QFile emptyFile(empty);
    QVERIFY(emptyFile.open(QIODevice::WriteOnly));
    emptyFile.close();
    QVERIFY(ErrorOf([&] { (void)TJpegPhoto::FromFile(empty); }).contains(u"brak danych"_s));
}

void JpegTest::refusesOversizedPicturesBeforeDecoding() {
    const QByteArray small = QtJpeg(TestPicture(16, 16));
    const QByteArray huge = WithFrameSize(small, 60000, 60000);
    QElapsedTimer timer;
    timer.start();
    const QString error = ErrorOf([&] { (void)DecodeJpeg(huge); });
    QVERIFY2(error.startsWith(u"Obraz JPEG jest za duży: 60000 × 60000 pikseli"_s),
             qPrintable(error));
    QVERIFY2(error.contains(u"120,0 megapikseli"_s), qPrintable(error));
    QVERIFY(ErrorOf([&] { (void)movra::ReadJpegHeader(huge); }).contains(u"za duży"_s));
    QVERIFY(ErrorOf([&] { (void)TJpegPhoto::FromJpeg(huge); }).contains(u"za duży"_s));

    // Just over the limit in one direction only.
    QVERIFY(ErrorOf([&] {
                (void)DecodeJpeg(WithFrameSize(small, 65000, 1847));
            }).contains(u"za duży"_s));
    // Beyond what the format's decoder takes at all.
    QVERIFY(!ErrorOf([&] { (void)DecodeJpeg(WithFrameSize(small, 65535, 1)); }).isEmpty());
    QVERIFY(timer.elapsed() < 2000);
}

void JpegTest::pixelLimitBoundary() {
    const QByteArray bytes = QtJpeg(TestPicture(64, 64));
    QCOMPARE(DecodeJpeg(bytes, 64 * 64).size(), QSize(64, 64));
    QVERIFY(ErrorOf([&] { (void)DecodeJpeg(bytes, 64 * 64 - 1); }).contains(u"za duży"_s));
}

void JpegTest::notJpegData_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("\xFF", 1);
    QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2);
    QTest::newRow("text") << QByteArray("Ala ma kota, a kot ma Alę.");
    QTest::newRow("png signature") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    QByteArray noise(4096, '\0');
    QRandomGenerator rng(1250);
    for (char& c : noise)
        c = char(rng.bounded(256));
    QTest::newRow("random") << noise;
    noise[0] = char(0xFF);
    noise[1] = char(0xD8);
    QTest::newRow("random after a start marker") << noise;
}

void JpegTest::notJpegData() {
    QFETCH(QByteArray, bytes);
    const QString error = ErrorOf([&] { (void)DecodeJpeg(bytes); });
    QVERIFY2(error.startsWith(u"Dane nie są poprawnym obrazem JPEG: "_s) ||
                 error.startsWith(u"Obraz JPEG jest uszkodzony"_s),
             qPrintable(error));
    if (bytes.isEmpty())
        QCOMPARE(error, u"Dane nie są poprawnym obrazem JPEG: brak danych (0 bajtów)."_s);
    // The library's own function names do not reach the user.
    QVERIFY2(!error.contains(u"tjDecompress"_s), qPrintable(error));
}

// Every cut of a real file ends either in a picture of the right size (the decoder fills what
// is missing) or in our error: never a crash, never another exception.
void JpegTest::truncatedFiles() {
    const QByteArray whole = QtJpeg(TestPicture(80, 60));
    int pictures = 0, errors = 0;
    for (qsizetype cut = 0; cut < whole.size(); cut += std::max<qsizetype>(1, whole.size() / 97)) {
        try {
            const QImage image = DecodeJpeg(whole.left(cut));
            QCOMPARE(image.size(), QSize(80, 60));
            ++pictures;
        } catch (const EJpegError&) {
            ++errors;
        }
    }
    QVERIFY(pictures > 0);
    QVERIFY(errors > 0);
}

void JpegTest::slightlyDamagedFileStillGivesItsPicture() {
    const QByteArray whole = QtJpeg(TestPicture(80, 60));
    // Cut inside the last rows' data: the start of the picture is intact.
    const QImage image = DecodeJpeg(whole.left(whole.size() - 40));
    QCOMPARE(image.size(), QSize(80, 60));
    QVERIFY2(Near(image.pixel(5, 5), QColor(220, 30, 30), 12),
             qPrintable(Describe(image.pixel(5, 5))));
}

// A photo drawn at a known resolution is decoded at the decoder's smallest reduction that still
// covers it, upright, with its colours where the whole picture has them.
void JpegTest::reducedDecodeCoversWhatIsAsked() {
    const QByteArray camera = movra::test::MakeQuadrantJpegWithOrientation(800, 600, 1);
    QCOMPARE(movra::DecodeJpegAtLeast(camera, QSize(180, 120)).size(), QSize(200, 150)); // 1/4
    QCOMPARE(movra::DecodeJpegAtLeast(camera, QSize(201, 120)).size(), QSize(400, 300)); // 1/2
    QCOMPARE(movra::DecodeJpegAtLeast(camera, QSize(90, 60)).size(), QSize(100, 75));    // 1/8
    QCOMPARE(movra::DecodeJpegAtLeast(camera, QSize(1000, 10)).size(), QSize(800, 600));
    // On its side: the upright picture covers the size asked, as the whole one would stand.
    const QByteArray phone = movra::test::MakeQuadrantJpegWithOrientation(800, 600, 6);
    const QImage upright = movra::DecodeJpegAtLeast(phone, QSize(140, 190));
    QCOMPARE(upright.size(), QSize(150, 200));
    const QImage whole = movra::DecodeJpeg(phone);
    for (const QPointF at :
         {QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.25, 0.75), QPointF(0.75, 0.75)}) {
        const QRgb reduced =
            upright.pixel(int(at.x() * upright.width()), int(at.y() * upright.height()));
        const QRgb full = whole.pixel(int(at.x() * whole.width()), int(at.y() * whole.height()));
        QVERIFY2(Near(reduced, QColor(full), 24), qPrintable(Describe(reduced)));
    }
    QVERIFY_THROWS_EXCEPTION(movra::EJpegError,
                             (void)movra::DecodeJpegAtLeast(QByteArray("no jpeg"), QSize(1, 1)));
}

QTEST_MAIN(JpegTest)
#include "JpegTest.moc"
