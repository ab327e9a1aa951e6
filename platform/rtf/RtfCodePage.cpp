#include "platform/rtf/RtfCodePage.h"

#include "platform/text/Cp1250.h"

#include <array>
#include <string_view>

namespace movra::rtf {

namespace {

constexpr std::array SupportedCodePages = {437,  850,  852,  866,  874,  932,  936,
                                           949,  950,  1250, 1251, 1252, 1253, 1254,
                                           1255, 1256, 1257, 1258, 10000};

QByteArray converterName(int codePage) {
    switch (codePage) {
    case 437:
    case 850:
    case 852:
    case 866:
        return "IBM" + QByteArray::number(codePage);
    case 10000:
        return "macintosh";
    default:
        return "windows-" + QByteArray::number(codePage);
    }
}

// The Symbol font keeps Greek letters and signs where Latin-1 has its letters. Only the signs a
// help text uses for lists and arrows are worth mapping; the rest reads as Latin-1.
QChar symbolChar(unsigned char b) {
    switch (b) {
    case 0xB7:
        return QChar(0x2022); // bullet
    case 0xAE:
        return QChar(0x2192); // arrow right
    case 0xAC:
        return QChar(0x2190); // arrow left
    case 0xB4:
        return QChar(0x00D7); // multiplication sign
    case 0xA8:
        return QChar(0x2666); // diamond
    case 0xD7:
        return QChar(0x22C5); // dot operator
    default:
        return QChar(b);
    }
}

} // namespace

bool IsSupportedCodePage(int codePage) {
    for (int cp : SupportedCodePages)
        if (cp == codePage)
            return true;
    return false;
}

int CodePageOfCharset(int charset, int documentCodePage) {
    switch (charset) {
    case 0:
        return 1252; // ANSI
    case 2:
        return SymbolCodePage;
    case 77:
        return 10000; // Macintosh
    case 128:
        return 932; // Shift JIS
    case 129:
        return 949; // Hangul
    case 134:
        return 936; // GB2312
    case 136:
        return 950; // Big5
    case 161:
        return 1253; // Greek
    case 162:
        return 1254; // Turkish
    case 163:
        return 1258; // Vietnamese
    case 177:
        return 1255; // Hebrew
    case 178:
        return 1256; // Arabic
    case 186:
        return 1257; // Baltic
    case 204:
        return 1251; // Cyrillic
    case 222:
        return 874; // Thai
    case 238:
        return 1250; // Eastern European
    case 255:
        return 437; // OEM
    default:
        return documentCodePage;
    }
}

QStringDecoder* CodePageDecoder::decoderFor(int codePage) {
    auto it = m_decoders.find(codePage);
    if (it == m_decoders.end()) {
        QStringDecoder d(converterName(codePage).constData(), QStringConverter::Flag::Stateless);
        if (!d.isValid())
            return nullptr;
        it = m_decoders.emplace(codePage, std::move(d)).first;
    }
    return &it->second;
}

QString CodePageDecoder::Decode(const QByteArray& bytes, int codePage) {
    if (codePage == SymbolCodePage) {
        QString s;
        s.reserve(bytes.size());
        for (char c : bytes)
            s += symbolChar(static_cast<unsigned char>(c));
        return s;
    }
    if (codePage == 1250) // the program's own code page, decoded exactly as the album does
        return FromCp1250(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (!IsSupportedCodePage(codePage))
        codePage = 1252;
    if (QStringDecoder* d = decoderFor(codePage))
        return d->decode(bytes);
    return QString::fromLatin1(bytes);
}

} // namespace movra::rtf
