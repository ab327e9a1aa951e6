#include "resources/Resources.h"

#include <QtCore/QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initMovraResources() {
    Q_INIT_RESOURCE(movra);
    Q_INIT_RESOURCE(grid);
    Q_INIT_RESOURCE(record);
}

namespace movra {

void InitResources() {
    static const bool done = [] {
        initMovraResources();
        return true;
    }();
    (void)done;
}

} // namespace movra
