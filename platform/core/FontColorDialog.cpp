#include "platform/core/FontColorDialog.h"

#include <QtGui/QFontDatabase>
#include <QtGui/QFontInfo>
#include <QtGui/QPixmap>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFontDialog>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

namespace movra {

namespace {

struct NamedColour {
    const char16_t* name;
    TColor colour;
};

// The basic colours in the order font dialogs have always listed them.
const std::array<NamedColour, 16> BasicColours{{
    {u"Czarny", RGBColor(0, 0, 0)},
    {u"Kasztanowy", RGBColor(128, 0, 0)},
    {u"Zielony", RGBColor(0, 128, 0)},
    {u"Oliwkowy", RGBColor(128, 128, 0)},
    {u"Granatowy", RGBColor(0, 0, 128)},
    {u"Purpurowy", RGBColor(128, 0, 128)},
    {u"Zielonomodry", RGBColor(0, 128, 128)},
    {u"Szary", RGBColor(128, 128, 128)},
    {u"Srebrny", RGBColor(192, 192, 192)},
    {u"Czerwony", RGBColor(255, 0, 0)},
    {u"Limonowy", RGBColor(0, 255, 0)},
    {u"Żółty", RGBColor(255, 255, 0)},
    {u"Niebieski", RGBColor(0, 0, 255)},
    {u"Fuksja", RGBColor(255, 0, 255)},
    {u"Akwamaryna", RGBColor(0, 255, 255)},
    {u"Biały", RGBColor(255, 255, 255)},
}};

QPixmap Swatch(TColor colour) {
    QPixmap p(16, 12);
    p.fill(ToQColor(colour));
    return p;
}

// The family the chooser can select for a font name. A name that is only a fontconfig alias
// ("Arial" for Liberation Sans, say) is not in the chooser's list, and the chooser would fall
// back to its first family; the family the alias resolves to is the one actually drawn.
QString ChooserFamily(const QString& name) {
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        if (family.compare(name, Qt::CaseInsensitive) == 0)
            return family;
    return QFontInfo(QFont(name)).family();
}

int StyleBits(const QFont& f) {
    return (f.bold() ? fsBold : 0) | (f.italic() ? fsItalic : 0) |
           (f.underline() ? fsUnderline : 0) | (f.strikeOut() ? fsStrikeOut : 0);
}

QFont ShownFont(const TFont& f) {
    QFont shown(ChooserFamily(f.Name));
    shown.setPointSize(std::max(1, f.Size()));
    shown.setBold((f.Style & fsBold) != 0);
    shown.setItalic((f.Style & fsItalic) != 0);
    shown.setUnderline((f.Style & fsUnderline) != 0);
    shown.setStrikeOut((f.Style & fsStrikeOut) != 0);
    return shown;
}

} // namespace

TFontColorDialog::TFontColorDialog(const TFont& initial, QWidget* parent)
    : QDialog(parent), m_initial(initial) {
    setWindowTitle(QStringLiteral("Czcionka"));

    m_fonts = new QFontDialog(this);
    m_fonts->setObjectName(QStringLiteral("FontChooser"));
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setSizeGripEnabled(false);
    m_fonts->setCurrentFont(ShownFont(initial));
    m_shown = m_fonts->currentFont();
    // Inside this window the chooser is only a part: its own Enter and Escape end the whole
    // dialog instead of hiding the part.
    connect(m_fonts, &QDialog::finished, this, &QDialog::done);

    m_colours = new QComboBox(this);
    m_colours->setObjectName(QStringLiteral("Kolor"));
    const bool basic = std::any_of(BasicColours.begin(), BasicColours.end(),
                                   [&](const NamedColour& c) { return c.colour == initial.Color; });
    if (!basic)
        m_colours->addItem(Swatch(initial.Color), QStringLiteral("Bieżący"),
                           QVariant::fromValue(static_cast<qint64>(initial.Color)));
    for (const NamedColour& c : BasicColours)
        m_colours->addItem(Swatch(c.colour), QString::fromUtf16(c.name),
                           QVariant::fromValue(static_cast<qint64>(c.colour)));
    m_colours->setCurrentIndex(
        m_colours->findData(QVariant::fromValue(static_cast<qint64>(initial.Color))));

    auto* colourLabel = new QLabel(QStringLiteral("&Kolor:"), this);
    colourLabel->setBuddy(m_colours);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(m_colours);
    colourRow->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Anuluj"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
}

TFont TFontColorDialog::SelectedFont() const {
    // Only what the user changed in the chooser is taken from it, so a font name the chooser
    // cannot show (an alias) and its exact height survive a confirmed dialog.
    TFont result = m_initial;
    const QFont chosen = m_fonts->currentFont();
    if (chosen.family() != m_shown.family())
        result.Name = chosen.family();
    if (chosen.pointSizeF() != m_shown.pointSizeF())
        result.SetSize(static_cast<int>(std::lround(chosen.pointSizeF())));
    if (StyleBits(chosen) != StyleBits(m_shown))
        result.Style = StyleBits(chosen);
    const QVariant colour = m_colours->currentData();
    if (colour.isValid())
        result.Color = static_cast<TColor>(colour.toLongLong());
    return result;
}

} // namespace movra
