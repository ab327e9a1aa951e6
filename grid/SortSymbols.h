#pragma once

#include <QtGui/QImage>

namespace movra {

// The program's four sort symbols (16-colour pictures on aqua, their transparent colour).
enum TSortSymbolResource { SortUp, SortDown, SortAZ, SortZA };

// The symbol as a 32-bit picture; loaded from the compiled-in resources once.
[[nodiscard]] QImage LoadSortSymbol(TSortSymbolResource which);

} // namespace movra
