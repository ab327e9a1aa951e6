#include "preview/MetafileList.h"

#include "platform/core/ErrorBox.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace movra {

namespace {

void WriteAll(QIODevice& dev, const QByteArray& bytes) {
    if (dev.write(bytes) != bytes.size())
        throw EMovraError(
            QStringLiteral("Nie można zapisać strony podglądu: %1").arg(dev.errorString()));
}

void Truncate(QIODevice& dev, qint64 size) {
    if (auto* file = qobject_cast<QFile*>(&dev)) {
        if (!file->resize(size))
            throw EMovraError(
                QStringLiteral("Nie można zapisać strony podglądu: %1").arg(file->errorString()));
    } else if (auto* buffer = qobject_cast<QBuffer*>(&dev)) {
        buffer->buffer().resize(size);
    }
}

// A blank page of the given size: what a page becomes when its picture is emptied, so that the
// page keeps bytes of its own in the stream.
QByteArray BlankPage(int width, int height) {
    TMetafile blank;
    blank.SetSize(width > 0 ? width : 1, height > 0 ? height : 1);
    TMetafileCanvas canvas(blank);
    canvas.Finish();
    return blank.Bytes();
}

} // namespace

TTempPageFile OpenTempPageFile() {
    // Made and opened in one step (mkostemp: O_CREAT | O_EXCL, owner only) and never opened by
    // its name again: whatever another process puts at that name afterwards is not followed.
    QByteArray name = QFile::encodeName(QDir::tempPath() + QStringLiteral("/PPXXXXXX"));
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        throw EMovraError(QStringLiteral("Nie można utworzyć pliku tymczasowego w folderze %1: %2")
                              .arg(QDir::toNativeSeparators(QDir::tempPath()), why));
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(name.constData());
        throw EMovraError(
            QStringLiteral("Nie można otworzyć pliku tymczasowego %1: %2")
                .arg(QDir::toNativeSeparators(QFile::decodeName(name)), file->errorString()));
    }
    return {std::move(file), QFile::decodeName(name)};
}

TMetafileList::TMetafileList() = default;

TMetafileList::~TMetafileList() {
    OnChange = nullptr;
    OnCurrentChange = nullptr;
    InternalClear();
}

qint64 TMetafileList::StreamSize() const {
    return m_stream ? m_stream->size() : 0;
}

std::unique_ptr<QIODevice> TMetafileList::CreateStream() {
    if (m_useTempFile) {
        TTempPageFile made = OpenTempPageFile();
        m_tempFileName = made.Name;
        return std::move(made.File);
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::ReadWrite);
    return buffer;
}

void TMetafileList::AttachCache() {
    m_cache.OnChange = [this] { RewriteCached(); };
}

void TMetafileList::DetachCache() {
    m_cache.OnChange = nullptr;
}

int TMetafileList::Add(const TMetafile& picture) {
    if (picture.Empty())
        throw EMovraError(QStringLiteral("Nie można dodać pustej strony podglądu."));
    if (!m_stream) {
        m_stream = CreateStream();
        m_streamIsFile = m_useTempFile;
    }
    const qint64 pos = m_stream->size();
    try {
        if (!m_stream->seek(pos))
            throw EMovraError(QStringLiteral("Nie można zapisać strony podglądu: %1")
                                  .arg(m_stream->errorString()));
        WriteAll(*m_stream, picture.Bytes());
    } catch (...) {
        // Nothing of a page that was not added stays behind.
        try {
            Truncate(*m_stream, pos);
        } catch (...) {
        }
        throw;
    }
    m_offsets.append(pos);
    // The page just stored becomes the cached picture as it is, sharing its bytes (and the
    // bitmaps decoded from them), instead of being read back and checked again when it is shown:
    // a preview shows the page it has just recorded.
    DetachCache();
    m_cache = picture;
    m_cachedIndex = Count() - 1;
    AttachCache();
    if (OnChange)
        OnChange(this);
    return Count() - 1;
}

void TMetafileList::ReleaseStream() {
    m_stream.reset();
    if (m_streamIsFile && !m_tempFileName.isEmpty() && QFile::exists(m_tempFileName))
        QFile::remove(m_tempFileName);
    m_streamIsFile = false;
}

