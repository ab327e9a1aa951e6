#pragma once

// What the fuzz targets that draw text share: one application object for the whole run, Qt's
// own warnings dropped (a hostile font name makes Qt warn on every input), and the event loop
// given a turn after each input, so that Qt's font cache can trim itself on its timer as it does
// in the program; without that it grows with every font name an input invents.

#include <QtCore/QCoreApplication>
#include <QtCore/QtGlobal>
#include <QtGui/QGuiApplication>

namespace movra::fuzz {

inline void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg)
        qFatal("%s", qUtf8Printable(text));
}

// The application object, made on the first call (offscreen, no display needed).
inline QGuiApplication& FuzzApplication(const char* name) {
    static QGuiApplication* app = [name] {
        static int argc = 1;
        static char* argv[] = {const_cast<char*>(name), nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietQtMessages);
        return new QGuiApplication(argc, argv);
    }();
    return *app;
}

// Lets timers (the font cache's clean-up among them) and posted events run.
inline void RunPendingEvents() {
    QCoreApplication::processEvents();
}

} // namespace movra::fuzz
