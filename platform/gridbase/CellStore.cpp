#include "platform/gridbase/CellStore.h"

#include "platform/text/Cp1250.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <malloc.h>
#include <new>

namespace movra {

namespace {

// A row block: a 32-bit word telling the encoding, the end offset of each cell (in units, from
// the start of the texts), then the texts.
constexpr std::uint32_t kNarrow = 0; // one Windows-1250 byte per character
constexpr std::uint32_t kWide = 1;   // UTF-16
// Set beside the encoding when the block lies in the store's chunks, not on the heap of its own.
constexpr std::uint32_t kPooled = 0x80000000u;

// Chunks start small, so that a grid of a few rows keeps little, and grow up to a size where
// one more allocation in a few thousand rows no longer matters.
constexpr std::size_t kFirstChunk = 16 * 1024;
constexpr std::size_t kLargestChunk = 1024 * 1024;

struct TRowView {
    const std::uint32_t* Words;
    int Cols;

    [[nodiscard]] bool Wide() const { return (Words[0] & kWide) != 0; }
    [[nodiscard]] std::uint32_t Start(int col) const { return col == 0 ? 0 : Words[col]; }
    [[nodiscard]] std::uint32_t End(int col) const { return Words[col + 1]; }
    [[nodiscard]] std::uint32_t Length(int col) const { return End(col) - Start(col); }
    [[nodiscard]] const char* Data() const {
        return reinterpret_cast<const char*>(Words + 1 + Cols);
    }
    [[nodiscard]] std::string_view Bytes(int col) const {
        return {Data() + Start(col), Length(col)};
    }
    [[nodiscard]] QStringView Units(int col) const {
        return {reinterpret_cast<const char16_t*>(Data()) + Start(col),
                static_cast<qsizetype>(Length(col))};
    }
};

std::size_t HeaderBytes(int cols) {
    return sizeof(std::uint32_t) * (1 + static_cast<std::size_t>(cols));
}

char* Allocate(std::size_t bytes) {
    void* p = std::malloc(bytes);
    if (p == nullptr)
        throw std::bad_alloc();
    return static_cast<char*>(p);
}

std::uint32_t FirstWord(const char* block) {
    std::uint32_t word = 0;
    std::memcpy(&word, block, sizeof word);
    return word;
}

} // namespace

void TCellStore::TFree::operator()(char* p) const noexcept {
    if ((FirstWord(p) & kPooled) == 0)
        std::free(p);
}

TCellStore::TCellStore(int cols, int rows) : m_cols(cols), m_rows(static_cast<std::size_t>(rows)) {}

bool TCellStore::Pooled(const TRowBlock& block) {
    return block && (FirstWord(block.get()) & kPooled) != 0;
}

char* TCellStore::PoolAllocate(std::size_t bytes) {
    bytes = (bytes + 3) & ~std::size_t(3); // the next block's words stay aligned
    if (bytes > kLargestChunk / 8)
        return nullptr;
    if (bytes > m_poolLeft) {
        // The next kept chunk, when it holds the block; else a new one after the one in use.
        const std::size_t next = m_poolNext == nullptr ? 0 : m_chunkInUse + 1;
        if (next < m_chunks.size() && m_chunks[next].Size >= bytes) {
            m_chunkInUse = next;
        } else {
            // Each chunk doubles the pool, up to a cap; a chunk always holds the block asked for.
            const std::size_t size =
                std::max(bytes, std::clamp(m_chunkBytes, kFirstChunk, kLargestChunk));
            TChunk chunk{std::unique_ptr<char, TChunkFree>(Allocate(size)), size};
            m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(next), std::move(chunk));
            m_chunkBytes += size;
            m_chunkInUse = next;
        }
        m_poolNext = m_chunks[m_chunkInUse].Bytes.get();
        m_poolLeft = m_chunks[m_chunkInUse].Size;
    }
    char* block = m_poolNext;
    m_poolNext += bytes;
    m_poolLeft -= bytes;
    ++m_pooledRows;
    return block;
}

void TCellStore::Replace(std::size_t row, TRowBlock block) {
    ForgetRows(row, row + 1);
    if (block && !Pooled(block))
        ++m_heapRows;
    m_rows[row] = std::move(block);
    ReuseChunksIfUnused();
}

