#include "platform/text/TextFilter.h"

#include "platform/text/Cp1250.h"

#include <array>
#include <cstdint>

namespace movra {

namespace {

using TFold = std::array<unsigned char, 256>;

// The two foldings, byte to byte: letter case only, and letter case with the marks taken off
// (ł to l, ó to o, ...). Letters whose marks Unicode does not split off (ł, đ) are named.
struct TFolds {
    TFold Case{};
    TFold Base{};

    TFolds() {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            Case[byte] = byte;
            Base[byte] = byte;
            const char c = static_cast<char>(b);
            const QString decoded = FromCp1250(std::string_view(&c, 1));
            if (decoded.size() != 1)
                continue;
            const QChar small = decoded.at(0).toLower();
            if (const int s = Cp1250ByteOf(small.unicode()); s >= 0)
                Case[byte] = static_cast<unsigned char>(s);
            QChar base = QString(small).normalized(QString::NormalizationForm_D).at(0);
            if (small == QChar(u'ł'))
                base = QChar(u'l');
            else if (small == QChar(u'đ'))
                base = QChar(u'd');
            if (const int s = Cp1250ByteOf(base.unicode()); s >= 0 && base.isLetter())
                Base[byte] = static_cast<unsigned char>(s);
            else
                Base[byte] = Case[byte];
        }
    }
};

const TFolds& Folds() {
    static const TFolds folds;
    return folds;
}

constexpr char kCaseOnly = 'c';
constexpr char kWithoutMarks = 'b';

bool Contains(std::string_view text, std::string_view folded, const TFold& fold) {
    const std::size_t m = folded.size();
    if (m == 0)
        return true;
    if (m > text.size())
        return false;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* p = reinterpret_cast<const unsigned char*>(folded.data());
    const std::size_t last = text.size() - m;
    for (std::size_t i = 0; i <= last; ++i) {
        if (fold[t[i]] != p[0])
            continue;
        std::size_t j = 1;
        while (j < m && fold[t[i + j]] == p[j])
            ++j;
        if (j == m)
            return true;
    }
    return false;
}

} // namespace

std::optional<std::string> FilterPatternCp1250(const QString& typed) {
    const std::optional<std::string> bytes = ToCp1250(typed);
    if (!bytes)
        return std::nullopt;
    const TFolds& folds = Folds();
    std::string pattern(1, kWithoutMarks);
    for (const char c : *bytes) {
        const unsigned char small = folds.Case[static_cast<unsigned char>(c)];
        if (folds.Base[small] != small)
            pattern[0] = kCaseOnly;
        pattern += static_cast<char>(small);
    }
    return pattern;
}

bool FilterMatchesCp1250(std::string_view pattern, std::string_view text) {
    if (pattern.empty())
        return true;
    const TFolds& folds = Folds();
    return Contains(text, pattern.substr(1), pattern[0] == kCaseOnly ? folds.Case : folds.Base);
}

} // namespace movra
