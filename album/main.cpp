#include "album/MovraApp.h"
#include "album/Unit1.h"

#include <QtWidgets/QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    movra::InitApplication(app);
    movra::TMovraApp windows;
    windows.Form1().show();
    return QApplication::exec();
}
