#include "grid/GridPrintRecording.h"

namespace movra {

void TRecordedPage::Clear() {
    m_ops.clear();
    m_penPos = QPoint();
}

void TRecordedPage::Play(TCanvas& target) const {
    for (const Op& op : m_ops)
        op(target);
}

void TRecordedPage::Record(Op op) {
    m_ops.push_back([font = Font, brush = Brush, pen = Pen, op = std::move(op)](TCanvas& c) {
        c.Font = font;
        c.Brush = brush;
        c.Pen = pen;
        op(c);
    });
}

void TRecordedPage::FillRect(const TRect& r) {
    Record([r](TCanvas& c) { c.FillRect(r); });
}

void TRecordedPage::FrameRect(const TRect& r) {
    Record([r](TCanvas& c) { c.FrameRect(r); });
}

void TRecordedPage::Rectangle(const TRect& r) {
    Record([r](TCanvas& c) { c.Rectangle(r); });
}

void TRecordedPage::MoveTo(int x, int y) {
    m_penPos = QPoint(x, y);
    Record([x, y](TCanvas& c) { c.MoveTo(x, y); });
}

void TRecordedPage::LineTo(int x, int y) {
    m_penPos = QPoint(x, y);
    Record([x, y](TCanvas& c) { c.LineTo(x, y); });
}

void TRecordedPage::TextOut(int x, int y, const QString& text) {
    m_penPos = QPoint(x + TextExtent(text).width(), y);
    Record([x, y, text](TCanvas& c) { c.TextOut(x, y, text); });
}

void TRecordedPage::TextRect(const TRect& r, int x, int y, const QString& text) {
    Record([r, x, y, text](TCanvas& c) { c.TextRect(r, x, y, text); });
}

int TRecordedPage::DrawText(TRect& r, const QString& text, unsigned flags) {
    m_measure.Font = Font;
    TRect measured = r;
    const int height = m_measure.DrawText(measured, text, flags | dtCalcRect);
    if ((flags & dtCalcRect) != 0) {
        r = measured;
        return height;
    }
    Record([r, text, flags](TCanvas& c) {
        TRect place = r;
        c.DrawText(place, text, flags);
    });
    return height;
}

QSize TRecordedPage::TextExtent(const QString& text) {
    m_measure.Font = Font;
    return m_measure.TextExtent(text);
}

void TRecordedPage::Draw(int x, int y, const QImage& img) {
    Record([x, y, img](TCanvas& c) { c.Draw(x, y, img); });
}

void TRecordedPage::DrawTransparent(int x, int y, const QImage& img, TColor transparent) {
    Record([x, y, img, transparent](TCanvas& c) { c.DrawTransparent(x, y, img, transparent); });
}

void TRecordedPage::StretchDraw(const TRect& r, const QImage& img) {
    Record([r, img](TCanvas& c) { c.StretchDraw(r, img); });
}

void TRecordedPage::SetClipRect(const TRect& r) {
    Record([r](TCanvas& c) { c.SetClipRect(r); });
}

void TRecordedPage::ResetClip() {
    Record([](TCanvas& c) { c.ResetClip(); });
}

void TRecordedPage::SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) {
    Record([=](TCanvas& c) { c.SetMapping(windowExt, viewportExt, viewportOrigin); });
}

void TRecordedPage::ResetMapping() {
    Record([](TCanvas& c) { c.ResetMapping(); });
}

} // namespace movra
