#include "grid/UnitPokazuj.h"

#include "grid/Fajny.h"
#include "grid/GridPrint.h"
#include "grid/StretchBitmap.h"
#include "platform/core/Colors.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ErrorBox.h"
#include "platform/printer/Printer.h"

#include <QtCore/QSignalBlocker>
#include <QtGui/QGuiApplication>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QScreen>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QToolButton>

#include <cmath>

namespace movra {

namespace {

constexpr int kPanelWidth = 162;
// Typing pauses at least this long before the page is drawn again.
constexpr int kTypingPauseMs = 150;
constexpr TColor kHeadersColor = 16644814;
constexpr TColor kMarginsColor = 13172735;

// What the option lists edit, in the order of their items.
enum HeaderItem { hiTitle, hiFooter, hiDateFormat, hiTimeFormat, hiLogo };
enum MarginItem {
    miTop,
    miTitle,
    miLeft,
    miRight,
    miBottom,
    miPadding,
    miHeaderSize,
    miFooterSize
};

QString* TextOption(TPrintOptions& o, int item) {
    switch (item) {
    case hiTitle:
        return &o.PageTitle;
    case hiFooter:
        return &o.PageFooter;
    case hiDateFormat:
        return &o.DateFormat;
    case hiTimeFormat:
        return &o.TimeFormat;
    case hiLogo:
        return &o.Logo;
    default:
        return nullptr;
    }
}

std::uint32_t* NumberOption(TPrintOptions& o, int item) {
    switch (item) {
    case miTop:
        return &o.MarginTop;
    case miTitle:
        return &o.PageTitleMargin;
    case miLeft:
        return &o.MarginLeft;
    case miRight:
        return &o.MarginRight;
    case miBottom:
        return &o.MarginBottom;
    case miPadding:
        return &o.Leftpadding;
    case miHeaderSize:
        return &o.HeaderSize;
    case miFooterSize:
        return &o.FooterSize;
    default:
        return nullptr;
    }
}

// The glyphs of the small buttons, drawn rather than loaded.
enum class Glyph { Picture, NaturalSize, WholePage, PrinterSetup, Print };

QIcon MakeGlyph(Glyph g) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink(0, 0, 0);
    p.setPen(ink);
    const auto printer = [&p](const QColor& paper) {
        p.fillRect(QRect(4, 1, 8, 5), paper);
        p.drawRect(QRect(4, 1, 7, 5));
        p.fillRect(QRect(1, 6, 14, 6), QColor(160, 160, 160));
        p.drawRect(QRect(1, 6, 13, 5));
        p.fillRect(QRect(4, 10, 8, 5), paper);
        p.drawRect(QRect(4, 10, 7, 5));
    };
    switch (g) {
    case Glyph::Picture:
        p.fillRect(QRect(1, 2, 14, 12), QColor(170, 210, 255));
        p.drawRect(QRect(1, 2, 13, 11));
        p.setBrush(QColor(40, 140, 40));
        p.drawPolygon(
            QPolygon({QPoint(2, 13), QPoint(7, 6), QPoint(10, 10), QPoint(12, 8), QPoint(14, 13)}));
        break;
    case Glyph::NaturalSize: {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(9);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case Glyph::WholePage:
        p.fillRect(QRect(3, 1, 10, 14), Qt::white);
        p.drawRect(QRect(3, 1, 9, 13));
        for (int y = 4; y <= 11; y += 2)
            p.drawLine(5, y, 10, y);
        break;
    case Glyph::PrinterSetup:
        printer(Qt::white);
        p.fillRect(QRect(10, 9, 5, 5), QColor(255, 200, 0));
        p.drawRect(QRect(10, 9, 4, 4));
        break;
    case Glyph::Print:
        printer(Qt::white);
        break;
    }
    p.end();
    return QIcon(pm);
}

QListWidget* MakeList(QWidget* parent, const char* name, const QStringList& items, TColor color,
                      const QRect& place) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(items);
    list->setGeometry(place);
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    list->setPalette(pal);
    list->setCurrentRow(-1);
    return list;
}

} // namespace

// ---- TUpDown ---------------------------------------------------------------------------------

