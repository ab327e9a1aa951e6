#pragma once

#include <string_view>

namespace movra::rtf {

// The control words the reader acts on. Everything else is Unknown and ignored (its group's text
// still shows), as the format asks of a reader that does not know a word.
enum class Keyword {
    Unknown,
    // document
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    Deff,
    Uc,
    U,
    // destinations read
    FontTbl,
    ColorTbl,
    // destinations whose text is never shown
    SkipDestination,
    // font table
    F,
    FCharset,
    Cpg,
    FNil,
    FRoman,
    FSwiss,
    FModern,
    FScript,
    FDecor,
    FTech,
    // colour table
    Red,
    Green,
    Blue,
    // character properties
    Plain,
    B,
    I,
    Ul,
    UlNone,
    Strike,
    Fs,
    Cf,
    Highlight,
    Cb,
    Super,
    Sub,
    NoSuperSub,
    Hidden,
    // paragraph properties
    Pard,
    Ql,
    Qc,
    Qr,
    Qj,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    Tx,
    // breaks
    Par,
    Line,
    Tab,
    Cell,
    // special characters
    Emdash,
    Endash,
    Bullet,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Emspace,
    Enspace,
    Qmspace,
    Zwj,
    Zwnj,
    Ltrmark,
    Rtlmark,
};

[[nodiscard]] Keyword LookUpKeyword(std::string_view word);

} // namespace movra::rtf
