#pragma once

// What the album file tests share: a raw sqlite3 connection that writes and inspects files
// independently of the code under test, file bytes, and exception messages.

#include <QtCore/QBuffer>
#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QImage>
#include <QtTest/QtTest>

#include <sqlite3.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace movra::test {

// The what() of the exception of type E that f throws, or a marker that fails a comparison.
template <class E> std::string ThrownMessage(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("<other exception> ") + e.what();
    }
    return "<nothing thrown>";
}

// A real JPEG file's bytes written by Qt's own JPEG writer, independent of the program's encoder:
// a gradient over the colour when patterned, else a plain colour.
inline QByteArray MakeJpeg(int width, int height, const QColor& color, bool patterned = false,
                           int quality = 90) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    if (patterned) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.setPixel(x, y,
                               qRgb((color.red() + x * 255 / width) % 256,
                                    (color.green() + y * 255 / height) % 256,
                                    (color.blue() + (x + y) * 3) % 256));
            }
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", quality)) {
        qFatal("Qt's JPEG writer is missing");
    }
    return bytes;
}

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray("<missing>");
    }
    return f.readAll();
}

inline bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A value read through raw sqlite3: its storage class and bytes.
struct TRawValue {
    std::string Type; // "integer", "text", "blob", "null", "real"
    std::string Bytes;
};

class TRawDb {
public:
    explicit TRawDb(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            qFatal("raw open failed");
        }
    }
    ~TRawDb() { sqlite3_close_v2(m_db); }
    TRawDb(const TRawDb&) = delete;
    TRawDb& operator=(const TRawDb&) = delete;

    void Exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error != nullptr ? error : "?";
            sqlite3_free(error);
            qFatal("raw exec failed: %s: %s", sql.c_str(), message.c_str());
        }
    }

    // Runs sql with text parameters (bytes) and blob parameters; "\x01NULL" binds NULL.
    struct TBind {
        enum { Text, Blob, Null, Int } Kind;
        std::string Bytes;
        sqlite3_int64 Number = 0;
    };
    void Run(const std::string& sql, const std::vector<TBind>& binds) {
        sqlite3_stmt* s = nullptr;
        QVERIFY(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK);
        int i = 1;
        for (const TBind& b : binds) {
            switch (b.Kind) {
            case TBind::Text:
                sqlite3_bind_text(s, i, b.Bytes.data(), static_cast<int>(b.Bytes.size()),
                                  SQLITE_TRANSIENT);
                break;
            case TBind::Blob:
                sqlite3_bind_blob(s, i, b.Bytes.data(), static_cast<int>(b.Bytes.size()),
                                  SQLITE_TRANSIENT);
                break;
            case TBind::Null:
                sqlite3_bind_null(s, i);
                break;
            case TBind::Int:
                sqlite3_bind_int64(s, i, b.Number);
                break;
            }
            ++i;
        }
        const int rc = sqlite3_step(s);
        sqlite3_finalize(s);
        QCOMPARE(rc, SQLITE_DONE);
    }

    // Every row of sql, each value with its storage class.
    std::vector<std::vector<TRawValue>> Rows(const std::string& sql) {
        std::vector<std::vector<TRawValue>> rows;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            qFatal("raw prepare failed: %s", sql.c_str());
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::vector<TRawValue> row;
            for (int c = 0; c < sqlite3_column_count(s); ++c) {
                TRawValue v;
                switch (sqlite3_column_type(s, c)) {
                case SQLITE_INTEGER:
                    v.Type = "integer";
                    break;
                case SQLITE_FLOAT:
                    v.Type = "real";
                    break;
                case SQLITE_TEXT:
                    v.Type = "text";
                    break;
                case SQLITE_BLOB:
                    v.Type = "blob";
                    break;
                default:
                    v.Type = "null";
                    break;
                }
                const void* data = sqlite3_column_blob(s, c);
                v.Bytes.assign(
                    static_cast<const char*>(data),
                    data != nullptr ? static_cast<std::size_t>(sqlite3_column_bytes(s, c)) : 0);
                row.push_back(std::move(v));
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(s);
        return rows;
    }

    std::string Scalar(const std::string& sql) {
        const auto rows = Rows(sql);
        return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0].Bytes;
    }

private:
    sqlite3* m_db = nullptr;
};

inline TRawDb::TBind Text(std::string bytes) {
    return {TRawDb::TBind::Text, std::move(bytes)};
}
inline TRawDb::TBind Blob(const QByteArray& bytes) {
    return {TRawDb::TBind::Blob, bytes.toStdString()};
}
inline TRawDb::TBind Null() {
    return {TRawDb::TBind::Null, {}};
}

// The album table exactly as the program creates it.
inline const char* const kAlbumSchema =
    "CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko VARCHAR(20), Ksywa "
    "VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB COLLATE NOCASE);";

} // namespace movra::test