TUpDown::TUpDown(QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_min(min), m_max(max), m_position(min) {
    auto* up = new QToolButton(this);
    up->setObjectName(QStringLiteral("up"));
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    auto* down = new QToolButton(this);
    down->setObjectName(QStringLiteral("down"));
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    connect(up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
    // Right beside the buddy, as tall as it.
    setGeometry(buddy->x() + buddy->width(), buddy->y(), 16, buddy->height());
    const int half = height() / 2;
    up->setGeometry(0, 0, width(), half);
    down->setGeometry(0, half, width(), height() - half);
}

void TUpDown::Step(int delta) {
    bool ok = false;
    const int typed = m_buddy->text().trimmed().toInt(&ok);
    const int from = ok ? std::clamp(typed, m_min, m_max) : m_position;
    m_position = std::clamp(from + delta, m_min, m_max);
    m_buddy->setText(QString::number(m_position));
}

// ---- TPokazuj --------------------------------------------------------------------------------

TPokazuj::TPokazuj(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Pokazuj"));
    setWindowTitle(QStringLiteral("Podgląd i druk"));
    resize(780, 560);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(clBtnShadow));
    setPalette(pal);
    setAutoFillBackground(true);

    m_redrawTimer.setSingleShot(true);
    m_redrawTimer.setInterval(kTypingPauseMs);
    connect(&m_redrawTimer, &QTimer::timeout, this, &TPokazuj::Redraw);

    BuildControls();
    ArrangePanels();
}

TPokazuj::~TPokazuj() = default;

void TPokazuj::BuildControls() {
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setFrameShape(QFrame::StyledPanel);
    m_panel->setAutoFillBackground(true);
    QPalette panelPal = m_panel->palette();
    panelPal.setColor(QPalette::Window, ToQColor(clBtnFace));
    m_panel->setPalette(panelPal);

    m_scrollBox = new QScrollArea(this);
    m_scrollBox->setObjectName(QStringLiteral("ScrollBox1"));
    m_scrollBox->setWidgetResizable(false);
    m_scrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette boxPal = m_scrollBox->palette();
    boxPal.setColor(QPalette::Window, ToQColor(clBtnShadow));
    m_scrollBox->setPalette(boxPal);
    m_scrollBox->viewport()->setPalette(boxPal);
    m_scrollBox->viewport()->setAutoFillBackground(true);
    m_previewImage = new QLabel;
    m_previewImage->setObjectName(QStringLiteral("PreviewImage"));
    m_previewImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_previewImage->setCursor(Qt::PointingHandCursor);
    m_previewImage->installEventFilter(this);
    m_scrollBox->setWidget(m_previewImage);

    m_header = new QLineEdit(m_panel);
    m_header->setObjectName(QStringLiteral("Header"));
    m_header->setGeometry(7, 18, 114, 24);
    m_header->setText(QStringLiteral("Szanowny"));

    m_btnPic = new QPushButton(m_panel);
    m_btnPic->setObjectName(QStringLiteral("btnpic"));
    m_btnPic->setGeometry(130, 18, 25, 25);
    m_btnPic->setToolTip(QStringLiteral("Załadowuje obraz jako Logo"));
    m_btnPic->setIcon(MakeGlyph(Glyph::Picture));
    m_btnPic->setEnabled(false);

    m_headers = MakeList(m_panel, "Headers",
                         {QStringLiteral("Tekst nagłówka"), QStringLiteral("Tekst stopki"),
                          QStringLiteral("Format daty"), QStringLiteral("Format czasu"),
                          QStringLiteral("Logo (obraz)")},
                         kHeadersColor, QRect(7, 63, 146, 90));

    m_margin = new QLineEdit(m_panel);
    m_margin->setObjectName(QStringLiteral("Margin"));
    m_margin->setFrame(false);
    m_margin->setGeometry(8, 164, 38, 24);
    m_margin->setText(QStringLiteral("0"));
    m_margin->setToolTip(QStringLiteral("Aktualna wartosc wybranej niżej pozycji"));
    m_upDown1 = new TUpDown(m_margin, 0, 1000, m_panel);
    m_upDown1->setObjectName(QStringLiteral("UpDown1"));

    m_ckBorders = new QCheckBox(QStringLiteral("Ramki"), m_panel);
    m_ckBorders->setObjectName(QStringLiteral("ckborders"));
    m_ckBorders->setToolTip(QStringLiteral("Ramki widoczne / niewidoczne"));
    m_ckBorders->setChecked(true);
    m_ckBorders->adjustSize();
    m_ckBorders->move(74, 174);

    m_margins = MakeList(m_panel, "Margins",
                         {QStringLiteral("Margines Górny"), QStringLiteral("Margines Nagłówka"),
                          QStringLiteral("Margines Lewy"), QStringLiteral("Margines Prawy"),
                          QStringLiteral("Margines Dolny"), QStringLiteral("Znaki w ramkach"),
                          QStringLiteral("Rozmiar Nagłówka"), QStringLiteral("Rozmiar Stopki")},
                         kMarginsColor, QRect(7, 205, 148, 140));

    m_ckLive = new QCheckBox(QStringLiteral("Aktualizuj stronę"), m_panel);
    m_ckLive->setObjectName(QStringLiteral("cklive"));
    m_ckLive->setToolTip(QStringLiteral("zawsze aktualny wygląd strony"));
    m_ckLive->setChecked(true);
    m_ckLive->adjustSize();
    m_ckLive->move(7, 362);

    m_editPage = new QLineEdit(m_panel);
    m_editPage->setObjectName(QStringLiteral("EditPage"));
    m_editPage->setFrame(false);
    m_editPage->setGeometry(8, 388, 38, 24);
    m_editPage->setText(QStringLiteral("1"));
    m_editPage->setToolTip(QStringLiteral("Aktualnie widoczna strona bazy"));
    m_upDown2 = new TUpDown(m_editPage, 1, 1000, m_panel);
    m_upDown2->setObjectName(QStringLiteral("UpDown2"));

    m_lblPages = new QLabel(QStringLiteral("strona"), m_panel);
    m_lblPages->setObjectName(QStringLiteral("lblpages"));
    m_lblPages->move(70, 392);
    m_lblPages->resize(kPanelWidth - 70 - 2, m_lblPages->sizeHint().height());

    m_btnShow = new QPushButton(m_panel);
    m_btnShow->setObjectName(QStringLiteral("btnShow"));
    m_btnShow->setGeometry(12, 429, 25, 25);
    m_btnShow->setToolTip(QStringLiteral("Pokaż w naturalnym rozmiarze"));
    m_btnShow->setIcon(MakeGlyph(Glyph::NaturalSize));

    const auto flatButton = [this](const char* name, int x, const QString& tip, Glyph glyph) {
        auto* b = new QToolButton(m_panel);
        b->setObjectName(QLatin1String(name));
        b->setAutoRaise(true);
        b->setGeometry(x, 429, 25, 25);
        b->setToolTip(tip);
        b->setIcon(MakeGlyph(glyph));
        return b;
    };
    m_btnFull = flatButton("btnfull", 45, QStringLiteral("Podgląd całej strony"), Glyph::WholePage);
    m_btnSetup =
        flatButton("btnsetup", 79, QStringLiteral("Ustawienie drukarki"), Glyph::PrinterSetup);
    m_btnPrint = flatButton("btnprint", 114, QStringLiteral("Druk"), Glyph::Print);

    m_btnClose = new QPushButton(QStringLiteral("&Zamknij"), m_panel);
    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    m_btnClose->setGeometry(32, 480, 97, 28);
    m_btnClose->setToolTip(QStringLiteral("Zamyka to okno"));

    connect(m_headers, &QListWidget::currentRowChanged, this, &TPokazuj::HeadersChanged);
    connect(m_header, &QLineEdit::textChanged, this, &TPokazuj::HeaderEdited);
    connect(m_btnPic, &QPushButton::clicked, this, &TPokazuj::PickLogo);
    connect(m_margins, &QListWidget::currentRowChanged, this, &TPokazuj::MarginsChanged);
    connect(m_margin, &QLineEdit::textChanged, this, &TPokazuj::MarginEdited);
    connect(m_ckBorders, &QCheckBox::toggled, this, &TPokazuj::BordersToggled);
    connect(m_ckLive, &QCheckBox::toggled, this, &TPokazuj::LiveToggled);
    connect(m_editPage, &QLineEdit::textChanged, this, &TPokazuj::EditPageEdited);
    connect(m_btnShow, &QPushButton::clicked, this, &TPokazuj::Redraw);
    connect(m_btnFull, &QToolButton::clicked, this, &TPokazuj::FitToWidth);
    connect(m_btnSetup, &QToolButton::clicked, this, &TPokazuj::PrinterSetup);
    connect(m_btnPrint, &QToolButton::clicked, this, &TPokazuj::Print);
    connect(m_btnClose, &QPushButton::clicked, this, &QWidget::hide);
}

void TPokazuj::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangePanels();
}