void TCellStore::ForgetRows(std::size_t first, std::size_t last) {
    for (std::size_t r = first; r < last; ++r) {
        if (!m_rows[r])
            continue;
        if (Pooled(m_rows[r]))
            --m_pooledRows;
        else
            --m_heapRows;
    }
}

void TCellStore::DropRowsFrom(std::size_t first) {
    if (m_heapRows == 0) {
        // Every row lies in the chunks, so dropping them frees nothing and their blocks are not
        // read: emptying a million-row list before the next one would otherwise read through
        // all of it once more.
        for (auto row = m_rows.begin() + static_cast<std::ptrdiff_t>(first); row != m_rows.end();
             ++row)
            if (row->release() != nullptr)
                --m_pooledRows;
    } else {
        ForgetRows(first, m_rows.size());
    }
    m_rows.resize(first);
}

void TCellStore::ReuseChunksIfUnused() {
    if (m_pooledRows != 0 || m_chunks.empty() || m_poolNext == nullptr)
        return;
    // Chunks past the one in use held nothing of the last rows.
    while (m_chunks.size() > m_chunkInUse + 1) {
        m_chunkBytes -= m_chunks.back().Size;
        m_chunks.pop_back();
    }
    m_chunkInUse = 0;
    m_poolNext = nullptr; // the next row starts at the first chunk
    m_poolLeft = 0;
}

