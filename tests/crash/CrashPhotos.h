#pragma once

// The photos the crash harness stores: one set made by the parent once per run, written as
// files that every child loads, so both sides know each photo's exact bytes by its number.
// Number 0 is the placeholder the record window stores for a record without a photo; then small
// photos (2 to 8 KB, what the seed album and most commands use) and large ones (200 to 500 KB, so
// that a write spans many pages).

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <vector>

namespace movra::crash {

inline constexpr int kPlaceholderPhoto = 0;
inline constexpr int kFirstSmallPhoto = 1;
inline constexpr int kSmallPhotos = 12;
inline constexpr int kFirstLargePhoto = kFirstSmallPhoto + kSmallPhotos;
inline constexpr int kLargePhotos = 4;
inline constexpr int kPhotoCount = kFirstLargePhoto + kLargePhotos;

// Real JPEGs made with the program's own encoder from drawn pictures; the same bytes for every
// run.
[[nodiscard]] std::vector<QByteArray> MakePhotoPool();

// Writes the pool into folder (which must exist); false on any failure.
[[nodiscard]] bool WritePhotoPool(const QString& folder, const std::vector<QByteArray>& pool);
// The pool written by WritePhotoPool; empty when a file is missing.
[[nodiscard]] std::vector<QByteArray> LoadPhotoPool(const QString& folder);

} // namespace movra::crash
