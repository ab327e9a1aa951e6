#include "resources/Resources.h"

#include <QtCore/QDir>

static void initMovraResources() {
#ifdef MOVRA_HAVE_QRC
    Q_INIT_RESOURCE(movra);
#endif
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
