#pragma once

#include "platform/canvas/PainterCanvas.h"

#include <functional>
#include <vector>

namespace movra {

// A page kept as the drawing calls that made it, with the font, brush and pen of each call, so
// that it can be drawn again on another canvas (a printer's, under a mapping that stretches it
// over the printable area) as sharp as that canvas allows. Text sizes are measured as on the
// screen, like the layout's own measurements.
class TRecordedPage final : public TCanvas {
public:
    TRecordedPage() = default;
    TRecordedPage(const TRecordedPage&) = delete;
    TRecordedPage& operator=(const TRecordedPage&) = delete;
    ~TRecordedPage() override = default;

    // Forgets every call; the page is then empty.
    void Clear();
    [[nodiscard]] bool IsEmpty() const { return m_ops.empty(); }
    [[nodiscard]] std::size_t CallCount() const { return m_ops.size(); }

    // Draws the recorded calls on target, in order.
    void Play(TCanvas& target) const;
    // The texts the page draws as a reader goes through them: from the top down, one line for
    // each height a text starts at (a row of cells), its texts from left to right separated by
    // tabs. What a screen reader is given for a page that is shown as a picture.
    [[nodiscard]] QString Text() const;

    void FillRect(const TRect& r) override;
    void FrameRect(const TRect& r) override;
    void Rectangle(const TRect& r) override;
    using TCanvas::Rectangle;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    [[nodiscard]] QPoint PenPos() const override { return m_penPos; }
    void TextOut(int x, int y, const QString& text) override;
    void TextRect(const TRect& r, int x, int y, const QString& text) override;
    int DrawText(TRect& r, const QString& text, unsigned flags) override;
    [[nodiscard]] QSize TextExtent(const QString& text) override;
    void Draw(int x, int y, const QImage& img) override;
    void DrawTransparent(int x, int y, const QImage& img, TColor transparent) override;
    void StretchDraw(const TRect& r, const QImage& img) override;
    void SetClipRect(const TRect& r) override;
    void ResetClip() override;
    void SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) override;
    void ResetMapping() override;
    [[nodiscard]] int PixelsPerInchX() const override { return m_measure.PixelsPerInchX(); }
    [[nodiscard]] int PixelsPerInchY() const override { return m_measure.PixelsPerInchY(); }

private:
    using Op = std::function<void(TCanvas&)>;
    // Keeps a call together with the drawing state it was made in.
    void Record(Op op);
    void KeepText(int x, int y, const QString& text);

    struct TDrawnText {
        int Y;
        int X;
        QString Text;
    };
    std::vector<Op> m_ops;
    std::vector<TDrawnText> m_texts;

    TPainterCanvas m_measure;
    QPoint m_penPos;
};

} // namespace movra
