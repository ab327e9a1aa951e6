#include "album/Unit1.h"

#include "album/DatabaseErrorText.h"
#include "album/ElidedLabel.h"
#include "album/ListLoad.h"
#include "grid/Fajny.h"
#include "grid/UnitPokazuj.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/ProgramFolder.h"
#include "platform/core/ScreenPlace.h"
#include "record/Unit2.h"

#include <QtCore/QFileInfo>
#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtGui/QFontMetrics>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QVBoxLayout>

namespace movra {

namespace {

// Design values of the window and its parts.
constexpr QRect kDesignGeometry(692, 568, 543, 301);
const QString kCaption = QStringLiteral("\"Movra\" wer. 1.9");

QFont arialPixels(int px, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

QFrame* loweredPanel(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Sunken);
    f->setLineWidth(1);
    return f;
}

QLabel* labelAt(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->move(x, y);
    l->adjustSize();
    return l;
}

void setTextColor(QWidget* w, TColor c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, ToQColor(c));
    w->setPalette(p);
}

} // namespace

TForm1::TForm1(QWidget* parent, const QString& startAlbum) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kCaption);
    setFont(arialPixels(13, true));
    {
        QPalette p = palette();
        p.setColor(QPalette::Window, ToQColor(clSilver));
        // The style's grey for disabled texts is silver's own shade: without a darker one a
        // disabled menu (Obraz while no record is shown) would vanish from the menu bar.
        for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            p.setColor(QPalette::Disabled, role, ToQColor(clGray));
        setPalette(p);
        setAutoFillBackground(true);
    }
    BuildLayout();
    BuildMenu();
    SetUpGrid();
    setGeometry(kDesignGeometry);

    // The start-up steps, in their order.
    m_g1->SetFixedCols(2);
    m_widthImie = 100;
    m_widthNazwisko = 140;
    m_widthKsywa = 140;
    m_rowHeight = 22;
    SetCarriedSettings({10, 10, 454, 714, 12632256, 16777215, 0, 0});
    m_sortKey = 3;
    m_programFolder = movra::ProgramFolder();
    ReadSettings();
    SetPictureMenuEnabled(false);
    m_g1->SetUseFixed(hfNot);
    m_searchByRecords = true;
    m_database.reset();
    if (m_albumPath.isEmpty())
        m_albumPath = AlbumPathFromSettings(m_label2->text());
    m_label2->setToolTip(m_albumPath);
    BuildEmptyRecordList();
    UpdateRecentMenu();
    if (!startAlbum.isEmpty()) {
        // Named by the user: a missing or unreadable file is reported (never created).
        SetAlbumFile(startAlbum);
        LoadRecordList();
    } else if (QFileInfo(m_albumPath).isFile()) {
        LoadRecordList();
    }
    UpdateRegenerate();
}

TForm1::~TForm1() {
    // The reader tells this window of its rows: it stops before the window goes.
    StopListReader();
    m_g1->viewport()->removeEventFilter(this);
}

void TForm1::Run(const std::function<void()>& command) {
    QString cancelled;
    RunCommand(this, [&] {
        try {
            command();
        } catch (const ECommandCancelled& e) {
            cancelled = e.Message();
        }
    });
    // The user stopped the command: not an error, so told as information (outside the handler,
    // as the box runs its own event loop).
    if (!cancelled.isEmpty())
        ShowInformation(this, cancelled);
}

