#include "album/Csv.h"

#include "platform/core/ErrorBox.h"
#include "platform/text/Cp1250.h"

#include <QtCore/QStringDecoder>

#include <array>

namespace movra {

namespace {

constexpr std::array<const char*, 5> kColumns{"Imię", "Nazwisko", "Ksywa", "Adnotacje i uwagi",
                                              "Adres i źródła kontaktu"};

QString Field(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray Row(const QStringList& fields) {
    QStringList out;
    for (const QString& f : fields)
        out << Field(f);
    return (out.join(QLatin1Char(';')) + QStringLiteral("\r\n")).toUtf8();
}

// RFC 4180 records, the separator a semicolon; a row's line end is CR LF, LF or CR.
std::vector<QStringList> Records(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false; // the row has begun
    const auto endField = [&] {
        row << field;
        field.clear();
    };
    const auto endRow = [&] {
        endField();
        rows.push_back(row);
        row.clear();
        any = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(';')) {
            endField();
            any = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            if (any || !field.isEmpty())
                endRow();
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty())
        endRow();
    return rows;
}

QString TextOf(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return FromCp1250(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

} // namespace

QStringList CsvHeader() {
    QStringList names;
    for (const char* c : kColumns)
        names << QString::fromUtf8(c);
    return names;
}

QByteArray CsvHeaderRow() {
    return QByteArray("\xEF\xBB\xBF") + Row(CsvHeader());
}

QByteArray CsvRow(const TAlbumTexts& t) {
    return Row({t.Imie, t.Nazwisko, t.Ksywa, t.Notes, t.Adres});
}

std::vector<TExchangePerson> ReadCsv(const QByteArray& bytes) {
    const std::vector<QStringList> rows = Records(TextOf(bytes));
    const QStringList header = CsvHeader();
    std::array<qsizetype, 5> at{-1, -1, -1, -1, -1};
    bool found = false;
    if (!rows.empty()) {
        for (qsizetype i = 0; i < rows.front().size(); ++i) {
            const QString name = rows.front().at(i).trimmed();
            for (std::size_t c = 0; c < at.size(); ++c)
                if (at[c] < 0 && name.compare(header.at(qsizetype(c)), Qt::CaseInsensitive) == 0) {
                    at[c] = i;
                    found = true;
                }
        }
    }
    if (!found)
        throw EMovraError(QStringLiteral("Plik nie jest listą osób: pierwszy wiersz powinien "
                                         "zawierać nazwy kolumn %1 (rozdzielone średnikami).")
                              .arg(header.join(QStringLiteral(";"))));
    std::vector<TExchangePerson> people;
    people.reserve(rows.size() - 1);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        const auto value = [&](std::size_t c) { return at[c] < 0 ? QString() : row.value(at[c]); };
        TExchangePerson p;
        p.Texts = {value(0), value(1), value(2), WithCrLfBreaks(value(3)),
                   WithCrLfBreaks(value(4))};
        people.push_back(std::move(p));
    }
    return people;
}

} // namespace movra
