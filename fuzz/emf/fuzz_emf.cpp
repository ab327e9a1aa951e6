// Feeds arbitrary bytes to the enhanced-metafile checks and player. Whatever the input, the
// program must come back: no crash, no sanitizer report, no hang; a picture that SetBytes
// accepts must play to its end.

#include "fuzz/support/FuzzQt.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/Metafile.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A sound header (as the recording canvas writes it) for inputs that are meant as records only,
// so that most inputs reach the record parsers rather than stop at the header.
QByteArray withHeader(const QByteArray& records) {
    static const QByteArray header = [] {
        movra::TMetafile page;
        page.SetSize(64, 64);
        movra::TMetafileCanvas c(page, 96, 96);
        c.Finish();
        const QByteArray& b = page.Bytes();
        std::uint32_t size = 0;
        std::memcpy(&size, b.constData() + 4, 4);
        return b.left(static_cast<qsizetype>(size));
    }();
    QByteArray out = header + records;
    // Records whose size is not a whole number of 32-bit words are refused at once; pad so
    // that the interesting cases are about content.
    while (out.size() % 4 != 0)
        out.append('\0');
    const auto total = static_cast<std::uint32_t>(out.size());
    std::memcpy(out.data() + 48, &total, 4);
    const std::uint16_t handles = 32;
    std::memcpy(out.data() + 56, &handles, 2);
    return out;
}

void exercise(const QByteArray& bytes) {
    movra::TMetafile picture;
    bool accepted = true;
    try {
        picture.SetBytes(bytes);
    } catch (const movra::EMetafileError&) {
        accepted = false;
    }
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const movra::emf::PlayOutcome outcome = movra::emf::Play(bytes, &p, QRectF(0, 0, 64, 48));
    p.end();
    // What the check accepts plays to its end (the reverse need not hold: the player plays a
    // picture followed by other bytes, which SetBytes refuses).
    if (!bytes.isEmpty() && accepted && !outcome.complete)
        std::abort();
    if (!accepted)
        return;
    // An accepted picture plays through the path that trusts the checks already made, twice at
    // two sizes so that its decoded bitmaps come from the cache the second time.
    for (const QSize size : {QSize(64, 48), QSize(97, 31)}) {
        QImage again(size, QImage::Format_RGB32);
        again.fill(Qt::white);
        QPainter q(&again);
        picture.Play(q, QRectF(QPointF(0, 0), QSizeF(size)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)movra::fuzz::FuzzApplication("fuzz_emf");
    if (size == 0)
        return 0;
    // The first byte chooses: the input as a whole picture, or as records after a sound header.
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1,
                          static_cast<qsizetype>(size - 1));
    exercise((data[0] & 1) ? rest : withHeader(rest));
    movra::fuzz::RunPendingEvents();
    return 0;
}
