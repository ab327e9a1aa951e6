// Printing the list of people: the grid's own print preview window, on the record list.

#include "album/Unit1.h"

#include "grid/Fajny.h"
#include "grid/UnitPokazuj.h"

namespace movra {

void TForm1::SetGridPreviewWindow(TPokazuj* pokazuj) {
    m_pokazuj = pokazuj;
}

void TForm1::DrukujListe1Click() {
    if (!m_pokazuj)
        return;
    CompleteRecordList(); // the printout holds every row
    m_pokazuj->SetGrid(m_g1);
    m_pokazuj->show();
    m_pokazuj->raise();
    m_pokazuj->activateWindow();
}

} // namespace movra
