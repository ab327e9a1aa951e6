#pragma once

#include <QtCore/QStringView>

#include <string>
#include <string_view>

namespace movra {

// Alphabetical order as a Polish reader expects it: a ą b c ć d e ę f g h i j k l ł m n ń o ó p
// q r s ś t u v w x y z ź ż. Letters of other languages that the code page holds (á, č, ö, ...)
// sort with their base letter. Blanks, digits and signs come before every letter, in the order
// of their bytes. Two texts equal letter for letter are ordered by letter case (small first),
// and texts equal in that too by their bytes, so the order is total: it tells apart every two
// different texts, and the list query and the grid's sort give the same sequence.
//
// Texts as the album stores them (Windows-1250 bytes). Answers <0, 0 or >0.
[[nodiscard]] int ComparePolishCp1250(std::string_view a, std::string_view b);

// A key for the same order: for every two texts the code page holds, the plain byte comparison
// of their keys (memcmp, shorter first) gives what ComparePolishCp1250 gives. Written to out.
void PolishSortKeyCp1250(std::string_view text, std::string& out);

// The same order for any text: a character the code page holds weighs as its byte does above;
// one it does not hold comes after every letter, by its code.
[[nodiscard]] int ComparePolish(QStringView a, QStringView b);

// Folds a character for finding without regard to letter case: every letter to its capital
// (Ł and ł, Ą and ą alike), everything else as it is.
[[nodiscard]] char16_t FoldCase(char16_t unit);

} // namespace movra
