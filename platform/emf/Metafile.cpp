#include "platform/emf/Metafile.h"

#include "platform/core/SafeFile.h"
#include "platform/emf/EmfPlayer.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QIODevice>
#include <QtGui/QPainter>

#include <cstring>

namespace movra {

namespace {

QString damaged(const QString& why) {
    return QStringLiteral("Obraz strony (EMF) jest uszkodzony: %1.").arg(why);
}

// Checks a complete picture; returns its header or throws.
emf::HeaderInfo validate(const QByteArray& bytes) {
    if (static_cast<quint64>(bytes.size()) > emf::kMaxMetafileBytes)
        throw EMetafileError(QStringLiteral("Obraz strony (EMF) jest zbyt duży (%1 bajtów).")
                                 .arg(bytes.size())
                                 .toStdString());
    // The header is read from an aligned copy when needed; Play does the same for records.
    QByteArray aligned = bytes;
    if (reinterpret_cast<std::uintptr_t>(bytes.constData()) % 8 != 0)
        aligned = QByteArray(bytes.constData(), bytes.size());
    emf::HeaderInfo header;
    QString why;
    if (!emf::ReadHeader(aligned.constData(), static_cast<std::size_t>(aligned.size()), header,
                         &why))
        throw EMetafileError(damaged(why).toStdString());
    if (header.nBytes != static_cast<quint64>(bytes.size()))
        throw EMetafileError(damaged(QStringLiteral("nagłówek podaje %1 bajtów, a jest ich %2")
                                         .arg(header.nBytes)
                                         .arg(bytes.size()))
                                 .toStdString());
    const emf::PlayOutcome outcome = emf::Play(
        aligned, nullptr, QRectF(0, 0, std::max(1, header.width), std::max(1, header.height)));
    if (!outcome.complete)
        throw EMetafileError(
            damaged(QStringLiteral("%1 (rekord nr %2)").arg(outcome.error).arg(outcome.badRecord))
                .toStdString());
    return header;
}

} // namespace

void TMetafile::SetSize(int width, int height) {
    if (!Empty())
        return;
    m_width = std::max(0, width);
    m_height = std::max(0, height);
}

void TMetafile::SetBytes(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        Clear();
        return;
    }
    const emf::HeaderInfo header = validate(bytes);
    // The picture owns its bytes: a view of memory it does not own (QByteArray::fromRawData,
    // which has no capacity of its own) is copied, or the checked picture could change, or
    // vanish, under it.
    m_bytes = bytes.capacity() > 0 ? bytes : QByteArray(bytes.constData(), bytes.size());
    m_width = header.width;
    m_height = header.height;
    m_images.reset();
    Changed();
}

void TMetafile::Clear() {
    m_bytes.clear();
    m_width = 0;
    m_height = 0;
    m_images.reset();
    Changed();
}

void TMetafile::Changed() const {
    if (OnChange)
        OnChange();
}

void TMetafile::KeepDecoded(std::uint32_t recordOffset, const QImage& img) {
    if (!m_images)
        m_images = std::make_shared<emf::ImageCache>();
    m_images->insert(recordOffset, img);
}

void TMetafile::LoadFromStream(QIODevice& in) {
    auto readExactly = [&in](QByteArray& into, qint64 count) {
        // Read in pieces: a damaged header must not make us reserve its claimed size up front.
        constexpr qint64 kChunk = 1 << 20;
        while (count > 0) {
            const QByteArray part = in.read(std::min(count, kChunk));
            if (part.isEmpty())
                return false;
            into.append(part);
            count -= part.size();
        }
        return true;
    };
    const QString shortData = QStringLiteral("Obraz strony (EMF) jest niepełny: za mało danych.");
    QByteArray bytes;
    if (!readExactly(bytes, 8))
        throw EMetafileError(shortData.toStdString());
    std::uint32_t type = 0;
    std::uint32_t headerSize = 0;
    std::memcpy(&type, bytes.constData(), 4);
    std::memcpy(&headerSize, bytes.constData() + 4, 4);
    if (type != 1 || headerSize < emf::kMinHeaderSize || headerSize % 4 != 0 || headerSize > 65536)
        throw EMetafileError(damaged(QStringLiteral("brak nagłówka")).toStdString());
    if (!readExactly(bytes, headerSize - 8))
        throw EMetafileError(shortData.toStdString());
    emf::HeaderInfo header;
    QString why;
    if (!emf::ReadHeader(bytes.constData(), static_cast<std::size_t>(bytes.size()), header, &why))
        throw EMetafileError(damaged(why).toStdString());
    const qint64 rest = qint64(header.nBytes) - headerSize;
    if (!in.isSequential() && in.size() - in.pos() < rest)
        throw EMetafileError(shortData.toStdString());
    if (!readExactly(bytes, rest))
        throw EMetafileError(shortData.toStdString());
    SetBytes(bytes);
}

void TMetafile::SaveToStream(QIODevice& out) const {
    if (m_bytes.isEmpty())
        return;
    if (out.write(m_bytes) != m_bytes.size())
        throw EMetafileError(QStringLiteral("Nie można zapisać obrazu strony: %1")
                                 .arg(out.errorString())
                                 .toStdString());
}

void TMetafile::LoadFromFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EMetafileError(QStringLiteral("Nie można otworzyć pliku „%1”: %2")
                                 .arg(QFileInfo(path).fileName(), f.errorString())
                                 .toStdString());
    if (static_cast<quint64>(f.size()) > emf::kMaxMetafileBytes)
        throw EMetafileError(QStringLiteral("Plik „%1” jest zbyt duży jak na obraz strony.")
                                 .arg(QFileInfo(path).fileName())
                                 .toStdString());
    const QByteArray bytes = f.readAll();
    if (bytes.isEmpty())
        throw EMetafileError(
            QStringLiteral("Plik „%1” jest pusty.").arg(QFileInfo(path).fileName()).toStdString());
    SetBytes(bytes);
}

void TMetafile::SaveToFile(const QString& path) const {
    try {
        WriteFileAtomically(path, m_bytes);
    } catch (const ESafeFileError& e) {
        throw EMetafileError(QStringLiteral("Nie można zapisać pliku „%1”: %2")
                                 .arg(QFileInfo(path).fileName(), e.Reason())
                                 .toStdString());
    }
}

void TMetafile::Play(QPainter& p, const QRectF& target) const {
    if (m_bytes.isEmpty() || !target.isValid())
        return;
    if (!m_images)
        m_images = std::make_shared<emf::ImageCache>();
    // SetBytes checked every record when the bytes came in; they cannot have changed since.
    emf::PlayOptions options;
    options.checked = true;
    options.images = m_images.get();
    emf::Play(m_bytes, &p, target, options);
}

QImage RenderMetafile(const TMetafile& picture, QSize size, const QColor& background) {
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    img.fill(background);
    if (!picture.Empty()) {
        QPainter p(&img);
        picture.Play(p, QRectF(QPointF(0, 0), QSizeF(img.size())));
    }
    return img;
}

} // namespace movra