void TForm1::BuildLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_panelTop = loweredPanel(central);
    m_panelTop->setObjectName(QStringLiteral("PanelTop"));
    m_panelTop->setFixedHeight(27);
    m_panelTop->setFont(arialPixels(11, true));
    labelAt(m_panelTop, QStringLiteral("StaticText1"), QStringLiteral("Otwarty plik:"), 7, 7);
    // As wide as the room before "Rekordów:" at the most.
    m_label2 = new TElidedLabel(QStringLiteral("brak"), m_panelTop, 227 - 85 - 6);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->move(85, 7);
    m_label2->adjustSize();
    setTextColor(m_label2, clMaroon);
    m_label1 = labelAt(m_panelTop, QStringLiteral("Label1"), QStringLiteral("0"), 153, 7);
    setTextColor(m_label1, clBlue);
    m_label1->hide();
    m_idEdit = new QLineEdit(QStringLiteral("11"), m_panelTop);
    m_idEdit->setObjectName(QStringLiteral("IDEdit"));
    m_idEdit->setReadOnly(true);
    m_idEdit->setGeometry(168, 0, 50, 21);
    m_idEdit->hide();
    connect(m_idEdit, &QLineEdit::textChanged, this, [this] { Run([this] { IDEditChange(); }); });
    labelAt(m_panelTop, QStringLiteral("StaticText2"), QStringLiteral("Rekordów:"), 227, 7);
    m_labelCount = labelAt(m_panelTop, QStringLiteral("LabelCount"), QStringLiteral("00"), 292, 7);
    setTextColor(m_labelCount, clMaroon);
    BuildFilter();
    layout->addWidget(m_panelTop);

    m_panel1 = loweredPanel(central);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    auto* inner = new QVBoxLayout(m_panel1);
    inner->setContentsMargins(1, 1, 1, 1);
    inner->setSpacing(0);
    m_g1 = new TFajny(m_panel1);
    m_g1->setObjectName(QStringLiteral("G1"));
    m_g1->setAccessibleName(QStringLiteral("Lista osób"));
    inner->addWidget(m_g1, 1);
    m_pnlHide = new QFrame(m_panel1);
    m_pnlHide->setObjectName(QStringLiteral("pnlHide"));
    m_pnlHide->setFixedHeight(33);
    static const char* const names[8] = {"lblLewa",   "lblTop",    "lblSzer",    "lblWys",
                                         "lblKolorF", "lblKolorO", "lblLiteryF", "lblLiteryO"};
    for (int i = 0; i < 8; ++i)
        m_carried[static_cast<std::size_t>(i)] =
            labelAt(m_pnlHide, QString::fromLatin1(names[i]), QStringLiteral("0"), 8 + 60 * i, 8);
    inner->addWidget(m_pnlHide);
    m_pnlHide->hide();
    layout->addWidget(m_panel1, 1);
    setCentralWidget(central);
}

