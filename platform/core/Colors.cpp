#include "platform/core/Colors.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPalette>

#include <algorithm>
#include <cmath>

namespace movra {

namespace {

QColor systemColor(int index) {
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 5:
        return pal.color(QPalette::Active, QPalette::Base);
    case 8:
        return pal.color(QPalette::Active, QPalette::Text);
    case 13:
        return pal.color(QPalette::Active, QPalette::Highlight);
    case 14:
        return pal.color(QPalette::Active, QPalette::HighlightedText);
    case 15:
        return pal.color(QPalette::Active, QPalette::Button);
    case 16:
        return pal.color(QPalette::Active, QPalette::Dark);
    case 20:
        return pal.color(QPalette::Active, QPalette::Light);
    case 0: // scroll bar
        return pal.color(QPalette::Active, QPalette::Button);
    case 1: // desktop
        return pal.color(QPalette::Active, QPalette::Window);
    case 4: // menu
        return pal.color(QPalette::Active, QPalette::Window);
    case 6: // window frame
        return pal.color(QPalette::Active, QPalette::Shadow);
    case 7:  // menu text
    case 9:  // caption text
    case 18: // button text
        return pal.color(QPalette::Active, QPalette::ButtonText);
    case 17: // gray text
        return pal.color(QPalette::Disabled, QPalette::Text);
    case 21: // 3D dark shadow
        return pal.color(QPalette::Active, QPalette::Shadow);
    case 22: // 3D light
        return pal.color(QPalette::Active, QPalette::Midlight);
    case 23: // info text
        return pal.color(QPalette::Active, QPalette::ToolTipText);
    case 24: // info background
        return pal.color(QPalette::Active, QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Active, QPalette::Window);
    }
}

} // namespace

QColor ToQColor(TColor c) {
    if (IsSystemColor(c))
        return systemColor(static_cast<int>(static_cast<std::uint32_t>(c) & 0xFFu));
    const auto v = static_cast<std::uint32_t>(c);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

TColor FromQColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return RGBColor(rgb.red(), rgb.green(), rgb.blue());
}

namespace {

double RelativeLuminance(const QColor& c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

} // namespace

double ContrastRatio(TColor a, TColor b) {
    const double la = RelativeLuminance(ToQColor(a));
    const double lb = RelativeLuminance(ToQColor(b));
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace movra
