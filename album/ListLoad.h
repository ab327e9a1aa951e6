#pragma once

#include "album/ListFiller.h"
#include "album/ListReader.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>

#include <memory>
#include <string>
#include <vector>

namespace movra {

// The record list while the rows after its first screen arrive: what the main window shows of it
// so far and the reader that brings the rest. Lives on the main window's thread; a newer load,
// closing or a failure ends it (and with it the reading).
struct TListLoad {
    explicit TListLoad(TStringGrid& grid) : Filler(grid) {}

    // The first screen's rows, kept to be matched with the reader's first rows: another program
    // may have changed the file between the two readings, and the whole list must be one reading.
    void NoteShown(const TAlbumListBytes& row);
    [[nodiscard]] bool SameAsShown(std::size_t index, const TAlbumListBytes& row) const;

    TListFiller Filler;
    std::vector<std::string> Shown;
    std::size_t Received = 0;      // rows the reader has handed over
    std::vector<TListBatch> Taken; // reused for every handing-over
    QTimer Pace;                   // the next handing-over, when the last was too recent
    QTimer Start;                  // the reader's start, should the first screen not be painted
    QElapsedTimer SinceTaken;
    bool Holding = true;                 // the first screen is still being read
    bool Waiting = false;                // CompleteRecordList takes the rows itself
    std::uint8_t TextNames = 7;          // names the reader handed over as texts in every row
    bool Filtering = false;              // the filter's reading: the first rows start at the top
    bool AtTop = false;                  // the old rows gave way to them
    bool Clicked = false;                // and the first of them was made current
    std::int64_t Expected = 0;           // rows the whole list will likely have
    std::unique_ptr<TListReader> Reader; // last: stopped before anything above goes
};

} // namespace movra
