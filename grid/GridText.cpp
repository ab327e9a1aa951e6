#include "grid/GridText.h"

#include "platform/text/PolishOrder.h"

#include <QtCore/QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>

namespace movra {
namespace {

constexpr char16_t Blank = u' ';

// The text without the blanks around it.
QStringView TrimBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() == Blank)
        ++b;
    while (e > b && s[e - 1].unicode() == Blank)
        --e;
    return s.sliced(b, e - b);
}

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Reads 1 to maxDigits decimal digits at pos; advances pos.
std::optional<int> ReadDigits(QStringView s, qsizetype& pos, int minDigits, int maxDigits) {
    int value = 0;
    int n = 0;
    while (pos < s.size() && n < maxDigits && IsDigit(s[pos])) {
        value = value * 10 + (s[pos].unicode() - u'0');
        ++pos;
        ++n;
    }
    if (n < minDigits)
        return std::nullopt;
    return value;
}

// "h:mm" or "h:mm:ss" exactly filling s; seconds since midnight.
std::optional<std::int64_t> ParseTime(QStringView s) {
    qsizetype pos = 0;
    const auto h = ReadDigits(s, pos, 1, 2);
    if (!h || pos >= s.size() || s[pos] != u':')
        return std::nullopt;
    ++pos;
    const auto m = ReadDigits(s, pos, 1, 2);
    if (!m)
        return std::nullopt;
    int sec = 0;
    if (pos < s.size()) {
        if (s[pos] != u':')
            return std::nullopt;
        ++pos;
        const auto ss = ReadDigits(s, pos, 1, 2);
        if (!ss)
            return std::nullopt;
        sec = *ss;
    }
    if (pos != s.size() || *h > 23 || *m > 59 || sec > 59)
        return std::nullopt;
    return std::int64_t{*h} * 3600 + std::int64_t{*m} * 60 + sec;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return std::int64_t{era} * 146097 + doe - 719468;
}

// Days from 1899-12-30 (the scale's origin) to 1970-01-01.
constexpr std::int64_t OriginTo1970 = 25569;

// "d.M.yyyy" at the start of s; days since the origin; pos advanced past it.
std::optional<std::int64_t> ParseDate(QStringView s, qsizetype& pos) {
    const auto d = ReadDigits(s, pos, 1, 2);
    if (!d || pos >= s.size() || s[pos] != u'.')
        return std::nullopt;
    ++pos;
    const auto m = ReadDigits(s, pos, 1, 2);
    if (!m || pos >= s.size() || s[pos] != u'.')
        return std::nullopt;
    ++pos;
    const auto y = ReadDigits(s, pos, 4, 4);
    if (!y || *y < 1 || *m < 1 || *m > 12 || *d < 1)
        return std::nullopt;
    static constexpr std::array<int, 12> Days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int last = Days[*m - 1] + (*m == 2 && IsLeap(*y) ? 1 : 0);
    if (*d > last)
        return std::nullopt;
    return DaysFromCivil(*y, *m, *d) + OriginTo1970;
}

} // namespace

std::optional<double> ToNumber(QStringView text) {
    const QStringView s = TrimBlanks(text);
    // Build the ASCII form that from_chars reads: the comma becomes a point, a plus sign goes.
    std::array<char, 96> small{};
    std::string large;
    char* buf = small.data();
    if (s.size() >= static_cast<qsizetype>(small.size())) {
        large.resize(static_cast<std::size_t>(s.size()) + 1);
        buf = large.data();
    }
    qsizetype pos = 0;
    std::size_t n = 0;
    if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) {
        if (s[pos] == u'-')
            buf[n++] = '-';
        ++pos;
    }
    int mantissaDigits = 0;
    bool comma = false;
    for (; pos < s.size(); ++pos) {
        const char16_t c = s[pos].unicode();
        if (c >= u'0' && c <= u'9') {
            buf[n++] = static_cast<char>(c);
            ++mantissaDigits;
        } else if (c == u',' && !comma) {
            buf[n++] = '.';
            comma = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (pos < s.size() && (s[pos] == u'e' || s[pos] == u'E')) {
        buf[n++] = 'e';
        ++pos;
        if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-'))
            buf[n++] = static_cast<char>(s[pos++].unicode());
        int expDigits = 0;
        while (pos < s.size() && IsDigit(s[pos])) {
            buf[n++] = static_cast<char>(s[pos++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (pos != s.size())
        return std::nullopt;
    double value = 0;
    const auto r = std::from_chars(buf, buf + n, value, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != buf + n)
        return std::nullopt;
    return value;
}

std::optional<double> ToTime(QStringView text) {
    const auto t = ParseTime(TrimBlanks(text));
    if (!t)
        return std::nullopt;
    return static_cast<double>(*t);
}

std::optional<double> ToDateTime(QStringView text) {
    const QStringView s = TrimBlanks(text);
    if (s.isEmpty())
        return std::nullopt;
    qsizetype pos = 0;
    // A time alone has its colon within the first three characters; a date has a dot there.
    const auto days = ParseDate(s, pos);
    if (!days) {
        const auto t = ParseTime(s);
        if (!t)
            return std::nullopt;
        return static_cast<double>(*t);
    }
    std::int64_t seconds = *days * 86400;
    if (pos < s.size()) {
        const qsizetype timeStart = pos;
        while (pos < s.size() && s[pos].unicode() == Blank)
            ++pos;
        if (pos == timeStart)
            return std::nullopt;
        const auto t = ParseTime(s.sliced(pos));
        if (!t)
            return std::nullopt;
        seconds += *t;
    }
    return static_cast<double>(seconds);
}

bool SameTextIgnoringCase(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    const char16_t* ua = a.utf16();
    const char16_t* ub = b.utf16();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (ua[i] != ub[i] && FoldCase(ua[i]) != FoldCase(ub[i]))
            return false;
    }
    return true;
}

QString CaseFolded(const QString& text) {
    // A text that is already folded is shared, not copied (FindNext asks on every call).
    const auto unfolded = std::find_if(text.cbegin(), text.cend(),
                                       [](QChar c) { return FoldCase(c.unicode()) != c; });
    if (unfolded == text.cend())
        return text;
    QString out = text;
    for (QChar& c : out)
        c = QChar(FoldCase(c.unicode()));
    return out;
}

bool ContainsFolded(QStringView haystack, QStringView needle) {
    const qsizetype m = needle.size();
    const qsizetype n = haystack.size();
    if (m == 0 || m > n)
        return false;
    const char16_t* h = haystack.utf16();
    const char16_t* p = needle.utf16();
    const char16_t first = p[0];
    const qsizetype last = n - m;
    for (qsizetype i = 0; i <= last; ++i) {
        if (FoldCase(h[i]) != first)
            continue;
        qsizetype k = 1;
        while (k < m && FoldCase(h[i + k]) == p[k])
            ++k;
        if (k == m)
            return true;
    }
    return false;
}

bool ContainsExactly(QStringView haystack, QStringView needle) {
    if (needle.isEmpty())
        return false;
    return haystack.contains(needle, Qt::CaseSensitive);
}

} // namespace movra