void TForm1::BuildMenu() {
    QMenuBar* bar = menuBar();
    auto action = [this](QMenu* menu, const char* name, const QString& caption,
                         const QKeySequence& key, int helpContext, std::function<void()> cmd) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        if (helpContext != 0)
            a->setProperty("HelpContext", helpContext);
        connect(a, &QAction::triggered, this, [this, cmd = std::move(cmd)] { Run(cmd); });
        if (menu)
            menu->addAction(a);
        else
            menuBar()->addAction(a);
        addAction(a); // shortcuts work while the menu bar is hidden too
        return a;
    };
    // Commands that need every row of the list wait for rows still being read.
    auto wholeList = [this](std::function<void()> cmd) {
        return [this, cmd = std::move(cmd)] {
            CompleteRecordList();
            cmd();
        };
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    auto menu = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    QMenu* file1 = menu("File1", QStringLiteral("&Baza"));
    action(file1, "Nowa1", QStringLiteral("Nowa Baza"), QKeySequence(Qt::CTRL | Qt::Key_N), 3,
           [this] { Nowa1Click(); });
    action(file1, "OpenDB1", QStringLiteral("Otwórz bazę"), QKeySequence(Qt::CTRL | Qt::Key_O), 2,
           [this] { OtwieramDB1Click(); });
    BuildRecentMenu(file1);
    separator(file1, "N1");
    action(file1, "Regeneruj1", QStringLiteral("Regeneruj (odśwież) bazę"),
           QKeySequence(Qt::CTRL | Qt::Key_R), 4, [this] { Regeneruj1Click(); });
    separator(file1, "N9");
    action(file1, "DrukujListe1", QStringLiteral("Drukuj listę osób..."), {}, 0,
           [this] { DrukujListe1Click(); });
    separator(file1, "NWymiana");
    action(file1, "EksportVCard1", QStringLiteral("Eksport osób do vCard..."), {}, 0,
           wholeList([this] { EksportVCard1Click(); }));
    action(file1, "ImportVCard1", QStringLiteral("Import osób z vCard..."), {}, 0,
           wholeList([this] { ImportVCard1Click(); }));
    action(file1, "EksportCSV1", QStringLiteral("Eksport listy do CSV..."), {}, 0,
           wholeList([this] { EksportCsv1Click(); }));
    action(file1, "ImportCSV1", QStringLiteral("Import listy z CSV..."), {}, 0,
           wholeList([this] { ImportCsv1Click(); }));

    QMenu* edycja1 = menu("Edycja1", QStringLiteral("&Edycja"));
    action(edycja1, "PokazRekordu1", QStringLiteral("&Edycja aktualnego rekordu"),
           QKeySequence(Qt::Key_F2), 2, [this] { PokazRekordu1Click(); });
    separator(edycja1, "N5");
    action(edycja1, "Pierwszy1", QStringLiteral("&Pierwszy rekord"),
           QKeySequence(Qt::CTRL | Qt::Key_P), 2, [this] { Pierwszy1Click(); });
    action(edycja1, "Poprzedni1", QStringLiteral("P&oprzedni rekord"), {}, 2,
           [this] { Poprzedni1Click(); });
    action(edycja1, "Nastepny1", QStringLiteral("&Następny rekord"), {}, 2, [this] {
        CompleteListAfter(m_currentRow);
        Nastepny1Click();
    });
    action(edycja1, "Ostatni1", QStringLiteral("O&statni rekord"), {}, 2,
           wholeList([this] { Ostatni1Click(); }));
    separator(edycja1, "N3");
    action(edycja1, "Dodaj1", QStringLiteral("&Dodaj rekord"), QKeySequence(Qt::CTRL | Qt::Key_D),
           2, wholeList([this] { Dodaj1Click(); }));
    action(edycja1, "Zmiana1", QStringLiteral("&Zapisz zmiany w rekordzie"),
           QKeySequence(Qt::Key_Insert), 2, wholeList([this] { Zmiana1Click(); }));
    separator(edycja1, "N4");
    action(edycja1, "Zniszcz1", QStringLiteral("Zniszcz wybrany re&kord"),
           QKeySequence(Qt::CTRL | Qt::Key_Delete), 2, wholeList([this] { Zniszcz1Click(); }));
    separator(edycja1, "N6");
    action(edycja1, "Finduj1", QStringLiteral("Znajdź &frazę"), QKeySequence(Qt::CTRL | Qt::Key_F),
           5, wholeList([this] { Finduj1Click(); }));
    action(edycja1, "FindujNast", QStringLiteral("Znajdź następną"), QKeySequence(Qt::Key_F3), 5,
           wholeList([this] { FindujNastClick(); }));
    action(edycja1, "Szukaj1", QStringLiteral("Szukaj na liście"),
           QKeySequence(Qt::CTRL | Qt::Key_L), 0, [this] {
               m_filterEdit->setFocus(Qt::ShortcutFocusReason);
               m_filterEdit->selectAll();
           });

    m_obraz1 = menu("Obraz1", QStringLiteral("&Obraz"));
    action(m_obraz1, "Load1", QStringLiteral("Import obrazu z pliku JPG..."),
           QKeySequence(Qt::CTRL | Qt::Key_I), 3, [this] { Load1Click(); });
    separator(m_obraz1, "N2");
    action(m_obraz1, "Export1", QStringLiteral("Eksport obrazu do pliku..."),
           QKeySequence(Qt::CTRL | Qt::Key_E), 3, [this] { Export1Click(); });

    QMenu* ustaw = menu("mnuUstaw", QStringLiteral("&Ustawienia"));
    action(ustaw, "mnuSortuj2", QStringLiteral("Sortowanie według Imienia"),
           QKeySequence(Qt::SHIFT | Qt::Key_F1), 0, [this] { SortCommand(2); });
    action(ustaw, "mnuSortuj3", QStringLiteral("Sortowanie według Nazwiska"),
           QKeySequence(Qt::SHIFT | Qt::Key_F2), 0, [this] { SortCommand(3); });
    action(ustaw, "mnuSortuj4", QStringLiteral("Sortowanie według Ksywy"),
           QKeySequence(Qt::SHIFT | Qt::Key_F3), 0, [this] { SortCommand(4); });
    separator(ustaw, "N8");
    action(ustaw, "mnuFixed", QStringLiteral("Kolor tytułów kolumn bazy"),
           QKeySequence(Qt::CTRL | Qt::Key_T), 0, [this] { mnuFixedClick(); });
    action(ustaw, "mnuFonty", QStringLiteral("Fonty pola bazy"), QKeySequence(Qt::CTRL | Qt::Key_B),
           0, [this] { mnuFontyClick(); });

    action(nullptr, "Drukowanie1", QStringLiteral("Drukowanie"), {}, 0,
           [this] { Drukowanie1Click(); });

    QMenu* help = menu("mnuHelp", QStringLiteral("Pomoc"));
    action(help, "mnuFAQ", QStringLiteral("Wskazówki merytoryczne"), QKeySequence(Qt::Key_F1), 0,
           [this] { mnuFAQClick(); });
    action(help, "mnuAuthor", QStringLiteral("Autor"), {}, 0, [this] { mnuAuthorClick(); });

    action(nullptr, "Koniec1", QStringLiteral("&Koniec"), {}, 0, [this] { Koniec1Click(); });

    BuildAlbumMenu(file1);
}

