// Feeds arbitrary bytes to the help window's RTF reader and lays out what it accepts as the help
// window does: cut to what its view can lay out at its least width, then laid out at that width
// and at its designed one. The reader and the layout must come back from any input: no crash, no
// sanitizer report, no hang, and a document within its limits.

#include "fuzz/support/FuzzQt.h"
#include "platform/core/ErrorBox.h"
#include "platform/rtf/RtfLayout.h"
#include "platform/rtf/RtfReader.h"

#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QTextDocument>
#include <QtGui/QTextOption>

#include <cstdint>
#include <cstdlib>

namespace {

// The help window's view: its page width at the window's least and designed widths, its font.
constexpr qreal NarrowestWidth = 200;
constexpr qreal DesignedWidth = 720;
// Far below the view's real bound, so that inputs of a few kilobytes reach the cut.
constexpr qreal MaxHeight = 50'000;

void setUpAsTheView(QTextDocument& doc) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    font.setBold(true);
    doc.setDefaultFont(font);
    QTextOption option = doc.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc.setDefaultTextOption(option);
}

void layOutWithin(QTextDocument& doc, qreal width) {
    doc.setTextWidth(width);
    if (doc.documentLayout()->documentSize().height() > MaxHeight)
        std::abort(); // the cut did not keep the view's layout within the height
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)movra::fuzz::FuzzApplication("fuzz_rtf");

    // Most inputs should reach the reader rather than stop at the header check.
    QByteArray bytes("{\\rtf1 ");
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    movra::RtfLimits limits;
    limits.MaxTextUnits = 20000;
    QTextDocument doc;
    setUpAsTheView(doc);
    try {
        movra::LoadRtf(doc, bytes, limits);
        // The raw input too, so the header check itself is exercised.
        movra::LoadRtf(
            doc, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
            limits);
    } catch (const movra::EMovraError&) {
        // Not RTF: refused with a message, as it should be.
    }
    if (doc.characterCount() > limits.MaxTextUnits + 1)
        std::abort();

    (void)movra::LimitLayoutHeight(doc, NarrowestWidth, MaxHeight);
    layOutWithin(doc, NarrowestWidth);
    layOutWithin(doc, DesignedWidth);
    movra::fuzz::RunPendingEvents();
    return 0;
}
