#include "platform/rtf/RtfReader.h"

#include "platform/core/ErrorBox.h"
#include "platform/rtf/RtfCodePage.h"
#include "platform/rtf/RtfKeywords.h"
#include "platform/rtf/RtfTokenizer.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QBrush>
#include <QtGui/QFont>
#include <QtGui/QTextBlockFormat>
#include <QtGui/QTextCharFormat>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>

#include <algorithm>
#include <cerrno>
#include <map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movra {

namespace {

using namespace rtf;

constexpr int DefaultHalfPoints = 24; // 12 points, the format's default size
// Larger sizes are shown at 72 points, the top of a word processor's list of sizes. A help text
// has no use for more, and at the format's 1,638 points every character stands on a line of its
// own over 2,000 pixels tall: a few thousand of them outgrow what a text view can lay out.
constexpr int MaxHalfPoints = 144;
// Smaller sizes are shown at 6 points: lines a pixel or two tall would let a text of a million
// lines through the bound on the shown height.
constexpr int MinHalfPoints = 12;
// Qt looks for a line's break from its start to the end of the word, and a word wider than the
// line is tried whole before it is broken anywhere: each line of a long word costs the rest of
// the word, so a paragraph that is one word costs its length squared. A zero-width space (a
// break point that shows nothing) after this many characters without a blank keeps that linear.
constexpr int MaxUnbrokenChars = 32;
// HarfBuzz looks back over every mark for the character a mark sits on, so a long row of marks
// costs its length squared; no writing system stacks more than the 30 marks Unicode's stream-safe
// form allows, and the rest are left out.
constexpr int MaxMarksInARow = 30;
constexpr double TwipsPerPixel = 15.0; // 1440 twips an inch, 96 pixels an inch
constexpr int MaxTwips = 31680;        // 22 inches, the format's largest page
constexpr int MaxUc = 64;
constexpr size_t MaxFonts = 4096;
constexpr size_t MaxColours = 4096;
constexpr qsizetype MaxFontNameBytes = 256;
constexpr size_t MaxTabStops = 32;
constexpr QChar ZeroWidthSpace = u'\u200B';

struct CharState {
    int Font = -1; // -1: the document's default font (\deff)
    int HalfPoints = DefaultHalfPoints;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    bool Hidden = false;
    int Foreground = 0; // colour table index, 0 = automatic
    int Background = 0;
    int Vertical = 0; // 1 superscript, -1 subscript
    friend bool operator==(const CharState&, const CharState&) = default;
};

struct ParaState {
    Qt::Alignment Align = Qt::AlignLeft;
    int Left = 0; // twips
    int Right = 0;
    int First = 0;
    int Before = 0;
    int After = 0;
    std::vector<int> Tabs; // twips from the left text margin, as the paragraph's indents
};

enum class Dest { Text, Skip, FontTable, ColorTable };

struct Group {
    CharState Ch;
    ParaState Para;
    int Uc = 1;
    Dest Destination = Dest::Text;
};

struct FontEntry {
    QString Name;
    QByteArray NameBytes;
    int Charset = -1;
    int CodePage = 0;
    QFont::StyleHint Hint = QFont::AnyStyle;
    bool NameDone = false;
};

bool isOn(const Token& t) {
    return !t.HasParam || t.Param != 0;
}
int clampTwips(int v, int low) {
    return std::clamp(v, low, MaxTwips);
}

class Interpreter {
public:
    Interpreter(QTextDocument& doc, const RtfLimits& limits)
        : m_cursor(&doc), m_limits(limits), m_budget(limits.MaxTextUnits) {}

