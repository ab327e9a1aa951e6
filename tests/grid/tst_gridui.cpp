// The grid as the user meets it: clicks on titles, row selection by mouse, editing with
// validation, keyboard row and column editing, cell drawing, scroll bars and accessibility.

#include "GridTestUtil.h"

#include "platform/core/ErrorBox.h"
#include "tests/support/TestDialogs.h"

#include <QtGui/QAccessible>
#include <QtGui/QGuiApplication>
#include <QtTest/QtTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QVBoxLayout>

#include <cmath>

using namespace movra;
using namespace movra::test;

namespace {

// A window holding a grid and a line edit to take the focus away.
struct Window {
    QWidget top;
    TFajny* grid = nullptr;
    QLineEdit* other = nullptr;

    Window() {
        auto* layout = new QVBoxLayout(&top);
        grid = new TFajny(&top);
        other = new QLineEdit(&top);
        layout->addWidget(grid);
        layout->addWidget(other);
        top.resize(500, 400);
    }
    bool show() {
        top.show();
        QApplication::setActiveWindow(&top);
        if (!QTest::qWaitForWindowActive(&top))
            return false;
        grid->setFocus();
        QCoreApplication::processEvents();
        return grid->hasFocus();
    }
};

QPoint CenterOf(TFajny& g, int col, int row) {
    return g.CellRect(col, row).toQRect().center();
}

void Press(TFajny& g, QPoint p, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(g.viewport(), Qt::LeftButton, mods, p);
}

void Move(TFajny& g, QPoint p) {
    QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(g.viewport()->mapToGlobal(p)),
                  Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g.viewport(), &e);
}

void Release(TFajny& g, QPoint p) {
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, p);
}

QColor Painted(TColor c) {
    return ToQColor(c);
}

} // namespace

class TstGridUi : public QObject {
    Q_OBJECT
private slots:
    void clickOnTitleSorts();
    void clickSortNeedsFocusAndPlainClick();
    void clickSortOptionsEventAndCursor();
    void clickSortFailureShownCursorRestored();
    void rangeSelectionByMouse();
    void dragSelectionFollowsScrolling();
    void noMouseSelectionWithoutRangeSelect();
    void enterValidatesAndRejectionRestores();
    void validationHandlerCorrects();
    void focusLossClicksThenValidates();
    void typingInEditorThenEnter();
    void validationFollowsRecordThroughSortAndMoves();
    void extendedKeys();
    void footerAndSelectionColours();
    void bevelsAndSuppressedText();
    void sortSymbolDrawnTransparent();
    void alignment();
    void noDefaultDrawing();
    void scrollBarPageSizes();
    void notifications();
    void accessibleTable();
};

void TstGridUi::clickOnTitleSorts() {
    Window w;
    FillColumns(*w.grid, {{"b", "c", "a"}, {"2", "10", "1"}});
    QVERIFY(w.show());
    TFajny& g = *w.grid;
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 1, 0));
    QCOMPARE(Column(g, 1), QStringList({"1", "2", "10"}));
    QCOMPARE(g.SortColumn(), 1);
    QTest::mouseClick(g.viewport(), Qt::RightButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(Column(g, 0), QStringList({"c", "b", "a"}));
    QCOMPARE(g.SortDirection(), sdDescending);
    // The same title again: the button decides the direction, not the last one.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(Column(g, 0), QStringList({"a", "b", "c"}));
    // A click on a data row sorts nothing.
    QTest::mouseClick(g.viewport(), Qt::RightButton, {}, CenterOf(g, 0, 2));
    QCOMPARE(Column(g, 0), QStringList({"a", "b", "c"}));
}

