// Keyboard, mouse, focus and the in-place editor of TStringGrid.
//
// Order of things, which subclasses rely on:
// - A key reaches KeyDown first (navigation happens in the base version), then, if it types a
//   character and KeyDown did not consume it, KeyPress. Keys typed into the showing editor go
//   to KeyPress first (Enter '\r' and Esc 27 included) and to KeyDown only when they leave the
//   editor (Up, Down, Page Up/Down, Tab with goTabs, Left/Right at the ends of the text).
// - Setting the current cell asks SelectCell, moves, scrolls it into view, then calls Click.
//   A left press on a data cell does this at press time (also on the current cell), before
//   OnMouseDown fires; MouseUp ends sizing and moving before OnMouseUp fires.
// - DoEnter / DoExit mark focus entering or leaving the grid with its editor: moving between
//   the grid and its editor is neither.

#include "platform/gridbase/StringGrid.h"
#include "platform/gridbase/StringGridImpl.h"

#include "platform/core/ErrorBox.h"

#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>

#include <algorithm>
#include <functional>
#include <utility>

namespace movra {

namespace {

// Routes the editor's keys and focus changes through the grid.
class EditorFilter : public QObject {
public:
    EditorFilter(std::function<bool(QKeyEvent*)> onKey, std::function<void()> onFocus,
                 QObject* parent)
        : QObject(parent), m_onKey(std::move(onKey)), m_onFocus(std::move(onFocus)) {}

    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::KeyPress:
            return m_onKey(static_cast<QKeyEvent*>(e));
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            m_onFocus();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<bool(QKeyEvent*)> m_onKey;
    std::function<void()> m_onFocus;
};

constexpr int sizingSlack = 3; // pixels either side of a line that still grab it

} // namespace

// ---- current cell -----------------------------------------------------------------------

bool TStringGrid::Impl::moveCurrent(int col, int row, bool moveAnchor, bool show) {
    if (!validCell(col, row) || col < firstDataCol() || row < firstDataRow())
        return false;
    if (!q->SelectCell(col, row))
        return false;
    const bool moved = QPoint(col, row) != current;
    if (moved)
        hideEditor();
    current = QPoint(col, row);
    if (moveAnchor || (options & goRangeSelect) == 0)
        anchor = current;
    if (show)
        scrollIntoView(col, row);
    q->viewport()->update();
    if (moved && (options & goAlwaysShowEditor) != 0 && focusWithin)
        showEditor();
    notifyCurrentCell();
    return true;
}

int TStringGrid::Impl::nextVisibleRow(int from, int step) const {
    for (int r = from + step; r >= firstDataRow() && r < rowCount; r += step) {
        if (rowHeight(r) > 0)
            return r;
    }
    return from;
}

int TStringGrid::Impl::nextVisibleCol(int from, int step) const {
    for (int c = from + step; c >= firstDataCol() && c < colCount; c += step) {
        if (colWidth(c) > 0)
            return c;
    }
    return from;
}

// ---- editor -----------------------------------------------------------------------------

void TStringGrid::Impl::createEditor() {
    if (editor != nullptr)
        return;
    editor = new QLineEdit(q->viewport());
    editor->setObjectName(QStringLiteral("InplaceEditor"));
    editor->setFrame(false);
    editor->setFont(font.toQFont());
    editor->hide();
    editor->installEventFilter(new EditorFilter(
        [this](QKeyEvent* e) {
            bool consumed = true;
            guarded([&] { consumed = editorKeyPress(e); });
            return consumed;
        },
        [this] { guarded([this] { updateFocusWithin(); }); }, editor));
    QObject::connect(editor, &QLineEdit::textEdited, q, [this](const QString& text) {
        if (editorMode)
            guarded([&] { q->SetEditText(current.x(), current.y(), text); });
    });
}

bool TStringGrid::Impl::canShowEditor() const {
    return (options & goEditing) != 0 && (options & goRowSelect) == 0 && current.x() >= fixedCols &&
           current.y() >= fixedRows && validCell(current.x(), current.y());
}

void TStringGrid::Impl::showEditor() {
    if (!canShowEditor())
        return;
    createEditor();
    if (!editorMode) {
        editorMode = true;
        editorOriginal = q->Cells(current.x(), current.y());
        editor->setText(q->GetEditText(current.x(), current.y()));
        editor->selectAll();
    }
    updateEditor();
    editor->show();
    if (focusWithin)
        editor->setFocus(Qt::OtherFocusReason);
    q->viewport()->update();
}

void TStringGrid::Impl::hideEditor() {
    if (!editorMode)
        return;
    editorMode = false;
    if (editor->hasFocus())
        q->setFocus(Qt::OtherFocusReason); // before hiding, so focus stays in the grid
    editor->hide();
    q->viewport()->update();
}

void TStringGrid::Impl::updateEditor() {
    if (!editorMode || editor == nullptr)
        return;
    if (!canShowEditor()) {
        hideEditor();
        return;
    }
    const TRect r = q->CellRect(current.x(), current.y());
    editor->setFont(font.toQFont());
    editor->setGeometry(r.IsEmpty() ? QRect(0, 0, 0, 0) : r.toQRect());
}

bool TStringGrid::Impl::editorKeyPress(QKeyEvent* e) {
    if (forwardingKey)
        return false;
    bool toGrid = false;
    const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        toGrid = true;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        toGrid = (options & goTabs) != 0;
        break;
    case Qt::Key_Left:
        toGrid = editor->cursorPosition() == 0 && !editor->hasSelectedText();
        break;
    case Qt::Key_Right:
        toGrid = editor->cursorPosition() == editor->text().size() && !editor->hasSelectedText();
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        toGrid = ctrl;
        break;
    default:
        break;
    }
    if (toGrid) {
        dispatchKey(e);
        return true;
    }
    const QString text = e->text();
    if (text.isEmpty())
        return false;
    QChar ch = text.front();
    const QChar typed = ch;
    q->KeyPress(ch);
    if (ch.isNull())
        return true;
    if (ch != typed && editorMode) {
        QKeyEvent changed(QEvent::KeyPress, e->key(), e->modifiers(), QString(ch));
        forwardingKey = true;
        QCoreApplication::sendEvent(editor, &changed);
        forwardingKey = false;
        return true;
    }
    return false;
}