    void Run(std::string_view data) {
        Tokenizer tokens(data);
        for (;;) {
            if (m_exhausted)
                break;
            const Token t = tokens.Next();
            if (t.Kind == TokenKind::End)
                break;
            if (m_overflow > 0) {
                // Inside groups nested deeper than the limit: only the braces are counted.
                if (t.Kind == TokenKind::GroupOpen)
                    ++m_overflow;
                else if (t.Kind == TokenKind::GroupClose)
                    --m_overflow;
                continue;
            }
            if (!step(t))
                break;
        }
        finish();
    }

private:
    // Returns false when the document's outer group has closed.
    bool step(const Token& t) {
        switch (t.Kind) {
        case TokenKind::Text:
            onByte(t.Byte, false);
            return true;
        case TokenKind::HexByte:
            onByte(t.Byte, true);
            return true;
        case TokenKind::GroupOpen:
            flushBytes();
            m_star = false;
            m_ucSkip = 0;
            openGroup();
            return true;
        case TokenKind::GroupClose:
            flushBytes();
            m_star = false;
            m_ucSkip = 0;
            return closeGroup();
        case TokenKind::Word:
            flushBytes();
            onWord(t);
            return true;
        case TokenKind::Symbol:
            flushBytes();
            onSymbol(t.Symbol);
            return true;
        case TokenKind::Binary:
            flushBytes();
            m_star = false;
            if (m_ucSkip > 0)
                --m_ucSkip;
            return true;
        case TokenKind::End:
            return false;
        }
        return true;
    }

    void openGroup() {
        if (m_stack.empty()) {
            m_stack.emplace_back();
            return;
        }
        if (static_cast<int>(m_stack.size()) >= m_limits.MaxGroupDepth) {
            m_overflow = 1;
            return;
        }
        m_stack.push_back(m_stack.back());
    }

    bool closeGroup() {
        if (m_stack.empty())
            return true; // a stray brace before the document began
        if (m_stack.back().Destination == Dest::FontTable)
            finishFontName(); // the last entry may lack its semicolon
        if (m_stack.size() == 1)
            return false;
        m_stack.pop_back();
        return true;
    }

    void onByte(unsigned char b, bool escaped) {
        m_star = false;
        if (!escaped && (b == '\r' || b == '\n'))
            return; // line ends in the file are not text and do not count as fallback
        if (m_ucSkip > 0) {
            --m_ucSkip;
            return;
        }
        if (m_stack.empty())
            return;
        switch (m_stack.back().Destination) {
        case Dest::Skip:
            return;
        case Dest::FontTable:
            fontTableByte(b, escaped);
            return;
        case Dest::ColorTable:
            if (!escaped && b == ';')
                finishColour();
            return;
        case Dest::Text:
            break;
        }
        if (!escaped && b == '\t') {
            emitChar(u'\t');
            return;
        }
        if (!escaped && b < 0x20)
            return;
        if (m_bytes.isEmpty())
            m_bytesCodePage = currentCodePage();
        m_bytes += static_cast<char>(b);
        if (m_bytes.size() > m_budget)
            flushBytes(); // more than the document may still take: the limit ends it here
    }

    void onSymbol(char s) {
        if (s == '*') {
            m_star = true;
            return;
        }
        m_star = false;
        if (m_ucSkip > 0) {
            --m_ucSkip;
            return;
        }
        if (m_stack.empty() || m_stack.back().Destination != Dest::Text)
            return;
        switch (s) {
        case '~':
            emitChar(u'\u00A0');
            break;
        case '-':
            emitChar(u'\u00AD');
            break;
        case '_':
            emitChar(u'\u2011');
            break;
        case '{':
        case '}':
        case '\\':
            emitChar(QChar(s));
            break;
        case '\n':
        case '\r':
            endParagraph();
            break;
        case '\t':
            emitChar(u'\t');
            break;
        default:
            break; // \: \| and damaged escapes
        }
    }

    void onWord(const Token& t) {
        const bool star = std::exchange(m_star, false);
        if (m_ucSkip > 0) {
            --m_ucSkip;
            return;
        }
        if (m_stack.empty())
            return;
        Group& g = m_stack.back();
        if (g.Destination == Dest::Skip)
            return;
        const Keyword k = LookUpKeyword(t.Word);
        if (star || k == Keyword::SkipDestination) {
            g.Destination = Dest::Skip;
            return;
        }
        switch (g.Destination) {
        case Dest::FontTable:
            fontTableWord(k, t);
            return;
        case Dest::ColorTable:
            colourTableWord(k, t);
            return;
        case Dest::Skip:
            return;
        case Dest::Text:
            textWord(g, k, t);
            return;
        }
    }

