#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <array>

namespace movra {

// A date and time written by a picture in the classic Pascal notation: d dd ddd dddd (day,
// zero-padded, short and long day name), m mm mmm mmmm (month likewise; m and mm right after an
// hour stand for minutes), yy yyyy, h hh, n nn (minutes), s ss, z zzz (milliseconds), am/pm and
// a/p (a 12-hour clock), / and : (the date and time separators), text in quotes as it is.
// Letters are matched in any case; every other character stands for itself. Names are Polish.
[[nodiscard]] QString FormatDateTimePicture(const QString& picture, const QDateTime& when);

// The label of a printed page: "Strona 2", or "Strona 2-3" (page 2 of the third column band)
// when the table is printed in more than one band.
[[nodiscard]] QString PageLabel(int pageInBand, int band, bool manyBands);

// The left, centre and right items of a page footer: the template split at "|" (the first
// three parts; missing ones empty), and in each item the first "date", then the first "time",
// then the first "page" replaced (letter case as written).
[[nodiscard]] std::array<QString, 3> FooterItems(const QString& footerTemplate, const QString& date,
                                                 const QString& time, const QString& pageLabel);

} // namespace movra
