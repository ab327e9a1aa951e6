#include "record/Unit3.h"

#include "platform/core/Dialogs.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/Font.h"
#include "platform/core/Geometry.h"
#include "platform/core/ScreenPlace.h"
#include "platform/emf/Metafile.h"
#include "platform/emf/MetafilePdf.h"
#include "platform/printer/Printer.h"
#include "preview/PrintPreview.h"
#include "record/MemoSnapshot.h"
#include "record/Unit2.h"

#include <QtCore/QFileInfo>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace movra {

namespace {

// The zoom list's items and the zoom each one stands for, by position.
const std::array<int, 9> kZooms{200, 175, 150, 125, 100, 50, 40, 30, 20};

QFont arial13Bold() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setBold(true);
    return f;
}

} // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Podgląd i wydruk strony"));
    setFont(arial13Bold());
    resize(801, 603);
    {
        QPalette p = palette();
        p.setColor(QPalette::Window, ToQColor(clBtnFace));
        setPalette(p);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_pp1 = new TPrintPreview(this);
    m_pp1->setObjectName(QStringLiteral("PP1"));
    SetUpSheetPreview(*m_pp1);

    m_panel1 = new QFrame(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setFrameShape(QFrame::Panel);
    m_panel1->setFrameShadow(QFrame::Sunken);
    m_panel1->setFixedHeight(41);
    m_panel1->setFont(arial13Bold());

    m_btnPrint = new QPushButton(QStringLiteral("&Druk"), m_panel1);
    m_btnPrint->setObjectName(QStringLiteral("btnPrint"));
    m_btnPrint->setGeometry(60, 7, 80, 28);
    m_lblPage = new QLabel(QStringLiteral("Rozmiar strony:"), m_panel1);
    m_lblPage->setObjectName(QStringLiteral("lblPage"));
    m_lblPage->move(207, 13);
    m_lblPage->adjustSize();
    m_zoomList = new QComboBox(m_panel1);
    m_zoomList->setObjectName(QStringLiteral("ZoomList"));
    m_zoomList->setEditable(true);
    m_zoomList->setInsertPolicy(QComboBox::NoInsert);
    // Completing "200" to "200%" while typing would leave Enter with a text the user never
    // typed; both forms are read anyway.
    m_zoomList->setCompleter(nullptr);
    m_zoomList->addItems({QStringLiteral("200%"), QStringLiteral("175%"), QStringLiteral("150%"),
                          QStringLiteral("125%"), QStringLiteral("100%"), QStringLiteral("50%"),
                          QStringLiteral("40%"), QStringLiteral("30%"), QStringLiteral("20%")});
    m_zoomList->setCurrentIndex(-1);
    m_zoomList->setEditText(QStringLiteral("40%"));
    m_zoomList->setGeometry(319, 9, 93, m_zoomList->sizeHint().height());
    // Spoken by its caption: screen readers on Linux give a combo box its text as its name and
    // take the caption from the label relation; its text field carries the name itself.
    m_lblPage->setBuddy(m_zoomList);
    m_zoomList->setAccessibleName(QStringLiteral("Rozmiar strony"));
    m_zoomList->lineEdit()->setAccessibleName(QStringLiteral("Rozmiar strony"));
    // Keys reach the focused list itself, which hands them to its text field without passing
    // them through the field's filters; so both are watched.
    m_zoomList->installEventFilter(this);
    m_zoomList->lineEdit()->installEventFilter(this);
    // The list's popup is watched too, to tell a choice made there from the activations Qt
    // raises on its own (when the list loses the focus, say).
    m_zoomList->view()->installEventFilter(this);
    m_btnZapis = new QPushButton(QStringLiteral("Zapis obrazu"), m_panel1);
    m_btnZapis->setObjectName(QStringLiteral("btnZapis"));
    m_btnZapis->setGeometry(456, 8, 121, 25);
    m_btnClose = new QPushButton(QStringLiteral("&Zamknij"), m_panel1);
    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    m_btnClose->setGeometry(616, 7, 79, 28);
    for (QPushButton* b : {m_btnPrint, m_btnZapis, m_btnClose})
        b->setAutoDefault(false);

    layout->addWidget(m_pp1, 1);
    layout->addWidget(m_panel1);
    // The panel's controls come first in the tab order, then the preview.
    setTabOrder(m_btnClose, m_zoomList);
    setTabOrder(m_zoomList, m_btnPrint);
    setTabOrder(m_btnPrint, m_btnZapis);
    setTabOrder(m_btnZapis, m_pp1);

    connect(m_zoomList, &QComboBox::activated, this, [this](int index) {
        if (std::exchange(m_listChoice, false))
            RunCommand(this, [this, index] { ZoomListClick(index); });
    });
    connect(m_btnPrint, &QPushButton::clicked, this,
            [this] { RunCommand(this, [this] { btnPrintClick(); }); });
    connect(m_btnZapis, &QPushButton::clicked, this,
            [this] { RunCommand(this, [this] { btnZapisClick(); }); });
    connect(m_btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
    // A screen reader reads the sheet from what it shows, the notes' pictures included.
    m_pp1->OnPageText = [this](TPrintPreview*, int) { return SheetText(m_content); };
    // Closer than the natural size, the screen's copy of the photo would show its coarseness.
    m_pp1->OnZoomChange = [this](TPrintPreview*) {
        if (m_photoReduced && m_pp1->Zoom() > 100)
            ShowWholePhoto();
    };
}

TForm3::~TForm3() {
    // The preview outlives this window's own members: it must not ask them for its page's text.
    m_pp1->OnPageText = nullptr;
}

void TForm3::SetMemos(const TMemoSnapshot& notes, const TMemoSnapshot& address) {
    m_content.Notes = notes;
    m_content.Address = address;
}

namespace {

// The photo as the screen needs it: the pixels it takes on this screen at the natural size
// (zoom 100). Decimating a camera's photo costs far less than resampling it finely and playing
// the result back at the first paint. A closer zoom, saving and printing draw the page again
// with the whole photo (FullQualityPage).
QImage ScreenPhoto(const QImage& photo) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int scale = screen ? static_cast<int>(std::ceil(screen->devicePixelRatio())) : 1;
    const int dpi = ScreenPixelsPerInch();
    const TRect place = SheetPhotoPlace(photo.size());
    const int width = std::max(1, scale * MulDiv(place.Width(), dpi, 254));
    const int height = std::max(1, scale * MulDiv(place.Height(), dpi, 254));
    // A photo little above that is cheap enough as it is.
    if (qint64(photo.width()) * photo.height() <= 2 * qint64(width) * height)
        return photo;
    // Every pixel taken from the nearest one of the photo: QImage::scaled goes through a general
    // transformation that costs as much as the whole first paint.
    const QImage source = photo.convertToFormat(QImage::Format_RGB32);
    const int w = std::min(width, source.width());
    const int h = std::min(height, source.height());
    QImage shown(w, h, QImage::Format_RGB32);
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x)
        columns[static_cast<std::size_t>(x)] =
            static_cast<int>((2LL * x + 1) * source.width() / (2LL * w));
    for (int y = 0; y < h; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(
            source.constScanLine(static_cast<int>((2LL * y + 1) * source.height() / (2LL * h))));
        auto* to = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < w; ++x)
            to[x] = from[columns[static_cast<std::size_t>(x)]];
    }
    return shown;
}

} // namespace

