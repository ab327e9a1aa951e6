#include "GridTestHelpers.h"

#include "platform/core/ErrorBox.h"
#include "tests/support/TestDialogs.h"

#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollBar>

using namespace movra;
using gridtest::Host;
using gridtest::ProbeGrid;

namespace {

void send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
          Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

void press(QWidget* w, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    send(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, mods);
}
void drag(QWidget* w, QPoint p) {
    send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
}
void release(QWidget* w, QPoint p) {
    send(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

// Types text as the keyboard would, Polish letters included (QTest::keyClicks takes ASCII only).
void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &down);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &up);
    }
}

void prepare(Host& h, int rows = 20) {
    h.grid->SetDefaultColWidth(50);
    h.grid->SetDefaultRowHeight(20);
    h.grid->SetRowCount(rows);
    h.fill();
    h.grid->setFocus();
    QTRY_VERIFY(h.grid->hasFocus());
}

} // namespace

class GridInputTest : public QObject {
    Q_OBJECT
private slots:
    void arrowsPagesHomeEnd();
    void tabsOnlyWithTheOption();
    void keyDownBeforeKeyPress();
    void shiftExtendsWithRangeSelect();
    void mouseMakesCellsCurrent();
    void draggingSelects();
    void columnAndRowSizing();
    void rowAndColumnMoving();
    void editorRoundTrip();
    void editorCancelAndMoves();
    void editorNeedsTheOption();
    void focusEnterAndExit();
    void doubleClick();
    void wheelScrollsByRows();
    void handlerErrorsReachTheErrorBox();
};

void GridInputTest::arrowsPagesHomeEnd() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    g.FocusCell(1, 1);
    g.clicks = 0;
    QTest::keyClick(&g, Qt::Key_Down);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(1, 2));
    QCOMPARE(g.clicks, 1); // every keyboard move is a click
    QTest::keyClick(&g, Qt::Key_Right);
    QCOMPARE(g.Col(), 2);
    QTest::keyClick(&g, Qt::Key_End);
    QCOMPARE(g.Col(), 4);
    QTest::keyClick(&g, Qt::Key_Home);
    QCOMPARE(g.Col(), 1);
    QTest::keyClick(&g, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(4, 19));
    QCOMPARE(g.TopRow(), 12);
    QTest::keyClick(&g, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(1, 1));
    QCOMPARE(g.TopRow(), 1);
    const int clicks = g.clicks;
    QTest::keyClick(&g, Qt::Key_Up); // nowhere to go: no click
    QTest::keyClick(&g, Qt::Key_Left);
    QCOMPARE(g.clicks, clicks);
    QTest::keyClick(&g, Qt::Key_PageDown);
    QCOMPARE(g.Row(), 9);
    QCOMPARE(g.TopRow(), 9);
    QTest::keyClick(&g, Qt::Key_PageDown);
    QCOMPARE(g.Row(), 17);
    QCOMPARE(g.TopRow(), 12);
    QTest::keyClick(&g, Qt::Key_PageUp);
    QCOMPARE(g.Row(), 9);
    QCOMPARE(g.TopRow(), 4);
    // Whole-row selection: Left and Right scroll instead of moving the cell.
    g.SetColCount(12);
    g.SetOptions(g.Options() | goRowSelect);
    QTest::keyClick(&g, Qt::Key_Right);
    QCOMPARE(g.Col(), 1);
    QCOMPARE(g.LeftCol(), 2);
    QTest::keyClick(&g, Qt::Key_Home);
    QCOMPARE(g.Row(), 1);
}

void GridInputTest::tabsOnlyWithTheOption() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    g.FocusCell(3, 1);
    QTest::keyClick(&g, Qt::Key_Tab);
    QCOMPARE(g.Col(), 3);
    QTRY_VERIFY(h.other->hasFocus()); // Tab left the grid
    g.setFocus();
    QTRY_VERIFY(g.hasFocus());
    g.SetOptions(g.Options() | goTabs);
    QTest::keyClick(&g, Qt::Key_Tab);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(4, 1));
    QTest::keyClick(&g, Qt::Key_Tab);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(1, 2));
    QTest::keyClick(&g, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(4, 1));
    QVERIFY(g.hasFocus());
}

