#include "platform/canvas/TextLayout.h"

#include "platform/canvas/Canvas.h"

#include <QtGui/QFontMetrics>

#include <algorithm>

namespace movra {

namespace {

QString trimmedRight(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == QLatin1Char(' '))
        --n;
    return s.left(n);
}

void wrapParagraph(const QString& para, int width, const QFontMetrics& fm,
                   std::vector<QString>& out) {
    const qsizetype n = para.size();
    if (n == 0) {
        out.emplace_back();
        return;
    }
    qsizetype i = 0;
    bool first = true;
    while (i < n) {
        if (!first) {
            // A wrapped line does not start with the blanks it was broken at.
            while (i < n && para[i] == QLatin1Char(' '))
                ++i;
            if (i >= n)
                break;
        }
        first = false;
        const qsizetype start = i;
        qsizetype lineEnd = -1;
        qsizetype j = i;
        while (j < n) {
            qsizetype k = j;
            while (k < n && para[k] == QLatin1Char(' '))
                ++k;
            while (k < n && para[k] != QLatin1Char(' '))
                ++k;
            const int w = fm.horizontalAdvance(trimmedRight(para.mid(start, k - start)));
            if (w > width && lineEnd >= 0)
                break;
            lineEnd = k;
            j = k;
            if (w > width)
                break; // one word wider than the line stands alone
        }
        out.push_back(trimmedRight(para.mid(start, lineEnd - start)));
        i = lineEnd;
    }
}

} // namespace

TextLayout LayOutText(const QString& text, int width, unsigned flags, const QFontMetrics& fm) {
    TextLayout layout;
    if ((flags & dtSingleLine) != 0) {
        QString line = text;
        line.replace(QLatin1Char('\r'), QLatin1Char(' '));
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        layout.lines.push_back(line);
    } else {
        QString normal = text;
        normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QStringList paragraphs = normal.split(QLatin1Char('\n'));
        for (const QString& p : paragraphs) {
            if ((flags & dtWordBreak) != 0)
                wrapParagraph(p, width, fm, layout.lines);
            else
                layout.lines.push_back(p);
        }
    }
    for (const QString& l : layout.lines)
        layout.width = std::max(layout.width, fm.horizontalAdvance(l));
    return layout;
}

} // namespace movra
