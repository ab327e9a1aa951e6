// Delimited text files (Windows-1250 bytes) and fitting sizes to texts.

#include "GridTestUtil.h"

#include "platform/core/ErrorBox.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

using namespace movra;
using namespace movra::test;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TstGridFiles : public QObject {
    Q_OBJECT
private slots:
    void saveWritesWindows1250WithCrLf();
    void roundTrip();
    void loadLineEndingsAndFields();
    void loadEmptyFile();
    void unreadableFileLeavesGrid();
    void unsavableTextLeavesFile();
    void autoSizeColumn();
    void autoSizeColumnsExtra();
    void fitRowHeights();
    void fitHiddenRowKeepsItHidden();

private:
    QTemporaryDir m_dir;
};

void TstGridFiles::saveWritesWindows1250WithCrLf() {
    TFajny g;
    g.SetColCount(2);
    g.SetRowCount(3);
    g.SetFixedRows(1);
    g.SetFixedCols(0);
    g.ModifyRow(0, QStringLiteral("Imię;Nazwisko"), QStringLiteral(";"));
    g.ModifyRow(1, QStringLiteral("Łucja;Żółć"), QStringLiteral(";"));
    g.ModifyRow(2, QStringLiteral("Ścibor;"), QStringLiteral(";"));
    const QString path = m_dir.filePath(QStringLiteral("a.txt"));
    g.SaveToTextFile(path, QLatin1Char(';'));
    const QByteArray expected = QByteArray("Imi\xea;Nazwisko\r\n"
                                           "\xa3ucja;\xaf\xf3\xb3\xe6\r\n"
                                           "\x8c"
                                           "cibor;\r\n");
    QCOMPARE(ReadAll(path), expected);
}

void TstGridFiles::roundTrip() {
    TFajny g;
    g.SetColCount(2);
    g.SetRowCount(3);
    g.SetFixedRows(1);
    g.SetFixedCols(0);
    const QStringList rows = {"Nr\tNazwa", "1\tZażółć gęślą jaźń", "2\t"};
    for (int r = 0; r < 3; ++r)
        g.ModifyRow(r, rows[r], QStringLiteral("\t"));
    const QString path = m_dir.filePath(QStringLiteral("b.txt"));
    g.SaveToTextFile(path, QLatin1Char('\t'));
    TFajny h;
    h.SetColCount(5);
    h.SetRowCount(9);
    h.SetFixedCols(1);
    h.SetCells(4, 8, QStringLiteral("stare"));
    h.LoadFromTextFile(path, QLatin1Char('\t'));
    QCOMPARE(h.RowCount(), 3);
    QCOMPARE(h.ColCount(), 2);
    for (int r = 0; r < 3; ++r)
        QCOMPARE(h.Rows(r), g.Rows(r));
}

void TstGridFiles::loadLineEndingsAndFields() {
    const QString path = m_dir.filePath(QStringLiteral("c.txt"));
    WriteAll(path, QByteArray("a;b\r\nc\nd;e;f;\r\r\n\xb3\xf3\x64\x9f"));
    TFajny g;
    g.SetColCount(9);
    g.SetFixedCols(1);
    g.SetFixedRows(0);
    g.LoadFromTextFile(path, QLatin1Char(';'));
    // Lines: "a;b", "c", "d;e;f;", "" (between CR and CR LF), "łódź".
    QCOMPARE(g.RowCount(), 5);
    QCOMPARE(g.ColCount(), 4);
    QCOMPARE(g.Rows(0), QStringList({"a", "b", "", ""}));
    QCOMPARE(g.Rows(1), QStringList({"c", "", "", ""}));
    QCOMPARE(g.Rows(2), QStringList({"d", "e", "f", ""}));
    QCOMPARE(g.Rows(3), QStringList({"", "", "", ""}));
    QCOMPARE(g.Rows(4), QStringList({"łódź", "", "", ""}));
    // ColCount is at least FixedCols + 1, even for one-field lines.
    WriteAll(path, QByteArray("x\ny\n"));
    g.SetColCount(5);
    g.SetFixedCols(2);
    g.LoadFromTextFile(path, QLatin1Char(';'));
    QCOMPARE(g.RowCount(), 2);
    QCOMPARE(g.ColCount(), 3);
    QCOMPARE(g.Rows(1), QStringList({"y", "", ""}));
}

void TstGridFiles::loadEmptyFile() {
    const QString path = m_dir.filePath(QStringLiteral("empty.txt"));
    WriteAll(path, QByteArray());
    TFajny g;
    g.SetColCount(3);
    g.SetRowCount(4);
    g.SetFixedRows(1);
    g.SetCells(1, 1, QStringLiteral("x"));
    g.LoadFromTextFile(path, QLatin1Char(';'));
    QCOMPARE(g.RowCount(), 1);
    QCOMPARE(g.Cells(0, 0), QString());
}