void GridInputTest::keyDownBeforeKeyPress() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    g.keyLog.clear();
    QTest::keyClick(&g, Qt::Key_A);
    QCOMPARE(g.keyLog, (QStringList{QStringLiteral("down:41"), QStringLiteral("press:97")}));
    g.keyLog.clear();
    QTest::keyClick(&g, Qt::Key_Down);
    QCOMPARE(g.keyLog, QStringList{QStringLiteral("down:1000015")});
    g.keyLog.clear();
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.keyLog, (QStringList{QStringLiteral("down:1000004"), QStringLiteral("press:13")}));
}

void GridInputTest::shiftExtendsWithRangeSelect() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    g.FocusCell(1, 1);
    QTest::keyClick(&g, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&g, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(g.Selection(), (TGridRect{1, 1, 2, 2}));
    QTest::keyClick(&g, Qt::Key_Down);
    QCOMPARE(g.Selection(), (TGridRect{2, 3, 2, 3}));
    g.SetOptions(g.Options() & ~goRangeSelect);
    QTest::keyClick(&g, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(g.Selection(), (TGridRect{2, 4, 2, 4}));
}

void GridInputTest::mouseMakesCellsCurrent() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    QWidget* vp = g.viewport();
    QList<QPoint> downs;
    QList<TGridState> upStates;
    g.OnMouseDown = [&](TStringGrid*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
        downs.append(QPoint(x, y));
    };
    g.OnMouseUp = [&](TStringGrid* s, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        upStates.append(s->GridState());
    };
    g.clicks = 0;
    QTest::mouseClick(vp, Qt::LeftButton, {}, h.centre(2, 3));
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 3));
    QCOMPARE(g.clicks, 1);
    QCOMPARE(downs, QList<QPoint>{h.centre(2, 3)});
    QCOMPARE(upStates, QList<TGridState>{TGridState::Normal});
    QTest::mouseClick(vp, Qt::LeftButton, {}, h.centre(2, 3)); // the current cell again
    QCOMPARE(g.clicks, 2);
    QTest::mouseClick(vp, Qt::LeftButton, {}, h.centre(0, 5)); // a fixed cell
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 3));
    QCOMPARE(g.clicks, 2);
    QTest::mouseClick(vp, Qt::RightButton, {}, h.centre(3, 5));
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 3));
    QCOMPARE(downs.size(), 4);
    g.allow = [](int, int row) { return row != 4; };
    QTest::mouseClick(vp, Qt::LeftButton, {}, h.centre(1, 4));
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 3));
    QCOMPARE(g.clicks, 2);
    // A click below the last row hits no cell.
    g.SetRowCount(3);
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(75, 150));
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 2));
}

void GridInputTest::draggingSelects() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    QWidget* vp = g.viewport();
    press(vp, h.centre(1, 1));
    QCOMPARE(g.GridState(), TGridState::Selecting);
    drag(vp, h.centre(2, 2));
    drag(vp, h.centre(3, 3));
    release(vp, h.centre(3, 3));
    QCOMPARE(g.GridState(), TGridState::Normal);
    QCOMPARE(g.Selection(), (TGridRect{1, 1, 3, 3}));
    // Without range selection the current cell follows the mouse alone.
    g.SetOptions(g.Options() & ~goRangeSelect);
    g.clicks = 0;
    press(vp, h.centre(1, 1));
    drag(vp, h.centre(1, 4));
    release(vp, h.centre(1, 4));
    QCOMPARE(g.Selection(), (TGridRect{1, 4, 1, 4}));
    QCOMPARE(g.clicks, 2);
    // Dragging below the view scrolls on, row by row, while the button is held.
    press(vp, h.centre(1, 2));
    drag(vp, QPoint(75, 260));
    QCOMPARE(g.Row(), 9); // the row after the last one shown in full
    QCOMPARE(g.TopRow(), 2);
    QTRY_VERIFY(g.Row() >= 12);
    release(vp, QPoint(75, 260));
    const int stopped = g.Row();
    QTest::qWait(200);
    QCOMPARE(g.Row(), stopped);
    QVERIFY(!g.CellRect(1, stopped).IsEmpty());
}

