#pragma once

#include "platform/canvas/Canvas.h"

#include <QtCore/QByteArray>
#include <QtCore/QRectF>
#include <QtCore/QSize>
#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

class QIODevice;
class QPainter;

namespace movra {

namespace emf {
class ImageCache;
}

// A damaged or unreadable enhanced metafile, or one that cannot be written.
class EMetafileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An enhanced-metafile picture: the complete byte image of one EMF (header record first, whose
// nBytes is the total size, so a picture loads from its start alone). Width and Height are the
// picture's size in pixels of its reference device (the page pixel size it was recorded for).
class TMetafile {
public:
    TMetafile() = default;

    [[nodiscard]] bool Empty() const { return m_bytes.isEmpty(); }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    // Size for the next recording (ignored once a picture is held).
    void SetSize(int width, int height);

    [[nodiscard]] const QByteArray& Bytes() const { return m_bytes; }
    // Takes a complete EMF byte image; checks the header and every record; raises OnChange.
    // Throws EMetafileError (and keeps the old picture) when the bytes are not a sound EMF.
    void SetBytes(const QByteArray& bytes);
    void Clear(); // empty picture; raises OnChange

    // Reads one picture starting at the device's position: the header's nBytes tells how much.
    void LoadFromStream(QIODevice& in);
    void SaveToStream(QIODevice& out) const;
    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const; // the file is exactly Bytes()

    // Plays the picture onto p stretched to target (device coordinates of p). Unknown records
    // are skipped; a damaged record ends the drawing, never the program. The picture's bitmaps
    // are decoded on the first play and kept for the next ones until the content changes.
    void Play(QPainter& p, const QRectF& target) const;

    // Raised after every change of the content (recording finished, SetBytes, Clear, loads).
    std::function<void()> OnChange;
    void Changed() const;

private:
    friend class TMetafileCanvas;
    // Keeps img as the decoded form of the bitmap of the record at recordOffset, so that the
    // first play need not decode what the recorder had in hand.
    void KeepDecoded(std::uint32_t recordOffset, const QImage& img);

    QByteArray m_bytes;
    int m_width = 0;
    int m_height = 0;
    // Bitmaps of m_bytes already decoded; copies of the picture share it, a new content drops it.
    mutable std::shared_ptr<emf::ImageCache> m_images;
};

// A canvas that records into a TMetafile. Recording starts at construction on the picture's
// size; Finish (or destruction) completes the picture and stores its bytes into the target,
// which raises the target's OnChange. The reference device is the screen unless given.
class TMetafileCanvas : public TCanvas {
public:
    explicit TMetafileCanvas(TMetafile& target, int refPixelsPerInchX = 0,
                             int refPixelsPerInchY = 0);
    ~TMetafileCanvas() override;
    TMetafileCanvas(const TMetafileCanvas&) = delete;
    TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;

    // Completes the picture. Throws EMetafileError if it cannot be completed; the canvas
    // records nothing afterwards.
    void Finish();

    void FillRect(const TRect& r) override;
    void FrameRect(const TRect& r) override;
    void Rectangle(const TRect& r) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    [[nodiscard]] QPoint PenPos() const override;
    void TextOut(int x, int y, const QString& text) override;
    void TextRect(const TRect& r, int x, int y, const QString& text) override;
    int DrawText(TRect& r, const QString& text, unsigned flags) override;
    [[nodiscard]] QSize TextExtent(const QString& text) override;
    void Draw(int x, int y, const QImage& img) override;
    void DrawTransparent(int x, int y, const QImage& img, TColor transparent) override;
    void StretchDraw(const TRect& r, const QImage& img) override;
    void SetClipRect(const TRect& r) override;
    void ResetClip() override;
    void SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) override;
    void ResetMapping() override;
    [[nodiscard]] int PixelsPerInchX() const override;
    [[nodiscard]] int PixelsPerInchY() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The page drawn into a new image of the given size (stretched over all of it) on a background
// of the given colour: what the preview turns to gray, and what tests compare.
[[nodiscard]] QImage RenderMetafile(const TMetafile& picture, QSize size,
                                    const QColor& background = Qt::white);

} // namespace movra
