#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QTemporaryDir>
#include <QtGui/QColor>
#include <QtGui/QImage>

namespace movra::test {

// A fresh temporary folder that ProgramFolder() answers for the fixture's lifetime (settings
// file, album files and help file of a test live there). Removed with everything in it at the
// end.
class TempProgramFolder {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    [[nodiscard]] bool isValid() const { return m_dir.isValid(); }
    // The folder with a trailing separator, as ProgramFolder() gives it.
    [[nodiscard]] QString path() const;
    // A file in the folder.
    [[nodiscard]] QString file(const QString& name) const;
    // Writes a file (bytes as given); false on failure.
    [[nodiscard]] bool write(const QString& name, const QByteArray& bytes) const;
    // The bytes of a file (empty if missing).
    [[nodiscard]] QByteArray read(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

// A picture with something on it (a diagonal gradient over the base colour and a frame), so
// that decoding, scaling and orientation mistakes show.
[[nodiscard]] QImage MakeTestImage(int width, int height, const QColor& base = QColor(200, 60, 30));

// A real JPEG file's bytes, made by Qt's own JPEG writer: an encoder independent of the
// program's, for checking the program's decoder. A plain colour when patterned is false.
[[nodiscard]] QByteArray MakeJpeg(int width, int height, const QColor& color = QColor(200, 60, 30),
                                  bool patterned = false, int quality = 90);

// The same, written to a file; false on failure.
[[nodiscard]] bool WriteJpeg(const QString& path, int width, int height,
                             const QColor& color = QColor(200, 60, 30), bool patterned = false);

// A phone's kind of photo: four quadrants of plain colours (top left red, top right green,
// bottom left blue, bottom right white) encoded as JPEG, with an APP1 Exif segment right after
// the start marker whose first directory holds one Orientation tag (big-endian TIFF, as many
// cameras write). orientation 0 leaves the segment out.
[[nodiscard]] QByteArray MakeQuadrantJpegWithOrientation(int width, int height, int orientation);

} // namespace movra::test
