#pragma once

#include "platform/gridbase/StringGrid.h"

#include <QtCore/QList>
#include <QtTest/QtTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>

#include <functional>

namespace gridtest {

struct Drawn {
    int col;
    int row;
    movra::TRect rect;
    movra::TGridDrawState state;
};

// A grid that records every hook call and then does the base grid's work.
class ProbeGrid : public movra::TStringGrid {
public:
    using TStringGrid::TStringGrid;

    int clicks = 0;
    int dblClicks = 0;
    int enters = 0;
    int exits = 0;
    int topLeftChanges = 0;
    int resizes = 0;
    QList<Drawn> drawn;
    QList<QPair<int, int>> sizeChanges;
    QList<QPair<int, int>> rowMoves;
    QList<QPair<int, int>> colMoves;
    QList<movra::TGridState> statesInWidthHook;
    QList<movra::TGridState> statesInHeightHook;
    QList<movra::TGridState> statesInMouseMove;
    QStringList keyLog;
    std::function<bool(int, int)> allow;

    // Runs the key hook directly (no event, no focus needed).
    void keyDown(int key, Qt::KeyboardModifiers shift = Qt::NoModifier) { KeyDown(key, shift); }

protected:
    void DrawCell(int col, int row, const movra::TRect& rect,
                  movra::TGridDrawState state) override {
        drawn.append({col, row, rect, state});
        TStringGrid::DrawCell(col, row, rect, state);
    }
    void Click() override {
        ++clicks;
        TStringGrid::Click();
    }
    void DblClick() override {
        ++dblClicks;
        TStringGrid::DblClick();
    }
    void DoEnter() override {
        ++enters;
        TStringGrid::DoEnter();
    }
    void DoExit() override {
        ++exits;
        TStringGrid::DoExit();
    }
    void TopLeftChanged() override {
        ++topLeftChanges;
        TStringGrid::TopLeftChanged();
    }
    void Resized() override {
        ++resizes;
        TStringGrid::Resized();
    }
    void SizeChanged(int oldCols, int oldRows) override {
        sizeChanges.append({oldCols, oldRows});
        TStringGrid::SizeChanged(oldCols, oldRows);
    }
    void RowMoved(int from, int to) override {
        rowMoves.append({from, to});
        TStringGrid::RowMoved(from, to);
    }
    void ColumnMoved(int from, int to) override {
        colMoves.append({from, to});
        TStringGrid::ColumnMoved(from, to);
    }
    void ColWidthsChanged() override {
        statesInWidthHook.append(GridState());
        TStringGrid::ColWidthsChanged();
    }
    void RowHeightsChanged() override {
        statesInHeightHook.append(GridState());
        TStringGrid::RowHeightsChanged();
    }
    void MouseMove(Qt::MouseButtons b, Qt::KeyboardModifiers m, int x, int y) override {
        statesInMouseMove.append(GridState());
        TStringGrid::MouseMove(b, m, x, y);
    }
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override {
        keyLog.append(QStringLiteral("down:%1").arg(key, 0, 16));
        TStringGrid::KeyDown(key, shift);
    }
    void KeyPress(QChar& key) override {
        keyLog.append(QStringLiteral("press:%1").arg(key.unicode()));
        TStringGrid::KeyPress(key);
    }
    bool SelectCell(int col, int row) override {
        if (allow && !allow(col, row))
            return false;
        return TStringGrid::SelectCell(col, row);
    }
};

// A shown, active window holding a grid (no frame, no scroll bars unless asked: the viewport is
// exactly the grid's size) and an edit field to move the focus to.
struct Host {
    QWidget window;
    ProbeGrid* grid;
    QLineEdit* other;

    explicit Host(int width = 300, int height = 200, bool scrollBars = false) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        grid = new ProbeGrid(&window);
        grid->setFrameShape(QFrame::NoFrame);
        if (!scrollBars)
            grid->SetScrollBars(movra::TScrollStyle::None);
        grid->setFixedSize(width, height);
        other = new QLineEdit(&window);
        layout->addWidget(grid);
        layout->addWidget(other);
        window.show();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("window not active");
    }

    // Fills every cell with "c,r".
    void fill() const {
        for (int r = 0; r < grid->RowCount(); ++r)
            for (int c = 0; c < grid->ColCount(); ++c)
                grid->SetCells(c, r, QStringLiteral("%1,%2").arg(c).arg(r));
    }

    // The viewport's centre of a cell.
    QPoint centre(int col, int row) const {
        const movra::TRect r = grid->CellRect(col, row);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
};

} // namespace gridtest