void TPokazuj::ArrangePanels() {
    m_panel->setGeometry(0, 0, kPanelWidth, height());
    m_scrollBox->setGeometry(kPanelWidth, 0, std::max(0, width() - kPanelWidth), height());
}

void TPokazuj::SetGrid(TFajny* grid) {
    if (grid == m_grid.data())
        return;
    m_redrawTimer.stop();
    m_grid = grid;
    m_printImage = QImage();
    m_printVectors.Clear();
    m_pageCount = 0;
    m_drawnPage = 0;
}

// ---- showing ---------------------------------------------------------------------------------

void TPokazuj::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from the task bar is not a new showing.
    if (!event->spontaneous())
        PrepareForShowing();
}

void TPokazuj::PrepareForShowing() {
    const QScreen* scr = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    move(scr != nullptr ? scr->availableGeometry().topLeft() : QPoint(0, 0));

    // Each step changes a control as the user would, so its change handler runs.
    m_headers->setCurrentRow(hiTitle);
    if (m_grid)
        m_header->setText(m_grid->PrintOptions().PageTitle);
    m_margins->setCurrentRow(miTop);
    if (m_grid)
        m_margin->setText(QString::number(m_grid->PrintOptions().MarginTop));
    RefreshPageCount();
    if (m_grid)
        m_grid->PrintOptions().PreviewPage = 1;
    m_editPage->setText(QStringLiteral("1"));
    if (m_grid)
        m_ckBorders->setChecked(m_grid->PrintOptions().BorderStyle == bsSingle);
}