void TstGridUi::clickSortNeedsFocusAndPlainClick() {
    Window w;
    FillColumns(*w.grid, {{"b", "c", "a"}});
    QVERIFY(w.show());
    TFajny& g = *w.grid;
    int sorts = 0;
    g.OnEndSort = [&sorts](TFajny*, int) { ++sorts; };
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, CenterOf(g, 0, 0));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ShiftModifier, CenterOf(g, 0, 0));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::AltModifier, CenterOf(g, 0, 0));
    QCOMPARE(sorts, 0);
    g.SetSortOnClick(false);
    g.setFocus();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(sorts, 0);
    g.SetSortOnClick(true);
    // Without the focus nothing is sorted (the grid here refuses to take it).
    g.setFocusPolicy(Qt::NoFocus);
    w.other->setFocus();
    QCoreApplication::processEvents();
    QVERIFY(!g.hasFocus());
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(sorts, 0);
    QCOMPARE(Column(g, 0), QStringList({"b", "c", "a"}));
    g.setFocusPolicy(Qt::StrongFocus);
    g.setFocus();
    QCoreApplication::processEvents();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(sorts, 1);
}

void TstGridUi::clickSortOptionsEventAndCursor() {
    Window w;
    FillColumns(*w.grid, {{"b", "C", "a", "A"}});
    QVERIFY(w.show());
    TFajny& g = *w.grid;
    g.SetCaseSensitive(true);
    QStringList log;
    g.OnClickSort = [&log](TFajny*, int col, int row, TSortOptions& o) {
        log << QStringLiteral("click %1 %2 kind %3 dir %4 cs %5")
                   .arg(col)
                   .arg(row)
                   .arg(int(o.SortKind))
                   .arg(int(o.Direction))
                   .arg(o.CaseSensitive);
        o.Direction = sdDescending;
    };
    g.OnBeginSort = [&log](TFajny*, int, TSortOptions&) {
        const QCursor* c = QGuiApplication::overrideCursor();
        log << QStringLiteral("wait %1").arg(c != nullptr && c->shape() == Qt::WaitCursor);
    };
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(log, QStringList({"click 0 0 kind 0 dir 0 cs 1", "wait 1"}));
    QCOMPARE(Column(g, 0), QStringList({"C", "b", "A", "a"}));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TstGridUi::clickSortFailureShownCursorRestored() {
    TestDialogsScope dialogs;
    Window w;
    FillColumns(*w.grid, {{"b", "a"}});
    QVERIFY(w.show());
    TFajny& g = *w.grid;
    g.OnBeginSort = [](TFajny*, int, TSortOptions&) {
        throw EMovraError(QStringLiteral("Sortowanie nie powiodło się"));
    };
    dialogs->expectBox(MsgResult::Ok);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(dialogs->last().text, QStringLiteral("Sortowanie nie powiodło się"));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QCOMPARE(Column(g, 0), QStringList({"b", "a"}));
}

void TstGridUi::rangeSelectionByMouse() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"1", "2", "3", "4", "5", "6", "7", "8"}, {"", "", "", "", "", "", "", ""}});
    g.SetOptions(g.Options() | goRangeSelect);
    QVERIFY(w.show());
    const auto click = [&](int row, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(g.viewport(), Qt::LeftButton, mods, CenterOf(g, 1, row));
    };
    click(3);
    QCOMPARE(g.SelectedRows(), std::vector<int>{3});
    click(5, Qt::ControlModifier);
    QCOMPARE(g.SelectedRows(), (std::vector<int>{3, 5}));
    QCOMPARE(g.SelectionAnchor(), 5);
    click(3, Qt::ControlModifier); // toggles off, becomes the anchor
    QCOMPARE(g.SelectedRows(), (std::vector<int>{5}));
    click(7, Qt::ShiftModifier); // anchor 3 .. 7
    QCOMPARE(g.SelectedRows(), (std::vector<int>{3, 4, 5, 6, 7}));
    click(2, Qt::ShiftModifier); // exactly anchor .. row
    QCOMPARE(g.SelectedRows(), (std::vector<int>{2, 3}));
    // A click on the title row changes nothing.
    g.SetSortOnClick(false);
    click(0);
    QCOMPARE(g.SelectedRows(), (std::vector<int>{2, 3}));

    // Dragging: out, back toward the anchor, across it.
    Press(g, CenterOf(g, 1, 4));
    QCOMPARE(g.SelectedRows(), std::vector<int>{4});
    Move(g, CenterOf(g, 1, 7));
    QCOMPARE(g.SelectedRows(), (std::vector<int>{4, 5, 6, 7}));
    Move(g, CenterOf(g, 1, 5));
    QCOMPARE(g.SelectedRows(), (std::vector<int>{4, 5}));
    Move(g, CenterOf(g, 1, 2));
    QCOMPARE(g.SelectedRows(), (std::vector<int>{2, 3, 4}));
    Release(g, CenterOf(g, 1, 2));
    // After the release, moving selects nothing more.
    Move(g, CenterOf(g, 1, 8));
    QCOMPARE(g.SelectedRows(), (std::vector<int>{2, 3, 4}));
}

