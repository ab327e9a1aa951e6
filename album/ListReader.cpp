#include "album/ListReader.h"

#include "db/SQLiteInterfaces.h"

#include <chrono>
#include <utility>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace movra {

namespace {

// A batch is handed over when it holds this many rows or bytes: large enough that the main
// window grows the grid a few hundred times for a million records, small enough that rows
// after the first screen follow without a noticeable pause.
constexpr std::size_t kBatchRows = 4096;
constexpr std::size_t kBatchBytes = 512 * 1024;
// The reader waits while this much is queued: some fifteen percent of a million records' texts,
// enough for the main window taking everything queued ten times a second not to hold the reader
// back.
constexpr std::size_t kMaxQueuedBytes = 24 * 1024 * 1024;
// Batches used up are kept, up to this many bytes, for the reader to fill again: no fresh memory
// for each batch.
constexpr std::size_t kMaxSpareBytes = 16 * 1024 * 1024;
// The reader's thread yields to the user-interface thread when both want the processor: the
// first screen is painted and scrolling stays smooth while the rest is read on a busy machine.
// An idle processor it has to itself all the same.
constexpr int kReaderNice = 10;

// Ends the reading from inside the row callback once the owner asked to stop.
struct TStopped {};

} // namespace

void TListBatch::Add(const TAlbumListBytes& row) {
    for (const std::string_view cell :
         {row.Id, row.Imie, row.Nazwisko, row.Ksywa, row.Notes, row.Adres}) {
        m_bytes.append(cell);
        m_ends.push_back(static_cast<std::uint32_t>(m_bytes.size()));
    }
    m_kinds.push_back(static_cast<std::uint8_t>(row.TextNames | (row.KeyIsText ? 8U : 0U)));
}

std::size_t TListBatch::Capacity() const {
    return m_bytes.capacity() + m_ends.capacity() * sizeof(std::uint32_t);
}

void TListBatch::Clear() {
    m_bytes.clear();
    m_ends.clear();
    m_kinds.clear();
}

TAlbumListBytes TListBatch::Row(std::size_t row) const {
    std::string_view cells[kCells];
    std::size_t start = row == 0 ? 0 : m_ends[row * kCells - 1];
    for (std::size_t c = 0; c < kCells; ++c) {
        const std::size_t end = m_ends[row * kCells + c];
        cells[c] = std::string_view(m_bytes).substr(start, end - start);
        start = end;
    }
    const std::uint8_t kinds = m_kinds[row];
    return {cells[0], cells[1], cells[2],         cells[3],
            cells[4], cells[5], (kinds & 8) != 0, static_cast<std::uint8_t>(kinds & 7)};
}

namespace {

std::size_t Footprint(const TListBatch& batch) {
    return batch.Bytes() + batch.Rows() * 6 * sizeof(std::uint32_t);
}

} // namespace

TListReader::TListReader(const QString& path, int sortKey, TListFilter filter, bool countAll,
                         TNotify notify)
    : m_notify(std::move(notify)) {
    m_thread = std::thread([this, path, sortKey, filter = std::move(filter), countAll] {
        Run(path, sortKey, filter, countAll);
    });
}

TListReader::~TListReader() {
    Stop();
}

void TListReader::Stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void TListReader::Run(const QString& path, int sortKey, const TListFilter& filter, bool countAll) {
#ifdef __linux__
    // Failing leaves the thread at the program's priority, which only costs smoothness.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kReaderNice);
#endif
    TListBatch batch;
    try {
        // Watched from the start, so that a stop needs no more than a thousand engine steps.
        const ISQLiteDatabasePtr db = OpenAlbumFile(path, [this](const ISQLiteDatabasePtr& d) {
            d->SetWatch([this] { return !m_stop.load(std::memory_order_relaxed); });
        });
        (void)ReadRecordList(
            *db, sortKey,
            [&](const TAlbumListBytes& row) {
                batch.Add(row);
                if ((batch.Rows() >= kBatchRows || batch.Bytes() >= kBatchBytes) && !Push(batch))
                    throw TStopped{};
            },
            filter);
        // The rows are on their way before the records are counted: they are what the user
        // waits for.
        if (batch.Rows() > 0 && !Push(batch))
            return;
        const std::int64_t total = countAll ? CountRecords(*db) : -1;
        {
            const std::lock_guard lock(m_mutex);
            m_total = total;
        }
        Finish(TState::Done, {});
    } catch (const TStopped&) {
        // The owner is waiting for this thread and takes nothing more.
    } catch (...) {
        if (!m_stop)
            Finish(TState::Failed, std::current_exception());
    }
}

bool TListReader::Push(TListBatch& batch) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || m_queuedBytes < kMaxQueuedBytes; });
    if (m_stop)
        return false;
    m_queuedBytes += Footprint(batch);
    m_queue.push_back(std::move(batch));
    if (!m_spare.empty()) {
        batch = std::move(m_spare.back());
        m_spare.pop_back();
        m_spareBytes -= batch.Capacity();
    } else {
        batch = TListBatch();
    }
    const bool tell = !std::exchange(m_notified, true);
    lock.unlock();
    m_changed.notify_all();
    if (tell && m_notify)
        m_notify();
    return true;
}

void TListReader::Finish(TState state, std::exception_ptr error) {
    std::unique_lock lock(m_mutex);
    m_state = state;
    m_error = std::move(error);
    m_notified = true;
    lock.unlock();
    m_changed.notify_all();
    // Told even when the last rows' news is still on its way: the end is taken without delay.
    if (m_notify)
        m_notify();
}

TListReader::TState TListReader::Take(std::vector<TListBatch>& batches) {
    std::unique_lock lock(m_mutex);
    m_notified = false;
    while (!m_queue.empty()) {
        batches.push_back(std::move(m_queue.front()));
        m_queue.pop_front();
    }
    m_queuedBytes = 0;
    const TState state = m_state;
    lock.unlock();
    m_changed.notify_all();
    return state;
}

void TListReader::Recycle(std::vector<TListBatch>& batches) {
    const std::lock_guard lock(m_mutex);
    for (TListBatch& b : batches) {
        if (m_spareBytes >= kMaxSpareBytes)
            break;
        m_spareBytes += b.Capacity();
        b.Clear();
        m_spare.push_back(std::move(b));
    }
    batches.clear();
}

void TListReader::Wait(int milliseconds) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [this] { return !m_queue.empty() || m_state != TState::Reading; });
}

bool TListReader::Ended() const {
    const std::lock_guard lock(m_mutex);
    return m_state != TState::Reading;
}

std::int64_t TListReader::Total() const {
    const std::lock_guard lock(m_mutex);
    return m_total;
}

std::exception_ptr TListReader::Error() const {
    const std::lock_guard lock(m_mutex);
    return m_error;
}

} // namespace movra