void TPokazuj::RefreshPageCount() {
    if (!m_grid)
        return;
    RunCommand(this, [this] {
        TGridPrinter printer(*m_grid);
        m_pageCount = printer.CountPrintPages();
        m_lblPages->setText(QStringLiteral("strona z ") + QString::number(m_pageCount));
        m_lblPages->adjustSize();
        DescribePage();
    });
}

// ---- option editing --------------------------------------------------------------------------

void TPokazuj::HeadersChanged(int row) {
    m_btnPic->setEnabled(row == hiLogo);
    if (!m_grid)
        return;
    if (const QString* option = TextOption(m_grid->PrintOptions(), row))
        m_header->setText(*option);
}

void TPokazuj::HeaderEdited(const QString& text) {
    if (!m_grid)
        return;
    QString* option = TextOption(m_grid->PrintOptions(), m_headers->currentRow());
    if (option == nullptr)
        return;
    *option = text;
    RedrawIfLiveSoon();
}

void TPokazuj::PickLogo() {
    FileDialogOptions o;
    o.Title = QStringLiteral("Otwarcie obrazu dla Logo");
    o.Filter = QStringLiteral("Pliki - Bitmapy (*.BMP)|*.bmp");
    if (m_grid)
        o.FileName = m_grid->PrintOptions().Logo;
    const std::optional<QString> path = Dialogs().OpenPicture(this, o);
    if (!path || m_headers->currentRow() != hiLogo)
        return;
    m_header->setText(*path);
    if (m_grid)
        m_grid->PrintOptions().Logo = *path;
}

void TPokazuj::MarginsChanged(int row) {
    if (!m_grid)
        return;
    if (const std::uint32_t* option = NumberOption(m_grid->PrintOptions(), row))
        m_margin->setText(QString::number(*option));
}

std::optional<int> TPokazuj::ReadInteger(QLineEdit* edit, int low, int high) {
    const QString text = edit->text();
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) {
        ShowError(this, QStringLiteral("'%1' is not a valid integer value").arg(text));
        return std::nullopt;
    }
    const int held = std::clamp(value, low, high);
    if (held != value) {
        const QSignalBlocker quiet(edit);
        edit->setText(QString::number(held));
    }
    return held;
}

void TPokazuj::MarginEdited(const QString&) {
    const std::optional<int> value = ReadInteger(m_margin, m_upDown1->Min(), m_upDown1->Max());
    if (!value || !m_grid)
        return;
    std::uint32_t* option = NumberOption(m_grid->PrintOptions(), m_margins->currentRow());
    if (option == nullptr)
        return;
    *option = static_cast<std::uint32_t>(*value);
    RedrawIfLiveSoon();
}