bool TStringGrid::EditorMode() const {
    return d->editorMode;
}

void TStringGrid::SetEditorMode(bool show) {
    if (show)
        d->showEditor();
    else
        d->hideEditor();
}

QLineEdit* TStringGrid::InplaceEditor() const {
    d->createEditor();
    return d->editor;
}

// ---- keyboard ---------------------------------------------------------------------------

void TStringGrid::Impl::dispatchKey(QKeyEvent* e) {
    int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers();
    bool used = false;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_F2:
        used = true;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        used = (options & goTabs) != 0;
        break;
    default:
        break;
    }
    q->KeyDown(key, mods);
    if (key == 0) {
        e->accept();
        return;
    }
    const QString text = e->text();
    if (!text.isEmpty() && key != Qt::Key_Tab && key != Qt::Key_Backtab) {
        QChar ch = text.front();
        const QChar typed = ch;
        const bool wasEditing = editorMode;
        q->KeyPress(ch);
        if (ch.isNull()) {
            used = true;
        } else if (!wasEditing && editorMode && editor != nullptr) {
            // The character that opened the editor is its first keystroke (replacing the text).
            QKeyEvent again(QEvent::KeyPress, e->key(), mods, ch == typed ? text : QString(ch));
            forwardingKey = true;
            QCoreApplication::sendEvent(editor, &again);
            forwardingKey = false;
            used = true;
        }
    }
    e->setAccepted(used);
}

bool TStringGrid::Impl::guarded(const std::function<void()>& work) {
    if (RunCommand(q, work))
        return true;
    autoScroll->stop();
    state = TGridState::Normal;
    movePending = false;
    sizeIndex = -1;
    q->viewport()->unsetCursor();
    q->viewport()->update();
    return false;
}

void TStringGrid::keyPressEvent(QKeyEvent* e) {
    if (!d->guarded([&] { d->dispatchKey(e); }))
        e->accept();
}

