#include "bench/data/AlbumGenerator.h"

#include "album/AlbumFile.h"
#include "platform/text/Jpeg.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QImage>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace movra::bench {

namespace {

const std::array kFirstNames = {
    u"Adam",   u"Agnieszka", u"Andrzej",   u"Anna",      u"Bartłomiej", u"Barbara",  u"Cezary",
    u"Dorota", u"Elżbieta",  u"Ewa",       u"Grzegorz",  u"Halina",     u"Jacek",    u"Jędrzej",
    u"Joanna", u"Józef",     u"Katarzyna", u"Krzysztof", u"Łucja",      u"Łukasz",   u"Małgorzata",
    u"Marek",  u"Michał",    u"Paweł",     u"Piotr",     u"Renata",     u"Sławomir", u"Stanisław",
    u"Teresa", u"Tomasz",    u"Urszula",   u"Wojciech",  u"Zbigniew",   u"Zofia",    u"Żaneta"};
const std::array kLastNames = {
    u"Nowak",       u"Kowalski",  u"Wiśniewski",  u"Wójcik",    u"Kowalczyk",  u"Kamiński",
    u"Lewandowski", u"Zieliński", u"Szymański",   u"Woźniak",   u"Dąbrowski",  u"Kozłowski",
    u"Jankowski",   u"Mazur",     u"Kwiatkowski", u"Krawczyk",  u"Piotrowski", u"Grabowski",
    u"Pawłowski",   u"Michalski", u"Król",        u"Wieczorek", u"Jabłoński",  u"Wróbel",
    u"Majewski",    u"Olszewski", u"Stępień",     u"Jaworski",  u"Malinowski", u"Dudek",
    u"Górski",      u"Łukasik",   u"Śliwa",       u"Żak",       u"Ćwik",       u"adamski"};
const std::array kNicknames = {u"Kaczor", u"Mały",     u"Rudy",  u"Szczupak", u"Żaba",
                               u"Łysy",   u"Bystry",   u"Cichy", u"Ósemka",   u"Wąs",
                               u"",       u"Profesor", u"Kruk",  u"Śpioch",   u"Zając"};
const std::array kRemarks = {
    u"Lubi piłkę nożną i żeglarstwo.",         u"Na zjeździe klasowym przyniósł gitarę.",
    u"Pracuje w Gdańsku jako inżynier.",       u"Dwoje dzieci, pies i działka pod Łodzią.",
    u"Zawsze spóźniony, zawsze uśmiechnięty.", u"Zna wszystkie piosenki Czerwonych Gitar.",
    u"Wyjechał do Norwegii w 2008 r.",         u"Przewodnicząca samorządu w klasie maturalnej."};
const std::array kCities = {u"Łódź", u"Kraków", u"Poznań", u"Gdańsk", u"Wrocław", u"Białystok"};

// A photo-like picture: smooth gradients, a few hard-edged blocks and light noise, so that its
// JPEG is about as large as a real photo's of that size.
QImage PhotoLike(int width, int height, unsigned seed, int noiseMask) {
    QImage image(width, height, QImage::Format_RGB888);
    std::uint32_t noise = 0x9E3779B9u ^ seed;
    const double phase = seed * 0.7;
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double fx = x / double(width), fy = y / double(height);
            double r = 120 + 80 * std::sin(fx * 6.1 + fy * 2.3 + phase) + 30 * std::cos(fy * 17.0);
            double g = 110 + 70 * std::sin(fy * 5.3 - fx * 1.7 + phase);
            double b = 100 + 90 * std::cos(fx * 3.7 + fy * 4.1 - phase);
            if (((x * 16 / width) * 7 + (y * 12 / height) * 3 + int(seed)) % 5 == 0) {
                r = 255 - r;
                b *= 0.5;
            }
            const int n = int(noise & unsigned(noiseMask)) - noiseMask / 2;
            line[x * 3 + 0] = static_cast<uchar>(std::clamp(r + n, 0.0, 255.0));
            line[x * 3 + 1] = static_cast<uchar>(std::clamp(g + n, 0.0, 255.0));
            line[x * 3 + 2] = static_cast<uchar>(std::clamp(b + n, 0.0, 255.0));
        }
    }
    return image;
}

struct TPhotoPool {
    std::vector<std::string> Small;
    std::vector<std::string> Large;
};

const TPhotoPool& Photos(bool needLarge) {
    static TPhotoPool pool;
    if (pool.Small.empty()) {
        for (unsigned i = 0; i < 6; ++i) {
            pool.Small.push_back(EncodeJpeg(PhotoLike(640, 480, i, 3), 85).toStdString());
        }
    }
    if (needLarge && pool.Large.empty()) {
        for (unsigned i = 0; i < 2; ++i) {
            pool.Large.push_back(EncodeJpeg(PhotoLike(4000, 3000, 10 + i, 7), 85).toStdString());
        }
    }
    return pool;
}

template <class Array> QString Pick(const Array& items, std::mt19937& random) {
    return QString::fromUtf16(items[random() % items.size()]);
}