QAction* TForm1::Action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void TForm1::SetUpGrid() {
    // G1 as designed; the start-up then reshapes it into the record list.
    TFajny& g = *m_g1;
    g.SetColCount(3);
    g.SetRowCount(3);
    g.SetFixedCols(2);
    g.SetFixedRows(2);
    g.SetFixedColor(clSilver);
    TFont font(QStringLiteral("MS Sans Serif"), 10, fsBold, clWindowText);
    font.SetHeight(-13);
    font.Charset = 238;
    g.SetFont(font);
    g.SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goDrawFocusSelected |
                 goRowSizing | goColSizing | goRowMoving | goColMoving | goRowSelect);
    g.SetScrollBars(TScrollStyle::Vertical);
    g.SetKeyType(soString);
    g.SetKeyPos(1);
    g.SetKeyLen(2147483647);
    g.SetUseFixed(hfNot);
    g.SetSearchSubstring(false);
    g.SetSavedFixedRows(2);
    g.SetSavedFixedCols(2);
    g.SetCaseSensitive(false);
    g.SetAlignmentHorz(taCenter);
    g.SetAlignmentVert(taMiddle);
    g.SetProportionalScrollBars(true);
    g.SetExtendedKeys(false);
    g.SetSortSymbol(sgGlyph);
    g.SetSortOnClick(true);
    g.SetFooterColor(clMaroon);
    TFont footer(QStringLiteral("MS Sans Serif"), 10, 0, clWindowText);
    footer.SetHeight(-13);
    g.SetFooterFont(footer);
    g.SetWordWrap(false);
    TPrintOptions& po = g.PrintOptions();
    po.Orientation = poPortrait;
    po.PageTitleMargin = 0;
    po.PageFooter = QStringLiteral("date|time|page");
    po.HeaderSize = 10;
    po.FooterSize = 7;
    po.DateFormat = QStringLiteral("d-mmm-yyyy");
    po.TimeFormat = QStringLiteral("h:nn");
    po.FromRow = 0;
    po.ToRow = 0;
    po.BorderStyle = bsNone;
    po.MarginBottom = po.MarginLeft = po.MarginTop = po.MarginRight = 0;

    g.OnClick = [this](TStringGrid*) { Run([this] { G1Click(); }); };
    g.OnDblClick = [this](TStringGrid*) { Run([this] { PokazRekordu1Click(); }); };
    g.OnDrawCell = [this](TStringGrid*, int col, int row, const TRect& rect, TGridDrawState) {
        G1DrawCell(col, row, rect);
    };
    g.OnMouseUp = [this](TStringGrid*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        G1MouseUp();
    };
}

void TForm1::SetListLayout() {
    TFajny& g = *m_g1;
    g.SetFixedRows(1);
    g.SetColCount(7);
    static const char* const titles[7] = {"Nr",      "ID",     " Imię ", " Nazwisko ",
                                          " Ksywa ", "Notes ", "Adres "};
    for (int c = 0; c < 7; ++c)
        g.SetCells(c, 0, QString::fromUtf8(titles[c]));
    // The row numbers are the grid's own: they stay right as rows are added, removed or moved.
    g.SetNumberedColumn(0);
    FitNumberColumn();
    g.SetColWidths(1, 0);
    g.SetColWidths(2, m_widthImie);
    g.SetColWidths(3, m_widthNazwisko);
    g.SetColWidths(4, m_widthKsywa);
    g.SetColWidths(5, 150);
    g.SetColWidths(6, 150);
}

void TForm1::FitNumberColumn() {
    // Wide enough for the list's highest number (a million has seven digits) in the titles'
    // bold font, never narrower than the designed 40 pixels. Digits are of one width in the
    // fonts a desktop has, so the count's own digits measure every number of the list.
    TFajny& g = *m_g1;
    const std::int64_t rows = std::max<std::int64_t>(
        {g.RowCount() - g.FixedRows(), 0, m_listLoad ? m_listLoad->Expected : 0});
    const QFontMetrics metrics(g.Font().toQFont());
    const int width = metrics.horizontalAdvance(QString::number(rows)) + 10;
    const int wanted = std::max(40, width);
    if (g.ColWidths(0) != wanted)
        g.SetColWidths(0, wanted);
}

void TForm1::BuildEmptyRecordList() {
    m_g1->ClearRows();
    SetListLayout();
    m_g1->SetRowCount(m_g1->FixedRows()); // the titles alone: no record rows yet
    HideNotesColumns();
    m_g1->InvalidateGrid();
}

