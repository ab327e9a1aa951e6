#include "album/ContactLines.h"

#include <QtCore/QDate>
#include <QtCore/QRegularExpression>

#include <array>
#include <utility>

namespace movra {

namespace {

// The types worth keeping, as vCard 4.0 writes them and as the note says them.
constexpr std::array<std::pair<const char*, const char*>, 5> kTypes{{
    {"cell", "komórkowy"},
    {"home", "domowy"},
    {"work", "służbowy"},
    {"fax", "faks"},
    {"pager", "pager"},
}};

constexpr std::array<const char*, 12> kMonths{"stycznia", "lutego",       "marca",     "kwietnia",
                                              "maja",     "czerwca",      "lipca",     "sierpnia",
                                              "września", "października", "listopada", "grudnia"};

QString PolishType(const QString& type) {
    for (const auto& [v, pl] : kTypes)
        if (type == QLatin1String(v))
            return QString::fromUtf8(pl);
    return {};
}

QString VCardType(const QString& polish) {
    for (const auto& [v, pl] : kTypes)
        if (polish == QString::fromUtf8(pl))
            return QString::fromLatin1(v);
    return {};
}

QString TypesSuffix(const QStringList& types) {
    QStringList words;
    for (const QString& t : types)
        words << PolishType(t);
    return types.isEmpty()
               ? QString()
               : QStringLiteral(" (") + words.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// "12 maja 1990" back to "19900512"; nothing for another text.
std::optional<QString> DateOfPolish(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}) (\\S+)(?: (\\d{4}))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    for (int month = 1; month <= 12; ++month) {
        if (m.captured(2) != QString::fromUtf8(kMonths[month - 1]))
            continue;
        const int day = m.captured(1).toInt();
        const QString year = m.captured(3);
        if (!QDate(year.isEmpty() ? 2000 : year.toInt(), month, day).isValid())
            return std::nullopt;
        const QString md = QStringLiteral("%1%2")
                               .arg(month, 2, 10, QLatin1Char('0'))
                               .arg(day, 2, 10, QLatin1Char('0'));
        return (year.isEmpty() ? QStringLiteral("--") : year) + md;
    }
    return std::nullopt;
}

QString AddressText(const QStringList& c) {
    // pobox, extended, street, locality, region, postal code, country
    const auto at = [&](int i) { return i < c.size() ? c.at(i).trimmed() : QString(); };
    QStringList parts;
    if (!at(0).isEmpty())
        parts << QStringLiteral("skr. poczt. ") + at(0);
    parts << at(1) << at(2) << (at(5) + QLatin1Char(' ') + at(3)).trimmed() << at(4) << at(6);
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

// The note's words for an address back to its components; the caller checks that they give the
// same words again.
QStringList AddressComponents(const QString& text) {
    QStringList seg = text.split(QStringLiteral(", "));
    QStringList c(7);
    if (!seg.isEmpty() && seg.first().startsWith(QStringLiteral("skr. poczt. ")))
        c[0] = seg.takeFirst().mid(12);
    static const QRegularExpression postal(QStringLiteral("^(\\d{2}-\\d{3}|\\d{4,5})(?: (.+))?$"));
    qsizetype k = -1;
    for (qsizetype i = 0; i < seg.size(); ++i)
        if (postal.match(seg.at(i)).hasMatch()) {
            k = i;
            break;
        }
    if (k >= 0) {
        const auto m = postal.match(seg.at(k));
        c[5] = m.captured(1);
        c[3] = m.captured(2);
        c[2] = seg.mid(0, k).join(QStringLiteral(", "));
        const QStringList after = seg.mid(k + 1);
        if (after.size() == 1)
            c[6] = after.first();
        else if (after.size() >= 2) {
            c[6] = after.last();
            c[4] = after.mid(0, after.size() - 1).join(QStringLiteral(", "));
        }
        return c;
    }
    if (seg.size() <= 1) {
        c[2] = seg.value(0);
    } else if (seg.size() == 2) {
        c[2] = seg.at(0);
        c[3] = seg.at(1);
    } else if (seg.size() == 3) {
        c[2] = seg.at(0);
        c[3] = seg.at(1);
        c[6] = seg.at(2);
    } else {
        c[6] = seg.takeLast();
        c[4] = seg.takeLast();
        c[3] = seg.takeLast();
        c[2] = seg.join(QStringLiteral(", "));
    }
    return c;
}

} // namespace

bool IsKnownType(const QString& type) {
    return !PolishType(type).isEmpty();
}

QString PolishDate(const QString& value) {
    static const QRegularExpression full(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression noYear(QStringLiteral("^--(\\d{2})(\\d{2})$"));
    if (const auto m = full.match(value); m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (d.isValid())
            return QStringLiteral("%1 %2 %3")
                .arg(d.day())
                .arg(QString::fromUtf8(kMonths[d.month() - 1]))
                .arg(m.captured(1));
    }
    if (const auto m = noYear.match(value); m.hasMatch()) {
        const QDate d(2000, m.captured(1).toInt(), m.captured(2).toInt());
        if (d.isValid())
            return QStringLiteral("%1 %2").arg(d.day()).arg(
                QString::fromUtf8(kMonths[d.month() - 1]));
    }
    return value;
}

QString BasicDate(const QString& value) {
    static const QRegularExpression date(
        QStringLiteral("^(\\d{4}|--)-?(\\d{2})-?(\\d{2})(?:T[0-9:.Z+-]*)?$"));
    const auto m = date.match(value.trimmed());
    if (!m.hasMatch())
        return value;
    const bool hasYear = m.captured(1) != QLatin1String("--");
    const QDate d(hasYear ? m.captured(1).toInt() : 2000, m.captured(2).toInt(),
                  m.captured(3).toInt());
    if (!d.isValid())
        return value;
    return (hasYear ? m.captured(1) : QStringLiteral("--")) + m.captured(2) + m.captured(3);
}

QString NoteLine(const TContactField& f) {
    switch (f.Kind) {
    case TContactKind::Tel:
        return QStringLiteral("Tel.: ") + f.Values.value(0) + TypesSuffix(f.Types);
    case TContactKind::Email:
        return QStringLiteral("E-mail: ") + f.Values.value(0) + TypesSuffix(f.Types);
    case TContactKind::Url:
        return QStringLiteral("WWW: ") + f.Values.value(0);
    case TContactKind::Org: {
        QStringList units = f.Values;
        while (!units.isEmpty() && units.last().isEmpty())
            units.removeLast();
        return QStringLiteral("Firma: ") + units.join(QStringLiteral(" / "));
    }
    case TContactKind::Bday:
        return QStringLiteral("Urodziny: ") + PolishDate(f.Values.value(0));
    case TContactKind::Adr:
        return QStringLiteral("Adres: ") + AddressText(f.Values) + TypesSuffix(f.Types);
    case TContactKind::Other:
        break;
    }
    return f.Values.value(0);
}

std::optional<TContactField> FieldOfLine(const QString& line) {
    TContactField f;
    QString rest;
    const auto starts = [&](const char* prefix, TContactKind kind) {
        const QString p = QString::fromUtf8(prefix);
        if (!line.startsWith(p))
            return false;
        f.Kind = kind;
        rest = line.mid(p.size());
        return true;
    };
    if (!starts("Tel.: ", TContactKind::Tel) && !starts("E-mail: ", TContactKind::Email) &&
        !starts("WWW: ", TContactKind::Url) && !starts("Firma: ", TContactKind::Org) &&
        !starts("Urodziny: ", TContactKind::Bday) && !starts("Adres: ", TContactKind::Adr))
        return std::nullopt;
    if (f.Kind == TContactKind::Tel || f.Kind == TContactKind::Email ||
        f.Kind == TContactKind::Adr) {
        static const QRegularExpression suffix(QStringLiteral("^(.*) \\(([^()]+)\\)$"));
        if (const auto m = suffix.match(rest); m.hasMatch()) {
            QStringList types;
            for (const QString& word : m.captured(2).split(QStringLiteral(", "))) {
                const QString t = VCardType(word);
                if (t.isEmpty() || types.contains(t)) {
                    types.clear();
                    break;
                }
                types << t;
            }
            if (!types.isEmpty()) {
                f.Types = types;
                rest = m.captured(1);
            }
        }
    }
    switch (f.Kind) {
    case TContactKind::Org:
        f.Values = rest.split(QStringLiteral(" / "));
        break;
    case TContactKind::Bday:
        f.Values = {DateOfPolish(rest).value_or(rest)};
        break;
    case TContactKind::Adr:
        f.Values = AddressComponents(rest);
        break;
    default:
        f.Values = {rest};
        break;
    }
    // The reader trims what it reads, so a value with blanks around it would not come back.
    for (const QString& v : std::as_const(f.Values))
        if (v != v.trimmed())
            return std::nullopt;
    if (rest.isEmpty() || NoteLine(f) != line)
        return std::nullopt;
    return f;
}

} // namespace movra