void GridInputTest::columnAndRowSizing() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    QWidget* vp = g.viewport();
    QList<TGridState> upStates;
    g.OnMouseUp = [&](TStringGrid* s, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        upStates.append(s->GridState());
    };
    // Without the option the line is just a click on the title.
    press(vp, QPoint(101, 10));
    QCOMPARE(g.GridState(), TGridState::Normal);
    release(vp, QPoint(101, 10));

    g.SetOptions(g.Options() | goColSizing | goRowSizing);
    send(vp, QEvent::MouseMove, QPoint(101, 10), Qt::NoButton, Qt::NoButton);
    QCOMPARE(vp->cursor().shape(), Qt::SplitHCursor);
    send(vp, QEvent::MouseMove, QPoint(75, 10), Qt::NoButton, Qt::NoButton);
    QCOMPARE(vp->cursor().shape(), Qt::ArrowCursor);
    g.statesInWidthHook.clear();
    press(vp, QPoint(101, 10)); // the line right of column 1
    QCOMPARE(g.GridState(), TGridState::ColSizing);
    drag(vp, QPoint(131, 12));
    QCOMPARE(g.ColWidths(1), 80);
    drag(vp, QPoint(0, 12)); // never narrower than one pixel
    QCOMPARE(g.ColWidths(1), 1);
    drag(vp, QPoint(121, 12));
    release(vp, QPoint(121, 12));
    QCOMPARE(g.ColWidths(1), 70);
    QCOMPARE(g.GridState(), TGridState::Normal);
    QVERIFY(!g.statesInWidthHook.isEmpty());
    for (TGridState s : g.statesInWidthHook)
        QCOMPARE(s, TGridState::ColSizing);
    QCOMPARE(upStates.last(), TGridState::Normal);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(1, 1)); // sizing selects nothing

    // Rows are sized on the line below them in the fixed column.
    press(vp, QPoint(20, 41));
    QCOMPARE(g.GridState(), TGridState::RowSizing);
    drag(vp, QPoint(20, 51));
    release(vp, QPoint(20, 51));
    QCOMPARE(g.RowHeights(1), 30);
    QVERIFY(!g.statesInHeightHook.isEmpty());
    QCOMPARE(g.statesInHeightHook.last(), TGridState::RowSizing);
}

void GridInputTest::rowAndColumnMoving() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    QWidget* vp = g.viewport();
    g.SetOptions(g.Options() | goRowMoving | goColMoving);
    // A plain click on a fixed cell moves nothing and stays in the normal state.
    press(vp, h.centre(0, 2));
    QCOMPARE(g.GridState(), TGridState::Normal);
    release(vp, h.centre(0, 2));
    QVERIFY(g.rowMoves.isEmpty());

    const QPoint from = h.centre(0, 2);
    const QPoint to = h.centre(0, 4);
    press(vp, from);
    drag(vp, from + QPoint(0, QApplication::startDragDistance()));
    QCOMPARE(g.GridState(), TGridState::RowMoving);
    g.statesInMouseMove.clear();
    drag(vp, to);
    QCOMPARE(g.statesInMouseMove, QList<TGridState>{TGridState::RowMoving});
    release(vp, to);
    QCOMPARE(g.GridState(), TGridState::Normal);
    QCOMPARE(g.rowMoves, (QList<QPair<int, int>>{{2, 4}}));
    QCOMPARE(g.Cells(1, 4), QStringLiteral("1,2"));
    QCOMPARE(g.Cells(1, 2), QStringLiteral("1,3"));

    const QPoint colFrom = h.centre(3, 0);
    const QPoint colTo = h.centre(1, 0);
    press(vp, colFrom);
    drag(vp, colFrom - QPoint(QApplication::startDragDistance(), 0));
    QCOMPARE(g.GridState(), TGridState::ColMoving);
    drag(vp, colTo);
    release(vp, colTo);
    QCOMPARE(g.colMoves, (QList<QPair<int, int>>{{3, 1}}));
    QCOMPARE(g.Cells(1, 0), QStringLiteral("3,0"));
    QCOMPARE(g.Cells(2, 0), QStringLiteral("1,0"));
}

