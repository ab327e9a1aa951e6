#include "album/ExchangePerson.h"

#include "platform/text/Cp1250.h"

namespace movra {

QString PersonName(const TAlbumTexts& texts) {
    const QString name =
        (texts.Imie.trimmed() + QLatin1Char(' ') + texts.Nazwisko.trimmed()).trimmed();
    if (!name.isEmpty())
        return name;
    if (!texts.Ksywa.trimmed().isEmpty())
        return texts.Ksywa.trimmed();
    return QStringLiteral("(bez nazwy)");
}

QStringList FieldsOutsideCp1250(const TAlbumTexts& texts) {
    QStringList fields;
    const auto check = [&](const QString& text, const char* name) {
        if (!IsCp1250(text))
            fields << QString::fromUtf8(name);
    };
    check(texts.Imie, "Imię");
    check(texts.Nazwisko, "Nazwisko");
    check(texts.Ksywa, "Ksywa");
    check(texts.Notes, "Adnotacje i uwagi");
    check(texts.Adres, "Adres i źródła kontaktu");
    return fields;
}

QString NearestCp1250(const QString& text) {
    if (IsCp1250(text))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // one character, one question mark
            out += QLatin1Char('?');
            continue;
        }
        if (Cp1250ByteOf(c.unicode()) >= 0) {
            out += c;
            continue;
        }
        // Letters with accents the code page lacks keep their base letter; marks go.
        QString base;
        bool fits = true;
        for (const QChar d : QString(c).normalized(QString::NormalizationForm_KD)) {
            if (d.category() == QChar::Mark_NonSpacing || d.category() == QChar::Mark_Enclosing ||
                d.category() == QChar::Mark_SpacingCombining)
                continue;
            if (Cp1250ByteOf(d.unicode()) < 0) {
                fits = false;
                break;
            }
            base += d;
        }
        out += (fits && !base.isEmpty()) ? base : QStringLiteral("?");
    }
    return out;
}

TAlbumTexts NearestCp1250(const TAlbumTexts& texts) {
    return {NearestCp1250(texts.Imie), NearestCp1250(texts.Nazwisko), NearestCp1250(texts.Ksywa),
            NearestCp1250(texts.Notes), NearestCp1250(texts.Adres)};
}

} // namespace movra