void TForm1::HideNotesColumns() {
    m_g1->HideColumns(5, m_g1->ColCount() - 1);
}

void TForm1::ApplyGridSizes() {
    m_g1->SetDefaultRowHeight(m_rowHeight);
    m_g1->SetColWidths(2, m_widthImie);
    m_g1->SetColWidths(3, m_widthNazwisko);
    m_g1->SetColWidths(4, m_widthKsywa);
    m_g1->InvalidateGrid();
}

void TForm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // A design place or one stored on another monitor may lie partly off this screen.
    if (!e->spontaneous())
        KeepOnScreen(this);
    ApplyGridSizes();
}

void TForm1::G1DrawCell(int col, int row, const TRect& rect) {
    TCanvas& canvas = m_g1->Canvas();
    if (col == 3) {
        canvas.Brush.Color = clLime;
        // The selection's white (or any light text colour) cannot be read on lime; such a
        // text is drawn black, which reads best there.
        if (ContrastRatio(canvas.Font.Color, clLime) < 4.5)
            canvas.Font.Color = clBlack;
    }
    if (col > 0 && row > 0) {
        canvas.FillRect(rect);
        canvas.TextOut(rect.Left, rect.Top, m_g1->Cells(col, row));
    }
}

void TForm1::G1MouseUp() {
    m_widthImie = m_g1->ColWidths(2);
    m_widthNazwisko = m_g1->ColWidths(3);
    m_widthKsywa = m_g1->ColWidths(4);
}

void TForm1::SetRecordWindow(TForm2* form2) {
    m_form2 = form2;
}

void TForm1::SetSnapshotWindows(TMemoSnapshotWindow* notes, TMemoSnapshotWindow* address) {
    m_form111 = notes;
    m_form222 = address;
}

bool TForm1::RecordWindowVisible() const {
    return m_form2 && m_form2->isVisible();
}

QString TForm1::FileCaption() const {
    return m_label2->text();
}
QString TForm1::RecordCount() const {
    return m_labelCount->text();
}
QString TForm1::RowCaption() const {
    return m_label1->text();
}
QString TForm1::IdText() const {
    return m_idEdit->text();
}

void TForm1::SetPictureMenuEnabled(bool on) {
    m_obraz1->setEnabled(on);
    for (QAction* a : m_obraz1->actions())
        a->setEnabled(on);
}

void TForm1::SetRegenerateEnabled(bool on) {
    // Only an album that opened can be regenerated: never a file that failed to open as one.
    Action(QStringLiteral("Regeneruj1"))->setEnabled(on && m_database != nullptr);
}

void TForm1::UpdateRegenerate() {
    SetRegenerateEnabled(!RecordWindowVisible());
    UpdateEmptyHint();
}

TCarriedSettings TForm1::CarriedSettings() const {
    TCarriedSettings s{};
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = m_carried[i]->text().toInt();
    return s;
}

void TForm1::SetCarriedSettings(const TCarriedSettings& s) {
    for (std::size_t i = 0; i < s.size(); ++i)
        m_carried[i]->setText(QString::number(s[i]));
}

void TForm1::mnuFixedClick() {
    if (auto c = Dialogs().ChooseColor(this, m_g1->FixedColor()))
        m_g1->SetFixedColor(*c);
}

void TForm1::mnuFontyClick() {
    if (auto f = Dialogs().ChooseFont(this, m_g1->Font())) {
        m_g1->SetFont(*f);
        m_rowHeight = f->Size() + 12;
        if (m_g1->RowCount() > 1)
            m_g1->SetRowHeights(1, m_rowHeight);
        ApplyGridSizes();
        m_g1->InvalidateGrid();
    }
}

void TForm1::Koniec1Click() {
    close();
}

void TForm1::closeEvent(QCloseEvent* e) {
    // A window that refuses to close keeps its record window's edits safe.
    if (RecordWindowVisible()) {
        ShowMessage(this, QStringLiteral("        Dziecino! jeżeli mam skończyć robotę \n\r to "
                                         "uprzednio zamknij okno podglądu i edycji rekordu."));
        e->ignore();
        return;
    }
    // The program ends all the same: the user is told once why the settings were not kept.
    try {
        WriteSettings();
    } catch (const EMovraError& e) {
        ShowWarning(this, e.Message());
    }
    // Rows still being read are not waited for: the program is ending.
    StopListReader();
    // The list's print preview would otherwise keep the program running without its main window.
    if (m_pokazuj)
        m_pokazuj->close();
    e->accept();
}

} // namespace movra