    void textWord(Group& g, Keyword k, const Token& t) {
        CharState& ch = g.Ch;
        ParaState& para = g.Para;
        switch (k) {
        case Keyword::Ansi:
            m_docCodePage = 1252;
            break;
        case Keyword::Mac:
            m_docCodePage = 10000;
            break;
        case Keyword::Pc:
            m_docCodePage = 437;
            break;
        case Keyword::Pca:
            m_docCodePage = 850;
            break;
        case Keyword::AnsiCpg:
            if (IsSupportedCodePage(t.Param))
                m_docCodePage = t.Param;
            break;
        case Keyword::Deff:
            m_defaultFont = std::max(t.Param, 0);
            break;
        case Keyword::Uc:
            g.Uc = std::clamp(t.Param, 0, MaxUc);
            break;
        case Keyword::U:
            onUnicode(t.Param);
            m_ucSkip = g.Uc;
            break;
        case Keyword::FontTbl:
            g.Destination = Dest::FontTable;
            m_fontEntry = -1;
            break;
        case Keyword::ColorTbl:
            g.Destination = Dest::ColorTable;
            m_colour = {};
            break;
        case Keyword::F:
            ch.Font = std::max(t.Param, 0);
            break;
        case Keyword::Plain:
            ch = CharState{};
            break;
        case Keyword::B:
            ch.Bold = isOn(t);
            break;
        case Keyword::I:
            ch.Italic = isOn(t);
            break;
        case Keyword::Ul:
            ch.Underline = isOn(t);
            break;
        case Keyword::UlNone:
            ch.Underline = false;
            break;
        case Keyword::Strike:
            ch.Strike = isOn(t);
            break;
        case Keyword::Hidden:
            ch.Hidden = isOn(t);
            break;
        case Keyword::Fs:
            ch.HalfPoints = (t.HasParam && t.Param > 0)
                                ? std::clamp(t.Param, MinHalfPoints, MaxHalfPoints)
                                : DefaultHalfPoints;
            break;
        case Keyword::Cf:
            ch.Foreground = std::max(t.Param, 0);
            break;
        case Keyword::Highlight:
        case Keyword::Cb:
            ch.Background = std::max(t.Param, 0);
            break;
        case Keyword::Super:
            ch.Vertical = isOn(t) ? 1 : 0;
            break;
        case Keyword::Sub:
            ch.Vertical = isOn(t) ? -1 : 0;
            break;
        case Keyword::NoSuperSub:
            ch.Vertical = 0;
            break;
        case Keyword::Pard:
            para = ParaState{};
            break;
        case Keyword::Ql:
            para.Align = Qt::AlignLeft;
            break;
        case Keyword::Qc:
            para.Align = Qt::AlignHCenter;
            break;
        case Keyword::Qr:
            para.Align = Qt::AlignRight;
            break;
        case Keyword::Qj:
            para.Align = Qt::AlignJustify;
            break;
        case Keyword::Li:
            para.Left = clampTwips(t.Param, 0);
            break;
        case Keyword::Ri:
            para.Right = clampTwips(t.Param, 0);
            break;
        case Keyword::Fi:
            para.First = clampTwips(t.Param, -MaxTwips);
            break;
        case Keyword::Sb:
            para.Before = clampTwips(t.Param, 0);
            break;
        case Keyword::Sa:
            para.After = clampTwips(t.Param, 0);
            break;
        case Keyword::Tx:
            if (para.Tabs.size() < MaxTabStops)
                para.Tabs.push_back(clampTwips(t.Param, 0));
            break;
        case Keyword::Par:
            endParagraph();
            break;
        case Keyword::Line:
            emitChar(QChar::LineSeparator);
            break;
        case Keyword::Tab:
        case Keyword::Cell:
            emitChar(u'\t');
            break;
        case Keyword::Emdash:
            emitChar(u'\u2014');
            break;
        case Keyword::Endash:
            emitChar(u'\u2013');
            break;
        case Keyword::Bullet:
            emitChar(u'\u2022');
            break;
        case Keyword::Lquote:
            emitChar(u'\u2018');
            break;
        case Keyword::Rquote:
            emitChar(u'\u2019');
            break;
        case Keyword::Ldblquote:
            emitChar(u'\u201C');
            break;
        case Keyword::Rdblquote:
            emitChar(u'\u201D');
            break;
        case Keyword::Emspace:
            emitChar(u'\u2003');
            break;
        case Keyword::Enspace:
            emitChar(u'\u2002');
            break;
        case Keyword::Qmspace:
            emitChar(u'\u2005');
            break;
        case Keyword::Zwj:
            emitChar(u'\u200D');
            break;
        case Keyword::Zwnj:
            emitChar(u'\u200C');
            break;
        case Keyword::Ltrmark:
            emitChar(u'\u200E');
            break;
        case Keyword::Rtlmark:
            emitChar(u'\u200F');
            break;
        default:
            break; // words of the font and colour tables, and words this reader does not know
        }
    }

