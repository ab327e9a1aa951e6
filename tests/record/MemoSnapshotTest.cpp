#include "record/MemoSnapshot.h"
#include "platform/core/Colors.h"

#include <QtGui/QPainter>
#include <QtTest/QTest>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QScrollBar>

using namespace movra;

namespace {

// Counts the show events a widget receives.
class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

int countNear(const QImage& img, const QColor& c, int tolerance, QRect area = QRect()) {
    if (area.isNull())
        area = img.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) <= tolerance &&
                std::abs(p.green() - c.green()) <= tolerance &&
                std::abs(p.blue() - c.blue()) <= tolerance)
                ++n;
        }
    return n;
}

// A memo as the record window has one: 388 x 198, bold, a field colour of its own.
void makeSource(QPlainTextEdit& m, const QColor& text, const QColor& field) {
    m.resize(388, 198);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setBold(true);
    m.setFont(f);
    QPalette p = m.palette();
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Base, field);
    m.setPalette(p);
    m.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QString manyLines(int n) {
    QStringList lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringLiteral("Linia numer %1 – żółw").arg(i);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class MemoSnapshotTest : public QObject {
    Q_OBJECT

private slots:
    void builtAsDesigned() {
        TForm111 f111;
        TForm222 f222;
        QCOMPARE(f111.windowTitle(), QStringLiteral("Form111"));
        QCOMPARE(f222.windowTitle(), QStringLiteral("Form222"));
        QCOMPARE(f111.Memo()->objectName(), QStringLiteral("Memo111"));
        QCOMPARE(f222.Memo()->objectName(), QStringLiteral("Memo222"));
        QVERIFY(!f111.isVisible());
        QCOMPARE(f111.Memo()->geometry(), QRect(0, 0, 370, 150));
        QCOMPARE(f111.size(), QSize(370, 150));
        QCOMPARE(f111.Memo()->frameShape(), QFrame::NoFrame);
        QCOMPARE(f111.Memo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(f111.Memo()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(f111.Memo()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(f111.font().family(), QStringLiteral("Arial"));
        QCOMPARE(f111.font().pixelSize(), 13);
        QVERIFY(f111.font().bold());
    }

    void pictureOfTheSourceNeverShown() {
        QPlainTextEdit source;
        makeSource(source, QColor(200, 0, 0), QColor(255, 255, 0));
        source.setPlainText(QStringLiteral("Mieszka w Krakowie\nul. Długa 5"));
        TForm111 window;
        ShowCounter counter;
        window.installEventFilter(&counter);
        const QImage picture = window.Snapshot(source);
        QCOMPARE(picture.size(), QSize(388, 198));
        QCOMPARE(window.Memo()->size(), QSize(388, 198));
        QCOMPARE(window.Memo()->font(), source.font());
        QCOMPARE(window.Memo()->toPlainText(), source.toPlainText());
        QVERIFY(!window.isVisible());
        QCOMPARE(counter.shows, 0);

        // The text in its colour.
        QVERIFY2(countNear(picture, QColor(200, 0, 0), 40) > 50, "no red text in the picture");
        // On the window's background, not the field colour.
        const QColor background = window.palette().color(QPalette::Window);
        QCOMPARE(background, ToQColor(clWindow));
        QCOMPARE(picture.pixelColor(picture.width() - 1, picture.height() - 1), background);
        QCOMPARE(picture.pixelColor(0, picture.height() - 1), background);
        QCOMPARE(countNear(picture, QColor(255, 255, 0), 10), 0);

        // Another size next time.
        source.resize(200, 100);
        QCOMPARE(window.Snapshot(source).size(), QSize(200, 100));
    }

    void textFromTheFirstLineWhateverTheSourceShows() {
        QPlainTextEdit scrolled;
        makeSource(scrolled, QColor(0, 0, 0), QColor(255, 255, 255));
        scrolled.setPlainText(manyLines(60));
        scrolled.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scrolled));
        scrolled.verticalScrollBar()->setValue(scrolled.verticalScrollBar()->maximum());
        QVERIFY(scrolled.verticalScrollBar()->value() > 0);

        QPlainTextEdit fresh;
        makeSource(fresh, QColor(0, 0, 0), QColor(255, 255, 255));
        fresh.setPlainText(manyLines(60));

        QPlainTextEdit tail;
        makeSource(tail, QColor(0, 0, 0), QColor(255, 255, 255));
        tail.setPlainText(manyLines(60).section(QLatin1Char('\n'), 40));

        TForm222 window;
        const QImage fromScrolled = window.Snapshot(scrolled);
        const QImage fromFresh = window.Snapshot(fresh);
        const QImage fromTail = window.Snapshot(tail);
        QCOMPARE(fromScrolled, fromFresh);
        QVERIFY(fromScrolled != fromTail);
        // Text reaches the top and the bottom of the picture: only the lines that fit.
        QVERIFY(countNear(fromScrolled, Qt::black, 60, QRect(0, 0, 388, 20)) > 20);
        QVERIFY(countNear(fromScrolled, Qt::black, 60, QRect(0, 170, 388, 28)) > 20);
    }

    void noBreakSpacesKept() {
        QPlainTextEdit source;
        makeSource(source, QColor(0, 0, 0), QColor(255, 255, 255));
        source.setPlainText(QStringLiteral("Jan\u00A0III"));
        TForm111 window;
        (void)window.Snapshot(source);
        QCOMPARE(window.Memo()->document()->toRawText(), QStringLiteral("Jan\u00A0III"));
    }
};

QTEST_MAIN(MemoSnapshotTest)
#include "MemoSnapshotTest.moc"
