#pragma once

#include "platform/emf/Metafile.h"

#include <QtCore/QString>
#include <QtCore/QVector>

#include <functional>
#include <memory>

class QFile;
class QIODevice;

namespace movra {

// A new, unique, empty file named "PP..." in the system's temporary folder, readable and
// writable by its owner alone, already open for reading and writing (unbuffered), with its full
// path. Throws EMovraError when none can be made.
struct TTempPageFile {
    std::unique_ptr<QFile> File;
    QString Name;
};
[[nodiscard]] TTempPageFile OpenTempPageFile();

// The recorded pages of a preview: every page's picture bytes back to back in one stream (in
// memory, or in a temporary file so that long documents do not fill the memory), with one page
// at a time decoded into a cached picture. The cached picture may be changed by whoever asked for
// it; the page is then written back in place and the pages after it move.
class TMetafileList {
public:
    TMetafileList();
    ~TMetafileList();
    TMetafileList(const TMetafileList&) = delete;
    TMetafileList& operator=(const TMetafileList&) = delete;

    // Appends a copy of the picture; returns its 0-based index. The picture stays the caller's.
    // Throws EMovraError (and adds nothing) when the page cannot be stored.
    int Add(const TMetafile& picture);
    void Clear();
    [[nodiscard]] int Count() const { return static_cast<int>(m_offsets.size()); }

    // The page decoded into the one cached picture (the same object for every index, valid until
    // the next call). Throws EMovraError for an index outside 0..Count-1 and when the page cannot
    // be read back.
    [[nodiscard]] TMetafile& Pages(int index);

    [[nodiscard]] bool UseTempFile() const { return m_useTempFile; }
    void SetUseTempFile(bool value);

    // The temporary file last created ("" until one was); for inspection.
    [[nodiscard]] const QString& TempFileName() const { return m_tempFileName; }
    // Where page i begins in the stream, and the stream's size (0 without a stream).
    [[nodiscard]] qint64 Offset(int index) const { return m_offsets.at(index); }
    [[nodiscard]] qint64 StreamSize() const;
    // The index of the page in the cached picture, -1 for none.
    [[nodiscard]] int CachedIndex() const { return m_cachedIndex; }

    std::function<void(TMetafileList* Sender)> OnChange;
    std::function<void(TMetafileList* Sender, int Index)> OnCurrentChange;

private:
    [[nodiscard]] std::unique_ptr<QIODevice> CreateStream();
    void InternalClear();
    void ReleaseStream();
    void RewriteCached();
    void AttachCache();
    void DetachCache();
    [[nodiscard]] qint64 PageEnd(int index) const;

    QVector<qint64> m_offsets;
    std::unique_ptr<QIODevice> m_stream;
    int m_cachedIndex = -1;
    TMetafile m_cache;
    bool m_useTempFile = false;
    QString m_tempFileName;
    bool m_streamIsFile = false;
};

} // namespace movra