    void onUnicode(int value) {
        if (value < 0)
            value += 65536; // the format writes values above 32767 as negative 16-bit numbers
        if (value < 0 || value > 0xFFFF) {
            m_highSurrogate = 0;
            return;
        }
        const char16_t c = static_cast<char16_t>(value);
        if (QChar::isHighSurrogate(c)) {
            m_highSurrogate = c;
            return;
        }
        if (QChar::isLowSurrogate(c)) {
            if (m_highSurrogate != 0) {
                const QChar pair[2] = {QChar(m_highSurrogate), QChar(c)};
                emitText(QString(pair, 2));
            }
            m_highSurrogate = 0;
            return;
        }
        emitChar(QChar(c));
    }

    // Font table

    void fontTableWord(Keyword k, const Token& t) {
        if (k == Keyword::F) {
            finishFontName();
            const int n = std::max(t.Param, 0);
            if (m_fonts.size() >= MaxFonts && !m_fonts.contains(n)) {
                m_fontEntry = -1;
                return;
            }
            m_fonts[n] = FontEntry{};
            m_fontEntry = n;
            return;
        }
        FontEntry* e = currentFontEntry();
        if (!e)
            return;
        switch (k) {
        case Keyword::FCharset:
            e->Charset = std::clamp(t.Param, 0, 255);
            break;
        case Keyword::Cpg:
            e->CodePage = IsSupportedCodePage(t.Param) ? t.Param : 0;
            break;
        case Keyword::FRoman:
            e->Hint = QFont::Serif;
            break;
        case Keyword::FSwiss:
            e->Hint = QFont::SansSerif;
            break;
        case Keyword::FModern:
            e->Hint = QFont::Monospace;
            break;
        case Keyword::FScript:
            e->Hint = QFont::Cursive;
            break;
        case Keyword::FDecor:
            e->Hint = QFont::Decorative;
            break;
        default:
            break;
        }
    }

    FontEntry* currentFontEntry() {
        if (m_fontEntry < 0)
            return nullptr;
        const auto it = m_fonts.find(m_fontEntry);
        return it == m_fonts.end() ? nullptr : &it->second;
    }

    void fontTableByte(unsigned char b, bool escaped) {
        FontEntry* e = currentFontEntry();
        if (!e || e->NameDone)
            return;
        if (!escaped && b == ';') {
            finishFontName();
            return;
        }
        if (!escaped && b < 0x20)
            return;
        if (e->NameBytes.size() < MaxFontNameBytes)
            e->NameBytes += static_cast<char>(b);
    }

    void finishFontName() {
        FontEntry* e = currentFontEntry();
        if (!e || e->NameDone)
            return;
        e->Name = m_decoder.Decode(e->NameBytes, codePageOf(*e)).trimmed();
        e->NameBytes.clear();
        e->NameDone = true;
    }

    int codePageOf(const FontEntry& e) const {
        if (e.CodePage > 0)
            return e.CodePage;
        if (e.Charset >= 0)
            return CodePageOfCharset(e.Charset, m_docCodePage);
        return m_docCodePage;
    }

    int currentCodePage() const {
        const int index = m_stack.back().Ch.Font >= 0 ? m_stack.back().Ch.Font : m_defaultFont;
        const auto it = m_fonts.find(index);
        return it == m_fonts.end() ? m_docCodePage : codePageOf(it->second);
    }

    // Colour table

    struct PendingColour {
        int Red = 0;
        int Green = 0;
        int Blue = 0;
        bool Given = false;
    };