void TStringGrid::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    const bool ctrl = (shift & Qt::ControlModifier) != 0;
    const bool rowSelect = (d->options & goRowSelect) != 0;
    int col = d->current.x();
    int row = d->current.y();
    int newTop = -1;
    bool extend = (shift & Qt::ShiftModifier) != 0 && (d->options & goRangeSelect) != 0;
    auto firstRow = [this] { return d->nextVisibleRow(d->fixedRows - 1, 1); };
    auto lastRow = [this] { return d->nextVisibleRow(d->rowCount, -1); };
    auto firstCol = [this] { return d->nextVisibleCol(d->fixedCols - 1, 1); };
    auto lastCol = [this] { return d->nextVisibleCol(d->colCount, -1); };
    switch (key) {
    case Qt::Key_Up:
        row = d->nextVisibleRow(row, -1);
        break;
    case Qt::Key_Down:
        row = d->nextVisibleRow(row, 1);
        break;
    case Qt::Key_Left:
        if (rowSelect) {
            d->setTopLeft(d->nextVisibleCol(d->leftCol, -1), d->topRow);
            return;
        }
        col = d->nextVisibleCol(col, -1);
        break;
    case Qt::Key_Right:
        if (rowSelect) {
            d->setTopLeft(
                std::min(d->nextVisibleCol(d->leftCol, 1), std::max(d->maxLeft, d->fixedCols)),
                d->topRow);
            return;
        }
        col = d->nextVisibleCol(col, 1);
        break;
    case Qt::Key_PageUp: {
        const int page = std::max(1, VisibleRowCount());
        row = std::max(d->firstDataRow(), row - page);
        newTop = std::max(d->firstDataRow(), d->topRow - page);
        break;
    }
    case Qt::Key_PageDown: {
        const int page = std::max(1, VisibleRowCount());
        row = std::min(d->rowCount - 1, row + page);
        newTop = std::min(std::max(d->maxTop, d->firstDataRow()), d->topRow + page);
        break;
    }
    case Qt::Key_Home:
        if (ctrl || rowSelect)
            row = firstRow();
        if (!rowSelect)
            col = firstCol();
        break;
    case Qt::Key_End:
        if (ctrl || rowSelect)
            row = lastRow();
        if (!rowSelect)
            col = lastCol();
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if ((d->options & goTabs) == 0)
            return;
        extend = false;
        const int step = key == Qt::Key_Backtab || (shift & Qt::ShiftModifier) != 0 ? -1 : 1;
        if (rowSelect) {
            row = d->nextVisibleRow(row, step);
        } else {
            const int next = d->nextVisibleCol(col, step);
            if (next != col) {
                col = next;
            } else {
                const int nextRow = d->nextVisibleRow(row, step);
                if (nextRow != row) {
                    row = nextRow;
                    col = step > 0 ? firstCol() : lastCol();
                }
            }
        }
        break;
    }
    case Qt::Key_F2:
        d->showEditor();
        return;
    default:
        return;
    }
    if (newTop >= 0)
        d->setTopLeft(d->leftCol, newTop);
    if (col != d->current.x() || row != d->current.y())
        FocusCell(col, row, !extend);
}

void TStringGrid::KeyPress(QChar& key) {
    if (key == QLatin1Char('\r') || key == QLatin1Char('\n')) {
        if ((d->options & goAlwaysShowEditor) == 0) {
            if (d->editorMode)
                d->hideEditor();
            else
                d->showEditor();
            key = QChar();
        }
        return;
    }
    if (key == QChar(27)) {
        if (d->editorMode) {
            // Esc gives the cell back the text it had when editing began.
            if (Cells(d->current.x(), d->current.y()) != d->editorOriginal)
                SetEditText(d->current.x(), d->current.y(), d->editorOriginal);
            d->editor->setText(d->editorOriginal);
            d->editor->selectAll();
            if ((d->options & goAlwaysShowEditor) == 0)
                d->hideEditor();
            key = QChar();
        }
        return;
    }
    if (!d->editorMode && key.isPrint() && d->canShowEditor())
        d->showEditor();
}

bool TStringGrid::focusNextPrevChild(bool next) {
    if ((d->options & goTabs) != 0)
        return false; // Tab moves between cells
    return QAbstractScrollArea::focusNextPrevChild(next);
}

// ---- focus ------------------------------------------------------------------------------

void TStringGrid::Impl::updateFocusWithin() {
    const QWidget* f = QApplication::focusWidget();
    const bool now = f != nullptr && (f == q || q->isAncestorOf(f));
    if (now == focusWithin)
        return;
    // Another window becoming active takes no focus from the grid's own window: the grid is
    // still its window's focus and gets the keys again when the window comes back.
    if (!now && (f == nullptr || f->window() != q->window()))
        return;
    focusWithin = now;
    q->viewport()->update();
    if (now) {
        q->DoEnter();
        if ((options & goAlwaysShowEditor) != 0 && !editorMode)
            showEditor();
    } else {
        q->DoExit();
    }
    notifyCurrentCell();
}

