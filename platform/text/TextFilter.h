#pragma once

#include <QtCore/QString>

#include <optional>
#include <string>
#include <string_view>

namespace movra {

// The live filter over the record list: a person is shown when one of their texts contains the
// typed text. Letter case never matters. A text typed without marked letters also matches
// letters with marks ("lodz" finds "Łódź"); one typed with them matches only them ("łódź" does
// not find "Lodz"), so a user who types the marks gets what they typed.
//
// The typed text made ready for matching texts as the album stores them (Windows-1250 bytes):
// its first byte says which folding applies, the rest is the text so folded. Nothing when the
// text holds a character the code page lacks: no stored text can contain it.
[[nodiscard]] std::optional<std::string> FilterPatternCp1250(const QString& typed);

// Whether text (Windows-1250 bytes) contains what pattern (from FilterPatternCp1250) stands for.
[[nodiscard]] bool FilterMatchesCp1250(std::string_view pattern, std::string_view text);

} // namespace movra
