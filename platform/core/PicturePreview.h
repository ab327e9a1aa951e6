#pragma once

#include <QtCore/QSize>
#include <QtCore/QString>
#include <QtGui/QImage>

namespace movra {

// The box the picture-open dialog shows its preview in.
inline constexpr QSize PicturePreviewSize(160, 160);

// The picture in a file scaled down (never up) to fit the box, keeping its proportions; a null
// image for anything that is not a readable picture. Decodes at the reduced size where the
// format allows (JPEG), so browsing a folder of large photos stays quick.
[[nodiscard]] QImage PicturePreview(const QString& path, QSize box);

} // namespace movra
