#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

class QTextDocument;

namespace movra {

// Bounds that keep a damaged or hostile file from costing more than a moment: deeper groups are
// read past (their text is not shown), the input may not be larger than MaxInputBytes, and the
// document stops growing when it has cost MaxTextUnits: a character costs one unit, a change of
// formatting or of script RunCost, a paragraph ParagraphCost, a tab TabCost, a character beyond
// the Latin letters two units, one of a script broken into words by a dictionary (Thai and its
// neighbours) DictionaryCost more, a combining mark MarkCost more, and a break point put into a
// word too long to wrap cheaply BreakCost: roughly what each costs a text view to build and lay
// out. The program's own help text costs under a tenth of the default.
struct RtfLimits {
    static constexpr qsizetype RunCost = 64;
    static constexpr qsizetype BreakCost = 32;
    static constexpr qsizetype ParagraphCost = 16;
    static constexpr qsizetype TabCost = 16;
    static constexpr qsizetype DictionaryCost = 8;
    static constexpr qsizetype MarkCost = 4;

    qsizetype MaxInputBytes = 16 * 1024 * 1024;
    int MaxGroupDepth = 256;
    qsizetype MaxTextUnits = 1'000'000;
};

// Whether data starts as an RTF document does ("{\rtf", after blanks or a UTF-8 byte order mark).
[[nodiscard]] bool LooksLikeRtf(const QByteArray& data);

// Replaces doc's content with the formatted text of the RTF data: fonts with their character
// sets, colours, bold, italic, underline, strike-out, sizes, paragraphs with alignment and
// indents, line breaks, tabs and special characters; pictures, headers, field codes, document
// properties and unknown destinations are left out. Damaged input is read as far as it makes
// sense and never fails; data that is not RTF at all, or larger than the limit, throws
// EMovraError with a Polish message and leaves doc as it was.
void LoadRtf(QTextDocument& doc, const QByteArray& data, const RtfLimits& limits = {});

// As LoadRtf, from a file. A file that cannot be read (with the system's reason), is empty, too
// large or not RTF throws EMovraError naming it and saying why, before doc is touched.
void LoadRtfFile(QTextDocument& doc, const QString& path, const RtfLimits& limits = {});

} // namespace movra