void TPokazuj::BordersToggled(bool checked) {
    if (!m_grid)
        return;
    m_grid->PrintOptions().BorderStyle = checked ? bsSingle : bsNone;
    RedrawIfLive();
}

void TPokazuj::LiveToggled(bool checked) {
    if (checked)
        Redraw();
    else
        m_redrawTimer.stop();
}

void TPokazuj::EditPageEdited(const QString&) {
    const std::optional<int> value = ReadInteger(m_editPage, m_upDown2->Min(), m_upDown2->Max());
    if (!value || !m_grid)
        return;
    m_grid->PrintOptions().PreviewPage = static_cast<std::uint32_t>(*value);
    RedrawIfLiveSoon();
}

void TPokazuj::PrinterSetup() {
    if (!Dialogs().PrinterSetup(this) || !m_grid)
        return;
    const bool landscape = ActivePrinter().pageLayout().orientation() == QPageLayout::Landscape;
    m_grid->PrintOptions().Orientation = landscape ? poLandscape : poPortrait;
    RefreshPageCount();
    RedrawIfLive();
}

void TPokazuj::Print() {
    if (!m_grid)
        return;
    RunCommand(this, [this] {
        TGridPrinter printer(*m_grid);
        printer.PrinterAvailable = PrinterAvailable;
        printer.PrintPreviewPage(m_printImage, &m_printVectors);
    });
}

// ---- drawing and zoom ------------------------------------------------------------------------

void TPokazuj::RedrawIfLive() {
    if (m_ckLive->isChecked())
        Redraw();
}

void TPokazuj::RedrawIfLiveSoon() {
    if (m_ckLive->isChecked())
        m_redrawTimer.start(); // a keystroke within the pause starts the wait again
}

void TPokazuj::FlushRedraw() {
    if (m_redrawTimer.isActive())
        Redraw();
}

void TPokazuj::Redraw() {
    m_redrawTimer.stop();
    if (!m_grid)
        return;
    RunCommand(this, [this] {
        TGridPrinter printer(*m_grid);
        printer.DrawPreviewPage(m_printImage, &m_printVectors);
        m_drawnPage = static_cast<int>(
            std::min<std::uint32_t>(m_grid->PrintOptions().PreviewPage, INT32_MAX));
        ShowPicture(m_printImage);
        DescribePage();
    });
}

void TPokazuj::DescribePage() {
    if (m_drawnPage <= 0)
        return;
    // A screen reader cannot read the picture: it is told the page and the texts drawn on it.
    m_previewImage->setAccessibleName(
        m_pageCount > 0 ? QStringLiteral("Strona %1 z %2").arg(m_drawnPage).arg(m_pageCount)
                        : QStringLiteral("Strona %1").arg(m_drawnPage));
    m_previewImage->setAccessibleDescription(m_printVectors.Text());
}

void TPokazuj::ShowPicture(const QImage& picture) {
    m_shown = picture;
    m_previewImage->setPixmap(QPixmap::fromImage(picture));
    m_previewImage->resize(picture.size());
}

void TPokazuj::FitToWidth() {
    const int natural = m_printImage.width();
    const int width = m_scrollBox->viewport()->width();
    if (natural <= 0 || width <= 0)
        return;
    const auto height = static_cast<int>(
        std::lround(width * (static_cast<double>(m_printImage.height()) / natural)));
    if (height <= 0)
        return;
    QImage fitted(width, height, QImage::Format_RGB888);
    StretchBitmap(m_printImage, fitted);
    ShowPicture(fitted);
}

void TPokazuj::PictureClicked() {
    const int natural = m_printImage.width();
    const int shown = m_shown.width();
    if (natural <= 0 || shown <= 0)
        return;
    if (shown > std::lround(natural * 0.8)) {
        ShowPicture(m_printImage);
        return;
    }
    const auto width = static_cast<int>(std::lround(shown / 0.8));
    const auto height = static_cast<int>(std::lround(m_shown.height() / 0.8));
    if (width >= natural || height <= 0) {
        ShowPicture(m_printImage);
        return;
    }
    QImage larger(width, height, QImage::Format_RGB888);
    StretchBitmap(m_printImage, larger);
    ShowPicture(larger);
}

bool TPokazuj::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_previewImage && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        PictureClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace movra
