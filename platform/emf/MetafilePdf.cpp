#include "platform/emf/MetafilePdf.h"

#include "platform/core/SafeFile.h"

#include <QtCore/QFileInfo>
#include <QtGui/QPageLayout>
#include <QtGui/QPainter>
#include <QtGui/QPdfWriter>

#include <optional>

namespace movra {

namespace {

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
    throw EMetafileError(QStringLiteral("Nie można zapisać pliku „%1”: %2")
                             .arg(QFileInfo(path).fileName(), reason)
                             .toStdString());
}

} // namespace

struct TPdfDocument::TOpen {
    // Destroyed in reverse: the painter ends before its writer, the writer before its file.
    std::optional<TSafeFile> File;
    std::optional<QPdfWriter> Writer;
    QPainter Painter;
};

TPdfDocument::TPdfDocument(const QString& path, QSizeF paperMillimetres, const QString& title)
    : m_path(path), d(std::make_unique<TOpen>()) {
    if (!paperMillimetres.isValid() || paperMillimetres.isEmpty())
        Refuse(path, QStringLiteral("nieznany rozmiar strony"));
    // The document streams into a new file beside the old one; only a complete, synced
    // document replaces it.
    try {
        d->File.emplace(path);
    } catch (const ESafeFileError& e) {
        Refuse(path, e.Reason());
    }
    QPdfWriter& writer = d->Writer.emplace(&*d->File);
    writer.setCreator(QStringLiteral("Movra"));
    writer.setTitle(title);
    // A landscape sheet is described as such (a portrait paper turned), so that viewers and
    // printers know which way is up.
    const bool landscape = paperMillimetres.width() > paperMillimetres.height();
    const QSizeF portrait = landscape ? paperMillimetres.transposed() : paperMillimetres;
    const QPageLayout layout(QPageSize(portrait, QPageSize::Millimeter),
                             landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                             QMarginsF(0, 0, 0, 0));
    if (!writer.setPageLayout(layout))
        Refuse(path, QStringLiteral("nieprawidłowy rozmiar strony"));
}

TPdfDocument::~TPdfDocument() = default;

void TPdfDocument::AddPage(const TMetafile& page, const std::function<void(QPainter&)>& overlay) {
    if (page.Empty())
        Refuse(m_path, QStringLiteral("strona jest pusta"));
    if (!d || !d->Writer)
        Refuse(m_path, QStringLiteral("dokument został już zamknięty"));
    QPdfWriter& writer = *d->Writer;
    QPainter& painter = d->Painter;
    if (m_pages == 0) {
        if (!painter.begin(&writer))
            Refuse(m_path, QStringLiteral("nie udało się rozpocząć dokumentu PDF"));
    } else if (!writer.newPage()) {
        Refuse(m_path, QStringLiteral("nie udało się dodać strony"));
    }
    ++m_pages;
    page.Play(painter, QRectF(0, 0, writer.width(), writer.height()));
    if (overlay && page.Width() > 0 && page.Height() > 0) {
        painter.save();
        painter.scale(double(writer.width()) / page.Width(),
                      double(writer.height()) / page.Height());
        overlay(painter);
        painter.restore();
    }
}

void TPdfDocument::Commit() {
    if (!d || m_pages == 0)
        Refuse(m_path, QStringLiteral("dokument nie ma stron"));
    if (!d->Painter.end())
        Refuse(m_path, QStringLiteral("nie udało się zakończyć dokumentu PDF"));
    d->Writer.reset();
    try {
        d->File->Commit();
    } catch (const ESafeFileError& e) {
        d.reset();
        Refuse(m_path, e.Reason());
    }
    d.reset();
}

void SaveMetafileAsPdf(const TMetafile& page, const QString& path, QSizeF paperMillimetres,
                       const TPdfOptions& options) {
    if (page.Empty())
        Refuse(path, QStringLiteral("strona jest pusta"));
    TPdfDocument document(path, paperMillimetres, options.Title);
    document.AddPage(page, options.Overlay);
    document.Commit();
}

} // namespace movra
