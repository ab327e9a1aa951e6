#include "tests/album/AlbumFixture.h"

#include "grid/Fajny.h"
#include "record/Unit2.h"

#include <QtCore/QStringEncoder>
#include <QtTest/QTest>

#include <sqlite3.h>

namespace movra::test {

namespace {

struct Db {
    sqlite3* h = nullptr;
    explicit Db(const QString& path, bool create = false) {
        const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(path.toUtf8().constData(), &h, flags, nullptr) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
    }
    ~Db() { sqlite3_close(h); }
};

struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK)
            qFatal("prepare failed: %s", sqlite3_errmsg(db));
    }
    ~Stmt() { sqlite3_finalize(s); }
};

void bindText(sqlite3_stmt* s, int i, const QString& t) {
    const QByteArray b = Cp1250Bytes(t);
    sqlite3_bind_text(s, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

} // namespace

QByteArray Cp1250Bytes(const QString& text) {
    QStringEncoder enc("windows-1250");
    QByteArray out = enc.encode(text);
    if (enc.hasError())
        qFatal("not Windows-1250: %s", qPrintable(text));
    return out;
}

void WriteRawAlbum(const QString& path, const std::vector<RawRecord>& records) {
    Db db(path, true);
    char* err = nullptr;
    if (sqlite3_exec(db.h,
                     "CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko "
                     "VARCHAR(20), Ksywa VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB COLLATE "
                     "NOCASE);",
                     nullptr, nullptr, &err) != SQLITE_OK)
        qFatal("create failed: %s", err);
    // One transaction: albums of many thousand records are written in a moment.
    sqlite3_exec(db.h, "BEGIN", nullptr, nullptr, nullptr);
    Stmt s(db.h, "INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres,Picture) "
                 "VALUES (NULL,?,?,?,?,?,?)");
    for (const RawRecord& r : records) {
        sqlite3_reset(s.s);
        bindText(s.s, 1, r.imie);
        bindText(s.s, 2, r.nazwisko);
        bindText(s.s, 3, r.ksywa);
        bindText(s.s, 4, r.notes);
        bindText(s.s, 5, r.adres);
        if (r.picture)
            sqlite3_bind_blob(s.s, 6, r.picture->constData(), static_cast<int>(r.picture->size()),
                              SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(s.s, 6);
        if (sqlite3_step(s.s) != SQLITE_DONE)
            qFatal("insert failed: %s", sqlite3_errmsg(db.h));
    }
    if (sqlite3_exec(db.h, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("commit failed: %s", sqlite3_errmsg(db.h));
}

QByteArray RawValue(const QString& path, qint64 id, const char* column) {
    Db db(path);
    const QByteArray sql = QByteArray("SELECT ") + column + " FROM album WHERE ID=?";
    Stmt s(db.h, sql.constData());
    sqlite3_bind_int64(s.s, 1, id);
    if (sqlite3_step(s.s) != SQLITE_ROW)
        return {};
    const auto* p = static_cast<const char*>(sqlite3_column_blob(s.s, 0));
    return QByteArray(p, sqlite3_column_bytes(s.s, 0));
}

QString RawType(const QString& path, qint64 id, const char* column) {
    Db db(path);
    const QByteArray sql = QByteArray("SELECT typeof(") + column + ") FROM album WHERE ID=?";
    Stmt s(db.h, sql.constData());
    sqlite3_bind_int64(s.s, 1, id);
    if (sqlite3_step(s.s) != SQLITE_ROW)
        return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(sqlite3_column_text(s.s, 0)));
}

int RawCount(const QString& path) {
    Db db(path);
    Stmt s(db.h, "SELECT count(*) FROM album");
    if (sqlite3_step(s.s) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int(s.s, 0);
}

std::vector<QByteArrayList> RawRecords(const QString& path) {
    Db db(path);
    Stmt s(db.h, "SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres, Picture FROM album ORDER BY ID");
    std::vector<QByteArrayList> out;
    while (sqlite3_step(s.s) == SQLITE_ROW) {
        QByteArrayList row;
        for (int c = 0; c < sqlite3_column_count(s.s); ++c) {
            static const char* const kinds[] = {"", "integer:", "real:", "text:", "blob:", "null:"};
            QByteArray v(kinds[sqlite3_column_type(s.s, c)]);
            const auto* p = static_cast<const char*>(sqlite3_column_blob(s.s, c));
            v.append(p, sqlite3_column_bytes(s.s, c));
            row << v;
        }
        out.push_back(row);
    }
    return out;
}

bool RawExec(const QString& path, const char* sql) {
    Db db(path);
    return sqlite3_exec(db.h, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

AlbumFixture::AlbumFixture() = default;

AlbumFixture::~AlbumFixture() {
    if (m_app) {
        // Leave without questions: the test is over.
        dialogs->discardPending();
        if (form2().isVisible())
            form2().CloseQuietly();
        m_app.reset();
    }
}

void AlbumFixture::create(const QString& startAlbum) {
    m_app = std::make_unique<TMovraApp>(startAlbum);
}

void AlbumFixture::start(const QString& startAlbum) {
    create(startAlbum);
    form1().show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1()));
    form1().CompleteRecordList();
}

void AlbumFixture::stop() {
    form1().close();
    m_app.reset();
}

QStringList AlbumFixture::column(int col) const {
    QStringList out;
    const TFajny* g = form1().Grid();
    for (int r = 1; r < g->RowCount(); ++r)
        out << g->Cells(col, r);
    return out;
}

} // namespace movra::test