void TMetafileList::InternalClear() {
    DetachCache();
    m_cache.Clear();
    m_offsets.clear();
    m_cachedIndex = -1;
    ReleaseStream();
}

void TMetafileList::Clear() {
    InternalClear();
    if (OnChange)
        OnChange(this);
}

qint64 TMetafileList::PageEnd(int index) const {
    return index + 1 < Count() ? m_offsets[index + 1] : m_stream->size();
}

TMetafile& TMetafileList::Pages(int index) {
    if (index < 0 || index >= Count())
        throw EMovraError(QStringLiteral("Indeks strony poza zakresem (%1).").arg(index));
    if (index == m_cachedIndex)
        return m_cache;
    // Loading is not a change of the page; and until the page has loaded, the cached picture
    // belongs to no page, so that a change to it can never overwrite one.
    DetachCache();
    m_cachedIndex = -1;
    try {
        if (!m_stream->seek(m_offsets[index]))
            throw EMetafileError("seek failed");
        m_cache.LoadFromStream(*m_stream);
    } catch (const std::exception& e) {
        m_cache.Clear();
        throw EMovraError(QStringLiteral("Nie można odczytać strony %1 podglądu: %2")
                              .arg(index + 1)
                              .arg(QString::fromUtf8(e.what())));
    }
    m_cachedIndex = index;
    AttachCache();
    return m_cache;
}

void TMetafileList::RewriteCached() {
    const int index = m_cachedIndex;
    if (index < 0 || index >= Count() || !m_stream)
        return;
    const QByteArray bytes =
        m_cache.Empty() ? BlankPage(m_cache.Width(), m_cache.Height()) : m_cache.Bytes();
    const qint64 newSize = bytes.size();
    const qint64 start = m_offsets[index];
    const qint64 oldSize = PageEnd(index) - start;
    const bool last = index == Count() - 1;
    QByteArray tail;
    if (newSize != oldSize && !last) {
        if (!m_stream->seek(m_offsets[index + 1]))
            throw EMovraError(QStringLiteral("Nie można zapisać strony podglądu: %1")
                                  .arg(m_stream->errorString()));
        tail = m_stream->readAll();
    }
    if (!m_stream->seek(start))
        throw EMovraError(
            QStringLiteral("Nie można zapisać strony podglądu: %1").arg(m_stream->errorString()));
    WriteAll(*m_stream, bytes);
    if (!tail.isEmpty()) {
        const qint64 d = newSize - oldSize;
        for (int i = index + 1; i < Count(); ++i)
            m_offsets[i] += d;
        WriteAll(*m_stream, tail);
    }
    if (newSize < oldSize)
        Truncate(*m_stream, m_stream->size() - (oldSize - newSize));
    if (OnCurrentChange)
        OnCurrentChange(this, index);
}

void TMetafileList::SetUseTempFile(bool value) {
    if (value == m_useTempFile)
        return;
    m_useTempFile = value;
    if (!m_stream)
        return;
    const QString oldTempFile = m_streamIsFile ? m_tempFileName : QString();
    const QString previousName = m_tempFileName;
    std::unique_ptr<QIODevice> stream;
    try {
        stream = CreateStream();
        if (!m_stream->seek(0))
            throw EMovraError(QStringLiteral("Nie można odczytać stron podglądu: %1")
                                  .arg(m_stream->errorString()));
        constexpr qint64 Chunk = 1 << 20;
        while (!m_stream->atEnd()) {
            const QByteArray part = m_stream->read(Chunk);
            if (part.isEmpty())
                break;
            WriteAll(*stream, part);
        }
        if (stream->size() != m_stream->size())
            throw EMovraError(QStringLiteral("Nie można przenieść stron podglądu."));
    } catch (...) {
        // The pages stay where they were.
        stream.reset();
        if (value && m_tempFileName != previousName) {
            QFile::remove(m_tempFileName);
            m_tempFileName = previousName;
        }
        m_useTempFile = !value;
        throw;
    }
    m_stream = std::move(stream);
    m_streamIsFile = value;
    if (!value && !oldTempFile.isEmpty()) {
        if (QFile::exists(oldTempFile))
            QFile::remove(oldTempFile);
        m_tempFileName.clear();
    }
}

} // namespace movra