void TForm3::BuildSheet(const TForm2& record) {
    m_content.Imie = record.Imie();
    m_content.Nazwisko = record.Nazwisko();
    m_content.Ksywa = record.Ksywa();
    m_content.Photo = record.Photo().IsNull() ? QImage() : record.Photo().Image();
    const QImage shown = ScreenPhoto(m_content.Photo);
    m_photoReduced = shown.size() != m_content.Photo.size();
    TPrintPreview& pp = *m_pp1;
    pp.Clear();
    pp.BeginDoc();
    try {
        DrawSheetPage(pp.Canvas(), m_content, shown);
    } catch (...) {
        pp.EndDoc();
        throw;
    }
    pp.EndDoc();
}

TMetafile TForm3::RecordPage(const QImage& photo, bool notePictures) const {
    return RecordSheetPage(*m_pp1, m_content, photo, notePictures);
}

std::optional<TMetafile> TForm3::FullQualityPage() const {
    if (!m_photoReduced)
        return std::nullopt;
    return RecordPage(m_content.Photo, true);
}

void TForm3::SavePdf(const QString& path) const {
    const TSheetPdfPage pdf = RecordSheetPdfPage(*m_pp1, m_content);
    TPdfOptions options;
    options.Title = pdf.Title;
    options.Overlay = [&](QPainter& painter) {
        DrawSheetNotesText(painter, *m_pp1, pdf.Page, m_content);
    };
    SaveMetafileAsPdf(pdf.Page, path, pdf.PaperMillimetres, options);
}

