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

void SaveMetafileAsPdf(const TMetafile& page, const QString& path, QSizeF paperMillimetres,
                       const TPdfOptions& options) {
    if (page.Empty())
        Refuse(path, QStringLiteral("strona jest pusta"));
    if (!paperMillimetres.isValid() || paperMillimetres.isEmpty())
        Refuse(path, QStringLiteral("nieznany rozmiar strony"));

    // The document streams into a new file beside the old one; only a complete, synced
    // document replaces it.
    std::optional<TSafeFile> file;
    try {
        file.emplace(path);
    } catch (const ESafeFileError& e) {
        Refuse(path, e.Reason());
    }
    {
        QPdfWriter writer(&*file);
        writer.setCreator(QStringLiteral("Movra"));
        writer.setTitle(options.Title);
        // A landscape sheet is described as such (a portrait paper turned), so that viewers
        // and printers know which way is up.
        const bool landscape = paperMillimetres.width() > paperMillimetres.height();
        const QSizeF portrait = landscape ? paperMillimetres.transposed() : paperMillimetres;
        const QPageLayout layout(QPageSize(portrait, QPageSize::Millimeter),
                                 landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                 QMarginsF(0, 0, 0, 0));
        if (!writer.setPageLayout(layout))
            Refuse(path, QStringLiteral("nieprawidłowy rozmiar strony"));
        QPainter painter;
        if (!painter.begin(&writer))
            Refuse(path, QStringLiteral("nie udało się rozpocząć dokumentu PDF"));
        page.Play(painter, QRectF(0, 0, writer.width(), writer.height()));
        if (options.Overlay && page.Width() > 0 && page.Height() > 0) {
            painter.save();
            painter.scale(double(writer.width()) / page.Width(),
                          double(writer.height()) / page.Height());
            options.Overlay(painter);
            painter.restore();
        }
        if (!painter.end())
            Refuse(path, QStringLiteral("nie udało się zakończyć dokumentu PDF"));
    }
    try {
        file->Commit();
    } catch (const ESafeFileError& e) {
        Refuse(path, e.Reason());
    }
}

} // namespace movra