    void colourTableWord(Keyword k, const Token& t) {
        const int v = std::clamp(t.Param, 0, 255);
        switch (k) {
        case Keyword::Red:
            m_colour.Red = v;
            m_colour.Given = true;
            break;
        case Keyword::Green:
            m_colour.Green = v;
            m_colour.Given = true;
            break;
        case Keyword::Blue:
            m_colour.Blue = v;
            m_colour.Given = true;
            break;
        default:
            break;
        }
    }

    void finishColour() {
        if (m_colours.size() < MaxColours)
            m_colours.push_back(m_colour.Given
                                    ? QColor(m_colour.Red, m_colour.Green, m_colour.Blue)
                                    : QColor()); // an empty entry means the automatic colour
        m_colour = {};
    }

    QColor colour(int index) const {
        if (index <= 0 || static_cast<size_t>(index) >= m_colours.size())
            return {};
        return m_colours[static_cast<size_t>(index)];
    }

    // Output

    void flushBytes() {
        if (m_bytes.isEmpty())
            return;
        const QString text = m_decoder.Decode(m_bytes, m_bytesCodePage);
        m_bytes.clear();
        emitText(text);
    }

    void emitChar(QChar c) { emitText(QString(c)); }

    void emitText(const QString& text) {
        m_highSurrogate = 0; // whatever follows a high surrogate but its low half ends it
        if (m_stack.empty() || m_stack.back().Ch.Hidden || m_exhausted)
            return;
        const CharState& ch = m_stack.back().Ch;
        if (!m_run.isEmpty() && !(ch == m_runState))
            flushRun();
        if (m_exhausted)
            return;
        m_runState = ch;
        for (QChar c : text) {
            // The object replacement character stands for an embedded object, which this
            // reader never builds; to Qt it is one, whose size it asks the document's layout.
            const char16_t u = c.unicode();
            if (u != 0xFFFF && u != 0xFFFE && u != 0xFFFC && u != 0x2029 &&
                (u >= 0xA0 || (u >= 0x20 && u < 0x7F) || u == '\t'))
                appendToRun(c);
            if (m_exhausted)
                break;
        }
    }

    void appendToRun(QChar c) {
        if (c.isMark()) {
            if (++m_marks > MaxMarksInARow)
                return;
        } else {
            m_marks = 0;
        }
        qsizetype cost = costOf(c);
        const bool breakFirst = !c.isSpace() && c != ZeroWidthSpace &&
                                m_unbroken >= MaxUnbrokenChars && !c.isLowSurrogate();
        if (breakFirst)
            cost += RtfLimits::BreakCost;
        if (m_runUnits + cost > m_budget - RtfLimits::RunCost) {
            // What fits is written and the document ends here, never half a surrogate pair.
            if (c.isLowSurrogate() && !m_run.isEmpty() && m_run.back().isHighSurrogate())
                m_run.chop(1);
            flushRun();
            exhaust();
            return;
        }
        if (breakFirst) {
            m_run += ZeroWidthSpace;
            m_unbroken = 0;
        }
        m_unbroken = (c.isSpace() || c == ZeroWidthSpace) ? 0 : m_unbroken + 1;
        m_run += c;
        m_runUnits += cost;
    }

    // What a character costs the view: Qt shapes each stretch of one script apart, as it does
    // each run of one format, and letters beyond the Latin ones take more shaping; a tab is
    // measured against the tab stops; the scripts written without blanks are split into words
    // by a dictionary.
    qsizetype costOf(QChar c) {
        if (c == u'\t')
            return RtfLimits::TabCost;
        if (c.unicode() < 0x300)
            return 1;
        if (c.isSurrogate())
            return 2;
        qsizetype cost = 2;
        const QChar::Script script = c.script();
        if (script != QChar::Script_Common && script != QChar::Script_Inherited &&
            script != QChar::Script_Latin && script != m_script) {
            m_script = script;
            cost += RtfLimits::RunCost;
        }
        if (script == QChar::Script_Thai || script == QChar::Script_Lao ||
            script == QChar::Script_Khmer || script == QChar::Script_Myanmar ||
            script == QChar::Script_Tibetan)
            cost += RtfLimits::DictionaryCost;
        if (c.isMark())
            cost += RtfLimits::MarkCost;
        return cost;
    }

