#pragma once

class QPrinter;

namespace movra {

// The one printer every part of the program prints on and sets up, so that a choice made in the
// printer setup dialog (printer, orientation, paper) holds for the next user. Created on first
// use in high resolution; destroyed with the application object.
[[nodiscard]] QPrinter& CurrentPrinter();

// True when the system has at least one print queue.
[[nodiscard]] bool PrinterInstalled();

} // namespace movra