void TstGridUi::dragSelectionFollowsScrolling() {
    Window w;
    TFajny& g = *w.grid;
    g.SetColCount(2);
    g.SetRowCount(200);
    g.SetFixedRows(1);
    g.SetFixedCols(0);
    g.SetOptions(g.Options() | goRangeSelect);
    QVERIFY(w.show());
    Press(g, CenterOf(g, 1, 2));
    Move(g, CenterOf(g, 1, 3));
    QCOMPARE(g.SelectedRows(), (std::vector<int>{2, 3}));
    // The view scrolls down while dragging: the last fully visible row joins.
    g.SetTopRow(20);
    const int last = g.TopRow() + g.VisibleRowCount() - 1;
    QVERIFY(g.IsRowSelected(last));
    QVERIFY(g.IsRowSelected(2));
    QVERIFY(!g.IsRowSelected(last + 1));
    Release(g, CenterOf(g, 1, 3));
    // Not dragging: scrolling selects nothing.
    const int count = g.SelectedRowCount();
    g.SetTopRow(60);
    QCOMPARE(g.SelectedRowCount(), count);
}

void TstGridUi::noMouseSelectionWithoutRangeSelect() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"1", "2", "3", "4"}});
    g.SetOptions(g.Options() & ~TGridOptions{goRangeSelect});
    QVERIFY(w.show());
    const std::vector<int> before = g.SelectedRows();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 3));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, CenterOf(g, 0, 4));
    QCOMPARE(g.SelectedRows(), before);
}

void TstGridUi::enterValidatesAndRejectionRestores() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"stary", "b"}});
    QVERIFY(w.show());
    g.GoToCell(0, 1);
    g.RememberCurrentCell();
    // No handler: the new text stays.
    g.SetCells(0, 1, QStringLiteral("nowy"));
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.Cells(0, 1), QStringLiteral("nowy"));
    // A handler that refuses without changing the value brings the old text back.
    QStringList log;
    g.OnCellValidate = [&log](TFajny*, int c, int r, QString& value, bool& valid) {
        log << QStringLiteral("%1,%2 %3").arg(c).arg(r).arg(value);
        valid = false;
    };
    g.SetCells(0, 1, QStringLiteral("zły"));
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.Cells(0, 1), QStringLiteral("nowy"));
    QCOMPARE(log, QStringList({"0,1 zły"}));
    // An unchanged cell is not validated.
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(log.size(), 1);
}

void TstGridUi::validationHandlerCorrects() {
    TFajny g;
    FillColumns(g, {{"a", "b"}});
    g.GoToCell(0, 1);
    g.RememberCurrentCell();
    g.OnCellValidate = [](TFajny*, int, int, QString& value, bool& valid) {
        if (value == QStringLiteral("popraw"))
            value = QStringLiteral("poprawione"); // accepted with a correction
        else if (value == QStringLiteral("zastąp")) {
            value = QStringLiteral("zastąpione"); // refused and replaced
            valid = false;
        }
    };
    g.SetCells(0, 1, QStringLiteral("popraw"));
    g.ValidateCurrentCell();
    QCOMPARE(g.Cells(0, 1), QStringLiteral("poprawione"));
    g.SetCells(0, 1, QStringLiteral("zastąp"));
    g.ValidateCurrentCell();
    QCOMPARE(g.Cells(0, 1), QStringLiteral("zastąpione"));
}

