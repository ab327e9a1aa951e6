#pragma once

#include <QtCore/QMargins>
#include <QtCore/QRect>

class QWidget;

namespace movra {

// Where a window whose client area is `client` and whose frame adds `frame` goes so that all of
// it, frame included, lies within `area`. A place that fits is kept as it is; one that does not
// is moved inside, and shrunk only where the window is larger than the area (then it starts at
// the area's left or top edge, so its title bar can be reached). Returns the client area.
[[nodiscard]] QRect FitInside(const QRect& client, const QMargins& frame, const QRect& area);

// The available area (without panels and docks) of the screen the rectangle is mostly on, or of
// the primary screen when it is on none. Empty when there is no screen at all.
[[nodiscard]] QRect AvailableAreaFor(const QRect& frame);

// Keeps a top-level window wholly on its screen (FitInside), for windows whose place comes from
// a settings file or a design: call it when the window is about to be shown. Until the window
// manager has framed the window, the frame of another visible window stands for its own; the
// window is checked again with its real frame when it first appears.
void KeepOnScreen(QWidget* window);

} // namespace movra
