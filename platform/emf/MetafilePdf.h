#pragma once

#include "platform/emf/Metafile.h"

#include <QtCore/QSizeF>
#include <QtCore/QString>

#include <functional>
#include <memory>

class QPainter;

namespace movra {

// What a PDF document carries beside its page.
struct TPdfOptions {
    // The document's title, which viewers show in place of the file name and search by.
    QString Title;
    // Drawn over the page in the page picture's own pixels (its Width() x Height()): what the
    // picture holds only as pixels can go into the document as text.
    std::function<void(QPainter&)> Overlay;
};

// Writes one page picture as a one-page PDF document of the given paper size (millimetres,
// width before height as the page is seen), through Qt's PDF engine: texts stay text (they can
// be searched and copied), lines and fills stay vectors. The file is replaced only when the
// whole document was written; throws EMetafileError with a Polish message otherwise.
void SaveMetafileAsPdf(const TMetafile& page, const QString& path, QSizeF paperMillimetres,
                       const TPdfOptions& options = {});

// A PDF document of many pages, each written into the file as it is added, so that memory holds
// one page whatever the document's length. The pages share one paper size (as
// SaveMetafileAsPdf). Nothing replaces the file at path before Commit(); destroyed without it
// (a failure, the user stopping), the document leaves nothing behind and an old file stays.
// Failures throw EMetafileError with a Polish message naming the file.
class TPdfDocument {
public:
    TPdfDocument(const QString& path, QSizeF paperMillimetres, const QString& title);
    ~TPdfDocument();
    TPdfDocument(const TPdfDocument&) = delete;
    TPdfDocument& operator=(const TPdfDocument&) = delete;

    // The next page; overlay draws over it in the picture's own pixels (TPdfOptions::Overlay).
    void AddPage(const TMetafile& page, const std::function<void(QPainter&)>& overlay = {});
    [[nodiscard]] int PageCount() const { return m_pages; }
    // Ends the document and puts it in the file's place.
    void Commit();

private:
    struct TOpen;
    QString m_path;
    std::unique_ptr<TOpen> d;
    int m_pages = 0;
};

} // namespace movra