void TstGridUi::focusLossClicksThenValidates() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"a", "b"}});
    QVERIFY(w.show());
    g.GoToCell(0, 2);
    g.RememberCurrentCell();
    QStringList log;
    g.OnClick = [&log](TStringGrid*) { log << QStringLiteral("click"); };
    g.OnCellValidate = [&log](TFajny*, int, int, QString& value, bool& valid) {
        log << QStringLiteral("validate ") + value;
        valid = false;
    };
    g.SetCells(0, 2, QStringLiteral("zmiana"));
    w.other->setFocus();
    QCoreApplication::processEvents();
    QVERIFY(!g.hasFocus());
    QVERIFY(log.size() >= 2);
    QCOMPARE(log.front(), QStringLiteral("click"));
    QVERIFY(log.contains(QStringLiteral("validate zmiana")));
    QCOMPARE(g.Cells(0, 2), QStringLiteral("b"));
    // With the focus gone, a programmatic click does not validate.
    log.clear();
    g.SetCells(0, 2, QStringLiteral("znowu"));
    g.GoToCell(0, 1);
    QVERIFY(!log.contains(QStringLiteral("validate znowu")));
}

void TstGridUi::typingInEditorThenEnter() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"stary", "b"}});
    g.SetOptions(g.Options() | goEditing);
    QVERIFY(w.show());
    g.GoToCell(0, 1);
    g.RememberCurrentCell();
    g.OnCellValidate = [](TFajny*, int, int, QString&, bool& valid) { valid = false; };
    QTest::keyClicks(&g, QStringLiteral("xyz"));
    QVERIFY(g.EditorMode());
    QVERIFY(g.Cells(0, 1) != QStringLiteral("stary"));
    QWidget* target = g.InplaceEditor() && g.InplaceEditor()->hasFocus()
                          ? static_cast<QWidget*>(g.InplaceEditor())
                          : static_cast<QWidget*>(&g);
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(g.Cells(0, 1), QStringLiteral("stary"));
}

void TstGridUi::validationFollowsRecordThroughSortAndMoves() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"c", "a", "b"}});
    QVERIFY(w.show());
    g.GoToCell(0, 1); // record "c"
    g.RememberCurrentCell();
    QStringList validated;
    g.OnCellValidate = [&validated](TFajny*, int, int r, QString& value, bool& valid) {
        validated << QStringLiteral("%1 %2").arg(r).arg(value);
        valid = false;
    };
    // The sort moves the remembered record; its unchanged text is no edit.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(Column(g, 0), QStringList({"a", "b", "c"}));
    QVERIFY(validated.isEmpty());
    // A pending edit is judged on its own record wherever the sort puts it.
    QCOMPARE(g.Row(), 3);
    g.SetCells(0, 3, QStringLiteral("x"));
    QTest::mouseClick(g.viewport(), Qt::RightButton, {}, CenterOf(g, 0, 0));
    QCOMPARE(validated, QStringList({"1 x"}));
    QCOMPARE(Column(g, 0), QStringList({"c", "b", "a"}));
    // Moving and deleting rows keep the remembered cell on its record too.
    validated.clear();
    g.GoToCell(0, 3); // "a"
    g.RememberCurrentCell();
    g.MoveRowTo(3, 1);
    g.GoToCell(0, 2);
    g.DeleteRowAt(3);
    g.GoToCell(0, 1);
    QVERIFY(validated.isEmpty());
    QCOMPARE(Column(g, 0), QStringList({"a", "c"}));
}

