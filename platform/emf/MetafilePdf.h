#pragma once

#include "platform/emf/Metafile.h"

#include <QtCore/QSizeF>
#include <QtCore/QString>

#include <functional>

class QPainter;

namespace movra {

// What a PDF document carries beside its page.
struct TPdfOptions {
    // The document's title, which viewers show in place of the file name and search by.
    QString Title;
    // Drawn over the page in the page picture's own pixels (its Width() x Height()): what the
    // picture holds only as pixels can go into the document as text.
    std::function<void(QPainter&)> Overlay;
};

// Writes one page picture as a one-page PDF document of the given paper size (millimetres,
// width before height as the page is seen), through Qt's PDF engine: texts stay text (they can
// be searched and copied), lines and fills stay vectors. The file is replaced only when the
// whole document was written; throws EMetafileError with a Polish message otherwise.
void SaveMetafileAsPdf(const TMetafile& page, const QString& path, QSizeF paperMillimetres,
                       const TPdfOptions& options = {});

} // namespace movra
