#include "tests/crash/CrashTexts.h"

#include <QtCore/QStringList>

namespace movra::crash {

namespace {

// First names fit the record window's 15 characters, last names and nicknames its 20.
const char* const kImiona[] = {
    "Zofia",    "Łucja",  "Małgorzata", "Józef",     "Świętosław", "Bożena",     "Jędrzej",
    "Grzegorz", "Żaneta", "Ścibor",     "Kazimierz", "Agnieszka",  "Mieczysław", "Wiesława",
    "Anna",     "Ola",    "Zdzisław",   "Krzysztof", "Halina",     "Bartłomiej", "",
};
const char* const kNazwiska[] = {
    "Kowalski",      "Wiśniewska", "Wójcik",
    "Łukasik",       "Zieliński",  "Szczęsny",
    "Nowak",         "adamski",    "Brzęczyszczykiewicz",
    "Żółtowska",     "O'Brien",    "Ćwikła",
    "Śliwińska",     "Dąbrowski",  "Kołodziej",
    "Grzegorzewska", "Pająk",      "Mazur-Kęsik",
};
const char* const kKsywy[] = {
    "Szczypior", "\"Mały\"",      "Żaba",   "Ćma",      "Notes",   "Łoś 100%", "back\\slash",
    "",          "Kuba \"Rudy\"", "Gęś",    "O'Connor", "Picture", "Ważniak",  "Śpioch",
    "\"\"",      "Źrebak",        "Pan %s", "Miś",      "Adres",
};
const char* const kUwagi[] = {
    "Siedział w trzeciej ławce przy oknie.",
    "Zawsze pożyczał długopis i nigdy nie oddawał.",
    "Grał na gitarze na każdej wycieczce – także w Zakopanem.",
    "Mówił: \"jutro oddam\".",
    "Wyjechał do Gdańska w 2004 r.; potem Wrocław.",
    "Ślub w czerwcu; żona Ewa, córka Łucja.",
    "Tel. do rodziców nieaktualny (50%).",
    "Ulubiony przedmiot: fizyka; najgorszy: WF.",
    "Zdjęcie z wycieczki do Częstochowy, klasa IIb.",
    "Pisał wiersze o jesieni i źdźbłach trawy.",
    "Prowadzi piekarnię „Pod Żurawiem”.",
    "Ścieżka: C:\\Dokumenty\\zjazd\\2015 – zdjęcia u Ani.",
    "",
};
const char* const kAdresy[] = {
    "ul. Źródlana 7/12",
    "00-950 Warszawa",
    "tel. +48 600 123 456",
    "e-mail: jan.kowalski@example.pl",
    "Źródło: zjazd klasowy 2015",
    "os. Słoneczne 3, 31-154 Kraków",
    "ul. Żeromskiego 14 m. 3, 90-001 Łódź",
    "Facebook (od Kasi Śliwińskiej)",
    "adres sprzed 10 lat – może nieaktualny",
    "skr. poczt. 17, 80-958 Gdańsk",
};
const char* const kBreaks[] = {"\n", "\r\n", "\r"};

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

// Lines joined by line breaks of mixed kinds, sometimes with a trailing break.
QString Lines(TRandom& random, const char* const* items, std::size_t count, int lines) {
    QString text;
    for (int i = 0; i < lines; ++i) {
        if (i > 0) {
            text += Utf8(random.Pick(kBreaks));
        }
        text += Utf8(items[random.Below(count)]);
    }
    if (lines > 0 && random.Chance(0.1)) {
        text += Utf8(random.Pick(kBreaks));
    }
    return text;
}

QString RandomNotes(TRandom& random) {
    const double kind = random.Unit();
    if (kind < 0.1) {
        return QString();
    }
    // A long note now and then (a few kilobytes), so one record spans several pages.
    const int lines = kind < 0.93 ? random.Between(1, 6) : random.Between(40, 160);
    return Lines(random, kUwagi, std::size(kUwagi), lines);
}

QString RandomAdres(TRandom& random) {
    if (random.Chance(0.1)) {
        return QString();
    }
    return Lines(random, kAdresy, std::size(kAdresy), random.Between(1, 4));
}

} // namespace

TAlbumTexts RandomTexts(TRandom& random) {
    TAlbumTexts t;
    t.Imie = Utf8(random.Pick(kImiona));
    t.Nazwisko = Utf8(random.Pick(kNazwiska));
    t.Ksywa = Utf8(random.Pick(kKsywy));
    t.Notes = RandomNotes(random);
    t.Adres = RandomAdres(random);
    return t;
}

void ChangeSomeTexts(TRandom& random, TAlbumTexts& texts) {
    const TAlbumTexts before = texts;
    for (int attempt = 0; attempt < 8 && texts == before; ++attempt) {
        if (random.Chance(0.4))
            texts.Imie = Utf8(random.Pick(kImiona));
        if (random.Chance(0.4))
            texts.Nazwisko = Utf8(random.Pick(kNazwiska));
        if (random.Chance(0.4))
            texts.Ksywa = Utf8(random.Pick(kKsywy));
        if (random.Chance(0.5))
            texts.Notes = RandomNotes(random);
        if (random.Chance(0.3))
            texts.Adres = RandomAdres(random);
    }
    if (texts == before) {
        texts.Notes += QStringLiteral("\nDopisane: %1.").arg(random.Below(100000));
    }
}

std::array<std::string, kTextFields> StoredBytes(const TAlbumTexts& texts) {
    TAlbumTexts quoted = texts;
    QuoteRecordFields(quoted);
    return {AlbumBytes(quoted.Imie), AlbumBytes(quoted.Nazwisko), AlbumBytes(quoted.Ksywa),
            AlbumBytes(quoted.Notes), AlbumBytes(quoted.Adres)};
}

} // namespace movra::crash