void TstGridUi::extendedKeys() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"a", "b", "c"}, {"1", "2", "3"}});
    QVERIFY(w.show());
    g.GoToCell(1, 2);
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(g.RowCount(), 4); // off: nothing
    g.SetExtendedKeys(true);
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(g.RowCount(), 5);
    QCOMPARE(Column(g, 0), QStringList({"a", "", "b", "c"}));
    QCOMPARE(g.Row(), 2);
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(Column(g, 0), QStringList({"a", "b", "c"}));
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(g.ColCount(), 3);
    QCOMPARE(g.Cells(2, 1), QStringLiteral("1"));
    g.GoToCell(1, 1);
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(g.ColCount(), 2);
    QCOMPARE(g.Rows(1), QStringList({"a", "1"}));
    // Other modifiers do nothing.
    QTest::keyClick(&g, Qt::Key_Insert, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&g, Qt::Key_Delete, Qt::NoModifier);
    QCOMPARE(g.RowCount(), 4);
    QCOMPARE(g.ColCount(), 2);
    // The last data row and the last non-fixed column stay.
    TFajny& h = g;
    h.DeleteRowRange(2, 3);
    QCOMPARE(h.RowCount(), 2);
    h.GoToCell(1, 1);
    QTest::keyClick(&h, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(h.RowCount(), 2);
    h.SetFixedCols(1);
    QTest::keyClick(&h, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(h.ColCount(), 2);
}

void TstGridUi::footerAndSelectionColours() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"", "", "", ""}, {"", "", "", ""}}, 1);
    g.SetFooterRows(1);
    g.SetFooterColor(clMaroon);
    g.SetOptions(g.Options() | goRangeSelect);
    for (int r : std::vector<int>(g.SelectedRows()))
        g.SetRowSelected(r, false);
    g.SetRowSelected(2, true);
    QVERIFY(w.show());
    g.GoToCell(1, 1);
    const QImage img = g.viewport()->grab().toImage();
    const auto inside = [&](int c, int r) {
        const QRect rc = g.CellRect(c, r).toQRect();
        return img.pixelColor(rc.right() - 3, rc.bottom() - 3);
    };
    QCOMPARE(inside(1, 4), QColor(128, 0, 0));
    QCOMPARE(inside(0, 4), QColor(128, 0, 0)); // fixed column, footer row
    QCOMPARE(inside(1, 2), Painted(clHighlight));
    QCOMPARE(inside(1, 3), Painted(clWindow));
}

void TstGridUi::bevelsAndSuppressedText() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"XXXXXXXX", "XXXXXXXX"}, {"WWWW", "WWWW"}});
    // Without goRangeSelect the cells keep the grid's colour.
    g.SetOptions((g.Options() | goFixedVertLine | goFixedHorzLine) & ~TGridOptions{goRangeSelect});
    g.SetBevelStyle(cbRaised);
    const TColor background = RGBColor(250, 250, 200);
    g.SetColor(background);
    g.SetAlignmentHorz(taRightJustify);
    g.OnGetCellFormat = [](TFajny*, int col, int row, TGridDrawState, TFormatOptions& f) {
        if (col == 0 && row == 1)
            f.SuppressText = true;
        if (col == 1 && row == 2)
            f.BevelStyle = cbNone;
    };
    QVERIFY(w.show());
    g.GoToCell(0, 2);
    QImage img = g.viewport()->grab().toImage();
    const QRect rc = g.CellRect(1, 1).toQRect();
    const int midY = rc.center().y();
    QCOMPARE(img.pixel(rc.right(), midY), Painted(clBtnShadow).rgb());
    QCOMPARE(img.pixel(rc.left(), midY), Painted(clBtnHighlight).rgb());
    QCOMPARE(img.pixel(rc.left() + 3, rc.top()), Painted(clBtnHighlight).rgb());
    QCOMPARE(img.pixel(rc.left() + 3, rc.bottom()), Painted(clBtnShadow).rgb());
    // The handler took the bevel away from one cell.
    const QRect plain = g.CellRect(1, 2).toQRect();
    QCOMPARE(img.pixel(plain.left(), plain.center().y()), Painted(background).rgb());
    // Suppressed text: the whole cell is background inside its bevel.
    const QRect s = g.CellRect(0, 1).toQRect();
    for (int x = s.left() + 1; x < s.right(); ++x)
        for (int y = s.top() + 1; y < s.bottom(); ++y)
            QCOMPARE(img.pixel(x, y), Painted(background).rgb());
    // Lowered: the colours change places.
    g.SetBevelStyle(cbLowered);
    img = g.viewport()->grab().toImage();
    QCOMPARE(img.pixel(rc.right(), midY), Painted(clBtnHighlight).rgb());
    QCOMPARE(img.pixel(rc.left(), midY), Painted(clBtnShadow).rgb());
    // Without the fixed-line options no bevel line is drawn.
    g.SetOptions(g.Options() & ~TGridOptions{goFixedVertLine | goFixedHorzLine});
    img = g.viewport()->grab().toImage();
    QCOMPARE(img.pixel(rc.left(), midY), Painted(background).rgb());
}

