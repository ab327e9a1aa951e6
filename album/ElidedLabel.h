#pragma once

#include <QtGui/QPainter>
#include <QtWidgets/QLabel>

#include <algorithm>

namespace movra {

// A label no wider than the room it has: a longer text is shown shortened in the middle ("Klasa
// 3b…1998.db3") and whole in its tooltip, while text() (what is read, stored and spoken) stays
// whole. The album's file name sits before "Rekordów:", which a long name would otherwise cover.
class TElidedLabel : public QLabel {
public:
    TElidedLabel(const QString& text, QWidget* parent, int maxWidth)
        : QLabel(text, parent), m_maxWidth(maxWidth) {}

    [[nodiscard]] QSize sizeHint() const override {
        QSize s = QLabel::sizeHint();
        s.setWidth(std::min(s.width(), m_maxWidth));
        return s;
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* e) override {
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, width());
        if (shown == text()) {
            QLabel::paintEvent(e);
            return;
        }
        QPainter p(this);
        p.setPen(palette().color(foregroundRole()));
        p.drawText(contentsRect(), static_cast<int>(alignment()), shown);
    }

private:
    int m_maxWidth;
};

} // namespace movra
