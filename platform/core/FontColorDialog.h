#pragma once

#include "platform/core/Font.h"

#include <QtGui/QFont>
#include <QtWidgets/QDialog>

class QComboBox;
class QFontDialog;

namespace movra {

// The font dialog the program's font commands show: Qt's own font chooser with a colour list
// beside it, because a font here carries its colour and Qt's dialog has no place for one. The
// sixteen basic colours are offered by name; a colour that is none of them (a system colour,
// say) is offered first as "Bieżący" and chosen at the start, so confirming without touching the
// list keeps the colour exactly as it was.
class TFontColorDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFontColorDialog(const TFont& initial, QWidget* parent = nullptr);

    // The initial font with the name, size, style and colour the user changed here; whatever
    // was left alone (a name the chooser shows by the family it stands for, the height, the
    // style bits, character set and PixelsPerInch) is returned as it was.
    [[nodiscard]] TFont SelectedFont() const;

    [[nodiscard]] QFontDialog* FontChooser() const { return m_fonts; }
    [[nodiscard]] QComboBox* ColourList() const { return m_colours; }

private:
    TFont m_initial;
    QFont m_shown; // what the chooser showed at the start
    QFontDialog* m_fonts = nullptr;
    QComboBox* m_colours = nullptr;
};

} // namespace movra