void TstGridUi::sortSymbolDrawnTransparent() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"b", "a"}, {"1", "2"}});
    g.SetColWidths(1, 120);
    g.SetFixedColor(clSilver);
    g.SetSortSymbol(sgArrow);
    g.SetSortColumn(1);
    QVERIFY(w.show());
    const QImage img = g.viewport()->grab().toImage();
    const QRect rc = g.CellRect(1, 0).toQRect();
    int symbol = 0;
    int aqua = 0;
    for (int x = rc.left(); x <= rc.right(); ++x) {
        for (int y = rc.top(); y <= rc.bottom(); ++y) {
            const QColor c = img.pixelColor(x, y);
            symbol += c == QColor(128, 128, 128) ? 1 : 0;
            aqua += c == QColor(0, 255, 255) ? 1 : 0;
        }
    }
    QVERIFY(symbol >= 30); // the triangle's pixels
    QCOMPARE(aqua, 0);     // its background took the brush colour
    // The other title has no symbol.
    const QRect other = g.CellRect(0, 0).toQRect();
    int grey = 0;
    for (int x = other.left(); x <= other.right(); ++x)
        for (int y = other.top(); y <= other.bottom(); ++y)
            grey += img.pixelColor(x, y) == QColor(128, 128, 128) ? 1 : 0;
    QVERIFY(grey < 30);
}

void TstGridUi::alignment() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"WW"}});
    g.SetColWidths(0, 200);
    g.SetColor(clWhite);
    QVERIFY(w.show());
    const auto inkColumns = [&]() {
        const QImage img = g.viewport()->grab().toImage();
        const QRect rc = g.CellRect(0, 1).toQRect();
        int first = -1;
        int last = -1;
        for (int x = rc.left(); x <= rc.right(); ++x) {
            for (int y = rc.top(); y <= rc.bottom(); ++y) {
                if (img.pixelColor(x, y).lightness() < 128) {
                    if (first < 0)
                        first = x - rc.left();
                    last = x - rc.left();
                    break;
                }
            }
        }
        return std::pair{first, last};
    };
    g.GoToCell(0, 1);
    g.SetRowSelected(1, false);
    g.SetAlignmentHorz(taLeftJustify);
    const auto left = inkColumns();
    QVERIFY(left.first >= 0 && left.first < 10);
    g.SetAlignmentHorz(taRightJustify);
    const auto right = inkColumns();
    QVERIFY(right.second > 180);
    g.SetAlignmentHorz(taCenter);
    const auto center = inkColumns();
    QVERIFY(std::abs((center.first + center.second) / 2 - 100) < 6);
}

void TstGridUi::noDefaultDrawing() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"b", "a"}, {"1", "2"}});
    g.SetDefaultDrawing(false);
    g.SetSortSymbol(sgArrow);
    g.SetSortColumn(1);
    g.SetBevelStyle(cbRaised);
    for (int r : std::vector<int>(g.SelectedRows()))
        g.SetRowSelected(r, false);
    g.SetRowSelected(2, true);
    int formats = 0;
    QList<QPair<int, unsigned>> drawn;
    g.OnGetCellFormat = [&formats](TFajny*, int, int, TGridDrawState, TFormatOptions&) {
        ++formats;
    };
    g.OnDrawCell = [&drawn](TStringGrid*, int c, int r, const TRect&, TGridDrawState s) {
        if (c == 1)
            drawn << qMakePair(r, s & gdSelected);
    };
    QVERIFY(w.show());
    const QImage img = g.viewport()->grab().toImage();
    QVERIFY(formats >= 6);
    // The derived state: selected follows the grid's own row selection.
    QVERIFY(drawn.contains(qMakePair(2, unsigned(gdSelected))));
    QVERIFY(drawn.contains(qMakePair(1, 0u)));
    const QRect rc = g.CellRect(1, 0).toQRect();
    int grey = 0;
    for (int x = rc.left(); x <= rc.right(); ++x)
        for (int y = rc.top(); y <= rc.bottom(); ++y)
            grey += img.pixelColor(x, y) == QColor(128, 128, 128) ? 1 : 0;
    QVERIFY(grey < 30); // no symbol
}

