#pragma once

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include "grid/GridPrintRecording.h"

#include <functional>
#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace movra {

class TFajny;
class TUpDown;

// "Podgląd i druk": one printed page of a grid shown as a picture, with the grid's print
// options edited beside it (redrawn as they change while "Aktualizuj stronę" is checked), the
// page chosen by number, zoom by clicks, printer setup and printing of the page shown.
//
// It works on whatever grid it is given and does not own it. It is created hidden; a host hands
// it a grid and shows it. Every showing starts again from the first option and page 1.
class TPokazuj : public QWidget {
    Q_OBJECT
public:
    explicit TPokazuj(QWidget* parent = nullptr);
    ~TPokazuj() override;

    [[nodiscard]] TFajny* Grid() const { return m_grid.data(); }
    void SetGrid(TFajny* grid);

    // The page picture at natural size (one screen pixel per page pixel), as last drawn.
    [[nodiscard]] const QImage& PrintImage() const { return m_printImage; }

    // Whether any printer is there to print on; unset: the system's print queues (or a printer
    // override). A host or test may answer instead.
    std::function<bool()> PrinterAvailable;

    // The action of "Pokaż w naturalnym rozmiarze": draws the chosen page and shows it at
    // natural size.
    void Redraw();
    // True while a redraw asked for by typing waits for the typing to pause.
    [[nodiscard]] bool RedrawPending() const { return m_redrawTimer.isActive(); }
    // Runs a waiting redraw now.
    void FlushRedraw();
    // The size of the picture as shown.
    [[nodiscard]] QSize ShownSize() const { return m_shown.size(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ArrangePanels(); // the panel on the left, the picture beside it
    void PrepareForShowing();
    void HeadersChanged(int row);
    void HeaderEdited(const QString& text);
    void PickLogo();
    void MarginsChanged(int row);
    void MarginEdited(const QString& text);
    void BordersToggled(bool checked);
    void LiveToggled(bool checked);
    void EditPageEdited(const QString& text);
    void PrinterSetup();
    void Print();
    void FitToWidth();
    void PictureClicked();

    // A redraw when live: at once, or once typing pauses.
    void RedrawIfLive();
    void RedrawIfLiveSoon();
    void ShowPicture(const QImage& picture);
    // The picture's accessible name and description: the page's number and texts.
    void DescribePage();
    void RefreshPageCount();
    // The edit's text as an integer held to [low, high] (the text follows when it was outside);
    // nothing, after an error box, when the text is no integer.
    std::optional<int> ReadInteger(QLineEdit* edit, int low, int high);

    QPointer<TFajny> m_grid;
    QImage m_printImage;
    TRecordedPage m_printVectors; // the same page as drawing commands, for a sharp printout
    QImage m_shown;
    QTimer m_redrawTimer;
    int m_pageCount = 0; // as the page count label shows it; 0 before it was counted
    int m_drawnPage = 0; // the page the picture shows

    QFrame* m_panel = nullptr;
    QScrollArea* m_scrollBox = nullptr;
    QLabel* m_previewImage = nullptr;
    QLineEdit* m_header = nullptr;
    QPushButton* m_btnPic = nullptr;
    QListWidget* m_headers = nullptr;
    QLineEdit* m_margin = nullptr;
    TUpDown* m_upDown1 = nullptr;
    QCheckBox* m_ckBorders = nullptr;
    QListWidget* m_margins = nullptr;
    QCheckBox* m_ckLive = nullptr;
    QLineEdit* m_editPage = nullptr;
    TUpDown* m_upDown2 = nullptr;
    QLabel* m_lblPages = nullptr;
    QPushButton* m_btnShow = nullptr;
    QToolButton* m_btnFull = nullptr;
    QToolButton* m_btnSetup = nullptr;
    QToolButton* m_btnPrint = nullptr;
    QPushButton* m_btnClose = nullptr;
};

// Two small arrow buttons beside an edit field that step the integer in it within a range, the
// way a spin control does, writing the new number into the edit (its change handler runs).
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit* buddy, int min, int max, QWidget* parent);

    [[nodiscard]] int Min() const { return m_min; }
    [[nodiscard]] int Max() const { return m_max; }
    [[nodiscard]] int Position() const { return m_position; }
    // One step up (+1) or down (-1) from the number in the edit (or the last position when the
    // edit holds no number).
    void Step(int delta);

private:
    QLineEdit* m_buddy;
    int m_min;
    int m_max;
    int m_position;
};

} // namespace movra
