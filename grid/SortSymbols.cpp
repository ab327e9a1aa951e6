#include "grid/SortSymbols.h"

#include "resources/Resources.h"

#include <array>

namespace movra {

QImage LoadSortSymbol(TSortSymbolResource which) {
    static const std::array<QImage, 4> images = [] {
        InitResources();
        const auto load = [](const char* path) {
            return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_RGB32);
        };
        return std::array<QImage, 4>{
            load(":/movra/grid/SORTUP.bmp"), load(":/movra/grid/SORTDN.bmp"),
            load(":/movra/grid/SORTAZ.bmp"), load(":/movra/grid/SORTZA.bmp")};
    }();
    return images[static_cast<std::size_t>(which)];
}

} // namespace movra
