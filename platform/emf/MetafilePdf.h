#pragma once

#include "platform/emf/Metafile.h"

#include <QtCore/QSizeF>
#include <QtCore/QString>

namespace movra {

// Writes one page picture as a one-page PDF document of the given paper size (millimetres,
// width before height as the page is seen), through Qt's PDF engine: texts stay text (they can
// be searched and copied), lines and fills stay vectors. The file is replaced only when the
// whole document was written; throws EMetafileError with a Polish message otherwise.
void SaveMetafileAsPdf(const TMetafile& page, const QString& path, QSizeF paperMillimetres);

} // namespace movra
