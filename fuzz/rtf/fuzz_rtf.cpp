// Feeds arbitrary bytes to the help window's RTF reader. The reader must come back from any
// input: no crash, no sanitizer report, no hang, and a document within its limits.

#include "fuzz/support/FuzzQt.h"
#include "platform/core/ErrorBox.h"
#include "platform/rtf/RtfReader.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)movra::fuzz::FuzzApplication("fuzz_rtf");

    // Most inputs should reach the reader rather than stop at the header check.
    QByteArray bytes("{\\rtf1 ");
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    movra::RtfLimits limits;
    limits.MaxTextUnits = 20000;
    QTextDocument doc;
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
    movra::fuzz::RunPendingEvents();
    return 0;
}
