#pragma once

// The albums opened last, newest first, as the Baza menu offers them again. They are kept in the
// settings file in a section of their own ([Ostatnie], keys Plik1..Plik8), which older readers of
// movra.ini pass over.

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace movra {

class TIniFile;

inline constexpr int kRecentAlbumsMax = 8;

// The list as the settings file holds it: full paths, empty and repeated entries dropped, at most
// kRecentAlbumsMax.
[[nodiscard]] QStringList ReadRecentAlbums(const TIniFile& ini);
// Writes the list as keys Plik1.. in order, emptying the section's other keys.
void WriteRecentAlbums(TIniFile& ini, const QStringList& albums);

// path becomes the newest entry (moved up if it was listed); the oldest falls off past the cap.
// Paths are compared as absolute, cleaned paths.
void NoteRecentAlbum(QStringList& albums, const QString& path);

// Drops path from the list (an album that failed to open), compared as NoteRecentAlbum does.
void ForgetRecentAlbum(QStringList& albums, const QString& path);

// The menu text of entry index (0-based): "&1 name  (folder)", with '&' in names doubled.
[[nodiscard]] QString RecentAlbumCaption(int index, const QString& path);

} // namespace movra
