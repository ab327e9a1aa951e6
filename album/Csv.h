#pragma once

// The list of people as a CSV file for spreadsheets: UTF-8 with a byte-order mark, fields
// separated by semicolons (what Polish spreadsheets expect), quoted as RFC 4180 says (a field
// holding ; " CR or LF in double quotes, a double quote doubled), CR LF after each row, one row
// per person under a header of Polish column names. The photo is left out.

#include "album/ExchangePerson.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <vector>

namespace movra {

// "Imię", "Nazwisko", "Ksywa", "Adnotacje i uwagi", "Adres i źródła kontaktu".
[[nodiscard]] QStringList CsvHeader();

// The header row (with the byte-order mark) and the row of one person.
[[nodiscard]] QByteArray CsvHeaderRow();
[[nodiscard]] QByteArray CsvRow(const TAlbumTexts& texts);

// The people of a file of that layout. The columns are found by their header names in any order
// and letter case (a missing one stays empty); a file without the byte-order mark that is no
// UTF-8 is read as Windows-1250, as spreadsheets save it. Line breaks inside the notes become CR
// LF. Throws EMovraError (Polish) when the first row names none of the columns.
[[nodiscard]] std::vector<TExchangePerson> ReadCsv(const QByteArray& bytes);

} // namespace movra