// A click in the track pages by the rows fully in view: the row after the last one shown
// comes to the top, proportional thumb or not.
void TstGridUi::scrollBarPageSizes() {
    Window w;
    TFajny& g = *w.grid;
    g.SetScrollBars(TScrollStyle::Vertical);
    g.SetColCount(3);
    g.SetRowCount(200);
    g.SetFixedRows(1);
    QVERIFY(w.show());
    QScrollBar* bar = g.verticalScrollBar();
    for (const bool proportional : {true, false}) {
        g.SetProportionalScrollBars(proportional);
        g.SetTopRow(1);
        const int visible = g.VisibleRowCount();
        QVERIFY(visible > 2);
        QCOMPARE(bar->pageStep(), visible);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(g.TopRow(), 1 + visible);
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(g.TopRow(), 1);
    }
    // Resizing keeps it in step.
    w.top.resize(500, 600);
    QCoreApplication::processEvents();
    QVERIFY(g.VisibleRowCount() > 0);
    QCOMPARE(bar->pageStep(), g.VisibleRowCount());
}

void TstGridUi::notifications() {
    TFajny g;
    QStringList log;
    g.OnSizeChanged = [&log](TFajny*, int oc, int orr) {
        log << QStringLiteral("size %1 %2").arg(oc).arg(orr);
    };
    g.OnColumnWidthsChanged = [&log](TFajny*) { log << QStringLiteral("widths"); };
    g.OnRowHeightsChanged = [&log](TFajny*) { log << QStringLiteral("heights"); };
    g.OnMouseEnter = [&log](TFajny*) { log << QStringLiteral("enter"); };
    g.OnMouseLeave = [&log](TFajny*) { log << QStringLiteral("leave"); };
    const int oldCols = g.ColCount();
    const int oldRows = g.RowCount();
    g.SetColCount(oldCols + 2);
    QVERIFY(log.contains(QStringLiteral("size %1 %2").arg(oldCols).arg(oldRows)));
    g.SetColWidths(0, 99);
    QVERIFY(log.contains(QStringLiteral("widths")));
    g.SetRowHeights(0, 33);
    QVERIFY(log.contains(QStringLiteral("heights")));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&g, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&g, &leave);
    QVERIFY(log.contains(QStringLiteral("enter")));
    QVERIFY(log.contains(QStringLiteral("leave")));
}

void TstGridUi::accessibleTable() {
    Window w;
    TFajny& g = *w.grid;
    FillColumns(g, {{"Anna", "Ewa"}, {"Nowak", "Kos"}});
    g.SetCells(0, 0, QStringLiteral(" Imię "));
    g.SetCells(1, 0, QStringLiteral(" Nazwisko "));
    QVERIFY(w.show());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&g);
    QVERIFY(iface != nullptr);
    QAccessibleTableInterface* table = iface->tableInterface();
    if (table == nullptr) {
        // The table may hang off the viewport.
        iface = QAccessible::queryAccessibleInterface(g.viewport());
        QVERIFY(iface != nullptr);
        table = iface->tableInterface();
    }
    QVERIFY(table != nullptr);
    QCOMPARE(table->columnCount(), 2);
    QCOMPARE(table->rowCount(), 2); // the title row gives the headers
    QCOMPARE(table->columnDescription(1).trimmed(), QStringLiteral("Nazwisko"));
    QAccessibleInterface* cell = table->cellAt(1, 1); // row, column
    QVERIFY(cell != nullptr);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("Kos"));
    // After a sort the table reads the new order.
    g.SortByColumn(1, {});
    cell = table->cellAt(0, 1);
    QVERIFY(cell != nullptr);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("Kos"));
}

QTEST_MAIN(TstGridUi)
#include "tst_gridui.moc"
