#pragma once

// The inside of the record window, shared by its source files (construction, behaviour).

#include "platform/core/Colors.h"
#include "platform/text/Jpeg.h"
#include "record/RecordWindowHost.h"
#include "record/Unit2.h"
#include "record/Unit2Fields.h"

#include <QtCore/QSet>
#include <QtCore/QSize>

#include <array>

class QFrame;
class QKeyEvent;
class QMenu;
class QWidget;

namespace movra {

struct TForm2::Impl {
    TForm2* q = nullptr;
    IRecordWindowHost* host = nullptr;

    // Status panel at the bottom.
    QFrame* PanelTop = nullptr;
    QToolButton* btnPierwszy = nullptr;
    QToolButton* btnPoprzedni = nullptr;
    QToolButton* btnNastepny = nullptr;
    QToolButton* btnOstatni = nullptr;
    QToolButton* btnDodaj = nullptr;
    QToolButton* btnZniszcz = nullptr;
    QToolButton* btnZmiana = nullptr;
    QLabel* StaticText7 = nullptr; // "Plik:"
    QLabel* Label2 = nullptr;      // file name
    QLabel* StaticText6 = nullptr; // "Rekord:"
    QLabel* Label1 = nullptr;      // position

    // Tabs.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabFoto = nullptr;
    QWidget* TabOpis = nullptr;
    QFrame* PanelFoto = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Image1 = nullptr; // the photo at its natural size
    QLabel* Image2 = nullptr; // the placeholder, never shown
    QFrame* PanelOpisu = nullptr;
    QLabel* StaticText1 = nullptr; // "Adres i źródła kontaktu:"
    QLabel* StaticText2 = nullptr; // "Imię:"
    QLabel* StaticText3 = nullptr; // "Nazwisko:"
    QLabel* StaticText4 = nullptr; // "Ksywa:"
    QLabel* StaticText5 = nullptr; // "Adnotacje i uwagi:"
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    TMemoField* Memo1 = nullptr;
    TMemoField* Memo2 = nullptr;

    // Menu.
    QMenu* Obraz1 = nullptr;
    QAction* Load1 = nullptr;
    QAction* Export1 = nullptr;
    QAction* Druk1 = nullptr;
    QMenu* mnuKolory = nullptr;
    QAction* mKolorF = nullptr;
    QAction* mKolorO = nullptr;
    QAction* mLiteryF = nullptr;
    QAction* mLiteryO = nullptr;

    // State.
    TJpegPhoto photo;
    TJpegPhoto placeholder;
    QSize rememberedPhotoSize;
    bool changed = false;
    // Keys pressed in this window and not yet released.
    QSet<int> keysDown;
    // The four colours as colour values, so that a system colour stays a system colour when it
    // goes back to the settings file. Designed: silver form, system field colours.
    TColor kolorF = clSilver;
    TColor kolorO = clWindow;
    TColor literyF = clWindowText;
    TColor literyO = clWindowText;

    // Unit2.cpp: building the window.
    void Build();
    void BuildStatusPanel(QWidget* parent);
    void BuildPhotoTab();
    void BuildTextTab();
    void BuildMenu();

    // Unit2Behaviour.cpp.
    void ArrangeFields();
    void ApplyKolorF();
    void ApplyKolorO();
    void ApplyLiteryF();
    void ApplyLiteryO();
    void PrepareShowing();
    void WriteBack();
    enum class ColourRow { KolorF, KolorO, LiteryF, LiteryO };
    void ChooseColour(ColourRow row);
    void Refused(QWidget* field, const QString& text, int position);
    [[nodiscard]] bool IsField(const QObject* o) const;
    [[nodiscard]] bool IsMenuShortcut(const QKeyEvent& key) const;
    void RunHost(void (IRecordWindowHost::*command)());

    // Unit2Keys.cpp: the keyboard and screen readers.
    void BuildKeys();
    void NameForScreenReaders();
    [[nodiscard]] std::array<QToolButton*, 7> Buttons() const;

    // Unit2Drop.cpp: a JPEG file dropped on the photo.
    void AcceptPhotoDrops();
    void ImportDroppedFile(const QString& path);
};

// The question asked before edits would be lost.
inline const QString ChangeQuestion =
    QStringLiteral("W rekordzie dokonano zmian. Czy chcesz je zapisać? ");

} // namespace movra
