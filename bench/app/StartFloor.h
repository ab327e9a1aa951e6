#pragma once

// The floor of the program's start-up: the least a Qt program does to show the same list. Plain
// sqlite3 reads the list's columns in the list's order and keeps their bytes back to back; a
// QTableView over a flat model shows them in a window of the main window's design size, each
// cell it paints becoming a QString through Qt's own Windows-1250 decoder (as the program's grid
// turns only the cells it paints into QStrings), with the ID, notes and address columns hidden as
// the program hides them. No project code is used, so the floor carries none of the program's
// costs.

#include <QtCore/QString>
#include <QtWidgets/QTableView>

#include <memory>

namespace movra::bench {

// The list query of the program's default order.
inline constexpr const char* kStartListSql =
    "SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres FROM album ORDER BY Nazwisko";

// Reads the album's list (with firstRows above 0, only its first rows: the engine's ORDER BY ...
// LIMIT, which keeps that many rows while it scans the table) and builds the (not yet shown)
// view. Throws std::runtime_error when the file cannot be read.
[[nodiscard]] std::unique_ptr<QTableView> MakeFloorListView(const QString& albumPath,
                                                            int firstRows = 0);

// Rows of the view's model.
[[nodiscard]] int FloorListRows(const QTableView& view);

} // namespace movra::bench
