#pragma once

// The record list read on a thread of its own, so that the main window shows its first screen at
// once and stays usable while the rest of a long list arrives.
//
// The reader has its own connection to the album file (a connection is never shared between
// threads) and hands the rows over in batches; only the user-interface thread touches the grid.
// A full queue makes the reader wait, so the rows on their way never cost more than a few
// megabytes beside the grid's copy.

#include "album/AlbumFile.h"

#include <QtCore/QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace movra {

// Rows of the list as the file holds them, many at a time: the six texts of each row (the ID in
// decimal, the three names and the two notes) back to back in one buffer.
class TListBatch {
public:
    void Add(const TAlbumListBytes& row);
    void Clear();
    // Bytes held, the room for more rows included.
    [[nodiscard]] std::size_t Capacity() const;
    [[nodiscard]] std::size_t Rows() const { return m_ends.size() / kCells; }
    [[nodiscard]] std::size_t Bytes() const { return m_bytes.size(); }
    // Valid while the batch is neither changed nor destroyed.
    [[nodiscard]] TAlbumListBytes Row(std::size_t row) const;

private:
    static constexpr std::size_t kCells = 6;
    std::string m_bytes;
    std::vector<std::uint32_t> m_ends; // where each cell ends in m_bytes
    std::vector<std::uint8_t> m_kinds; // for each row: TextNames, and KeyIsText as bit 3
};

class TListReader {
public:
    // Told, on the reader's thread, that Take has something new: rows (once until Take is called
    // again) or the end (always).
    using TNotify = std::function<void()>;

    // Starts reading the list of the album at path in the order of sortKey, the records filter
    // lets through (as ReadRecordList); with a filter on, then the number of all records.
    TListReader(const QString& path, int sortKey, TListFilter filter, bool countAll,
                TNotify notify);
    // Stops the reading and waits for the thread.
    ~TListReader();
    TListReader(const TListReader&) = delete;
    TListReader& operator=(const TListReader&) = delete;

    enum class TState { Reading, Done, Failed };

    // The batches that arrived since the last call, oldest first, and whether the reading has
    // ended: Done or Failed only once every row has been taken.
    [[nodiscard]] TState Take(std::vector<TListBatch>& batches);
    // Batches taken and used up, for the reader to fill again (no fresh memory for each batch).
    void Recycle(std::vector<TListBatch>& batches);
    // Whether the reading has ended (rows may still wait to be taken).
    [[nodiscard]] bool Ended() const;
    // Waits until something can be taken or milliseconds have passed.
    void Wait(int milliseconds);
    // The album's records counted after the list was read (Done) when asked to; else -1.
    [[nodiscard]] std::int64_t Total() const;
    // Why the reading failed (Failed): the connection's or the engine's error.
    [[nodiscard]] std::exception_ptr Error() const;
    // Asks the reader to stop and waits for its thread; nothing more arrives.
    void Stop();

private:
    void Run(const QString& path, int sortKey, const TListFilter& filter, bool countAll);
    // Queues a full batch; waits while the queue is full. False once asked to stop.
    bool Push(TListBatch& batch);
    void Finish(TState state, std::exception_ptr error);
    // Under the lock: tells the owner once until the next Take.
    void NotifyLocked();

    TNotify m_notify;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed; // a batch, room, the end or a stop
    std::deque<TListBatch> m_queue;
    std::vector<TListBatch> m_spare;
    std::size_t m_spareBytes = 0;
    std::size_t m_queuedBytes = 0;
    TState m_state = TState::Reading;
    std::exception_ptr m_error;
    std::int64_t m_total = -1;
    bool m_notified = false;
    std::thread m_thread; // last: started once everything above exists
};

} // namespace movra