TAlbumTexts RandomTexts(std::mt19937& random, int index) {
    TAlbumTexts t;
    t.Imie = Pick(kFirstNames, random);
    t.Nazwisko = Pick(kLastNames, random);
    t.Ksywa = Pick(kNicknames, random);
    const int lines = 1 + int(random() % 4);
    t.Notes =
        QStringLiteral("Klasa %1, rocznik %2").arg(QChar(u'A' + index % 5)).arg(1980 + index % 30);
    for (int i = 1; i < lines; ++i) {
        t.Notes += QStringLiteral("\r\n") + Pick(kRemarks, random);
    }
    t.Adres = QStringLiteral("ul. Długa %1/%2\r\n%3-%4 %5\r\ntel. 600 %6 %7")
                  .arg(1 + random() % 120)
                  .arg(1 + random() % 40)
                  .arg(random() % 100, 2, 10, QChar(u'0'))
                  .arg(random() % 1000, 3, 10, QChar(u'0'))
                  .arg(Pick(kCities, random))
                  .arg(random() % 1000, 3, 10, QChar(u'0'))
                  .arg(random() % 1000, 3, 10, QChar(u'0'));
    return t;
}

// The rows after the first go in with plain sqlite3: one statement prepared once, values bound in
// place, one transaction, so that a million records take seconds, not minutes.
struct TBulkWriter {
    sqlite3* Db = nullptr;
    sqlite3_stmt* Insert = nullptr;

    explicit TBulkWriter(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &Db, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK)
            Fail();
        Exec("BEGIN");
        if (sqlite3_prepare_v2(Db,
                               "INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres,Picture) "
                               "VALUES (NULL,?,?,?,?,?,?)",
                               -1, &Insert, nullptr) != SQLITE_OK)
            Fail();
    }
    ~TBulkWriter() {
        sqlite3_finalize(Insert);
        sqlite3_close_v2(Db);
    }
    TBulkWriter(const TBulkWriter&) = delete;
    TBulkWriter& operator=(const TBulkWriter&) = delete;

    [[noreturn]] void Fail() const {
        throw std::runtime_error(Db != nullptr ? sqlite3_errmsg(Db) : "cannot open the album");
    }
    void Exec(const char* sql) const {
        if (sqlite3_exec(Db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            Fail();
    }
    void Add(const std::array<std::string, 5>& texts, const std::string* photo) const {
        for (int i = 0; i < 5; ++i) {
            const std::string& t = texts[static_cast<std::size_t>(i)];
            sqlite3_bind_text(Insert, i + 1, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
        }
        if (photo != nullptr)
            sqlite3_bind_blob(Insert, 6, photo->data(), static_cast<int>(photo->size()),
                              SQLITE_STATIC);
        else
            sqlite3_bind_null(Insert, 6);
        if (sqlite3_step(Insert) != SQLITE_DONE)
            Fail();
        sqlite3_reset(Insert);
    }
};

} // namespace

void MakeAlbum(const QString& path, const TAlbumShape& shape) {
    const TPhotoPool& photos = Photos(shape.Photos && shape.LargeEvery > 0);
    std::mt19937 random(20240601u + unsigned(shape.Count));

    // The first record the way the program makes a new file; the rest in one transaction.
    (void)CreateAlbumFile(path, RandomTexts(random, 0));
    TBulkWriter writer(path);
    std::array<std::string, 5> texts;
    for (int i = 1; i < shape.Count; ++i) {
        const TAlbumTexts t = RandomTexts(random, i);
        texts = {AlbumBytes(t.Imie), AlbumBytes(t.Nazwisko), AlbumBytes(t.Ksywa),
                 AlbumBytes(t.Notes), AlbumBytes(t.Adres)};
        const std::string* photo = nullptr;
        if (shape.Photos) {
            const bool large = shape.LargeEvery > 0 && i % shape.LargeEvery == 0;
            const auto& pool = large ? photos.Large : photos.Small;
            photo = &pool[unsigned(i) % pool.size()];
        }
        writer.Add(texts, photo);
    }
    writer.Exec("COMMIT");
}

QString CachedAlbum(const TAlbumShape& shape) {
    QString folder = qEnvironmentVariable("MOVRA_BENCH_ALBUMS");
    if (folder.isEmpty()) {
        const QString tmp = qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"));
        folder = QDir(tmp).filePath(QStringLiteral("movra-bench-albums"));
    }
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(
        shape.Photos ? QStringLiteral("album-%1-large%2.db3").arg(shape.Count).arg(shape.LargeEvery)
                     : QStringLiteral("album-%1-nophotos.db3").arg(shape.Count));
    if (!QFileInfo::exists(path)) {
        // Made under another name and renamed, so an interrupted run leaves no half album in
        // the cache.
        const QString part = path + QStringLiteral(".part");
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-journal"));
        MakeAlbum(part, shape);
        QFile::rename(part, path);
    }
    return path;
}

} // namespace movra::bench
