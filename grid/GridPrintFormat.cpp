#include "grid/GridPrintFormat.h"

#include <QtCore/QLocale>
#include <QtCore/QStringList>

#include <algorithm>

namespace movra {

namespace {

const QLocale& Polish() {
    static const QLocale locale(QLocale::Polish, QLocale::Poland);
    return locale;
}

QString Padded(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// How many times the letter at i (any case) repeats from i on.
int RunLength(const QString& s, qsizetype i) {
    const QChar c = s[i].toUpper();
    int n = 0;
    while (i + n < s.size() && s[i + n].toUpper() == c)
        ++n;
    return n;
}

bool StartsWithNoCase(const QString& s, qsizetype i, QLatin1StringView what) {
    return QStringView(s).mid(i).startsWith(what, Qt::CaseInsensitive);
}

// Whether a 12-hour marker appears anywhere from i on.
bool HasAmPm(const QString& s, qsizetype i) {
    for (; i < s.size(); ++i) {
        if (StartsWithNoCase(s, i, QLatin1StringView("am/pm")) ||
            StartsWithNoCase(s, i, QLatin1StringView("a/p")))
            return true;
    }
    return false;
}

// "am" or "pm" (or "a"/"p") in the letter case of the marker as written.
QString AmPmText(const QString& marker, bool pm) {
    const qsizetype half = marker.indexOf(QLatin1Char('/'));
    return pm ? marker.mid(half + 1) : marker.left(half);
}

} // namespace

QString FormatDateTimePicture(const QString& picture, const QDateTime& when) {
    const QDate date = when.date();
    const QTime time = when.time();
    const QLocale& pl = Polish();
    const QString dateSeparator = QStringLiteral(".");
    QString out;
    QChar lastToken;
    qsizetype i = 0;
    while (i < picture.size()) {
        const QChar c = picture[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype end = picture.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? picture.size() : end;
            out += picture.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        QChar token = c.toUpper();
        if (token >= QLatin1Char('A') && token <= QLatin1Char('Z')) {
            if (token == QLatin1Char('M') && lastToken == QLatin1Char('H'))
                token = QLatin1Char('N');
            lastToken = token;
        }
        const int run = RunLength(picture, i);
        switch (token.unicode()) {
        case 'D': {
            const int n = std::min(run, 6);
            if (n == 1)
                out += QString::number(date.day());
            else if (n == 2)
                out += Padded(date.day(), 2);
            else if (n == 3)
                out += pl.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else if (n == 4)
                out += pl.dayName(date.dayOfWeek(), QLocale::LongFormat);
            else if (n == 5)
                out += pl.toString(date, QLocale::ShortFormat);
            else
                out += pl.toString(date, QLocale::LongFormat);
            i += n;
            continue;
        }
        case 'M': {
            const int n = std::min(run, 4);
            if (n == 1)
                out += QString::number(date.month());
            else if (n == 2)
                out += Padded(date.month(), 2);
            else if (n == 3)
                out += pl.monthName(date.month(), QLocale::ShortFormat);
            else
                out += pl.monthName(date.month(), QLocale::LongFormat);
            i += run;
            continue;
        }
        case 'Y':
            out += run <= 2 ? Padded(date.year() % 100, 2) : Padded(date.year(), 4);
            i += run;
            continue;
        case 'H': {
            int hour = time.hour();
            if (HasAmPm(picture, i + run)) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            out += run == 1 ? QString::number(hour) : Padded(hour, 2);
            i += std::min(run, 2);
            continue;
        }
        case 'N': // minutes (also m / mm after an hour)
            out += run == 1 ? QString::number(time.minute()) : Padded(time.minute(), 2);
            i += std::min(run, 2);
            continue;
        case 'S':
            out += run == 1 ? QString::number(time.second()) : Padded(time.second(), 2);
            i += std::min(run, 2);
            continue;
        case 'Z':
            out += run >= 3 ? Padded(time.msec(), 3) : QString::number(time.msec());
            i += std::min(run, 3);
            continue;
        case 'A': {
            const bool pm = time.hour() >= 12;
            if (StartsWithNoCase(picture, i, QLatin1StringView("am/pm"))) {
                out += AmPmText(picture.mid(i, 5), pm);
                i += 5;
                continue;
            }
            if (StartsWithNoCase(picture, i, QLatin1StringView("a/p"))) {
                out += AmPmText(picture.mid(i, 3), pm);
                i += 3;
                continue;
            }
            break;
        }
        case '/':
            out += dateSeparator;
            ++i;
            continue;
        default:
            break;
        }
        out += c;
        ++i;
    }
    return out;
}

QString PageLabel(int pageInBand, int band, bool manyBands) {
    QString label = QStringLiteral("Strona ") + QString::number(pageInBand);
    if (manyBands)
        label += QLatin1Char('-') + QString::number(band);
    return label;
}

std::array<QString, 3> FooterItems(const QString& footerTemplate, const QString& date,
                                   const QString& time, const QString& pageLabel) {
    const QStringList parts = footerTemplate.split(QLatin1Char('|'));
    std::array<QString, 3> items;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (static_cast<qsizetype>(k) >= parts.size())
            break;
        QString item = parts[static_cast<qsizetype>(k)];
        const auto replaceFirst = [&item](QLatin1StringView token, const QString& with) {
            const qsizetype at = item.indexOf(token, 0, Qt::CaseSensitive);
            if (at >= 0)
                item.replace(at, token.size(), with);
        };
        replaceFirst(QLatin1StringView("date"), date);
        replaceFirst(QLatin1StringView("time"), time);
        replaceFirst(QLatin1StringView("page"), pageLabel);
        items[k] = item;
    }
    return items;
}

} // namespace movra