void GridInputTest::editorRoundTrip() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    g.SetOptions(g.Options() | goEditing);
    g.FocusCell(2, 3);
    QStringList edits;
    g.OnSetEditText = [&](TStringGrid*, int col, int row, const QString& value) {
        edits.append(QStringLiteral("%1,%2=%3").arg(col).arg(row).arg(value));
    };
    QTest::keyClick(&g, Qt::Key_X);
    QVERIFY(g.EditorMode());
    QLineEdit* ed = g.InplaceEditor();
    QVERIFY(ed->isVisible());
    QTRY_VERIFY(ed->hasFocus());
    QCOMPARE(ed->geometry(), g.CellRect(2, 3).toQRect());
    QCOMPARE(ed->text(), QStringLiteral("x")); // the first key replaces the text
    QCOMPARE(g.Cells(2, 3), QStringLiteral("x"));
    typeText(ed, QStringLiteral("yź"));
    QCOMPARE(g.Cells(2, 3), QStringLiteral("xyź"));
    QCOMPARE(edits.last(), QStringLiteral("2,3=xyź"));
    QCOMPARE(edits.size(), 3);
    g.keyLog.clear();
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(g.keyLog, QStringList{QStringLiteral("press:13")}); // Enter reaches KeyPress
    QVERIFY(!g.EditorMode());
    QVERIFY(!ed->isVisible());
    QVERIFY(g.hasFocus());
    QCOMPARE(g.Cells(2, 3), QStringLiteral("xyź"));
    QCOMPARE(g.exits, 0); // focus never left the grid
    // F2 opens the editor on the text; Enter opens it too.
    QTest::keyClick(&g, Qt::Key_F2);
    QVERIFY(g.EditorMode());
    QCOMPARE(ed->text(), QStringLiteral("xyź"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(!g.EditorMode());
    QTest::keyClick(&g, Qt::Key_Return);
    QVERIFY(g.EditorMode());
    QTest::keyClick(ed, Qt::Key_End);
    QTest::keyClick(ed, Qt::Key_Backspace);
    QCOMPARE(g.Cells(2, 3), QStringLiteral("xy"));
}

void GridInputTest::editorCancelAndMoves() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    g.SetOptions(g.Options() | goEditing);
    g.FocusCell(1, 1);
    QTest::keyClick(&g, Qt::Key_F2);
    QLineEdit* ed = g.InplaceEditor();
    QTest::keyClicks(ed, QStringLiteral("nowy"));
    QCOMPARE(g.Cells(1, 1), QStringLiteral("nowy"));
    QTest::keyClick(ed, Qt::Key_Escape);
    QVERIFY(!g.EditorMode());
    QCOMPARE(g.Cells(1, 1), QStringLiteral("1,1"));

    // Down leaves the editor with the text kept and moves on.
    QTest::keyClick(&g, Qt::Key_F2);
    QTest::keyClicks(ed, QStringLiteral("abc"));
    g.clicks = 0;
    QTest::keyClick(ed, Qt::Key_Down);
    QVERIFY(!g.EditorMode());
    QCOMPARE(g.Row(), 2);
    QCOMPARE(g.clicks, 1);
    QCOMPARE(g.Cells(1, 1), QStringLiteral("abc"));
    // Left inside the text moves the caret; at its start it moves the cell.
    QTest::keyClick(&g, Qt::Key_Right);
    QTest::keyClick(&g, Qt::Key_F2);
    QTest::keyClick(ed, Qt::Key_Home);
    QTest::keyClick(ed, Qt::Key_Right);
    QCOMPARE(ed->cursorPosition(), 1);
    QTest::keyClick(ed, Qt::Key_Left);
    QVERIFY(g.EditorMode());
    QTest::keyClick(ed, Qt::Key_Left);
    QVERIFY(!g.EditorMode());
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(1, 2));
    QTest::keyClick(&g, Qt::Key_F2);
    QTest::keyClick(ed, Qt::Key_Home);
    QTest::keyClick(ed, Qt::Key_Left); // nowhere to go: the editor stays
    QVERIFY(g.EditorMode());
    QTest::keyClick(ed, Qt::Key_Escape);
    // A click elsewhere closes the editor too.
    QTest::keyClick(&g, Qt::Key_F2);
    QVERIFY(g.EditorMode());
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, h.centre(3, 4));
    QVERIFY(!g.EditorMode());
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(3, 4));
    // With goAlwaysShowEditor the editor comes back on every cell.
    g.SetOptions(g.Options() | goAlwaysShowEditor);
    QVERIFY(g.EditorMode());
    QTest::keyClick(g.InplaceEditor(), Qt::Key_Down);
    QCOMPARE(g.Row(), 5);
    QVERIFY(g.EditorMode());
    QCOMPARE(ed->text(), QStringLiteral("3,5"));
}

void GridInputTest::editorNeedsTheOption() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    QTest::keyClick(&g, Qt::Key_X);
    QTest::keyClick(&g, Qt::Key_F2);
    QVERIFY(!g.EditorMode());
    g.SetEditorMode(true);
    QVERIFY(!g.EditorMode());
    g.SetOptions(g.Options() | goEditing | goRowSelect);
    QTest::keyClick(&g, Qt::Key_F2);
    QVERIFY(!g.EditorMode());
    QCOMPARE(g.Cells(1, 1), QStringLiteral("1,1"));
}

