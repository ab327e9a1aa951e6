// A new user's first start: the main window centred at a comfortable size, and the empty list
// saying how to begin while no album is open.
#include "album/Unit1.h"
#include "grid/Fajny.h"

#include <QtCore/QEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QLabel>

#include <algorithm>

namespace movra {

namespace {

const QString kEmptyHint = QStringLiteral("Nowa baza: Ctrl+N, otwórz bazę: Ctrl+O");

// The hint keeps to the middle of the list's empty area below the column titles, however the
// list is resized.
class TEmptyListHint final : public QLabel {
public:
    TEmptyListHint(QWidget* area, int titleHeight)
        : QLabel(kEmptyHint, area), m_titleHeight(titleHeight) {
        setObjectName(QStringLiteral("EmptyListHint"));
        setAlignment(Qt::AlignCenter);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAccessibleName(kEmptyHint);
        area->installEventFilter(this);
        Place();
    }
    void SetTitleHeight(int h) {
        m_titleHeight = h;
        Place();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == parent() && e->type() == QEvent::Resize)
            Place();
        return QLabel::eventFilter(watched, e);
    }

private:
    void Place() {
        const QWidget* area = parentWidget();
        const int top = std::min(m_titleHeight, area->height());
        setGeometry(0, top, area->width(), std::max(0, area->height() - top));
    }
    int m_titleHeight;
};

} // namespace

void TForm1::PlaceForFirstStart() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect avail = screen->availableGeometry();
    const int width = std::min(900, avail.width() * 6 / 10);
    const int height = std::min(600, avail.height() * 6 / 10);
    QRect place(0, 0, width, height);
    place.moveCenter(avail.center());
    setGeometry(place);
}

void TForm1::UpdateEmptyHint() {
    const bool show = m_database == nullptr;
    if (!m_emptyHint && !show)
        return;
    const int titleHeight = m_g1->RowCount() > 0 ? m_g1->RowHeights(0) : 0;
    if (!m_emptyHint)
        m_emptyHint = new TEmptyListHint(m_g1->viewport(), titleHeight);
    else
        static_cast<TEmptyListHint*>(m_emptyHint)->SetTitleHeight(titleHeight);
    m_emptyHint->setVisible(show);
}

} // namespace movra
