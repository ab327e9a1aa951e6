// Validating edited cells, fitting sizes to the texts, and delimited text files.

#include "grid/Fajny.h"

#include "platform/core/ErrorBox.h"
#include "platform/core/SafeFile.h"
#include "platform/text/Cp1250.h"

#include <QtCore/QFile>
#include <QtCore/QSignalBlocker>
#include <QtWidgets/QLineEdit>

#include <algorithm>

namespace movra {

// ---- validation ------------------------------------------------------------------------------

void TFajny::RememberCurrentCell() {
    m_rememberedCol = Col();
    m_rememberedRow = Row();
    m_rememberedText = Cells(m_rememberedCol, m_rememberedRow);
}

namespace {

// Where index i stands after the line at from moved to to.
int AfterMove(int i, int from, int to) {
    if (i == from)
        return to;
    if (from < to && i > from && i <= to)
        return i - 1;
    if (to < from && i >= to && i < from)
        return i + 1;
    return i;
}

} // namespace

void TFajny::RememberedRowMoved(int from, int to) {
    m_rememberedRow = AfterMove(m_rememberedRow, from, to);
}

void TFajny::RememberedColMoved(int from, int to) {
    m_rememberedCol = AfterMove(m_rememberedCol, from, to);
}

void TFajny::RememberedRowsPermuted(int first, const std::vector<int>& perm) {
    for (std::size_t i = 0; i < perm.size(); ++i) {
        if (perm[i] == m_rememberedRow) {
            m_rememberedRow = first + static_cast<int>(i);
            return;
        }
    }
}

void TFajny::ValidateCurrentCell() {
    const int col = m_rememberedCol;
    const int row = m_rememberedRow;
    const QString now = Cells(col, row);
    if (now != m_rememberedText) {
        QString value = now;
        bool valid = true;
        if (OnCellValidate)
            OnCellValidate(this, col, row, value, valid);
        QString result = now;
        if (value != now)
            result = value; // accepted with a correction, or replaced
        else if (!valid)
            result = m_rememberedText; // rejected: the remembered text comes back
        if (result != now) {
            SetCells(col, row, result);
            // An editor still open on the cell must not write the refused text back.
            if (EditorMode() && Col() == col && Row() == row) {
                if (QLineEdit* editor = InplaceEditor()) {
                    const QSignalBlocker block(editor);
                    editor->setText(result);
                }
            }
        }
    }
    RememberCurrentCell();
}

// ---- sizes -----------------------------------------------------------------------------------

void TFajny::AutoSizeColumn(int col) {
    if (col < 0 || col >= ColCount())
        return;
    TCanvas& cv = Canvas();
    cv.Font = Font();
    const TGridRect sel = Selection();
    int widest = 0;
    for (int r = 0; r < RowCount(); ++r) {
        TFormatOptions f;
        PrepareCellFormat(col, r, f);
        if (OnGetCellFormat) {
            TGridDrawState state = 0;
            if (r < FixedRows() || col < FixedCols())
                state |= gdFixed;
            if (hasFocus() && col == Col() && r == Row())
                state |= gdFocused;
            if (col >= sel.Left && col <= sel.Right && r >= sel.Top && r <= sel.Bottom)
                state |= gdSelected;
            OnGetCellFormat(this, col, r, state, f);
        }
        widest = std::max(widest, cv.TextWidth(Cells(col, r)));
    }
    SetColWidths(col, cv.TextWidth(QStringLiteral("x")) + widest);
}

void TFajny::AutoSizeColumns(bool includeFixed, int extra) {
    const auto fit = [this, extra](int c) {
        AutoSizeColumn(c);
        // An extra of any size is added in 64 bits; the grid keeps at most its widest column.
        if (extra != 0)
            SetColWidths(c, static_cast<int>(std::clamp<qint64>(qint64(ColWidths(c)) + extra, 0,
                                                                kMaxGridCellSize)));
    };
    if (includeFixed) {
        for (int c = 0; c < FixedCols(); ++c)
            fit(c);
    }
    for (int c = FixedCols(); c < ColCount(); ++c)
        fit(c);
}

void TFajny::FitRowHeight(int row) {
    if (row < 0 || row >= RowCount())
        return;
    TCanvas& cv = Canvas();
    int h = DefaultRowHeight();
    for (int c = 0; c < ColCount(); ++c) {
        TRect r(0, 0, ColWidths(c), 0);
        cv.DrawText(r, Cells(c, row), dtCalcRect | dtWordBreak | dtNoPrefix);
        h = std::max(h, r.Bottom - r.Top + 1);
    }
    if (m_hidden.Find(rcRow, row) != nullptr) {
        // Still hidden: the new height waits in the record for ShowRows.
        m_hidden.RemoveLast(rcRow, row);
        m_hidden.Append(rcRow, row, h);
    } else {
        SetRowHeights(row, h);
    }
}

void TFajny::FitRowHeights(int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, RowCount() - 1);
    for (int r = from; r <= to; ++r)
        FitRowHeight(r);
}

void TFajny::FitVisibleRowHeights(int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, RowCount() - 1);
    for (int r = from; r <= to; ++r) {
        if (RowHeights(r) != 0)
            FitRowHeight(r);
    }
}

void TFajny::FitHiddenRowHeights(int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, RowCount() - 1);
    for (int r = from; r <= to; ++r) {
        if (RowHeights(r) == 0)
            FitRowHeight(r);
    }
}

// ---- text files ------------------------------------------------------------------------------

void TFajny::LoadFromTextFile(const QString& fileName, QChar separator) {
    // The whole file is read before anything changes, so a file that cannot be read leaves the
    // grid as it was.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EMovraError(QStringLiteral("Nie można otworzyć pliku \"%1\" do odczytu (%2).")
                              .arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EMovraError(
            QStringLiteral("Błąd odczytu pliku \"%1\" (%2).").arg(fileName, file.errorString()));
    const QString text = FromCp1250(std::string_view(bytes.constData(), bytes.size()));

    // Lines end at CR LF, LF or CR; a break at the very end starts no further line.
    std::vector<QStringList> lines;
    int widest = 0;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        QStringList fields = text.sliced(start, end - start).split(separator, Qt::KeepEmptyParts);
        widest = std::max(widest, static_cast<int>(fields.size()));
        lines.push_back(std::move(fields));
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }

    ClearRows();
    // An empty file leaves one empty row: a grid always has at least one.
    SetRowCount(std::max<int>(1, static_cast<int>(lines.size())));
    SetColCount(std::max(FixedCols() + 1, widest));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i)
        SetRows(i, lines[static_cast<std::size_t>(i)]);
    // Loaded texts are no edit of the user's.
    RememberCurrentCell();
}

void TFajny::SaveToTextFile(const QString& fileName, QChar separator) {
    QString text;
    const int cols = ColCount();
    for (int r = 0; r < RowCount(); ++r) {
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                text += separator;
            text += Cells(c, r);
        }
        text += QStringLiteral("\r\n");
    }
    std::string bytes;
    try {
        bytes = ToCp1250OrThrow(text);
    } catch (const EMovraError& e) {
        throw EMovraError(
            QStringLiteral("Nie można zapisać pliku \"%1\": %2").arg(fileName, e.Message()));
    }
    // Complete and synced on disk before it replaces the old file, so a failed write (a full
    // disk) loses nothing.
    WriteFileAtomically(fileName, bytes);
}

} // namespace movra