bool TForm3::ShowWholePhoto() {
    try {
        if (std::optional<TMetafile> full = FullQualityPage()) {
            m_pp1->Pages(1)->SetBytes(full->Bytes());
            m_photoReduced = false;
        }
        return true;
    } catch (const std::exception&) {
        // The shown page stays as it was (only coarser); printing and saving report the error.
        return false;
    }
}

void TForm3::ZoomListClick(int index) {
    if (index < 0 || index >= static_cast<int>(kZooms.size()))
        return;
    m_pp1->SetZoom(kZooms[static_cast<std::size_t>(index)]);
}

bool TForm3::ZoomListKeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    QString text = m_zoomList->currentText().trimmed();
    if (text.endsWith(QLatin1Char('%')))
        text.chop(1); // the items' own form
    bool ok = false;
    const int zoom = text.trimmed().toInt(&ok, 10);
    if (ok)
        m_pp1->SetZoom(zoom);
    return true;
}

bool TForm3::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_zoomList->view() && e->type() == QEvent::Hide) {
        // A choice in the popup closes it first and is then reported as an activation.
        // Closed without a choice (Escape, F4, a click elsewhere), nothing follows; the mark
        // is then dropped by the next key or focus change.
        m_listChoice = true;
    } else if ((watched == m_zoomList || watched == m_zoomList->lineEdit()) &&
               e->type() == QEvent::FocusOut) {
        m_listChoice = false;
    } else if ((watched == m_zoomList || watched == m_zoomList->lineEdit()) &&
               e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        const int key = k->key();
        // The arrow and page keys step through the items of the closed list: a choice too.
        m_listChoice = !(k->modifiers() & Qt::AltModifier) &&
                       (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                        key == Qt::Key_PageDown);
        bool consumed = false;
        RunCommand(this, [&] { consumed = ZoomListKeyPress(key); });
        return consumed;
    }
    return QDialog::eventFilter(watched, e);
}

void TForm3::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // The sheet opens in the middle of the screen, whoever owns it.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    KeepOnScreen(this);
}

void TForm3::btnPrintClick() {
    // Without any printer the user is told so, rather than nothing happening.
    if (!ActivePrinterInstalled()) {
        ShowError(this, QStringLiteral("Drukarka nie jest podłączona!"));
        return;
    }
    if (m_pp1->PageCount() == 0)
        return;
    // The printer gets the whole photo: the shown page becomes the full one, in place.
    if (std::optional<TMetafile> full = FullQualityPage()) {
        m_pp1->Pages(1)->SetBytes(full->Bytes());
        m_photoReduced = false;
    }
    m_pp1->Print();
}

void TForm3::btnZapisClick() {
    FileDialogOptions o;
    o.FileName = QStringLiteral("foto.emf");
    o.Filter = QStringLiteral("Pliki WindowsMetaFile (*.emf)|*.emf|Dokument PDF (*.pdf)|*.pdf|"
                              "Dowolne pliki   (*.*)|*.*");
    o.DefaultExt = QStringLiteral("emf");
    std::optional<QString> chosen = Dialogs().SaveFile(this, o);
    if (!chosen)
        return;
    if (QFileInfo(*chosen).suffix().isEmpty())
        *chosen += QStringLiteral(".emf");
    TMetafile* page = m_pp1->Pages(m_pp1->CurrentPage());
    if (!page)
        return;
    // A name ending in .pdf asks for a document anyone can open, print or send; every other
    // name keeps the page's own metafile bytes. Both keep the whole photo, whatever the screen's
    // page carries.
    if (QFileInfo(*chosen).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0) {
        SavePdf(*chosen);
        return;
    }
    const std::optional<TMetafile> full = FullQualityPage();
    (full ? *full : *page).SaveToFile(*chosen);
}

void TForm3::btnCloseClick() {
    reject();
}

void ShowRecordSheet(QWidget* parent, const TForm2& record, TMemoSnapshotWindow& notesWindow,
                     TMemoSnapshotWindow& addressWindow) {
    auto sheet = std::make_unique<TForm3>(parent);
    sheet->SetMemos(notesWindow.Take(*record.Memo1()), addressWindow.Take(*record.Memo2()));
    ActivePrinter().setPageOrientation(QPageLayout::Landscape);
    sheet->BuildSheet(record);
    Dialogs().ExecModal(sheet.get());
}

} // namespace movra
