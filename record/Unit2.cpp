#include "record/Unit2.h"

#include "platform/core/Font.h"
#include "record/Unit2Impl.h"
#include "resources/Resources.h"

#include <QtCore/QFile>
#include <QtGui/QAction>
#include <QtGui/QIcon>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

namespace movra {

namespace {

constexpr int PanelTopHeight = 48;
// Both bevels of the status panel are lowered and 2 pixels wide.
constexpr int BevelWidth = 2;
constexpr int ButtonSize = 25;
constexpr int ButtonTop = 12;
constexpr int FirstButtonLeft = 136;
constexpr int ButtonStep = 26;
constexpr int StatusTextTop = 17;
constexpr int MemoWidth = 388;
constexpr int MemoHeight = 198;

QFont WindowFont() {
    TFont f(QStringLiteral("Arial"), 10, fsBold);
    f.SetHeight(-13);
    return f.toQFont();
}

QFont FieldFont() {
    TFont f(QStringLiteral("MS Sans Serif"), 10, fsBold);
    f.SetHeight(-13);
    return f.toQFont();
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(left, top);
    l->adjustSize();
    return l;
}

QIcon Glyph(const QString& name) {
    QIcon icon;
    icon.addPixmap(QPixmap(QStringLiteral(":/movra/record/%1.png").arg(name)), QIcon::Normal);
    icon.addPixmap(QPixmap(QStringLiteral(":/movra/record/%1_disabled.png").arg(name)),
                   QIcon::Disabled);
    return icon;
}

TJpegPhoto LoadPlaceholder() {
    QFile f(QStringLiteral(":/movra/record/placeholder.jpg"));
    if (!f.open(QIODevice::ReadOnly))
        throw EJpegError("Brak wbudowanego obrazu zastępczego rekordu.");
    return TJpegPhoto::FromJpeg(f.readAll());
}

} // namespace

TForm2::TForm2(IRecordWindowHost* host, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      d(std::make_unique<Impl>()) {
    InitResources();
    d->q = this;
    d->host = host;
    d->Build();
}

void TForm2::Impl::Build() {
    q->setObjectName(QStringLiteral("Form2"));
    q->setWindowTitle(QStringLiteral("Podgląd i edycja rekordu"));
    q->setFont(WindowFont());
    QPalette pal = q->palette();
    pal.setColor(QPalette::Window, ToQColor(clSilver));
    q->setPalette(pal);

    auto* central = new QWidget(q);
    central->setObjectName(QStringLiteral("Form2Client"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1, 1);
    BuildPhotoTab();
    BuildTextTab();
    PageControl1->setCurrentWidget(TabFoto);

    BuildStatusPanel(central);
    layout->addWidget(PanelTop);
    q->setCentralWidget(central);

    BuildMenu();

    placeholder = LoadPlaceholder();
    Image2->setPixmap(QPixmap::fromImage(placeholder.Image()));

    ApplyKolorF();
    ApplyKolorO();
    ApplyLiteryF();
    ApplyLiteryO();

    // Change tracking hears every key pressed anywhere in the window and released in a field;
    // the layout rule listens to the text panel.
    for (QWidget* w : q->findChildren<QWidget*>())
        w->installEventFilter(q);

    BuildKeys();
    NameForScreenReaders();
    AcceptPhotoDrops();

    q->resize(454, 714);
}

void TForm2::Impl::BuildStatusPanel(QWidget* parent) {
    PanelTop = new QFrame(parent);
    PanelTop->setObjectName(QStringLiteral("PanelTop"));
    PanelTop->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelTop->setLineWidth(2 * BevelWidth);
    PanelTop->setFixedHeight(PanelTopHeight);
    PanelTop->setAutoFillBackground(true);

    struct ButtonDesc {
        QToolButton** button;
        const char* name;
        const char* tip;
        void (IRecordWindowHost::*command)();
    };
    const ButtonDesc descs[] = {
        {&btnPierwszy, "btnPierwszy", "Na Pierwszy rekord", &IRecordWindowHost::FirstRecord},
        {&btnPoprzedni, "btnPoprzedni", "Poprzedni rekord", &IRecordWindowHost::PreviousRecord},
        {&btnNastepny, "btnNastepny", "Następny rekord", &IRecordWindowHost::NextRecord},
        {&btnOstatni, "btnOstatni", "Na ostatni rekord", &IRecordWindowHost::LastRecord},
        {&btnDodaj, "btnDodaj", "Dodaje rekord", &IRecordWindowHost::AddRecord},
        {&btnZniszcz, "btnZniszcz", "Usuwa zaznaczony rekord", &IRecordWindowHost::DeleteRecord},
        {&btnZmiana, "btnZmiana", "Zatwierdza zmiany w treści rekordu",
         &IRecordWindowHost::SaveRecord},
    };
    int left = FirstButtonLeft;
    for (const ButtonDesc& s : descs) {
        auto* b = new QToolButton(PanelTop);
        b->setObjectName(QLatin1String(s.name));
        b->setToolTip(QString::fromUtf8(s.tip));
        b->setIcon(Glyph(QLatin1String(s.name)));
        b->setIconSize(QSize(16, 16));
        b->setGeometry(left, ButtonTop, ButtonSize, ButtonSize);
        b->setFocusPolicy(Qt::NoFocus); // speed buttons never take the focus from a field
        const auto command = s.command;
        QObject::connect(b, &QToolButton::clicked, q, [this, command] { RunHost(command); });
        *s.button = b;
        left += ButtonStep;
    }

    StaticText7 = Caption(PanelTop, "StaticText7", QStringLiteral("Plik:"), 7, StatusTextTop);
    Label2 = Caption(PanelTop, "Label2", QStringLiteral("brak"), 41, StatusTextTop);
    StaticText6 = Caption(PanelTop, "StaticText6", QStringLiteral("Rekord:"), 330, StatusTextTop);
    Label1 = Caption(PanelTop, "Label1", QStringLiteral("00"), 388, StatusTextTop);
}

void TForm2::Impl::BuildPhotoTab() {
    TabFoto = new QWidget();
    TabFoto->setObjectName(QStringLiteral("TabFoto"));
    PageControl1->addTab(TabFoto, QStringLiteral("Foto"));
    auto* pageLayout = new QVBoxLayout(TabFoto);
    pageLayout->setContentsMargins(0, 0, 0, 0);

    PanelFoto = new QFrame(TabFoto);
    PanelFoto->setObjectName(QStringLiteral("PanelFoto"));
    pageLayout->addWidget(PanelFoto);
    auto* panelLayout = new QVBoxLayout(PanelFoto);
    panelLayout->setContentsMargins(0, 0, 0, 0);

    ScrollBox1 = new QScrollArea(PanelFoto);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->viewport()->setBackgroundRole(QPalette::Window);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    panelLayout->addWidget(ScrollBox1);

    Image1 = new QLabel();
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->resize(0, 0);
    ScrollBox1->setWidget(Image1);

    Image2 = new QLabel(ScrollBox1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, 105, 105);
    Image2->hide();
}

void TForm2::Impl::BuildTextTab() {
    TabOpis = new QWidget();
    TabOpis->setObjectName(QStringLiteral("TabOpis"));
    PageControl1->addTab(TabOpis, QStringLiteral("Opis"));
    auto* pageLayout = new QVBoxLayout(TabOpis);
    pageLayout->setContentsMargins(0, 0, 0, 0);

    PanelOpisu = new QFrame(TabOpis);
    PanelOpisu->setObjectName(QStringLiteral("PanelOpisu"));
    PanelOpisu->setAutoFillBackground(true);
    PanelOpisu->setFont(FieldFont());
    pageLayout->addWidget(PanelOpisu);

    auto edit = [this](const char* name, int left, int top, int width, int typedLimit) {
        auto* e = new TNameField(typedLimit, PanelOpisu);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(left, top, width, 24);
        QObject::connect(e, &TNameField::Refused, q, [this, e](const QString& text, int position) {
            Refused(e, text, position);
        });
        return e;
    };
    Edit1 = edit("Edit1", 46, 15, 98, 15);
    Edit2 = edit("Edit2", 244, 15, 130, 20);
    Edit3 = edit("Edit3", 156, 51, 156, 20);
    Edit1->setText(QStringLiteral("pusty"));
    Edit2->setText(QStringLiteral("zero"));
    Edit3->setText(QStringLiteral("zero"));

    auto memo = [this](const char* name, int top) {
        auto* m = new TMemoField(PanelOpisu);
        m->setObjectName(QLatin1String(name));
        m->setGeometry(29, top, MemoWidth, MemoHeight);
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        m->setTabChangesFocus(true);
        QObject::connect(m, &TMemoField::Refused, q, [this, m](const QString& text, int position) {
            Refused(m, text, position);
        });
        return m;
    };
    Memo1 = memo("Memo1", 120);
    Memo2 = memo("Memo2", 358);

    // Captions stand level with their edits.
    StaticText2 = Caption(PanelOpisu, "StaticText2", QStringLiteral("Imię:"), 29, 19);
    StaticText3 = Caption(PanelOpisu, "StaticText3", QStringLiteral("Nazwisko:"), 193, 19);
    StaticText4 = Caption(PanelOpisu, "StaticText4", QStringLiteral("Ksywa:"), 109, 55);
    StaticText5 = Caption(PanelOpisu, "StaticText5", QStringLiteral("Adnotacje i uwagi:"), 29, 96);
    StaticText1 =
        Caption(PanelOpisu, "StaticText1", QStringLiteral("Adres i źródła kontaktu:"), 29, 332);
    // Each caption names its field, for screen readers and other assistive tools too.
    StaticText2->setBuddy(Edit1);
    StaticText3->setBuddy(Edit2);
    StaticText4->setBuddy(Edit3);
    StaticText5->setBuddy(Memo1);
    StaticText1->setBuddy(Memo2);

    // Edits made without a key (the context menu's paste, cut and undo, a drop) change the record
    // as much as typing does; programmatic filling emits neither signal.
    for (QLineEdit* e : {Edit1, Edit2, Edit3})
        QObject::connect(e, &QLineEdit::textEdited, q, [this] { changed = true; });
    for (TMemoField* m : {Memo1, Memo2})
        QObject::connect(m->document(), &QTextDocument::undoCommandAdded, q,
                         [this] { changed = true; });

    QWidget::setTabOrder(Edit1, Edit2);
    QWidget::setTabOrder(Edit2, Edit3);
    QWidget::setTabOrder(Edit3, Memo1);
    QWidget::setTabOrder(Memo1, Memo2);
}

void TForm2::Impl::BuildMenu() {
    QMenuBar* bar = q->menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    auto action = [this](const char* name, const QString& text, const QKeySequence& key) {
        auto* a = new QAction(text, q);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        return a;
    };

    Obraz1 = bar->addMenu(QStringLiteral("&Obraz"));
    Obraz1->setObjectName(QStringLiteral("Obraz1"));
    Load1 = action("Load1", QStringLiteral("Import obrazu JPG z pliku.."),
                   QKeySequence(Qt::CTRL | Qt::Key_I));
    Export1 = action("Export1", QStringLiteral("Eksport obrazu do pliku..."),
                     QKeySequence(Qt::CTRL | Qt::Key_E));
    Obraz1->addAction(Load1);
    Obraz1->addSeparator();
    Obraz1->addAction(Export1);
    QObject::connect(Load1, &QAction::triggered, q,
                     [this] { RunHost(&IRecordWindowHost::ImportPicture); });
    QObject::connect(Export1, &QAction::triggered, q,
                     [this] { RunHost(&IRecordWindowHost::ExportPicture); });

    // A command on the menu bar itself, with no submenu.
    Druk1 = bar->addAction(QStringLiteral("&Drukowanie"));
    Druk1->setObjectName(QStringLiteral("Druk1"));
    QObject::connect(Druk1, &QAction::triggered, q,
                     [this] { RunHost(&IRecordWindowHost::PrintRecord); });

    mnuKolory = bar->addMenu(QStringLiteral("&Ustawienia"));
    mnuKolory->setObjectName(QStringLiteral("mnuKolory"));
    mKolorF = action("mKolorF", QStringLiteral("Kolor formatki podglądu i edycji"),
                     QKeySequence(Qt::SHIFT | Qt::Key_F8));
    mKolorO = action("mKolorO", QStringLiteral("Kolor tła okien edycyjnych"),
                     QKeySequence(Qt::SHIFT | Qt::Key_F7));
    mLiteryF = action("mLiteryF", QStringLiteral("Kolor liter opisu formatki"),
                      QKeySequence(Qt::SHIFT | Qt::Key_F6));
    mLiteryO = action("mLiteryO", QStringLiteral("Kolor liter w polach edycji"),
                      QKeySequence(Qt::SHIFT | Qt::Key_F5));
    mnuKolory->addAction(mKolorF);
    mnuKolory->addAction(mKolorO);
    mnuKolory->addSeparator();
    mnuKolory->addAction(mLiteryF);
    mnuKolory->addAction(mLiteryO);
    QObject::connect(mKolorF, &QAction::triggered, q, [this] { ChooseColour(ColourRow::KolorF); });
    QObject::connect(mKolorO, &QAction::triggered, q, [this] { ChooseColour(ColourRow::KolorO); });
    QObject::connect(mLiteryF, &QAction::triggered, q,
                     [this] { ChooseColour(ColourRow::LiteryF); });
    QObject::connect(mLiteryO, &QAction::triggered, q,
                     [this] { ChooseColour(ColourRow::LiteryO); });
}

// ---- fields ---------------------------------------------------------------------------------

QString TForm2::Imie() const {
    return d->Edit1->text();
}
QString TForm2::Nazwisko() const {
    return d->Edit2->text();
}
QString TForm2::Ksywa() const {
    return d->Edit3->text();
}
QString TForm2::Notes() const {
    return d->Memo1->TextCrLf();
}
QString TForm2::Adres() const {
    return d->Memo2->TextCrLf();
}

void TForm2::SetImie(const QString& s) {
    d->Edit1->setText(KeepCp1250(s));
}
void TForm2::SetNazwisko(const QString& s) {
    d->Edit2->setText(KeepCp1250(s));
}
void TForm2::SetKsywa(const QString& s) {
    d->Edit3->setText(KeepCp1250(s));
}
void TForm2::SetNotes(const QString& s) {
    d->Memo1->SetTextAnyBreaks(s);
}
void TForm2::SetAdres(const QString& s) {
    d->Memo2->SetTextAnyBreaks(s);
}

// ---- photo ----------------------------------------------------------------------------------

const TJpegPhoto& TForm2::Photo() const {
    return d->photo;
}

void TForm2::SetPhoto(const TJpegPhoto& photo) {
    d->photo = photo;
    d->Image1->setMargin(0); // a note's margin would shift the photo
    if (photo.IsNull()) {
        d->Image1->clear();
        d->Image1->resize(0, 0);
    } else {
        d->Image1->setPixmap(QPixmap::fromImage(photo.Image()));
        d->Image1->resize(photo.Image().size());
    }
}

void TForm2::ImportPhoto(const TJpegPhoto& photo) {
    // Whatever way the photo came in (this window's menu, the main window's, a drop), the flag
    // is set here, so no way of leaving the record can lose it unasked.
    if (photo.IsNull())
        return;
    if (photo.Jpeg() != d->photo.Jpeg())
        d->changed = true;
    SetPhoto(photo);
}

void TForm2::ShowPhotoNote(const QString& note) {
    SetPhoto(TJpegPhoto());
    d->Image1->setTextFormat(Qt::PlainText);
    d->Image1->setText(note);
    d->Image1->setMargin(12);
    d->Image1->resize(d->Image1->sizeHint());
}

const TJpegPhoto& TForm2::Placeholder() const {
    return d->placeholder;
}

const TJpegPhoto& TForm2::PhotoToStore() const {
    return d->photo.IsNull() ? d->placeholder : d->photo;
}

QSize TForm2::RememberedPhotoSize() const {
    return d->rememberedPhotoSize;
}

void TForm2::SetRememberedPhotoSize(QSize s) {
    d->rememberedPhotoSize = s;
}

// ---- state ----------------------------------------------------------------------------------

bool TForm2::Changed() const {
    return d->changed;
}

void TForm2::SetChanged(bool on) {
    d->changed = on;
}

void TForm2::SetFileLabel(const QString& s) {
    d->Label2->setText(s);
    d->Label2->adjustSize();
}

void TForm2::SetPositionLabel(const QString& s) {
    d->Label1->setText(s);
    d->Label1->adjustSize();
}

QString TForm2::FileLabel() const {
    return d->Label2->text();
}

QString TForm2::PositionLabel() const {
    return d->Label1->text();
}

QLineEdit* TForm2::Edit1() const {
    return d->Edit1;
}
QLineEdit* TForm2::Edit2() const {
    return d->Edit2;
}
QLineEdit* TForm2::Edit3() const {
    return d->Edit3;
}
QPlainTextEdit* TForm2::Memo1() const {
    return d->Memo1;
}
QPlainTextEdit* TForm2::Memo2() const {
    return d->Memo2;
}

} // namespace movra