void GridInputTest::focusEnterAndExit() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    QCOMPARE(g.enters, 1);
    QCOMPARE(g.exits, 0);
    g.SetOptions(g.Options() | goEditing);
    g.SetEditorMode(true);
    QTRY_VERIFY(g.InplaceEditor()->hasFocus());
    QCOMPARE(g.exits, 0);
    h.other->setFocus();
    QTRY_VERIFY(h.other->hasFocus());
    QCOMPARE(g.exits, 1);
    g.setFocus();
    QTRY_VERIFY(g.InplaceEditor()->hasFocus()); // back into the open editor
    QCOMPARE(g.enters, 2);
    QCOMPARE(g.exits, 1);
    // Another window taking the focus is no exit: the grid stays its window's focus.
    QWidget second;
    auto* field = new QLineEdit(&second);
    second.show();
    second.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&second));
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    QCOMPARE(g.exits, 1);
    h.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QTRY_VERIFY(g.InplaceEditor()->hasFocus());
    QCOMPARE(g.enters, 2);
}

void GridInputTest::doubleClick() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    int host = 0;
    g.OnDblClick = [&](TStringGrid*) { ++host; };
    // The system sends press, release, press-as-double-click, release.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, h.centre(2, 2));
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, h.centre(2, 2));
    QCOMPARE(g.dblClicks, 1);
    QCOMPARE(host, 1);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 2));
    QVERIFY(!g.EditorMode());
    g.SetOptions(g.Options() | goEditing);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, h.centre(2, 2));
    QVERIFY(g.EditorMode());
}

void GridInputTest::wheelScrollsByRows() {
    Host h(300, 200, true);
    prepare(h, 50);
    ProbeGrid& g = *h.grid;
    g.SetScrollBars(TScrollStyle::Vertical);
    QCOMPARE(g.TopRow(), 1);
    QWheelEvent wheel(QPointF(50, 50), g.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(g.viewport(), &wheel);
    QVERIFY(g.TopRow() > 1);
    QCOMPARE(g.verticalScrollBar()->value(), g.TopRow() - 1);
    QCOMPARE(g.Row(), 1); // scrolling does not move the current cell
}

void GridInputTest::handlerErrorsReachTheErrorBox() {
    Host h;
    prepare(h);
    ProbeGrid& g = *h.grid;
    movra::test::TestDialogsScope dialogs;
    // A host handler failing in a double click (a row without a record) is shown, not thrown
    // into the event loop.
    g.OnDblClick = [](TStringGrid*) { throw EMovraError(QStringLiteral("'ID' nie jest liczbą")); };
    dialogs->expectBox(MsgResult::Ok, QStringLiteral("'ID' nie jest liczbą"));
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, h.centre(2, 2));
    QCOMPARE(dialogs->count(), std::size_t{1});
    QCOMPARE(g.GridState(), TGridState::Normal);
    // A failing key handler likewise; the grid keeps working afterwards.
    g.OnClick = [](TStringGrid*) { throw std::runtime_error("klik"); };
    dialogs->expectBox(MsgResult::Ok, QStringLiteral("klik"));
    QTest::keyClick(&g, Qt::Key_Down);
    QCOMPARE(dialogs->count(), std::size_t{2});
    QCOMPARE(g.Row(), 2); // the move itself happened before the handler failed
    g.OnClick = nullptr;
    QTest::keyClick(&g, Qt::Key_Down);
    QCOMPARE(g.Row(), 3);
    // A failing cell drawing is reported once, after painting.
    int draws = 0;
    g.OnDrawCell = [&](TStringGrid*, int, int, const TRect&, TGridDrawState) {
        ++draws;
        throw std::runtime_error("rysowanie");
    };
    dialogs->expectBox(MsgResult::Ok, QStringLiteral("rysowanie"));
    (void)g.viewport()->grab();
    (void)g.viewport()->grab();
    QTRY_COMPARE(dialogs->count(), std::size_t{3});
    QVERIFY(draws >= 2);
    QTest::qWait(50);
    QCOMPARE(dialogs->count(), std::size_t{3});
}

QTEST_MAIN(GridInputTest)
#include "GridInputTest.moc"