    void flushRun() {
        if (m_run.isEmpty())
            return;
        m_cursor.insertText(m_run, charFormat(m_runState));
        m_budget = std::max<qsizetype>(m_budget - m_runUnits - RtfLimits::RunCost, 0);
        m_run.clear();
        m_runUnits = 0;
    }

    void endParagraph() {
        flushRun();
        m_unbroken = 0;
        m_marks = 0;
        if (m_exhausted || m_stack.empty())
            return;
        if (m_budget < RtfLimits::ParagraphCost) {
            exhaust();
            return;
        }
        m_budget -= RtfLimits::ParagraphCost;
        m_cursor.setBlockFormat(blockFormat(m_stack.back().Para));
        m_cursor.insertBlock();
    }

    void exhaust() {
        m_budget = 0;
        m_exhausted = true;
    }

    void finish() {
        flushBytes();
        flushRun();
        m_cursor.setBlockFormat(blockFormat(m_stack.empty() ? ParaState{} : m_stack.back().Para));
    }

    QTextCharFormat charFormat(const CharState& ch) const {
        QTextCharFormat f;
        const int index = ch.Font >= 0 ? ch.Font : m_defaultFont;
        if (const auto it = m_fonts.find(index);
            it != m_fonts.end() && !it->second.Name.isEmpty()) {
            f.setFontFamilies(QStringList{it->second.Name});
            f.setFontStyleHint(it->second.Hint);
        }
        f.setFontPointSize(ch.HalfPoints / 2.0);
        f.setFontWeight(ch.Bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(ch.Italic);
        f.setFontUnderline(ch.Underline);
        f.setFontStrikeOut(ch.Strike);
        if (const QColor c = colour(ch.Foreground); c.isValid())
            f.setForeground(c);
        if (const QColor c = colour(ch.Background); c.isValid())
            f.setBackground(c);
        if (ch.Vertical > 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (ch.Vertical < 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        return f;
    }

    static QTextBlockFormat blockFormat(const ParaState& p) {
        QTextBlockFormat f;
        f.setAlignment(p.Align);
        f.setLeftMargin(p.Left / TwipsPerPixel);
        f.setRightMargin(p.Right / TwipsPerPixel);
        f.setTextIndent(p.First / TwipsPerPixel);
        f.setTopMargin(p.Before / TwipsPerPixel);
        f.setBottomMargin(p.After / TwipsPerPixel);

        // Qt measures tab stops from where the first line starts, the format from the text
        // margin. A hanging indent is itself a tab stop, so that "bullet, tab, text" lines up
        // the text with the lines below it.
        std::vector<int> stops;
        for (int tx : p.Tabs)
            stops.push_back(tx - p.Left - p.First);
        if (p.First < 0)
            stops.push_back(-p.First);
        std::sort(stops.begin(), stops.end());
        stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
        QList<QTextOption::Tab> tabs;
        for (int s : stops)
            if (s > 0)
                tabs.append(QTextOption::Tab(s / TwipsPerPixel, QTextOption::LeftTab));
        if (!tabs.isEmpty())
            f.setTabPositions(tabs);
        return f;
    }

    QTextCursor m_cursor;
    const RtfLimits& m_limits;
    qsizetype m_budget;
    bool m_exhausted = false;

    std::vector<Group> m_stack;
    int m_overflow = 0;
    bool m_star = false;
    int m_ucSkip = 0;
    char16_t m_highSurrogate = 0;

    int m_docCodePage = 1252;
    int m_defaultFont = 0;
    std::map<int, FontEntry> m_fonts;
    int m_fontEntry = -1;
    std::vector<QColor> m_colours;
    PendingColour m_colour;

    CodePageDecoder m_decoder;
    QByteArray m_bytes;
    int m_bytesCodePage = 1252;
    QString m_run;
    CharState m_runState;
    qsizetype m_runUnits = 0; // what m_run costs
    int m_unbroken = 0;       // characters since the paragraph's last break point
    int m_marks = 0;          // combining marks in a row
    QChar::Script m_script = QChar::Script_Latin;
};

// Where the document's opening brace is, or -1.
qsizetype rtfStart(const QByteArray& data) {
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf") ? i : -1;
}

QString megabytes(qsizetype bytes) {
    return QString::number(bytes / (1024 * 1024));
}

// Why the system refused a file, as a user can act on it.
QString systemReason(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("takiego pliku nie ma");
    case EACCES:
    case EPERM:
        return QStringLiteral("brak uprawnień do jego odczytu");
    case EISDIR:
        return QStringLiteral("to jest folder, nie plik");
    case EIO:
        return QStringLiteral("błąd odczytu z dysku");
    case ELOOP:
        return QStringLiteral("dowiązania symboliczne tworzą pętlę");
    case ENAMETOOLONG:
        return QStringLiteral("nazwa jest za długa");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("otwartych jest za dużo plików");
    case ENOMEM:
        return QStringLiteral("brak pamięci");
    default:
        return QStringLiteral("błąd systemu nr %1").arg(err);
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

[[noreturn]] void cannotRead(const QString& shown, const QString& reason) {
    throw EMovraError(QStringLiteral("Nie mogę odczytać pliku \"%1\": %2.").arg(shown, reason));
}

[[noreturn]] void tooBig(const QString& shown, qsizetype limit) {
    throw EMovraError(
        QStringLiteral("Plik \"%1\" jest za duży: ponad %2 MB.").arg(shown, megabytes(limit)));
}

// The file's bytes, at most limit of them; anything else throws EMovraError naming the file and
// the reason. Read straight from the system, whose errno is the reason (a pipe or device would
// block or never end, so only a regular file is read).
QByteArray readFile(const QString& path, const QString& shown, qsizetype limit) {
    const FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        cannotRead(shown, systemReason(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        cannotRead(shown, systemReason(errno));
    if (S_ISDIR(info.st_mode))
        cannotRead(shown, systemReason(EISDIR));
    if (!S_ISREG(info.st_mode))
        cannotRead(shown, QStringLiteral("to nie jest zwykły plik"));
    if (info.st_size > limit)
        tooBig(shown, limit);
    // The size can change while it is read (and files under /proc tell none): read to the end.
    QByteArray data;
    data.resize(std::min<qsizetype>(std::max<qsizetype>(info.st_size, 0), limit) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled > limit)
                tooBig(shown, limit);
            data.resize(std::min<qsizetype>(2 * data.size(), limit + 1));
        }
        const ssize_t n =
            ::read(file.get(), data.data() + filled, static_cast<size_t>(data.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            cannotRead(shown, systemReason(errno));
        if (n == 0)
            break;
        filled += n;
    }
    if (filled > limit)
        tooBig(shown, limit);
    data.truncate(filled);
    return data;
}

} // namespace

bool LooksLikeRtf(const QByteArray& data) {
    return rtfStart(data) >= 0;
}

void LoadRtf(QTextDocument& doc, const QByteArray& data, const RtfLimits& limits) {
    if (data.size() > limits.MaxInputBytes)
        throw EMovraError(QStringLiteral("Tekst RTF jest za duży: ponad %1 MB.")
                              .arg(megabytes(limits.MaxInputBytes)));
    const qsizetype start = rtfStart(data);
    if (start < 0)
        throw EMovraError(QStringLiteral("To nie jest tekst w formacie RTF."));

    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    {
        QTextCursor batch(&doc);
        batch.beginEditBlock();
        Interpreter reader(doc, limits);
        reader.Run(
            std::string_view(data.constData() + start, static_cast<size_t>(data.size() - start)));
        batch.endEditBlock();
    }
    doc.setUndoRedoEnabled(undo);
}

void LoadRtfFile(QTextDocument& doc, const QString& path, const RtfLimits& limits) {
    const QString shown = QFileInfo(path).fileName();
    const QByteArray data = readFile(path, shown, limits.MaxInputBytes);
    if (data.isEmpty())
        throw EMovraError(QStringLiteral("Plik \"%1\" jest pusty.").arg(shown));
    if (!LooksLikeRtf(data))
        throw EMovraError(
            QStringLiteral("Plik \"%1\" nie jest tekstem w formacie RTF.").arg(shown));
    LoadRtf(doc, data, limits);
}

} // namespace movra
