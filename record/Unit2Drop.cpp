// A file dragged from a file manager onto the photo is imported as "Import obrazu JPG z
// pliku.." imports a chosen file: the same checks (a JPEG, named .jpg or .jpeg in any letter
// case) and messages, and the photo taken counts as a change in the same way.

#include "platform/core/ErrorBox.h"
#include "record/Unit2Impl.h"

#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QDragEnterEvent>
#include <QtGui/QDropEvent>
#include <QtWidgets/QLabel>
#include <QtWidgets/QScrollArea>

#include <functional>
#include <optional>

namespace movra {

namespace {

// The one local file a drop carries; nothing for several files, a web address or plain text.
std::optional<QString> DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    return urls.front().toLocalFile();
}

class TPhotoDropTarget : public QObject {
public:
    TPhotoDropTarget(std::function<void(const QString&)> import, QObject* parent)
        : QObject(parent), m_import(std::move(import)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(e);
            if (DroppedFile(drag->mimeData())) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(e);
            const std::optional<QString> file = DroppedFile(drop->mimeData());
            if (!file) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            m_import(*file);
            return true;
        }
        default:
            return QObject::eventFilter(watched, e);
        }
    }

private:
    std::function<void(const QString&)> m_import;
};

} // namespace

void TForm2::Impl::AcceptPhotoDrops() {
    // The scroll box's viewport is the photo's whole area, also where no photo is shown yet.
    auto* target =
        new TPhotoDropTarget([this](const QString& path) { ImportDroppedFile(path); }, q);
    for (QWidget* w :
         {static_cast<QWidget*>(ScrollBox1->viewport()), static_cast<QWidget*>(Image1)}) {
        w->setAcceptDrops(true);
        w->installEventFilter(target);
    }
}

void TForm2::Impl::ImportDroppedFile(const QString& path) {
    if (!host)
        return;
    RunCommand(q, [this, &path] { host->ImportPictureFile(path); });
}

} // namespace movra
