#pragma once

// What the vCard and CSV exchange share: a person as the album keeps them (five texts and the
// photo's JPEG bytes), and how texts from outside are fitted into Windows-1250.

#include "album/AlbumFile.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace movra {

struct TExchangePerson {
    TAlbumTexts Texts;
    QByteArray Jpeg; // the photo's JPEG bytes; empty: no photo
    // What the reader had to leave out of this person and why (Polish, one sentence each).
    QStringList Remarks;
};

// "Jan Kowalski", else the nickname, else "(bez nazwy)": how questions and notes name a person.
[[nodiscard]] QString PersonName(const TAlbumTexts& texts);

// The Polish names of the fields holding a character Windows-1250 cannot store.
[[nodiscard]] QStringList FieldsOutsideCp1250(const TAlbumTexts& texts);

// The nearest text Windows-1250 holds: a character it lacks becomes its compatibility
// decomposition without the accents ("ñ" -> "n", "ﬁ" -> "fi") when that fits, else one '?'
// (a character outside the BMP too). Text that fits is returned unchanged.
[[nodiscard]] QString NearestCp1250(const QString& text);
[[nodiscard]] TAlbumTexts NearestCp1250(const TAlbumTexts& texts);

} // namespace movra
