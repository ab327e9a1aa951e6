#pragma once

// Record texts as users type them into the record window: Polish names with their letters,
// nicknames with double quotes and apostrophes, notes of several lines broken in every way a
// pasted text can be (LF, CR LF, lone CR), now and then a long note that spans several pages of
// the file. Every character fits the album's Windows-1250 code page.

#include "album/AlbumFile.h"
#include "tests/crash/CrashCommon.h"

#include <array>
#include <string>

namespace movra::crash {

// A new person, as typed before the add command.
[[nodiscard]] TAlbumTexts RandomTexts(TRandom& random);

// A few fields of a shown record changed, as before the save command (at least one changes).
void ChangeSomeTexts(TRandom& random, TAlbumTexts& texts);

// The bytes the album file holds for these texts once the add or save command has quoted them
// (the main window quotes the fields and shows the result before it writes them).
[[nodiscard]] std::array<std::string, kTextFields> StoredBytes(const TAlbumTexts& texts);

} // namespace movra::crash
