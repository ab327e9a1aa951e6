#pragma once

// The contact properties of a vCard (TEL, EMAIL, URL, ORG, BDAY, ADR) as lines of the album's
// address note, in a readable Polish form, and back: "Tel.: +48 600 100 200 (komórkowy)",
// "E-mail: ...", "WWW: ...", "Firma: Nowak i Syn / Sprzedaż", "Urodziny: 12 maja 1990",
// "Adres: ul. Długa 5, 90-001 Łódź, Polska (domowy)".

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

namespace movra {

enum class TContactKind { Tel, Email, Url, Org, Bday, Adr, Other };

// One contact property as the album keeps it. Values are plain texts (unescaped); ADR has its
// seven components (post office box, extended, street, locality, region, postal code, country),
// ORG its units, BDAY "YYYYMMDD", "--MMDD" or any text; Other is a line of free text.
struct TContactField {
    TContactKind Kind = TContactKind::Other;
    QStringList Types; // vCard 4.0 type names the note can say ("cell", "home", "work"...)
    QStringList Values;
};

// Whether the note can say this vCard type (lower case); the others are not kept.
[[nodiscard]] bool IsKnownType(const QString& type);

// "19900512" / "--0512" as "12 maja 1990" / "12 maja"; anything else as it is.
[[nodiscard]] QString PolishDate(const QString& value);
// A BDAY value as vCard writers give it (19900512, 1990-05-12, 1990-05-12T00:00:00Z, --0512,
// --05-12) in its basic form; a text that is no date stays as it is.
[[nodiscard]] QString BasicDate(const QString& value);

// The line of the address note that stands for a property.
[[nodiscard]] QString NoteLine(const TContactField& field);
// A line of the address note as the property it reads as; nothing when it reads as none, or
// when that property, read back, would not give the same line (blanks around a value, an empty
// part of an address, a date written otherwise).
[[nodiscard]] std::optional<TContactField> FieldOfLine(const QString& line);

} // namespace movra