void TStringGrid::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    d->guarded([this] { d->updateFocusWithin(); });
    // Coming back to a grid whose editor is open means coming back to the editor.
    if (d->editorMode && d->editor != nullptr)
        d->editor->setFocus(e->reason());
}

void TStringGrid::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    d->guarded([this] { d->updateFocusWithin(); });
}

// ---- mouse ------------------------------------------------------------------------------

int TStringGrid::Impl::colSizingHit(int x, int y) const {
    if ((options & goColSizing) == 0 || fixedRows == 0 || y < 0 || y >= fixedHeight())
        return -1;
    int best = -1;
    int bestDistance = sizingSlack + 1;
    for (const auto& s : visibleCols()) {
        const int line = s.start + s.size;
        const int distance = x < line ? line - x : std::max(0, x - (line + vLine() - 1));
        if (distance <= sizingSlack && distance <= bestDistance) {
            best = s.index;
            bestDistance = distance;
        }
    }
    return best;
}

int TStringGrid::Impl::rowSizingHit(int x, int y) const {
    if ((options & goRowSizing) == 0 || fixedCols == 0 || x < 0 || x >= fixedWidth())
        return -1;
    int best = -1;
    int bestDistance = sizingSlack + 1;
    for (const auto& s : visibleRows()) {
        const int line = s.start + s.size;
        const int distance = y < line ? line - y : std::max(0, y - (line + hLine() - 1));
        if (distance <= sizingSlack && distance <= bestDistance) {
            best = s.index;
            bestDistance = distance;
        }
    }
    return best;
}

void TStringGrid::Impl::autoScrollStep() {
    if (state != TGridState::Selecting) { // the release ends selecting
        autoScroll->stop();
        return;
    }
    int row = current.y();
    if (lastMousePos.y() >= viewHeight())
        row = nextVisibleRow(std::max(lastFullyVisibleRow(), current.y()), 1);
    else if (lastMousePos.y() < fixedHeight() && topRow > fixedRows)
        row = nextVisibleRow(std::min(topRow, current.y()), -1);
    else
        autoScroll->stop();
    if (row != current.y())
        q->FocusCell(current.x(), row, (options & goRangeSelect) == 0);
}

void TStringGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    if (button == Qt::LeftButton) {
        int col = -1;
        int row = -1;
        MouseToCell(x, y, col, row);
        if (d->doubleClick) {
            DblClick();
            if (col == d->current.x() && row == d->current.y())
                d->showEditor();
        } else if (const int sc = d->colSizingHit(x, y); sc >= 0) {
            d->state = TGridState::ColSizing;
            d->sizeIndex = sc;
            d->sizeStartPos = x;
            d->sizeStartSize = d->colWidth(sc);
        } else if (const int sr = d->rowSizingHit(x, y); sr >= 0) {
            d->state = TGridState::RowSizing;
            d->sizeIndex = sr;
            d->sizeStartPos = y;
            d->sizeStartSize = d->rowHeight(sr);
        } else if (col >= 0 && row >= 0) {
            if (row < d->fixedRows && col >= d->fixedCols && (d->options & goColMoving) != 0) {
                d->movePending = true;
                d->moveIsColumn = true;
                d->moveFrom = d->moveTo = col;
                d->pressPos = QPoint(x, y);
            } else if (col < d->fixedCols && row >= d->fixedRows &&
                       (d->options & goRowMoving) != 0) {
                d->movePending = true;
                d->moveIsColumn = false;
                d->moveFrom = d->moveTo = row;
                d->pressPos = QPoint(x, y);
            } else if (col >= d->fixedCols && row >= d->fixedRows) {
                d->state = TGridState::Selecting;
                const bool extend =
                    (shift & Qt::ShiftModifier) != 0 && (d->options & goRangeSelect) != 0;
                FocusCell(col, row, !extend);
            }
        }
    }
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TStringGrid::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers, int x, int y) {
    d->lastMousePos = QPoint(x, y);
    switch (d->state) {
    case TGridState::ColSizing:
        SetColWidths(d->sizeIndex, std::max(1, d->sizeStartSize + x - d->sizeStartPos));
        return;
    case TGridState::RowSizing:
        SetRowHeights(d->sizeIndex, std::max(1, d->sizeStartSize + y - d->sizeStartPos));
        return;
    case TGridState::ColMoving:
    case TGridState::RowMoving: {
        const bool column = d->state == TGridState::ColMoving;
        int col = -1;
        int row = -1;
        MouseToCell(std::clamp(x, 0, std::max(0, d->viewWidth() - 1)),
                    std::clamp(y, 0, std::max(0, d->viewHeight() - 1)), col, row);
        int target = column ? col : row;
        const int fixed = column ? d->fixedCols : d->fixedRows;
        const int count = column ? d->colCount : d->rowCount;
        if (target < 0)
            target = (column ? x : y) < 0 ? fixed : count - 1;
        target = std::clamp(target, fixed, count - 1);
        if (target != d->moveTo) {
            d->moveTo = target;
            viewport()->update();
        }
        return;
    }
    case TGridState::Selecting: {
        if ((buttons & Qt::LeftButton) == 0)
            return;
        if (y >= d->viewHeight() || (y < d->fixedHeight() && d->topRow > d->fixedRows)) {
            if (!d->autoScroll->isActive()) {
                d->autoScroll->start();
                d->autoScrollStep();
            }
            return;
        }
        d->autoScroll->stop();
        int col = -1;
        int row = -1;
        MouseToCell(x, y, col, row);
        if ((d->options & goRowSelect) != 0)
            col = d->current.x();
        if (col >= d->fixedCols && row >= d->fixedRows &&
            (col != d->current.x() || row != d->current.y()))
            FocusCell(col, row, (d->options & goRangeSelect) == 0);
        return;
    }
    case TGridState::Normal:
        break;
    }
    if (d->movePending && (buttons & Qt::LeftButton) != 0 &&
        (QPoint(x, y) - d->pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        d->movePending = false;
        d->state = d->moveIsColumn ? TGridState::ColMoving : TGridState::RowMoving;
        viewport()->setCursor(Qt::ClosedHandCursor);
        viewport()->update();
        return;
    }
    if (buttons == Qt::NoButton) {
        if (d->colSizingHit(x, y) >= 0)
            viewport()->setCursor(Qt::SplitHCursor);
        else if (d->rowSizingHit(x, y) >= 0)
            viewport()->setCursor(Qt::SplitVCursor);
        else
            viewport()->unsetCursor();
    }
}

void TStringGrid::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    d->autoScroll->stop();
    const TGridState was = d->state;
    d->movePending = false;
    if (was == TGridState::ColMoving || was == TGridState::RowMoving) {
        viewport()->unsetCursor();
        const int from = d->moveFrom;
        const int to = d->moveTo;
        d->state = TGridState::Normal;
        if (from != to) {
            if (was == TGridState::ColMoving)
                MoveColumn(from, to);
            else
                MoveRow(from, to);
        }
        viewport()->update();
    }
    d->state = TGridState::Normal;
    d->sizeIndex = -1;
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TStringGrid::mousePressEvent(QMouseEvent* e) {
    d->doubleClick = false;
    const QPoint p = e->position().toPoint();
    d->guarded([&] { MouseDown(e->button(), e->modifiers(), p.x(), p.y()); });
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    d->doubleClick = true;
    const QPoint p = e->position().toPoint();
    d->guarded([&] { MouseDown(e->button(), e->modifiers(), p.x(), p.y()); });
    d->doubleClick = false;
}

void TStringGrid::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    d->guarded([&] { MouseMove(e->buttons(), e->modifiers(), p.x(), p.y()); });
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    d->guarded([&] { MouseUp(e->button(), e->modifiers(), p.x(), p.y()); });
}

void TStringGrid::enterEvent(QEnterEvent* e) {
    QAbstractScrollArea::enterEvent(e);
    d->guarded([this] { MouseEnter(); });
}

void TStringGrid::leaveEvent(QEvent* e) {
    QAbstractScrollArea::leaveEvent(e);
    d->guarded([this] { MouseLeave(); });
}

bool TStringGrid::viewportEvent(QEvent* e) {
    return QAbstractScrollArea::viewportEvent(e);
}

} // namespace movra
