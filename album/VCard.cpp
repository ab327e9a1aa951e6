#include "album/VCard.h"

#include "album/ContactLines.h"

#include "platform/core/ErrorBox.h"
#include "platform/text/Cp1250.h"
#include "platform/text/Jpeg.h"

#include <QtCore/QBuffer>
#include <QtCore/QStringDecoder>
#include <QtGui/QImageReader>

namespace movra {

namespace {

// ---------------------------------------------------------------------------------------------
// Writing.

QString Escaped(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\n");
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString EscapedList(const QStringList& values) {
    QStringList e;
    for (const QString& v : values)
        e << Escaped(v);
    return e.join(QLatin1Char(';'));
}

// A content line folded at 75 octets, never inside a UTF-8 sequence.
void AppendLine(QByteArray& out, const QString& line) {
    const QByteArray bytes = line.toUtf8();
    qsizetype pos = 0;
    qsizetype room = 75;
    while (bytes.size() - pos > room) {
        qsizetype cut = pos + room;
        while (cut > pos + 1 && (static_cast<unsigned char>(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        out += bytes.mid(pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        room = 74;
    }
    out += bytes.mid(pos);
    out += "\r\n";
}

QString PropertyLine(const TContactField& f) {
    const QString types =
        f.Types.isEmpty() ? QString() : QStringLiteral(";TYPE=") + f.Types.join(QLatin1Char(','));
    switch (f.Kind) {
    case TContactKind::Tel:
        return QStringLiteral("TEL;VALUE=text") + types + QLatin1Char(':') +
               Escaped(f.Values.value(0));
    case TContactKind::Email:
        return QStringLiteral("EMAIL") + types + QLatin1Char(':') + Escaped(f.Values.value(0));
    case TContactKind::Url:
        return QStringLiteral("URL:") + Escaped(f.Values.value(0));
    case TContactKind::Org:
        return QStringLiteral("ORG:") + EscapedList(f.Values);
    case TContactKind::Bday: {
        const QString v = f.Values.value(0);
        if (BasicDate(v) == v && v != PolishDate(v))
            return QStringLiteral("BDAY:") + v;
        return QStringLiteral("BDAY;VALUE=text:") + Escaped(v);
    }
    case TContactKind::Adr:
        return QStringLiteral("ADR") + types + QLatin1Char(':') + EscapedList(f.Values);
    case TContactKind::Other:
        break;
    }
    return QStringLiteral("X-MOVRA-ADRES:") + Escaped(f.Values.value(0));
}

// ---------------------------------------------------------------------------------------------
// Reading.

struct TParam {
    QByteArray Name; // upper case
    QString Value;
};

struct TProperty {
    QByteArray Name; // upper case, group taken off
    std::vector<TParam> Params;
    QByteArray Value; // as in the file, unfolded
};

bool HasParam(const TProperty& p, const char* name, const char* value) {
    for (const TParam& param : p.Params)
        if (param.Name == name &&
            (value == nullptr ||
             param.Value.compare(QLatin1String(value), Qt::CaseInsensitive) == 0))
            return true;
    return false;
}

QString ParamValue(const TProperty& p, const char* name) {
    for (const TParam& param : p.Params)
        if (param.Name == name)
            return param.Value;
    return {};
}

bool IsQuotedPrintable(const TProperty& p) {
    return HasParam(p, "ENCODING", "QUOTED-PRINTABLE");
}

bool IsBase64(const TProperty& p) {
    return HasParam(p, "ENCODING", "B") || HasParam(p, "ENCODING", "BASE64");
}

// Parameter values in quotes, with RFC 6868's ^n ^^ ^'.
QString ParamText(QByteArray raw) {
    raw = raw.trimmed();
    if (raw.size() >= 2 && raw.startsWith('"') && raw.endsWith('"'))
        raw = raw.mid(1, raw.size() - 2);
    QString s = QString::fromUtf8(raw);
    if (!s.contains(QLatin1Char('^')))
        return s;
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == QLatin1Char('^') && i + 1 < s.size()) {
            const QChar n = s.at(i + 1);
            if (n == QLatin1Char('n') || n == QLatin1Char('N')) {
                out += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (n == QLatin1Char('^') || n == QLatin1Char('\'')) {
                out += n == QLatin1Char('^') ? QLatin1Char('^') : QLatin1Char('"');
                ++i;
                continue;
            }
        }
        out += s.at(i);
    }
    return out;
}

std::optional<TProperty> ParseLine(const QByteArray& line) {
    // The value starts at the first colon outside quotes.
    bool quoted = false;
    qsizetype colon = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '"')
            quoted = !quoted;
        else if (c == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0)
        return std::nullopt;
    TProperty p;
    p.Value = line.mid(colon + 1);
    // Parameters, split at semicolons outside quotes.
    QList<QByteArray> parts;
    QByteArray current;
    quoted = false;
    for (qsizetype i = 0; i < colon; ++i) {
        const char c = line.at(i);
        if (c == '"')
            quoted = !quoted;
        if (c == ';' && !quoted) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    QByteArray name = parts.takeFirst().trimmed().toUpper();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0)
        name = name.mid(dot + 1); // Apple's "item1.TEL"
    p.Name = name;
    for (const QByteArray& part : std::as_const(parts)) {
        const qsizetype eq = part.indexOf('=');
        if (eq < 0) {
            // vCard 2.1 names types and encodings alone: "TEL;CELL;VOICE", "NOTE;QUOTED-PRINTABLE".
            const QByteArray word = part.trimmed().toUpper();
            if (word == "QUOTED-PRINTABLE" || word == "BASE64" || word == "B" || word == "8BIT" ||
                word == "7BIT")
                p.Params.push_back({"ENCODING", QString::fromLatin1(word)});
            else if (!word.isEmpty())
                p.Params.push_back({"TYPE", QString::fromLatin1(word)});
            continue;
        }
        const QByteArray pname = part.left(eq).trimmed().toUpper();
        // TYPE=cell,voice and TYPE="cell,voice" are two types.
        if (pname == "TYPE") {
            for (const QString& v : ParamText(part.mid(eq + 1)).split(QLatin1Char(',')))
                p.Params.push_back({pname, v.trimmed()});
        } else {
            p.Params.push_back({pname, ParamText(part.mid(eq + 1))});
        }
    }
    return p;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray DecodeQuotedPrintable(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.at(i) == '=' && i + 2 < in.size()) {
            const int hi = HexValue(in.at(i + 1));
            const int lo = HexValue(in.at(i + 2));
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += in.at(i);
    }
    return out;
}

// Bytes as text: in the charset named, else UTF-8 when they are UTF-8, else Windows-1250 (what
// Polish programs wrote before UTF-8).
QString DecodeText(const QByteArray& bytes, const QString& charset) {
    if (!charset.isEmpty() && charset.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0) {
        const QString cs = charset.toUpper();
        if (cs == QLatin1String("WINDOWS-1250") || cs == QLatin1String("CP1250"))
            return FromCp1250(std::string_view(bytes.constData(), std::size_t(bytes.size())));
        QStringDecoder named(charset.toLatin1().constData());
        if (named.isValid())
            return named.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return FromCp1250(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// Splits at separators not escaped by a backslash; the parts keep their escapes.
QStringList SplitEscaped(const QString& value, QChar separator) {
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            current += c;
            current += value.at(++i);
        } else if (c == separator) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

QString Unescaped(const QString& value, bool v21) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(i + 1);
        if (!v21 && (n == QLatin1Char('n') || n == QLatin1Char('N'))) {
            out += QLatin1Char('\n');
        } else if (n == QLatin1Char(';') ||
                   (!v21 &&
                    (n == QLatin1Char(',') || n == QLatin1Char('\\') || n == QLatin1Char(':')))) {
            out += n;
        } else {
            out += c; // no escape: a backslash of the text itself
            continue;
        }
        ++i;
    }
    return out;
}

// Logical lines: folded lines joined (a line starting with a blank or tab continues the one
// before), and quoted-printable values continued after their soft line breaks ("=" at the end).
std::vector<QByteArray> LogicalLines(const QByteArray& bytes) {
    std::vector<QByteArray> lines;
    bool softBreak = false;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        const QByteArray line = bytes.mid(pos, end - pos);
        if (end < bytes.size() && bytes.at(end) == '\r' && end + 1 < bytes.size() &&
            bytes.at(end + 1) == '\n')
            ++end;
        pos = end + 1;

        if (softBreak && !lines.empty()) {
            lines.back() += line;
        } else if (!line.isEmpty() && (line.at(0) == ' ' || line.at(0) == '\t') && !lines.empty()) {
            lines.back() += line.mid(1);
        } else if (!line.trimmed().isEmpty()) {
            lines.push_back(line);
        } else {
            softBreak = false;
            continue;
        }
        QByteArray& last = lines.back();
        const qsizetype colon = last.indexOf(':');
        softBreak = colon > 0 && last.left(colon).toUpper().contains("QUOTED-PRINTABLE") &&
                    last.endsWith('=');
        if (softBreak)
            last.chop(1);
    }
    return lines;
}

QByteArray Base64Of(const QByteArray& value) {
    QByteArray clean;
    clean.reserve(value.size());
    for (const char c : value)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            clean += c;
    return QByteArray::fromBase64(clean);
}

class TCardReader {
public:
    explicit TCardReader(TExchangePerson& person) : m_person(person) {}

    void Add(const TProperty& p) {
        if (p.Name == "VERSION") {
            m_v21 = p.Value.trimmed() == "2.1";
            m_v40 = p.Value.trimmed() == "4.0";
            return;
        }
        if (p.Name == "PHOTO") {
            Photo(p);
            return;
        }
        QByteArray raw = p.Value;
        if (IsQuotedPrintable(p))
            raw = DecodeQuotedPrintable(raw);
        const QString value = DecodeText(raw, ParamValue(p, "CHARSET"));
        const auto text = [&] { return Unescaped(value, m_v21).trimmed(); };
        const auto components = [&] {
            QStringList c;
            for (const QString& part : SplitEscaped(value, QLatin1Char(';')))
                c << Unescaped(part, m_v21).trimmed();
            return c;
        };
        if (p.Name == "N") {
            const QStringList c = SplitEscaped(value, QLatin1Char(';'));
            const auto part = [&](int i) { return ListText(c.value(i), QStringLiteral(" ")); };
            m_person.Texts.Nazwisko = part(0);
            m_person.Texts.Imie =
                part(2).isEmpty() ? part(1) : part(1) + QLatin1Char(' ') + part(2);
            m_hasN = true;
        } else if (p.Name == "FN") {
            m_fn = text();
        } else if (p.Name == "NICKNAME") {
            if (const QString names = ListText(value, QStringLiteral(", ")); !names.isEmpty())
                m_person.Texts.Ksywa = names;
        } else if (p.Name == "NOTE") {
            if (const QString t = Unescaped(value, m_v21); !t.isEmpty())
                m_notes << t;
        } else if (p.Name == "TEL" || p.Name == "EMAIL" || p.Name == "URL") {
            QString v = text();
            // A telephone number is a tel: URI unless said to be text (vCard 4.0's default).
            const bool isText =
                HasParam(p, "VALUE", "text") || (!m_v40 && !HasParam(p, "VALUE", "uri"));
            if (p.Name == "TEL" && !isText &&
                v.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive))
                v = v.mid(4);
            const TContactKind kind = p.Name == "TEL"     ? TContactKind::Tel
                                      : p.Name == "EMAIL" ? TContactKind::Email
                                                          : TContactKind::Url;
            AddField({kind, kind == TContactKind::Url ? QStringList() : Types(p), {v}});
        } else if (p.Name == "ORG") {
            QStringList units = components();
            while (!units.isEmpty() && units.last().isEmpty())
                units.removeLast();
            AddField({TContactKind::Org, {}, units});
        } else if (p.Name == "BDAY") {
            AddField({TContactKind::Bday,
                      {},
                      {HasParam(p, "VALUE", "text") ? text() : BasicDate(text())}});
        } else if (p.Name == "ADR") {
            QStringList c = components();
            c.resize(7);
            AddField({TContactKind::Adr, Types(p), c});
        } else if (p.Name == "X-MOVRA-ADRES") {
            m_addressLines << Unescaped(value, m_v21);
        }
    }

    void Finish() {
        // No structured name at all: the formatted one, its last word taken as the last name.
        if (!m_hasN && !m_fn.isEmpty()) {
            const qsizetype space = m_fn.lastIndexOf(QLatin1Char(' '));
            if (space < 0) {
                m_person.Texts.Imie = m_fn;
            } else {
                m_person.Texts.Imie = m_fn.left(space).trimmed();
                m_person.Texts.Nazwisko = m_fn.mid(space + 1).trimmed();
            }
        }
        // Line breaks as the album stores them, in every text.
        TAlbumTexts& t = m_person.Texts;
        t.Notes = m_notes.join(QStringLiteral("\r\n"));
        t.Adres = m_addressLines.join(QStringLiteral("\r\n"));
        for (QString* text : {&t.Imie, &t.Nazwisko, &t.Ksywa, &t.Notes, &t.Adres})
            *text = WithCrLfBreaks(*text);
    }

private:
    // A value that may list several ("Jan,Maria"): one value as it is, several as words joined
    // by the separator.
    QString ListText(const QString& raw, const QString& separator) const {
        const QStringList parts = SplitEscaped(raw, m_v21 ? QChar() : QLatin1Char(','));
        if (parts.size() == 1)
            return Unescaped(parts.first(), m_v21);
        QStringList words;
        for (const QString& part : parts)
            if (const QString w = Unescaped(part, m_v21).trimmed(); !w.isEmpty())
                words << w;
        return words.join(separator);
    }

    static QStringList Types(const TProperty& p) {
        QStringList types;
        for (const TParam& param : p.Params) {
            if (param.Name != "TYPE")
                continue;
            const QString t = param.Value.toLower();
            if (IsKnownType(t) && !types.contains(t))
                types << t;
        }
        return types;
    }

    void AddField(const TContactField& f) {
        bool empty = true;
        for (const QString& v : f.Values)
            empty = empty && v.isEmpty();
        if (!empty)
            m_addressLines << NoteLine(f);
    }

    void Photo(const TProperty& p) {
        if (!m_person.Jpeg.isEmpty())
            return; // the album keeps one photo
        QByteArray data;
        const QByteArray value = p.Value.trimmed();
        if (IsBase64(p)) {
            data = Base64Of(value);
        } else if (value.startsWith("data:")) {
            const qsizetype comma = value.indexOf(',');
            if (comma < 0)
                return;
            const QByteArray head = value.mid(5, comma - 5);
            data = head.endsWith(";base64") ? Base64Of(value.mid(comma + 1))
                                            : QByteArray::fromPercentEncoding(value.mid(comma + 1));
        } else if (!value.isEmpty()) {
            m_person.Remarks << QStringLiteral("zdjęcie podane jako adres w sieci (%1) nie "
                                               "zostało pobrane")
                                    .arg(QString::fromUtf8(value.left(80)));
            return;
        }
        if (data.isEmpty())
            return;
        QString why;
        if (const std::optional<QByteArray> jpeg = PhotoAsJpeg(data, &why))
            m_person.Jpeg = *jpeg;
        else
            m_person.Remarks << QStringLiteral("zdjęcie pominięto: ") + why;
    }

    TExchangePerson& m_person;
    bool m_v21 = false;
    bool m_v40 = false;
    bool m_hasN = false;
    QString m_fn;
    QStringList m_notes;
    QStringList m_addressLines;
};

QByteArray AsUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.mid(3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder d(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                      : QStringDecoder::Utf16BE);
        return QString(d.decode(bytes.mid(2))).toUtf8();
    }
    return bytes;
}

} // namespace

std::optional<QByteArray> PhotoAsJpeg(const QByteArray& bytes, QString* why) {
    const auto fail = [&](const QString& reason) -> std::optional<QByteArray> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (bytes.startsWith("\xFF\xD8")) {
        try {
            (void)ReadJpegHeader(bytes);
            return bytes;
        } catch (const EJpegError& e) {
            return fail(
                QStringLiteral("plik JPEG jest nieczytelny (%1)").arg(QString::fromUtf8(e.what())));
        }
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid())
        return fail(QStringLiteral("to nie jest obraz w znanym formacie"));
    if (static_cast<long long>(size.width()) * size.height() > MaxJpegPixels)
        return fail(QStringLiteral("obraz jest zbyt duży"));
    const QImage image = reader.read();
    if (image.isNull())
        return fail(QStringLiteral("obrazu %1 nie da się odczytać")
                        .arg(QString::fromLatin1(reader.format().toUpper())));
    try {
        return EncodeJpeg(image);
    } catch (const EJpegError& e) {
        return fail(QString::fromUtf8(e.what()));
    }
}

std::vector<TExchangePerson> ReadVCards(const QByteArray& fileBytes) {
    const QByteArray bytes = AsUtf8(fileBytes);
    std::vector<TExchangePerson> people;
    std::optional<TCardReader> card;
    int nested = 0; // a vCard inside a vCard (2.1's AGENT) is skipped
    for (const QByteArray& line : LogicalLines(bytes)) {
        const std::optional<TProperty> p = ParseLine(line);
        if (!p)
            continue;
        const QByteArray value = p->Value.trimmed().toUpper();
        if (p->Name == "BEGIN" && value == "VCARD") {
            if (card) {
                ++nested;
            } else {
                people.emplace_back();
                card.emplace(people.back());
            }
            continue;
        }
        if (p->Name == "END" && value == "VCARD") {
            if (nested > 0) {
                --nested;
            } else if (card) {
                card->Finish();
                card.reset();
            }
            continue;
        }
        if (card && nested == 0)
            card->Add(*p);
    }
    if (card)
        card->Finish(); // a file cut short keeps what it holds
    if (people.empty())
        throw EMovraError(QStringLiteral("Plik nie zawiera żadnej wizytówki vCard (brak wiersza "
                                         "„BEGIN:VCARD”)."));
    return people;
}

QByteArray WriteVCard(const TExchangePerson& person, const QByteArray& noPhotoJpeg) {
    const TAlbumTexts& t = person.Texts;
    QByteArray out;
    AppendLine(out, QStringLiteral("BEGIN:VCARD"));
    AppendLine(out, QStringLiteral("VERSION:4.0"));
    QString fn = (t.Imie + QLatin1Char(' ') + t.Nazwisko).trimmed();
    if (fn.isEmpty())
        fn = t.Ksywa.trimmed();
    AppendLine(out, QStringLiteral("FN:") + Escaped(fn));
    AppendLine(out, QStringLiteral("N:") + Escaped(t.Nazwisko) + QLatin1Char(';') +
                        Escaped(t.Imie) + QStringLiteral(";;;"));
    if (!t.Ksywa.isEmpty())
        AppendLine(out, QStringLiteral("NICKNAME:") + Escaped(t.Ksywa));
    if (!t.Adres.isEmpty()) {
        for (const QString& line : t.Adres.split(QStringLiteral("\r\n"))) {
            const std::optional<TContactField> f = FieldOfLine(line);
            AppendLine(out, PropertyLine(f ? *f : TContactField{TContactKind::Other, {}, {line}}));
        }
    }
    if (!t.Notes.isEmpty())
        AppendLine(out, QStringLiteral("NOTE:") + Escaped(t.Notes));
    if (!person.Jpeg.isEmpty() && person.Jpeg != noPhotoJpeg)
        AppendLine(out, QStringLiteral("PHOTO:data:image/jpeg;base64,") +
                            QString::fromLatin1(person.Jpeg.toBase64()));
    AppendLine(out, QStringLiteral("END:VCARD"));
    return out;
}

} // namespace movra
