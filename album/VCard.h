#pragma once

// vCard files, the address books of phones and contacts programs. Written as vCard 4.0 (RFC
// 6350); read as versions 2.1, 3.0 and 4.0 are written in practice: folded lines,
// quoted-printable with a charset and soft line breaks, escaped texts, photos as base64 or data:
// URIs.
//
// The album has five texts per person. N gives the first and last name, NICKNAME the nickname,
// NOTE the notes ("Adnotacje i uwagi"), and the contact properties (TEL, EMAIL, URL, ORG, BDAY,
// ADR) become lines of the address note in a readable Polish form ("Tel.: ...", "Urodziny: 12
// maja 1990"), one a line in the file's order. Writing turns each such line back into its
// property, so a person goes out and comes back with every text as it was; a line that is no
// such form travels as X-MOVRA-ADRES.

#include "album/ExchangePerson.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>
#include <vector>

namespace movra {

// Every vCard of a file, in the file's order. Throws EMovraError (Polish) when it holds none.
[[nodiscard]] std::vector<TExchangePerson> ReadVCards(const QByteArray& bytes);

// One person as a vCard 4.0: CR LF line ends, lines folded at 75 octets, UTF-8, the photo as a
// data: URI. A photo byte-equal to noPhotoJpeg (the album's placeholder) is left out.
[[nodiscard]] QByteArray WriteVCard(const TExchangePerson& person,
                                    const QByteArray& noPhotoJpeg = {});

// A photo's bytes as the album stores photos: a readable JPEG as it is, another picture format
// Qt reads (PNG, GIF, BMP...) encoded as JPEG. Nothing, with the reason in why, for data that is
// no readable picture.
[[nodiscard]] std::optional<QByteArray> PhotoAsJpeg(const QByteArray& bytes, QString* why);

} // namespace movra
