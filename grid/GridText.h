#pragma once

#include <QtCore/QString>
#include <QtCore/QStringView>

#include <optional>

namespace movra {

// Conversions of cell texts as the program's Polish locale writes them. They are written out by
// hand (no QLocale round trip) because sorting runs them on every key of a column, and they are
// exact: the results compare in the same order as the values the texts name.
//
// Every conversion allows blanks (spaces) before and after the value and nothing else around it.
//
// ToNumber: an optional sign (+ or -), digits with at most one decimal comma (",5" and "5," are
// accepted, a lone comma is not), and an optional exponent: e or E, optional sign, digits. No
// thousands separators, no decimal point. The nearest double (correctly rounded); a value beyond
// the range of double does not convert.
[[nodiscard]] std::optional<double> ToNumber(QStringView text);

// ToTime: a time of day "h:mm" or "h:mm:ss": hours 0 to 23, minutes and seconds 0 to 59, each
// written with one or two digits. The result is the number of seconds since midnight.
[[nodiscard]] std::optional<double> ToTime(QStringView text);

// ToDateTime: a date "d.M.yyyy" (day and month with one or two digits, year with exactly four
// digits, 0001 to 9999, the day valid for its month, leap years included), a date followed by
// blanks and a time as ToTime accepts it, or a time alone (which counts as a time on the day
// 30.12.1899, the origin of the scale, so times alone come before any later date). The result is
// the number of seconds since 30.12.1899 00:00:00 (negative before it).
[[nodiscard]] std::optional<double> ToDateTime(QStringView text);

// Whether a equals b when letter case is ignored, for every letter the album can hold (Ł equals
// ł, Ą equals ą).
[[nodiscard]] bool SameTextIgnoringCase(QStringView a, QStringView b);

// The text with every letter folded to its capital (FoldCase), as ContainsFolded takes a needle.
[[nodiscard]] QString CaseFolded(const QString& text);

// Whether haystack, with its letters folded to capitals, contains needle. needle must be folded
// already (CaseFolded gives such a text). An empty needle is contained nowhere. No copy of
// haystack is made.
[[nodiscard]] bool ContainsFolded(QStringView haystack, QStringView needle);

// Whether haystack contains needle exactly; an empty needle is contained nowhere.
[[nodiscard]] bool ContainsExactly(QStringView haystack, QStringView needle);

} // namespace movra
