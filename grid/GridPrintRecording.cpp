#include "grid/GridPrintRecording.h"

#include <QtCore/QStringList>

#include <algorithm>

namespace movra {

void TRecordedPage::Clear() {
    m_ops.clear();
    m_texts.clear();
    m_penPos = QPoint();
}

void TRecordedPage::KeepText(int x, int y, const QString& text) {
    // A cell's line breaks are its own layout; read aloud, they are blanks.
    QString spoken = text.simplified();
    if (!spoken.isEmpty())
        m_texts.push_back({y, x, std::move(spoken)});
}

QString TRecordedPage::Text() const {
    std::vector<const TDrawnText*> order;
    order.reserve(m_texts.size());
    for (const TDrawnText& t : m_texts)
        order.push_back(&t);
    std::stable_sort(order.begin(), order.end(), [](const TDrawnText* a, const TDrawnText* b) {
        return a->Y != b->Y ? a->Y < b->Y : a->X < b->X;
    });
    QStringList lines;
    QStringList line;
    for (std::size_t i = 0; i < order.size(); ++i) {
        line << order[i]->Text;
        if (i + 1 == order.size() || order[i + 1]->Y != order[i]->Y) {
            lines << line.join(QLatin1Char('\t'));
            line.clear();
        }
    }
    return lines.join(QLatin1Char('\n'));
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
    KeepText(x, y, text);
    Record([x, y, text](TCanvas& c) { c.TextOut(x, y, text); });
}

void TRecordedPage::TextRect(const TRect& r, int x, int y, const QString& text) {
    KeepText(x, y, text);
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
    KeepText(r.Left, r.Top, text);
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
