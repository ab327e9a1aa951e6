#include "platform/text/JpegInternal.h"

#include <QtCore/QDir>
#include <QtCore/QLocale>
#include <QtCore/QRegularExpression>

namespace movra::jpegmsg {
namespace {

QString Named(const QString& file) {
    return QStringLiteral("„%1”").arg(QDir::toNativeSeparators(file));
}

QString WithFullStop(QString text) {
    text = text.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

QString Megapixels(long long pixels) {
    return QLocale(QLocale::Polish).toString(static_cast<double>(pixels) / 1e6, 'f', 1);
}

QString FirstNumber(const QString& text) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\d+")).match(text);
    return m.hasMatch() ? m.captured() : QString();
}

// The library's messages a user meets most, in Polish; the variable part of the English text
// (after the prefix) is kept. Anything else is passed on in the library's words.
QString Translated(const QString& text) {
    static const struct {
        QLatin1String english;
        const char16_t* polish;
    } known[] = {
        {QLatin1String("Not a JPEG file: starts with "),
         u"to nie jest plik JPEG (zaczyna się bajtami "},
        {QLatin1String("Invalid JPEG file structure: "), u"nieprawidłowa budowa pliku JPEG ("},
        {QLatin1String("Unsupported JPEG process: "), u"nieobsługiwany rodzaj kompresji JPEG ("},
        {QLatin1String("Corrupt JPEG data: "), u"uszkodzone dane obrazu ("},
    };
    for (const auto& k : known) {
        if (text.startsWith(k.english)) {
            QString rest = text.mid(k.english.size()).trimmed();
            if (rest.endsWith(QLatin1Char('.')))
                rest.chop(1);
            return QString::fromUtf16(k.polish) + rest + QStringLiteral(").");
        }
    }
    const QString number = FirstNumber(text);
    if (text.startsWith(QLatin1String("Progressive JPEG image has more than")))
        return QStringLiteral("obraz progresywny ma ponad %1 przebiegów, więcej niż jakikolwiek "
                              "prawdziwy plik.")
            .arg(number);
    if (text.startsWith(QLatin1String("Maximum supported image dimension is")))
        return QStringLiteral("bok obrazu JPEG może mieć najwyżej %1 pikseli.").arg(number);
    if (text.startsWith(QLatin1String("Premature end of JPEG file")))
        return QStringLiteral("plik jest niepełny (urwany).");
    return text;
}

} // namespace

QString Detail(const QString& libraryText) {
    QString text = libraryText.trimmed();
    const qsizetype call = text.indexOf(QStringLiteral("(): "));
    if (text.startsWith(QLatin1String("tj")) && call > 0)
        text = text.mid(call + 4);
    if (text.isEmpty())
        return QStringLiteral("nieznany błąd biblioteki JPEG.");
    return WithFullStop(Translated(text));
}

QString EmptyDetail() {
    return QStringLiteral("brak danych (0 bajtów).");
}

QString NoSizeDetail() {
    return QStringLiteral("niepełny nagłówek, bez rozmiaru obrazu.");
}

QString LibraryFailed(const QString& detail) {
    return QStringLiteral("Nie udało się uruchomić biblioteki JPEG: %1").arg(detail);
}

QString NotJpeg(const QString* file, const QString& detail) {
    if (file)
        return QStringLiteral("Plik %1 nie jest poprawnym obrazem JPEG: %2")
            .arg(Named(*file), detail);
    return QStringLiteral("Dane nie są poprawnym obrazem JPEG: %1").arg(detail);
}

QString Damaged(const QString* file, const QString& detail) {
    if (file)
        return QStringLiteral("Obraz JPEG w pliku %1 jest uszkodzony i nie da się go odczytać: %2")
            .arg(Named(*file), detail);
    return QStringLiteral("Obraz JPEG jest uszkodzony i nie da się go odczytać: %1").arg(detail);
}

QString TooLarge(const QString* file, int width, int height, long long maxPixels) {
    const QString size = QStringLiteral("%1 × %2 pikseli (%3 megapikseli)")
                             .arg(width)
                             .arg(height)
                             .arg(Megapixels(static_cast<long long>(width) * height));
    const QString limit =
        QStringLiteral("Program przyjmuje obrazy do %1 megapikseli.").arg(Megapixels(maxPixels));
    if (file)
        return QStringLiteral("Obraz JPEG w pliku %1 jest za duży: %2. %3")
            .arg(Named(*file), size, limit);
    return QStringLiteral("Obraz JPEG jest za duży: %1. %2").arg(size, limit);
}

QString OutOfMemory(const QString* file, int width, int height) {
    const QString what =
        file ? QStringLiteral("obrazu z pliku %1").arg(Named(*file)) : QStringLiteral("obrazu");
    return QStringLiteral("Za mało pamięci dla %1 o rozmiarze %2 × %3 pikseli.")
        .arg(what)
        .arg(width)
        .arg(height);
}

QString NoPicture() {
    return QStringLiteral("Brak obrazu do zapisania jako JPEG.");
}

QString BadQuality(int quality) {
    return QStringLiteral("Nieprawidłowa jakość JPEG: %1 (dozwolone od 1 do 100).").arg(quality);
}

QString EncodeFailed(const QString& detail) {
    return QStringLiteral("Nie udało się zapisać obrazu w formacie JPEG: %1").arg(detail);
}

QString FileMissing(const QString& file) {
    return QStringLiteral("Plik %1 nie istnieje.").arg(Named(file));
}

QString FileUnreadable(const QString& file, const QString& reason) {
    return QStringLiteral("Nie można odczytać pliku %1: %2").arg(Named(file), WithFullStop(reason));
}

QString FileTooLarge(const QString& file, long long bytes) {
    return QStringLiteral("Plik %1 jest za duży na zdjęcie (%2 MB).")
        .arg(Named(file))
        .arg(bytes / (1024 * 1024));
}

} // namespace movra::jpegmsg
