#pragma once

#include "platform/canvas/Canvas.h"
#include "platform/core/Colors.h"
#include "platform/core/Geometry.h"

#include <QtGui/QCursor>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include <functional>

class QMenu;

namespace movra {

// Cursor ids as the preview's options name them: the default arrow and the two hands used for
// dragging the sheet.
inline constexpr int crDefault = 0;
inline constexpr int crHand = 10;
inline constexpr int crGrab = 11;

// The cursor for an id (unknown ids give the arrow).
[[nodiscard]] QCursor CursorForId(int id);

// A drawing buffer larger than this many device pixels is not made: such a sheet (an extreme
// zoom of a large paper) would take gigabytes, so the view reports its buffer as not valid and
// the preview goes back to a workable zoom. 64 megapixels are 256 MB of pixels, far above any
// screen (an 8K screen has 33 megapixels).
inline constexpr qint64 MaxPaperBufferPixels = 64LL * 1024 * 1024;

class TPaperPreview;

using TNotifyEvent = std::function<void(QObject* Sender)>;
// Button is the button that changed (NoButton for moves); X, Y in the sender's coordinates.
using TMouseEvent =
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                       Qt::MouseButtons Buttons, int X, int Y)>;
using TPaperPaintEvent =
    std::function<void(TPaperPreview* Sender, TCanvas& Canvas, const TRect& PageRect)>;

// One sheet of paper: the paper area with a border line and a drop shadow on the right and
// bottom. The sheet is kept in a buffer the size of the view, so moving or uncovering it costs a
// copy; the content is painted again (through OnPaint) only after Invalidate, the frame only
// after a size or colour change.
class TPaperPreview : public QWidget {
    Q_OBJECT
public:
    explicit TPaperPreview(QWidget* parent = nullptr);
    ~TPaperPreview() override;

    [[nodiscard]] TColor PaperColor() const { return m_paperColor; }
    void SetPaperColor(TColor c);
    [[nodiscard]] TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor c);
    [[nodiscard]] TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor c);
    [[nodiscard]] int BorderSize() const { return m_borderSize; }
    void SetBorderSize(int v);
    [[nodiscard]] int ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(int v);

    // The paper area; setting one sizes the view around it.
    [[nodiscard]] int PaperWidth() const;
    void SetPaperWidth(int v);
    [[nodiscard]] int PaperHeight() const;
    void SetPaperHeight(int v);

    // The view's own colour: the two corners the offset shadow leaves free. It follows the
    // parent's colour while ParentColor is on.
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor c);
    [[nodiscard]] bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool v) { m_parentColor = v; }

    [[nodiscard]] int CursorId() const { return m_cursorId; }
    void SetCursorId(int id);
    [[nodiscard]] QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* m) { m_popupMenu = m; }

    // False while the buffer could not be given the view's size; nothing is painted then.
    [[nodiscard]] bool BufferValid();

    // Every repaint request repaints the content.
    void Invalidate();

    virtual void DrawPageBorder();
    [[nodiscard]] virtual TRect GetPageRect() const;

    TPaperPaintEvent OnPaint;
    TNotifyEvent OnResize;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void ResizeBuffer();
    void SetFrameSize(int paperWidth, int paperHeight);

    TColor m_paperColor = clWhite;
    TColor m_borderColor = clBlack;
    TColor m_shadowColor = clBtnShadow;
    int m_borderSize = 1;
    int m_shadowSize = 3;
    TColor m_color = clBtnFace;
    bool m_parentColor = true;
    int m_cursorId = crDefault;
    QMenu* m_popupMenu = nullptr;

    QImage m_buffer;
    QSize m_bufferFor{-1, -1}; // the view size the buffer was last made for
    qreal m_bufferRatio = 0;
    bool m_bufferValid = false;
    bool m_frameDrawn = false;
    bool m_pageDrawn = false;
    bool m_pressedInside = false;
};

// The look of the paper and the cursors over it, as the preview's user sets them. Each setter
// reports a change of value through OnChange.
class TPaperPreviewOptions {
public:
    [[nodiscard]] TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor v);
    [[nodiscard]] int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int v);
    [[nodiscard]] int Cursor() const { return m_cursor; }
    void SetCursor(int v);
    [[nodiscard]] int DragCursor() const { return m_dragCursor; }
    void SetDragCursor(int v);
    [[nodiscard]] int GrabCursor() const { return m_grabCursor; }
    void SetGrabCursor(int v);
    [[nodiscard]] TColor PaperColor() const { return m_paperColor; }
    void SetPaperColor(TColor v);
    [[nodiscard]] QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* v);
    [[nodiscard]] TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor v);
    [[nodiscard]] int ShadowWidth() const { return m_shadowWidth; }
    void SetShadowWidth(int v);

    // Copies every value through the setters (so each change is reported).
    void Assign(const TPaperPreviewOptions& source);
    // Gives a paper view the look and the resting cursor (the hands are set while dragging).
    void AssignTo(TPaperPreview& view) const;
    void AssignTo(TPaperPreviewOptions& dest) const { dest.Assign(*this); }

    std::function<void(TPaperPreviewOptions* Sender)> OnChange;

private:
    void Changed();

    TColor m_borderColor = clBlack;
    int m_borderWidth = 1;
    int m_cursor = crDefault;
    int m_dragCursor = crHand;
    int m_grabCursor = crGrab;
    TColor m_paperColor = clWhite;
    QMenu* m_popupMenu = nullptr;
    TColor m_shadowColor = clBtnShadow;
    int m_shadowWidth = 3;
};

} // namespace movra
