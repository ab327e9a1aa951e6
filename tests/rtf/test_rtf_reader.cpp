#include "platform/core/ErrorBox.h"
#include "platform/rtf/RtfLayout.h"
#include "platform/rtf/RtfReader.h"

#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QTextBlock>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtTest/QtTest>

#include <memory>

using namespace movra;

namespace {

std::unique_ptr<QTextDocument> load(const QByteArray& rtf, const RtfLimits& limits = {}) {
    auto doc = std::make_unique<QTextDocument>();
    LoadRtf(*doc, rtf, limits);
    return doc;
}

// The text as stored (toPlainText would turn no-break spaces into spaces).
QString text(const QByteArray& rtf) {
    return load(rtf)->toRawText();
}

// The character format of the first character of the first occurrence of word.
QTextCharFormat formatOf(const QTextDocument& doc, const QString& word) {
    const qsizetype at = doc.toPlainText().indexOf(word);
    if (at < 0) {
        qWarning() << "not in the document:" << word;
        return {};
    }
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(static_cast<int>(at) + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(const QTextDocument& doc, const QString& word) {
    return doc.find(word).block().blockFormat();
}

QString sourceFile(const QString& relative) {
    return qEnvironmentVariable("MOVRA_SOURCE_DIR") + QLatin1Char('/') + relative;
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void codePagesDecodeEscapedBytes();
    void fontCharsetOverridesDocumentCodePage();
    void unicodeSkipsFallbackCharacters();
    void characterFormattingRuns();
    void groupsScopeFormatting();
    void fontsAndColoursFromTheirTables();
    void paragraphsAlignmentAndIndents();
    void lineBreaksTabsAndSpecialCharacters();
    void destinationsThatAreNotShown();
    void deepNestingIsReadPast();
    void unbalancedBraces();
    void hugeNumbersAreBounded();
    void damagedEscapes();
    void binaryJunkNeverBreaksTheReader();
    void limitsBoundTheDocument();
    void notRtfIsRefusedAndLeavesTheDocument();
    void fileErrorsNameTheFile();
    void helpFileLoadsWithPolishLettersAndEveryMenuCaption();
    void aCutTextEndsWithTheLastParagraphThatFits();
};

void TestRtfReader::codePagesDecodeEscapedBytes() {
    // Windows-1250, the Polish letters both cases.
    QCOMPARE(text(R"({\rtf1\ansi\ansicpg1250 \'b9\'e6\'ea\'b3\'f1\'f3\'9c\'9f\'bf})"),
             QStringLiteral("ąćęłńóśźż"));
    QCOMPARE(text(R"({\rtf1\ansi\ansicpg1250 \'a5\'c6\'ca\'a3\'d1\'d3\'8c\'8f\'af})"),
             QStringLiteral("ĄĆĘŁŃÓŚŹŻ"));
    // Raw 8-bit bytes are read in the same code page as escaped ones.
    QCOMPARE(text("{\\rtf1\\ansi\\ansicpg1250 \xb3\xf3\xbf\xea\xb9}"), QStringLiteral("łóżęą"));
    // Without \ansicpg the document is Windows-1252.
    QCOMPARE(text(R"({\rtf1\ansi caf\'e9 \'80})"), QStringLiteral("café €"));
    QCOMPARE(text(R"({\rtf1\ansi\ansicpg1251 \'e6\'e8\'e7\'ed\'fc})"), QStringLiteral("жизнь"));
    // A code page nobody has falls back to Windows-1252 rather than failing.
    QCOMPARE(text(R"({\rtf1\ansi\ansicpg99999 \'e9})"), QStringLiteral("é"));
    // Double-byte code pages keep their byte pairs together.
    QCOMPARE(text(R"({\rtf1\ansi\ansicpg932 \'82\'a0\'82\'a2})"), QStringLiteral("あい"));
}

void TestRtfReader::fontCharsetOverridesDocumentCodePage() {
    const QByteArray rtf = R"({\rtf1\ansi\ansicpg1252\deff0
{\fonttbl{\f0\fswiss\fcharset238 Arial CE;}{\f1\froman\fcharset204 Times Cyr;}
{\f2\fswiss\fcharset0 Arial;}{\f3\fnil\fcharset1 Default;}{\f4\fnil\fcharset2 Symbol;}}
A\'b9 \f1 B\'e6 \f2 C\'b9 \f3 D\'b9 \f4 E\'b7 \f0 F\'b3})";
    // f0 and f0 again: Eastern European; f1: Cyrillic; f2: Western; f3 (DEFAULT_CHARSET): the
    // document's page; f4: Symbol's bullet.
    QCOMPARE(load(rtf)->toPlainText(), QStringLiteral("Aą Bж C¹ D¹ E• Fł"));

    // A font's charset also decodes its name; the default font applies to text with no \f.
    const auto doc = load(R"({\rtf1\ansi\deff1{\fonttbl{\f1\fcharset238 Czcionka \'b3adna;}}x})");
    QCOMPARE(formatOf(*doc, QStringLiteral("x")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Czcionka ładna")});
    QCOMPARE(text(R"({\rtf1\ansi\deff1{\fonttbl{\f1\fcharset238 PL;}}\'b9})"), QStringLiteral("ą"));
    // \cpg in the font table outranks the charset.
    QCOMPARE(text(R"({\rtf1\ansi{\fonttbl{\f0\fcharset0\cpg1250 X;}}\f0 \'b9})"),
             QStringLiteral("ą"));
}

void TestRtfReader::unicodeSkipsFallbackCharacters() {
    QCOMPARE(text(R"({\rtf1 a\u322?b})"), QStringLiteral("ałb"));
    QCOMPARE(text(R"({\rtf1 \uc2\u322??b})"), QStringLiteral("łb"));
    QCOMPARE(text(R"({\rtf1 \uc0\u322 b})"), QStringLiteral("łb"));
    // An escaped byte and a control word each count as one fallback character.
    QCOMPARE(text(R"({\rtf1\ansicpg1250 \u322\'b3b})"), QStringLiteral("łb"));
    QCOMPARE(text(R"({\rtf1 \uc2\u322\'b3\emdash b})"), QStringLiteral("łb"));
    // Line ends in the file are not fallback characters.
    QCOMPARE(text("{\\rtf1 \\u322\r\n?b}"), QStringLiteral("łb"));
    // \uc is inherited by inner groups and restored when they close.
    QCOMPARE(text(R"({\rtf1 \uc2{\u322??{\u322??}}\u322??z})"), QStringLiteral("łłłz"));
    QCOMPARE(text(R"({\rtf1 {\uc0\u322}\u322?z})"), QStringLiteral("łłz"));
    QCOMPARE(text(R"({\rtf1 {\uc3 \u322??}!z})"), QStringLiteral("ł!z")); // a brace ends skipping
    // Values above 32767 are written negative; a surrogate pair is one character.
    QCOMPARE(text(R"({\rtf1 \u-3?})"), QString(QChar(0xFFFD)));
    QCOMPARE(text(R"({\rtf1 \u-10179?\u-8704?!})"), QStringLiteral("\U0001F600!"));
    // A lone surrogate is dropped instead of making a broken string.
    QCOMPARE(text(R"({\rtf1 a\u-10179?b})"), QStringLiteral("ab"));
}

void TestRtfReader::characterFormattingRuns() {
    const auto doc =
        load(R"({\rtf1 plain \b bold\b0  \i italic\i0  \ul under\ulnone  \uldb dbl\ul0  )"
             R"(\strike gone\strike0  \fs48 big\fs24  norm \super up\nosupersub  \sub dn\sub0  )"
             R"(\b\i\ul both\plain  after})");
    QCOMPARE(doc->toPlainText(),
             QStringLiteral("plain bold italic under dbl gone big norm up dn both after"));

    const QTextCharFormat plain = formatOf(*doc, QStringLiteral("plain"));
    QCOMPARE(plain.fontWeight(), int(QFont::Normal));
    QVERIFY(!plain.fontItalic() && !plain.fontUnderline() && !plain.fontStrikeOut());
    QCOMPARE(plain.fontPointSize(), 12.0);

    QCOMPARE(formatOf(*doc, QStringLiteral("bold")).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatOf(*doc, QStringLiteral("italic")).fontWeight(), int(QFont::Normal));
    QVERIFY(formatOf(*doc, QStringLiteral("italic")).fontItalic());
    QVERIFY(formatOf(*doc, QStringLiteral("under")).fontUnderline());
    QVERIFY(formatOf(*doc, QStringLiteral("dbl")).fontUnderline());
    QVERIFY(!formatOf(*doc, QStringLiteral("gone")).fontUnderline());
    QVERIFY(formatOf(*doc, QStringLiteral("gone")).fontStrikeOut());
    QCOMPARE(formatOf(*doc, QStringLiteral("big")).fontPointSize(), 24.0);
    QVERIFY(!formatOf(*doc, QStringLiteral("big")).fontStrikeOut());
    QCOMPARE(formatOf(*doc, QStringLiteral("norm")).fontPointSize(), 12.0);
    QCOMPARE(formatOf(*doc, QStringLiteral("up")).verticalAlignment(),
             QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(*doc, QStringLiteral("dn")).verticalAlignment(),
             QTextCharFormat::AlignSubScript);
    const QTextCharFormat both = formatOf(*doc, QStringLiteral("both"));
    QVERIFY(both.fontWeight() == QFont::Bold && both.fontItalic() && both.fontUnderline());
    const QTextCharFormat after = formatOf(*doc, QStringLiteral("after"));
    QVERIFY(after.fontWeight() == QFont::Normal && !after.fontItalic() && !after.fontUnderline());
}

void TestRtfReader::groupsScopeFormatting() {
    const auto doc = load(R"({\rtf1 {\b\fs40 in {\i deeper} still}out})");
    QCOMPARE(doc->toPlainText(), QStringLiteral("in deeper stillout"));
    QCOMPARE(formatOf(*doc, QStringLiteral("in")).fontWeight(), int(QFont::Bold));
    const QTextCharFormat deeper = formatOf(*doc, QStringLiteral("deeper"));
    QVERIFY(deeper.fontItalic());
    QCOMPARE(deeper.fontWeight(), int(QFont::Bold));
    QCOMPARE(deeper.fontPointSize(), 20.0);
    QVERIFY(!formatOf(*doc, QStringLiteral("still")).fontItalic());
    QCOMPARE(formatOf(*doc, QStringLiteral("out")).fontWeight(), int(QFont::Normal));
    QCOMPARE(formatOf(*doc, QStringLiteral("out")).fontPointSize(), 12.0);
    // Hidden text is left out, and only inside its group.
    QCOMPARE(text(R"({\rtf1 a{\v secret}b\v c\v0 d})"), QStringLiteral("abd"));
}

void TestRtfReader::fontsAndColoursFromTheirTables() {
    const auto doc = load(R"({\rtf1\ansi\deff0{\fonttbl{\f0\froman Times New Roman;}
{\f1\fmodern\fcharset0 Courier New{\*\panose 02070309020205020404};}{\f2\fswiss Arial}}
{\colortbl;\red255\green0\blue0;\red0\green128\blue0;;\red0\green0\blue255;}
roman \f1 mono \f2 sans \cf1 red\cf2  green\cf3  auto\cf4  blue\cf0  none\cf99  bad )"
                          R"(\highlight4 marked\highlight0  \cb1 back\cb0 })");
    QCOMPARE(doc->toPlainText(),
             QStringLiteral("roman mono sans red green auto blue none bad marked back"));
    QCOMPARE(formatOf(*doc, QStringLiteral("roman")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Times New Roman")});
    QCOMPARE(formatOf(*doc, QStringLiteral("roman")).fontStyleHint(), QFont::Serif);
    QCOMPARE(formatOf(*doc, QStringLiteral("mono")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Courier New")});
    QCOMPARE(formatOf(*doc, QStringLiteral("mono")).fontStyleHint(), QFont::Monospace);
    // The last entry lacks its semicolon: its group's end finishes it.
    QCOMPARE(formatOf(*doc, QStringLiteral("sans")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Arial")});

    QCOMPARE(formatOf(*doc, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatOf(*doc, QStringLiteral("green")).foreground().color(), QColor(0, 128, 0));
    QCOMPARE(formatOf(*doc, QStringLiteral("blue")).foreground().color(), QColor(0, 0, 255));
    // An empty entry, index 0 and an index past the table are the automatic colour.
    QVERIFY(!formatOf(*doc, QStringLiteral("auto")).hasProperty(QTextFormat::ForegroundBrush));
    QVERIFY(!formatOf(*doc, QStringLiteral("none")).hasProperty(QTextFormat::ForegroundBrush));
    QVERIFY(!formatOf(*doc, QStringLiteral("bad")).hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(formatOf(*doc, QStringLiteral("marked")).background().color(), QColor(0, 0, 255));
    QCOMPARE(formatOf(*doc, QStringLiteral("back")).background().color(), QColor(255, 0, 0));
    QVERIFY(!formatOf(*doc, QStringLiteral("back")).hasProperty(QTextFormat::ForegroundBrush));
}

void TestRtfReader::paragraphsAlignmentAndIndents() {
    const auto doc = load(R"({\rtf1 \pard first\par
\pard\qc centred\par
\pard\qr right\par
\pard\qj justified\par
\pard\li720\ri360\fi-360\sb120\sa240 indented\par
\ql left again\par
\pard reset\par
{\qc\li1440 grouped\par}
after group})");
    QCOMPARE(doc->blockCount(), 9);
    QCOMPARE(doc->findBlockByNumber(0).text(), QStringLiteral("first"));
    QCOMPARE(blockOf(*doc, QStringLiteral("first")).alignment(), Qt::AlignLeft);
    QCOMPARE(blockOf(*doc, QStringLiteral("centred")).alignment(), Qt::AlignHCenter);
    QCOMPARE(blockOf(*doc, QStringLiteral("right")).alignment(), Qt::AlignRight);
    QCOMPARE(blockOf(*doc, QStringLiteral("justified")).alignment(), Qt::AlignJustify);

    // Twips become pixels at 96 per inch: 1440 twips an inch, so 15 twips a pixel.
    const QTextBlockFormat ind = blockOf(*doc, QStringLiteral("indented"));
    QCOMPARE(ind.leftMargin(), 48.0);
    QCOMPARE(ind.rightMargin(), 24.0);
    QCOMPARE(ind.textIndent(), -24.0);
    QCOMPARE(ind.topMargin(), 8.0);
    QCOMPARE(ind.bottomMargin(), 16.0);
    // Paragraph properties last until \pard.
    const QTextBlockFormat again = blockOf(*doc, QStringLiteral("left again"));
    QCOMPARE(again.alignment(), Qt::AlignLeft);
    QCOMPARE(again.leftMargin(), 48.0);
    QCOMPARE(blockOf(*doc, QStringLiteral("reset")).leftMargin(), 0.0);
    // ... and end with their group.
    QCOMPARE(blockOf(*doc, QStringLiteral("grouped")).alignment(), Qt::AlignHCenter);
    QCOMPARE(blockOf(*doc, QStringLiteral("grouped")).leftMargin(), 96.0);
    QCOMPARE(blockOf(*doc, QStringLiteral("after group")).alignment(), Qt::AlignLeft);
    QCOMPARE(blockOf(*doc, QStringLiteral("after group")).leftMargin(), 0.0);

    // Tab stops: explicit ones, and the hanging indent's own, where a bullet's text starts.
    const auto tabs = load(R"({\rtf1 \pard\li720\fi-360 \bullet\tab item\par
\pard\tx2880\tx1440 a\tab b\tab c\par
\pard\li720\fi-360\tx2160 x\tab y\tab z\par
\pard plain})");
    using Tab = QTextOption::Tab;
    QCOMPARE(blockOf(*tabs, QStringLiteral("item")).tabPositions(),
             QList<Tab>{Tab(24, QTextOption::LeftTab)});
    QCOMPARE(blockOf(*tabs, QStringLiteral("a\tb")).tabPositions(),
             (QList<Tab>{Tab(96, QTextOption::LeftTab), Tab(192, QTextOption::LeftTab)}));
    QCOMPARE(blockOf(*tabs, QStringLiteral("x\ty")).tabPositions(),
             (QList<Tab>{Tab(24, QTextOption::LeftTab), Tab(120, QTextOption::LeftTab)}));
    QVERIFY(blockOf(*tabs, QStringLiteral("plain")).tabPositions().isEmpty());

    // The properties in force at the paragraph mark are the paragraph's.
    const auto late = load(R"({\rtf1 text set late\qr\par})");
    QCOMPARE(late->firstBlock().blockFormat().alignment(), Qt::AlignRight);
}

void TestRtfReader::lineBreaksTabsAndSpecialCharacters() {
    const auto doc = load(R"({\rtf1 one\line two\par three})");
    QCOMPARE(doc->blockCount(), 2);
    QCOMPARE(doc->firstBlock().text(),
             QStringLiteral("one") + QChar(QChar::LineSeparator) + QStringLiteral("two"));
    QCOMPARE(doc->lastBlock().text(), QStringLiteral("three"));

    // A backslash before a line end is a paragraph mark; bare line ends are nothing.
    const auto breaks = load("{\\rtf1 a\\\nb\r\nc}");
    QCOMPARE(breaks->blockCount(), 2);
    QCOMPARE(breaks->lastBlock().text(), QStringLiteral("bc"));

    QCOMPARE(text(R"({\rtf1 a\tab b\~c\-d\_e\{\}\\})"),
             QStringLiteral("a\tb\u00A0c\u00ADd\u2011e{}\\"));
    QCOMPARE(text(R"({\rtf1 \emdash\endash\bullet\lquote x\rquote\ldblquote y\rdblquote})"),
             QStringLiteral("\u2014\u2013\u2022\u2018x\u2019\u201Cy\u201D"));
    // Control characters from escapes or \u never reach the text; a tab does.
    QCOMPARE(text(R"({\rtf1 a\'00\'07\'09\u10 \u0 b})"), QStringLiteral("a\tb"));
}

void TestRtfReader::destinationsThatAreNotShown() {
    const QByteArray rtf = R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;}
{\stylesheet{\s0 Normal;}{\s1 Heading 1;}}{\info{\title Tytul}{\author Autor}}
{\*\generator Writer 1.0;}{\header Naglowek}{\footer Stopka}
{\*\unknowndest never}{\*\listtable{\list{\listlevel x}}}
A{\pict\pngblip 89504e470d0a}B{\*\shppict{\pict\wmetafile8 0102}}{\nonshppict{\pict 00}}C
{\field{\*\fldinst{ HYPERLINK "http://x/" }}{\fldrslt{\ul shown link}}}
{\unknownword D}{\footnote note}E{\*\bkmkstart b}F{\*\x\bin3 }}}}G})";
    QCOMPARE(load(rtf)->toPlainText(), QStringLiteral("ABCshown linkDEFG"));
}

void TestRtfReader::deepNestingIsReadPast() {
    const int levels = 100000;
    QByteArray rtf = "{\\rtf1 before";
    rtf += QByteArray(levels, '{');
    rtf += "\\b deep";
    rtf += QByteArray(levels, '}');
    rtf += " after}";
    const auto doc = load(rtf);
    QCOMPARE(doc->toPlainText(), QStringLiteral("before after"));
    QCOMPARE(formatOf(*doc, QStringLiteral("after")).fontWeight(), int(QFont::Normal));

    // Within the limit, nesting reads normally.
    QByteArray ok = "{\\rtf1 ";
    ok += QByteArray(200, '{');
    ok += "\\b deep";
    ok += QByteArray(200, '}');
    ok += " after}";
    const auto shallow = load(ok);
    QCOMPARE(shallow->toPlainText(), QStringLiteral("deep after"));
    QCOMPARE(formatOf(*shallow, QStringLiteral("deep")).fontWeight(), int(QFont::Bold));

    RtfLimits tight;
    tight.MaxGroupDepth = 3;
    QCOMPARE(load("{\\rtf1 a{b{c{d}c}b}a}", tight)->toPlainText(), QStringLiteral("abccba"));

    // Never closed at all: everything opened is read past.
    QByteArray open = "{\\rtf1 x";
    open += QByteArray(levels, '{');
    QCOMPARE(load(open)->toPlainText(), QStringLiteral("x"));
}

void TestRtfReader::unbalancedBraces() {
    // Missing closing braces: what was read stays, with its formatting.
    const auto doc = load(R"({\rtf1 {\b abc)");
    QCOMPARE(doc->toPlainText(), QStringLiteral("abc"));
    QCOMPARE(formatOf(*doc, QStringLiteral("abc")).fontWeight(), int(QFont::Bold));
    // Closing the outer group ends the document; what follows is not RTF.
    QCOMPARE(text(R"({\rtf1 a}}}b{c})"), QStringLiteral("a"));
    QCOMPARE(text(R"({\rtf1 a{b}}}}}}}c)"), QStringLiteral("ab"));
    QCOMPARE(text("{\\rtf1"), QString());
    QCOMPARE(text("{\\rtf1 }"), QString());
}

void TestRtfReader::hugeNumbersAreBounded() {
    const auto doc = load(R"({\rtf1{\colortbl;\red99999999999\green-5\blue256;})"
                          R"(\fs99999999999999999999 big\fs-4  neg\fs0  zero )"
                          R"(\cf1 col\cf-2147483648  x\cf2147483647  y})");
    QCOMPARE(doc->toPlainText(), QStringLiteral("big neg zero col x y"));
    QCOMPARE(formatOf(*doc, QStringLiteral("big")).fontPointSize(), 72.0);
    QCOMPARE(formatOf(*doc, QStringLiteral("neg")).fontPointSize(), 12.0);
    QCOMPARE(formatOf(*doc, QStringLiteral("zero")).fontPointSize(), 12.0);
    QCOMPARE(formatOf(*doc, QStringLiteral("col")).foreground().color(), QColor(255, 0, 255));
    QVERIFY(!formatOf(*doc, QStringLiteral("x")).hasProperty(QTextFormat::ForegroundBrush));
    QVERIFY(!formatOf(*doc, QStringLiteral("y")).hasProperty(QTextFormat::ForegroundBrush));

    const auto para = load(R"({\rtf1 \li-99999999999\fi99999999999\ri2147483647\sb-1 p\par})");
    const QTextBlockFormat f = para->firstBlock().blockFormat();
    QCOMPARE(f.leftMargin(), 0.0);
    QCOMPARE(f.textIndent(), 31680 / 15.0);
    QCOMPARE(f.rightMargin(), 31680 / 15.0);
    QCOMPARE(f.topMargin(), 0.0);

    // Characters out of the 16-bit range are dropped; their fallback is skipped all the same.
    QCOMPARE(text(R"({\rtf1 a\u99999999999?b\u-99999999999?c})"), QStringLiteral("abc"));
    // \uc is bounded: a huge count swallows at most 64 fallback characters, and never more
    // than its group.
    QCOMPARE(text("{\\rtf1 {\\uc99999999\\u65 " + QByteArray(10, 'x') + "}z}"),
             QStringLiteral("Az"));
    QCOMPARE(text("{\\rtf1 \\uc99999999\\u65 " + QByteArray(100, 'x') + "}")
                 .remove(QChar(0x200B)), // the break point a long word gets
             QStringLiteral("A") + QString(36, u'x'));
    QCOMPARE(text(R"({\rtf1 a\uc-5\u322?b})"), QStringLiteral("ał?b"));
    QCOMPARE(text(R"({\rtf1 a\f2147483647 b\f-7 c\ansicpg-1250\'e9})"), QStringLiteral("abcé"));
    QCOMPARE(text(R"({\rtf1 a\bin99999999999 }}}})"), QStringLiteral("a"));
    QCOMPARE(text(R"({\rtf1 a\bin-5 b})"), QStringLiteral("ab"));
}

void TestRtfReader::damagedEscapes() {
    QCOMPARE(text(R"({\rtf1 ab\')"), QStringLiteral("ab"));
    QCOMPARE(text(R"({\rtf1 ab\'4)"), QStringLiteral("ab4"));
    QCOMPARE(text(R"({\rtf1 ab\'zz})"), QStringLiteral("abzz"));
    QCOMPARE(text(R"({\rtf1 ab\'4g})"), QStringLiteral("ab4g"));
    QCOMPARE(text("{\\rtf1 ab\\"), QStringLiteral("ab"));
    QCOMPARE(text(R"({\rtf1 a\u)"), QStringLiteral("a"));
    QCOMPARE(text(R"({\rtf1 a\uc)"), QStringLiteral("a"));
    QCOMPARE(text(R"({\rtf1 a\fonttbl)"), QStringLiteral("a"));
    QCOMPARE(text(R"({\rtf1{\fonttbl{\f0\fcharset238 Ar)"), QString());
    QCOMPARE(text(R"({\rtf1{\colortbl;\red255)"), QString());
    // A control word of absurd length is just an unknown word.
    QCOMPARE(text("{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}"), QStringLiteral("ab"));
    // So is one followed by a parameter of absurd length.
    QCOMPARE(text("{\\rtf1 a\\b" + QByteArray(100000, '9') + " b}"), QStringLiteral("ab"));
}

void TestRtfReader::binaryJunkNeverBreaksTheReader() {
    // Random bytes after a valid start, and random mixes of the format's own tokens: whatever
    // the reader makes of them, it comes back with a document within its limits.
    const QList<QByteArray> pieces = {"{",
                                      "}",
                                      "\\b",
                                      "\\b0",
                                      "\\u-10179",
                                      "\\u322",
                                      "\\uc5",
                                      "\\'",
                                      "\\'b9",
                                      "?",
                                      "\\*",
                                      "\\par",
                                      "\\fonttbl",
                                      "\\colortbl",
                                      ";",
                                      "\\f1",
                                      "\\fcharset238",
                                      "\\bin3 ",
                                      "\\fs99999",
                                      "\\pict",
                                      "\\qc",
                                      "\\li-5",
                                      "x"};
    RtfLimits limits;
    limits.MaxTextUnits = 5000;
    for (quint32 seed = 1; seed <= 40; ++seed) {
        QRandomGenerator rng(seed);
        QByteArray junk = "{\\rtf1 ";
        if (seed % 2) {
            for (int i = 0; i < 20000; ++i)
                junk += static_cast<char>(rng.bounded(256));
        } else {
            for (int i = 0; i < 5000; ++i)
                junk += pieces[rng.bounded(static_cast<int>(pieces.size()))];
        }
        const auto doc = load(junk, limits);
        QVERIFY(doc->characterCount() <= limits.MaxTextUnits + 1);
    }
}

void TestRtfReader::limitsBoundTheDocument() {
    RtfLimits limits;
    limits.MaxTextUnits = 1000;
    const QByteArray words = QByteArray("abc ").repeated(2500);
    const auto longText = load("{\\rtf1 " + words + "}", limits);
    QCOMPARE(longText->toPlainText(), QString::fromLatin1(words.left(1000 - RtfLimits::RunCost)));

    // Paragraphs and formatting changes cost more than characters, as they do to the document.
    QByteArray marks = "{\\rtf1 ";
    for (int i = 0; i < 10000; ++i)
        marks += "\\par ";
    marks += "}";
    QCOMPARE(load(marks, limits)->blockCount(), 1000 / RtfLimits::ParagraphCost + 1);

    QByteArray runs = "{\\rtf1 ";
    for (int i = 0; i < 10000; ++i)
        runs += "\\b x\\b0 y";
    runs += "}";
    const QString flips = load(runs, limits)->toPlainText();
    QVERIFY(flips.startsWith(QStringLiteral("xyxy")));
    QVERIFY(flips.size() <= 1000 / (RtfLimits::RunCost + 1) + 1);

    RtfLimits small;
    small.MaxInputBytes = 10;
    auto doc = std::make_unique<QTextDocument>();
    doc->setPlainText(QStringLiteral("kept"));
    QVERIFY_THROWS_EXCEPTION(EMovraError, LoadRtf(*doc, "{\\rtf1 0123456789}", small));
    QCOMPARE(doc->toPlainText(), QStringLiteral("kept"));
}

void TestRtfReader::notRtfIsRefusedAndLeavesTheDocument() {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("kept"));
    for (const QByteArray& bad : {QByteArray(), QByteArray("hello"), QByteArray("}{\\rtf1 x}"),
                                  QByteArray("{\\rt"), QByteArray("\x00\x01\x02", 3)}) {
        QVERIFY(!LooksLikeRtf(bad));
        try {
            LoadRtf(doc, bad);
            QFAIL("not RTF was read");
        } catch (const EMovraError& e) {
            QCOMPARE(e.Message(), QStringLiteral("To nie jest tekst w formacie RTF."));
        }
        QCOMPARE(doc.toPlainText(), QStringLiteral("kept"));
    }
    // Blanks and a UTF-8 byte order mark before the start are allowed.
    QVERIFY(LooksLikeRtf("\xEF\xBB\xBF \r\n{\\rtf1 x}"));
    LoadRtf(doc, "\xEF\xBB\xBF \r\n{\\rtf1 x}");
    QCOMPARE(doc.toPlainText(), QStringLiteral("x"));
}

void TestRtfReader::fileErrorsNameTheFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("kept"));
    try {
        LoadRtfFile(doc, dir.filePath(QStringLiteral("Brak.rtf")));
        QFAIL("a missing file was read");
    } catch (const EMovraError& e) {
        QCOMPARE(e.Message(),
                 QStringLiteral("Nie mogę odczytać pliku \"Brak.rtf\": takiego pliku nie ma."));
    }
    try {
        LoadRtfFile(doc, dir.path()); // a folder
        QFAIL("a folder was read");
    } catch (const EMovraError& e) {
        QVERIFY(e.Message().startsWith(QStringLiteral("Nie mogę odczytać pliku")));
        QVERIFY(e.Message().endsWith(QStringLiteral(": to jest folder, nie plik.")));
    }
    QFile junk(dir.filePath(QStringLiteral("Zly.rtf")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("To jest zwykły tekst.");
    junk.close();
    try {
        LoadRtfFile(doc, junk.fileName());
        QFAIL("a plain text file was read");
    } catch (const EMovraError& e) {
        QCOMPARE(e.Message(), QStringLiteral("Plik \"Zly.rtf\" nie jest tekstem w formacie RTF."));
    }
    QCOMPARE(doc.toPlainText(), QStringLiteral("kept"));

    QFile good(dir.filePath(QStringLiteral("Dobry.rtf")));
    QVERIFY(good.open(QIODevice::WriteOnly));
    good.write(R"({\rtf1\ansi\ansicpg1250 Za\'bf\'f3\'b3\'e6 g\'ea\'9cl\'b9 ja\'9f\'f1})");
    good.close();
    LoadRtfFile(doc, good.fileName());
    QCOMPARE(doc.toPlainText(), QStringLiteral("Zażółć gęślą jaźń"));
}

void TestRtfReader::helpFileLoadsWithPolishLettersAndEveryMenuCaption() {
    const QString path = sourceFile(QStringLiteral("resources/runtime/Movra.rtf"));
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Plain 7-bit RTF: the Polish letters are escapes, so no editor or transfer can mangle them.
    for (char c : bytes)
        QVERIFY(static_cast<unsigned char>(c) < 0x80);
    QVERIFY(bytes.contains("\\ansicpg1250"));

    QTextDocument doc;
    LoadRtfFile(doc, path);
    const QString plain = doc.toPlainText();
    QVERIFY(plain.size() > 4000);
    QVERIFY(!plain.contains(QChar(0xFFFD)));
    QVERIFY(!plain.contains(QLatin1Char('\\')));
    QVERIFY(!plain.contains(QLatin1Char('{')));
    for (const QString& phrase :
         {QStringLiteral("Movra"),
          QStringLiteral("zdjęcie"),
          QStringLiteral("Podgląd i edycja rekordu"),
          QStringLiteral("W rekordzie dokonano zmian. Czy chcesz je zapisać?"),
          QStringLiteral("Uwzględnij wielkość liter"),
          QStringLiteral("Uwzględnij tylko całe wyrazy"),
          QStringLiteral("Szukaj kolejno rekordami"),
          QStringLiteral("Szukaj kolejno kolumnami"),
          QStringLiteral("movra.ini"),
          QStringLiteral(".local/share/Movra"),
          QStringLiteral("Zapis obrazu"),
          QStringLiteral("Druk"),
          QStringLiteral("Foto"),
          QStringLiteral("Opis"),
          QStringLiteral("Na Pierwszy rekord"),
          QStringLiteral("Poprzedni rekord"),
          QStringLiteral("Następny rekord"),
          QStringLiteral("Na ostatni rekord"),
          QStringLiteral("Dodaje rekord"),
          QStringLiteral("Usuwa zaznaczony rekord"),
          QStringLiteral("Zatwierdza zmiany w treści rekordu"),
          QStringLiteral("Kolor formatki podglądu i edycji"),
          QStringLiteral("Kolor tła okien edycyjnych"),
          QStringLiteral("Kolor liter opisu formatki"),
          QStringLiteral("Kolor liter w polach edycji"),
          QStringLiteral("Esc")})
        QVERIFY2(plain.contains(phrase), qPrintable(phrase));

    // Every entry of the main menu, as the menu shows it (without the access-key marks), and
    // with its shortcut.
    const QList<std::pair<QString, QString>> menu = {
        {QStringLiteral("Baza"), QString()},
        {QStringLiteral("Nowa Baza"), QStringLiteral("Ctrl+N")},
        {QStringLiteral("Otwórz bazę"), QStringLiteral("Ctrl+O")},
        {QStringLiteral("Regeneruj (odśwież) bazę"), QStringLiteral("Ctrl+R")},
        {QStringLiteral("Edycja"), QString()},
        {QStringLiteral("Edycja aktualnego rekordu"), QStringLiteral("F2")},
        {QStringLiteral("Pierwszy rekord"), QStringLiteral("Ctrl+P")},
        {QStringLiteral("Poprzedni rekord"), QString()},
        {QStringLiteral("Następny rekord"), QString()},
        {QStringLiteral("Ostatni rekord"), QString()},
        {QStringLiteral("Dodaj rekord"), QStringLiteral("Ctrl+D")},
        {QStringLiteral("Zapisz zmiany w rekordzie"), QStringLiteral("Ins")},
        {QStringLiteral("Zniszcz wybrany rekord"), QStringLiteral("Ctrl+Del")},
        {QStringLiteral("Znajdź frazę"), QStringLiteral("Ctrl+F")},
        {QStringLiteral("Znajdź następną"), QStringLiteral("F3")},
        {QStringLiteral("Obraz"), QString()},
        {QStringLiteral("Import obrazu z pliku JPG..."), QStringLiteral("Ctrl+I")},
        {QStringLiteral("Eksport obrazu do pliku..."), QStringLiteral("Ctrl+E")},
        {QStringLiteral("Ustawienia"), QString()},
        {QStringLiteral("Sortowanie według Imienia"), QStringLiteral("Shift+F1")},
        {QStringLiteral("Sortowanie według Nazwiska"), QStringLiteral("Shift+F2")},
        {QStringLiteral("Sortowanie według Ksywy"), QStringLiteral("Shift+F3")},
        {QStringLiteral("Kolor tytułów kolumn bazy"), QStringLiteral("Ctrl+T")},
        {QStringLiteral("Fonty pola bazy"), QStringLiteral("Ctrl+B")},
        {QStringLiteral("Drukowanie"), QString()},
        {QStringLiteral("Pomoc"), QString()},
        {QStringLiteral("Wskazówki merytoryczne"), QStringLiteral("F1")},
        {QStringLiteral("Autor"), QString()},
        {QStringLiteral("Koniec"), QString()},
    };
    for (const auto& [caption, shortcut] : menu) {
        QVERIFY2(plain.contains(caption), qPrintable(caption));
        if (!shortcut.isEmpty()) {
            // The shortcut stands on the caption's own line.
            const qsizetype at = plain.indexOf(caption);
            const qsizetype lineEnd = plain.indexOf(QLatin1Char('\n'), at);
            const QString line = plain.mid(at, lineEnd < 0 ? -1 : lineEnd - at);
            QVERIFY2(line.contains(shortcut), qPrintable(caption + QStringLiteral(": ") + line));
        }
    }

    // Headings stand out: the title is bold, larger than the body text, and coloured.
    const QTextCharFormat title = formatOf(doc, plain.section(QLatin1Char('\n'), 0, 0).trimmed());
    QCOMPARE(title.fontWeight(), int(QFont::Bold));
    QVERIFY(title.fontPointSize() > 12.0);
    QVERIFY(title.hasProperty(QTextFormat::ForegroundBrush));
    const QTextCharFormat body = formatOf(doc, QStringLiteral("zdjęcie"));
    QVERIFY(body.fontPointSize() < title.fontPointSize());
}

// Thousands of one-line paragraphs, each followed by room (the first by `first` pixels more): cut
// to stay within 1,000,000 pixels, the help window's text as Qt lays it out ends within that
// bound with every paragraph that fits and none that does not, also where the last paragraph and
// the note end exactly on it.
void TestRtfReader::aCutTextEndsWithTheLastParagraphThatFits() {
    const qreal width = 300;
    const auto viewDocument = [] {
        // Set up as the help window sets up its document.
        auto doc = std::make_unique<QTextDocument>();
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPixelSize(13);
        font.setBold(true);
        doc->setDefaultFont(font);
        QTextOption option = doc->defaultTextOption();
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        doc->setDefaultTextOption(option);
        return doc;
    };
    const auto spaced = [&](int paragraphs, int first) {
        auto doc = viewDocument();
        QByteArray rtf = "{\\rtf1\\ansi\\sa" + QByteArray::number(3000 + first * 15) + " ";
        for (int i = 0; i < paragraphs; ++i)
            rtf += "Akapit " + QByteArray::number(i) + "\\par\\sa3000 ";
        LoadRtf(*doc, rtf + "}");
        return doc;
    };
    const auto laidOutHeight = [&](QTextDocument& doc) {
        doc.setTextWidth(width);
        return doc.documentLayout()->documentSize().height();
    };
    // The real layout's step from paragraph to paragraph, and the height of the note alone.
    const qreal step = laidOutHeight(*spaced(3, 0)) - laidOutHeight(*spaced(2, 0));
    QVERIFY2(step > 200 && step == std::round(step), qPrintable(QString::number(step)));
    const auto note = viewDocument();
    note->setPlainText(CutTextNote());
    const qreal noteHeight = laidOutHeight(*note);
    // The extra room after the first paragraph that makes the note end exactly on the bound.
    const int exact = static_cast<int>(std::fmod(MaxShownTextHeight - noteHeight, step));
    for (const int first : {exact, exact + 1}) {
        const auto doc = spaced(6000, first);
        QVERIFY(LimitLayoutHeight(*doc, width));
        QVERIFY(doc->toPlainText().endsWith(CutTextNote()));
        const qreal height = laidOutHeight(*doc);
        QVERIFY2(height <= MaxShownTextHeight && height > MaxShownTextHeight - step,
                 qPrintable(QStringLiteral("%1 pixels, paragraphs %2 pixels apart")
                                .arg(height, 0, 'f', 0)
                                .arg(step)));
    }
}

QTEST_MAIN(TestRtfReader)
#include "test_rtf_reader.moc"
