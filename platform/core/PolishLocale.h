#pragma once

class QApplication;

namespace movra {

// Makes the program Polish throughout: the default locale (numbers, dates, collation) and Qt's
// own texts in its dialogs and message-box buttons ("Tak", "Nie", "Anuluj"). True when Qt's
// Polish translation was found and installed; the locale is set either way.
bool InstallPolish(QApplication& app);

} // namespace movra
