#include "platform/core/Font.h"

#include "platform/core/Geometry.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>

#include <cmath>

namespace movra {

int ScreenPixelsPerInch() {
    if (auto* s = QGuiApplication::primaryScreen()) {
        const int dpi = static_cast<int>(std::lround(s->logicalDotsPerInchY()));
        if (dpi > 0)
            return dpi;
    }
    return 96;
}

TFont::TFont() : PixelsPerInch(ScreenPixelsPerInch()) {
    SetSize(8);
}

TFont::TFont(const QString& name, int size, int style, TColor color)
    : Name(name), Color(color), Style(style), PixelsPerInch(ScreenPixelsPerInch()) {
    SetSize(size);
}

int TFont::Size() const {
    if (m_height < 0)
        return -MulDiv(m_height, 72, PixelsPerInch);
    return MulDiv(m_height, 72, PixelsPerInch);
}

void TFont::SetSize(int points) {
    m_height = -MulDiv(points, PixelsPerInch, 72);
}

QFont TFont::toQFont() const {
    QFont f(Name);
    f.setPixelSize(std::max(1, std::abs(m_height)));
    f.setBold((Style & fsBold) != 0);
    f.setItalic((Style & fsItalic) != 0);
    f.setUnderline((Style & fsUnderline) != 0);
    f.setStrikeOut((Style & fsStrikeOut) != 0);
    return f;
}

void TFont::assignQFont(const QFont& f) {
    Name = f.family();
    if (f.pixelSize() > 0)
        m_height = -f.pixelSize();
    else
        SetSize(static_cast<int>(std::lround(f.pointSizeF())));
    Style = (f.bold() ? fsBold : 0) | (f.italic() ? fsItalic : 0) |
            (f.underline() ? fsUnderline : 0) | (f.strikeOut() ? fsStrikeOut : 0);
}

} // namespace movra