void TstGridFiles::unreadableFileLeavesGrid() {
    TFajny g;
    g.SetColCount(2);
    g.SetRowCount(3);
    g.SetCells(1, 2, QStringLiteral("zostaje"));
    const QString path = m_dir.filePath(QStringLiteral("brak.txt"));
    try {
        g.LoadFromTextFile(path, QLatin1Char(';'));
        QFAIL("no error for a missing file");
    } catch (const EMovraError& e) {
        QVERIFY(e.Message().contains(path));
        QVERIFY(e.Message().startsWith(QStringLiteral("Nie można otworzyć pliku")));
    }
    QCOMPARE(g.Cells(1, 2), QStringLiteral("zostaje"));
    QCOMPARE(g.RowCount(), 3);
    // A folder is no file either.
    QVERIFY_THROWS_EXCEPTION(EMovraError, g.LoadFromTextFile(m_dir.path(), QLatin1Char(';')));
    QCOMPARE(g.Cells(1, 2), QStringLiteral("zostaje"));
}

void TstGridFiles::unsavableTextLeavesFile() {
    const QString path = m_dir.filePath(QStringLiteral("d.txt"));
    WriteAll(path, QByteArray("stare\r\n"));
    TFajny g;
    g.SetColCount(1);
    g.SetRowCount(1);
    g.SetCells(0, 0, QStringLiteral("日本"));
    try {
        g.SaveToTextFile(path, QLatin1Char(';'));
        QFAIL("no error for a text without Windows-1250 bytes");
    } catch (const EMovraError& e) {
        QVERIFY(e.Message().contains(path));
    }
    QCOMPARE(ReadAll(path), QByteArray("stare\r\n"));
    QVERIFY_THROWS_EXCEPTION(EMovraError,
                             g.SaveToTextFile(m_dir.filePath(QStringLiteral("nie/ma/d.txt")), ';'));
}

void TstGridFiles::autoSizeColumn() {
    TFajny g;
    g.SetColCount(2);
    g.SetRowCount(4);
    TCanvas& cv = g.Canvas();
    cv.Font = g.Font();
    const int x = cv.TextWidth(QStringLiteral("x"));
    g.AutoSizeColumn(1);
    QCOMPARE(g.ColWidths(1), x);
    g.SetCells(0, 1, QStringLiteral("krótki"));
    g.SetCells(0, 2, QStringLiteral("znacznie dłuższy tekst"));
    g.AutoSizeColumn(0);
    cv.Font = g.Font();
    QCOMPARE(g.ColWidths(0), x + cv.TextWidth(QStringLiteral("znacznie dłuższy tekst")));
    // The measuring sees the format of each cell: a handler's bigger font widens the column.
    int calls = 0;
    g.OnGetCellFormat = [&calls](TFajny*, int, int row, TGridDrawState, TFormatOptions& f) {
        ++calls;
        if (row == 1)
            f.Font->SetHeight(f.Font->Height() * 4);
    };
    g.AutoSizeColumn(0);
    QCOMPARE(calls, 4);
    QVERIFY(g.ColWidths(0) > x + cv.TextWidth(QStringLiteral("znacznie dłuższy tekst")));
    g.AutoSizeColumn(7); // no such column: nothing
    QCOMPARE(g.ColCount(), 2);
}

void TstGridFiles::autoSizeColumnsExtra() {
    TFajny g;
    g.SetColCount(3);
    g.SetRowCount(2);
    g.SetFixedCols(1);
    g.SetColWidths(0, 300);
    g.AutoSizeColumns(false, 10);
    QCOMPARE(g.ColWidths(0), 300);
    const int plain = g.ColWidths(1);
    g.AutoSizeColumns(true, 0);
    QCOMPARE(g.ColWidths(1), plain - 10);
    QVERIFY(g.ColWidths(0) < 300);
}

void TstGridFiles::fitRowHeights() {
    TFajny g;
    g.SetColCount(2);
    g.SetRowCount(3);
    g.SetColWidths(1, 40);
    g.SetCells(0, 1, QStringLiteral("krótko"));
    g.FitRowHeight(1);
    QVERIFY(g.RowHeights(1) >= g.DefaultRowHeight());
    QVERIFY(g.RowHeights(1) < 2 * g.DefaultRowHeight());
    g.SetCells(1, 2, QStringLiteral("bardzo długi tekst w wąskiej kolumnie zawija się"));
    g.FitRowHeights(0, 2);
    QVERIFY(g.RowHeights(2) > 3 * g.Canvas().TextHeight(QStringLiteral("X")));
    // Visible only / hidden only.
    g.SetRowHeights(2, 0);
    g.FitVisibleRowHeights(0, 2);
    QCOMPARE(g.RowHeights(2), 0);
    g.FitHiddenRowHeights(0, 2);
    QVERIFY(g.RowHeights(2) > 0);
    // Reversed range: nothing.
    g.SetRowHeights(1, 5);
    g.FitRowHeights(2, 1);
    QCOMPARE(g.RowHeights(1), 5);
}

void TstGridFiles::fitHiddenRowKeepsItHidden() {
    TFajny g;
    g.SetColCount(2);
    g.SetRowCount(3);
    g.SetColWidths(1, 40);
    g.SetCells(1, 2, QStringLiteral("bardzo długi tekst w wąskiej kolumnie zawija się"));
    g.HideRows(2, 2);
    g.FitHiddenRowHeights(0, 2);
    QCOMPARE(g.RowHeights(2), 0);
    QCOMPARE(g.HiddenSizes().Count(), 1);
    const int fitted = g.HiddenSizes().Items()[0].Size;
    QVERIFY(fitted > g.DefaultRowHeight());
    g.ShowRows(2, 2);
    QCOMPARE(g.RowHeights(2), fitted);
}

QTEST_MAIN(TstGridFiles)
#include "tst_gridfiles.moc"
