#pragma once

#include <cstdint>

namespace movra {

// The printer's orientation as the grid's print options and the print preview keep it.
enum TPrinterOrientation : std::uint8_t { poPortrait, poLandscape };

} // namespace movra
