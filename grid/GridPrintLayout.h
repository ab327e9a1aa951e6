#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QSize>

namespace movra {

class TCanvas;
class TFajny;

// One pass of the page layout over the whole grid. In preview mode lengths are screen pixels and
// the page chosen by DrawnPage is drawn onto Canvas; in count mode the page is in printer dots,
// every length is converted to dots and nothing is drawn.
enum class TGridLayoutMode { Preview, Count };

struct TGridLayoutSetup {
    TGridLayoutMode Mode = TGridLayoutMode::Preview;
    QSize Page;           // width and height in the mode's units
    int PrinterDpiX = 96; // count mode: length in dots = pixels * PrinterDpi / ScreenPpi
    int PrinterDpiY = 96;
    int ScreenPpiX = 96;
    int ScreenPpiY = 96;
    int DrawnPage = 0;         // preview mode: the page drawn (1 = first; 0 none)
    QDateTime Now;             // the moment the footer shows
    TCanvas* Canvas = nullptr; // preview mode: where the drawn page goes
};

// Runs the layout and returns the number of pages passed (after a count-mode run: the number of
// pages). Throws EMovraError "Bitmap image is not valid" when the logo file is no bitmap.
int RunGridLayout(TFajny& grid, const TGridLayoutSetup& setup);

} // namespace movra
