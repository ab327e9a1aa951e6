#pragma once

#include "platform/core/Colors.h"

#include <QtCore/QString>
#include <QtGui/QFont>

namespace movra {

// Font style bits, as the settings file stores them.
enum TFontStyle : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font as the drawing code and the settings see it. Height is in the device's (or the canvas
// mapping's) units: negative is the character height without internal leading, as a size in
// points gives it; Size in points is derived through PixelsPerInch. Changing PixelsPerInch keeps
// Height, so "remember Size, change PixelsPerInch, set Size again" rescales a font for a mapping.
class TFont {
public:
    TFont();
    TFont(const QString& name, int size, int style = 0, TColor color = clBlack);

    QString Name = QStringLiteral("Arial");
    TColor Color = clBlack;
    int Style = 0;   // TFontStyle bits
    int Charset = 1; // kept for settings; Qt picks glyphs by Unicode
    int PixelsPerInch = 96;

    [[nodiscard]] int Height() const { return m_height; }
    void SetHeight(int h) { m_height = h; }
    [[nodiscard]] int Size() const;
    void SetSize(int points);

    // The font to draw with at the units of Height (pixel size |Height| for negative heights).
    [[nodiscard]] QFont toQFont() const;
    // Takes name, size (at this font's PixelsPerInch) and style from a QFont; colour unchanged.
    void assignQFont(const QFont& f);

    friend bool operator==(const TFont&, const TFont&) = default;

private:
    int m_height = -11; // Arial 8 pt at 96 ppi
};

enum class TBrushStyle { Solid, Clear };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::Solid;
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

enum class TPenStyle { Solid, Dash, Dot, Clear, InsideFrame };
enum class TPenMode { Copy, Xor, Not };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::Solid;
    TPenMode Mode = TPenMode::Copy;
    friend bool operator==(const TPen&, const TPen&) = default;
};

// The logical pixels per inch of the primary screen (96 when there is none).
[[nodiscard]] int ScreenPixelsPerInch();

} // namespace movra