QString TCellStore::Text(int col, int row) const {
    if (Numbered(col, row))
        return NumberOf(row);
    const char* block = m_rows[Index(row)].get();
    if (block == nullptr)
        return {};
    const TRowView v{reinterpret_cast<const std::uint32_t*>(block), m_cols};
    if (v.Wide())
        return v.Units(col).toString();
    const std::string_view bytes = v.Bytes(col);
    if (bytes.empty())
        return {};
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    DecodeCp1250(bytes, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

void TCellStore::TextInto(int col, int row, QString& out) const {
    if (Numbered(col, row)) {
        out = NumberOf(row);
        return;
    }
    const char* block = m_rows[Index(row)].get();
    if (block == nullptr) {
        out.resize(0);
        return;
    }
    const TRowView v{reinterpret_cast<const std::uint32_t*>(block), m_cols};
    if (v.Wide()) {
        out = v.Units(col).toString();
        return;
    }
    const std::string_view bytes = v.Bytes(col);
    out.resize(static_cast<qsizetype>(bytes.size()));
    DecodeCp1250(bytes, reinterpret_cast<char16_t*>(out.data()));
}

bool TCellStore::TextEquals(int col, int row, QStringView text) const {
    if (Numbered(col, row))
        return NumberOf(row) == text;
    const char* block = m_rows[Index(row)].get();
    if (block == nullptr)
        return text.isEmpty();
    const TRowView v{reinterpret_cast<const std::uint32_t*>(block), m_cols};
    if (v.Length(col) != static_cast<std::uint32_t>(text.size()))
        return false;
    if (v.Wide())
        return v.Units(col) == text;
    const std::string_view bytes = v.Bytes(col);
    char16_t buffer[256];
    for (std::size_t at = 0; at < bytes.size(); at += std::size(buffer)) {
        const std::size_t n = std::min(std::size(buffer), bytes.size() - at);
        DecodeCp1250(bytes.substr(at, n), buffer);
        if (QStringView(buffer, static_cast<qsizetype>(n)) !=
            text.mid(static_cast<qsizetype>(at), static_cast<qsizetype>(n)))
            return false;
    }
    return true;
}

std::optional<std::string_view> TCellStore::BytesCp1250(int col, int row) const {
    if (Numbered(col, row))
        return std::nullopt;
    const char* block = m_rows[Index(row)].get();
    if (block == nullptr)
        return std::string_view();
    const TRowView v{reinterpret_cast<const std::uint32_t*>(block), m_cols};
    if (v.Wide())
        return std::nullopt;
    return v.Bytes(col);
}

std::vector<QString> TCellStore::RowTexts(int row) const {
    std::vector<QString> texts(static_cast<std::size_t>(m_cols));
    if (m_rows[Index(row)])
        for (int c = 0; c < m_cols; ++c)
            if (!Numbered(c, row))
                texts[static_cast<std::size_t>(c)] = Text(c, row);
    return texts;
}

TCellStore::TRowBlock TCellStore::Encode(std::span<const QStringView> texts) const {
    const std::size_t given = std::min(texts.size(), static_cast<std::size_t>(m_cols));
    std::size_t units = 0;
    bool narrow = true;
    for (std::size_t c = 0; c < given; ++c) {
        units += static_cast<std::size_t>(texts[c].size());
        narrow = narrow && IsCp1250(texts[c]);
    }
    if (units == 0)
        return {};
    const std::size_t header = HeaderBytes(m_cols);
    char* block = Allocate(header + units * (narrow ? 1 : 2));
    TRowBlock owner(block);
    auto* words = reinterpret_cast<std::uint32_t*>(block);
    words[0] = narrow ? kNarrow : kWide;
    char* data = block + header;
    std::uint32_t end = 0;
    for (std::size_t c = 0; c < static_cast<std::size_t>(m_cols); ++c) {
        if (c < given) {
            const QStringView t = texts[c];
            if (narrow)
                (void)EncodeCp1250(t, data + end);
            else if (!t.isEmpty()) // an empty view may have no data at all
                std::memcpy(data + std::size_t(end) * 2, t.utf16(),
                            static_cast<std::size_t>(t.size()) * 2);
            end += static_cast<std::uint32_t>(t.size());
        }
        words[c + 1] = end;
    }
    return owner;
}

void TCellStore::SetRow(int row, std::span<const QStringView> texts) {
    Replace(Index(row), Encode(texts));
}

void TCellStore::SetRowCp1250(int row, std::span<const std::string_view> bytes) {
    const std::size_t given = std::min(bytes.size(), static_cast<std::size_t>(m_cols));
    std::size_t units = 0;
    for (std::size_t c = 0; c < given; ++c)
        units += bytes[c].size();
    if (units == 0) {
        Replace(Index(row), nullptr);
        return;
    }
    const std::size_t header = HeaderBytes(m_cols);
    char* block = PoolAllocate(header + units);
    const bool pooled = block != nullptr;
    if (!pooled)
        block = Allocate(header + units);
    auto* words = reinterpret_cast<std::uint32_t*>(block);
    words[0] = kNarrow | (pooled ? kPooled : 0);
    TRowBlock owner(block);
    char* data = block + header;
    std::uint32_t end = 0;
    for (std::size_t c = 0; c < given; ++c) {
        const std::size_t size = bytes[c].size();
        if (size != 0) // an empty view may have no data at all
            std::memcpy(data + end, bytes[c].data(), size);
        end += static_cast<std::uint32_t>(size);
        words[c + 1] = end;
    }
    for (std::size_t c = given; c < static_cast<std::size_t>(m_cols); ++c)
        words[c + 1] = end;
    Replace(Index(row), std::move(owner));
}

void TCellStore::SetText(int col, int row, QStringView text) {
    TRowBlock& slot = m_rows[Index(row)];
    if (slot && IsCp1250(text)) {
        const TRowView v{reinterpret_cast<const std::uint32_t*>(slot.get()), m_cols};
        if (!v.Wide()) {
            // The common case, a narrow row keeping its encoding: splice the bytes.
            std::vector<std::string_view> bytes(static_cast<std::size_t>(m_cols));
            for (int c = 0; c < m_cols; ++c)
                bytes[static_cast<std::size_t>(c)] = v.Bytes(c);
            std::string encoded(static_cast<std::size_t>(text.size()), '\0');
            (void)EncodeCp1250(text, encoded.data());
            bytes[static_cast<std::size_t>(col)] = encoded;
            // The old block stays readable (its bytes are copied from) until the new one is in;
            // it still counts as a pooled row until then, so the chunks stay too.
            TRowBlock old = std::move(slot);
            const bool oldPooled = Pooled(old);
            SetRowCp1250(row, bytes);
            if (oldPooled) {
                (void)old.release(); // its bytes belong to a chunk
                --m_pooledRows;
                ReuseChunksIfUnused();
            } else {
                --m_heapRows;
            }
            return;
        }
    }
    std::vector<QString> texts = RowTexts(row);
    texts[static_cast<std::size_t>(col)] = text.toString();
    std::vector<QStringView> views(texts.begin(), texts.end());
    Replace(Index(row), Encode(views));
}

void TCellStore::Resize(int cols, int rows) {
    if (m_numberCol >= cols)
        m_numberCol = -1;
    if (cols != m_cols) {
        const int oldCols = m_cols;
        const int keepRows = std::min(rows, Rows());
        for (int r = 0; r < keepRows; ++r) {
            if (!m_rows[Index(r)])
                continue;
            std::vector<QString> texts = RowTexts(r);
            texts.resize(static_cast<std::size_t>(std::min(oldCols, cols)));
            std::vector<QStringView> views(texts.begin(), texts.end());
            m_cols = cols;
            TRowBlock block = Encode(views);
            m_cols = oldCols;
            Replace(Index(r), std::move(block));
        }
        m_cols = cols;
    }
    if (Index(rows) < m_rows.size())
        DropRowsFrom(Index(rows));
    else
        m_rows.resize(static_cast<std::size_t>(rows));
    ReuseChunksIfUnused();
}

void TCellStore::ClearAll() {
    for (TRowBlock& row : m_rows)
        row.reset();
    m_pooledRows = 0;
    m_heapRows = 0;
    ReuseChunksIfUnused();
}

void TCellStore::EraseRow(int row) {
    ForgetRows(Index(row), Index(row) + 1);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
    ReuseChunksIfUnused();
}

void TCellStore::MoveRow(int from, int to) {
    auto base = m_rows.begin();
    if (from < to)
        std::rotate(base + from, base + from + 1, base + to + 1);
    else
        std::rotate(base + to, base + from, base + from + 1);
}

void TCellStore::PermuteRows(int first, const std::vector<int>& sources) {
    std::vector<TRowBlock> moved(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i)
        moved[i] = std::move(m_rows[Index(sources[i])]);
    std::move(moved.begin(), moved.end(), m_rows.begin() + first);
}

void TCellStore::SetNumberedColumn(int col, int firstRow) {
    m_numberCol = col >= 0 && col < m_cols ? col : -1;
    m_numberFrom = std::max(firstRow, 0);
}

void TCellStore::MoveColumn(int from, int to) {
    if (m_numberCol == from)
        m_numberCol = to;
    else if (from < to && m_numberCol > from && m_numberCol <= to)
        --m_numberCol;
    else if (to < from && m_numberCol >= to && m_numberCol < from)
        ++m_numberCol;
    for (int r = 0; r < Rows(); ++r) {
        if (!m_rows[Index(r)])
            continue;
        std::vector<QString> texts = RowTexts(r);
        auto base = texts.begin();
        if (from < to)
            std::rotate(base + from, base + from + 1, base + to + 1);
        else
            std::rotate(base + to, base + from, base + from + 1);
        std::vector<QStringView> views(texts.begin(), texts.end());
        Replace(Index(r), Encode(views));
    }
}

void TCellStore::ReleaseUnused() {
    // The few rows an emptied grid keeps (its titles) move to blocks of their own, so that the
    // chunks can go; a store still holding a list keeps them.
    constexpr std::size_t kFewRows = 64;
    if (m_pooledRows != 0 && m_pooledRows <= kFewRows && m_cols > 0) {
        for (TRowBlock& row : m_rows) {
            if (!Pooled(row))
                continue;
            const TRowView v{reinterpret_cast<const std::uint32_t*>(row.get()), m_cols};
            const std::size_t size =
                HeaderBytes(m_cols) + std::size_t(v.End(m_cols - 1)) * (v.Wide() ? 2 : 1);
            char* own = Allocate(size);
            std::memcpy(own, row.get(), size);
            reinterpret_cast<std::uint32_t*>(own)[0] &= ~kPooled;
            (void)row.release(); // its bytes belong to a chunk
            row.reset(own);
            --m_pooledRows;
            ++m_heapRows;
        }
    }
    if (m_pooledRows == 0) {
        m_chunks.clear();
        m_chunkBytes = 0;
        m_chunkInUse = 0;
        m_poolNext = nullptr;
        m_poolLeft = 0;
    }
    m_rows.shrink_to_fit();
}

std::size_t TCellStore::MemoryBytes() const {
    std::size_t bytes = m_rows.capacity() * sizeof(TRowBlock) + m_chunkBytes;
    for (const TRowBlock& row : m_rows)
        if (row && !Pooled(row))
            bytes += malloc_usable_size(row.get());
    return bytes;
}

} // namespace movra
