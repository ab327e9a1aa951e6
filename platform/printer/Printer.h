#pragma once

#include <QtCore/QPoint>
#include <QtCore/QSize>
#include <QtCore/QString>
#include <QtCore/QStringList>

class QPrinter;

namespace movra {

// The printer the preview and the record sheet print on: the program's one shared printer
// (CurrentPrinter), or, while a TPrinterOverride lives, the printer it names. Tests and machines
// without a print queue print through the real print engine into a PDF file that way.
[[nodiscard]] QPrinter& ActivePrinter();

// True when printing can happen: the system has a print queue, or an override is in force.
[[nodiscard]] bool ActivePrinterInstalled();

// The names of the system's print queues.
[[nodiscard]] QStringList PrintQueueNames();

// Puts another printer in place of the shared one for its lifetime (not owned; nests).
class TPrinterOverride {
public:
    explicit TPrinterOverride(QPrinter& printer);
    ~TPrinterOverride();
    TPrinterOverride(const TPrinterOverride&) = delete;
    TPrinterOverride& operator=(const TPrinterOverride&) = delete;

private:
    QPrinter* m_previous;
};

// What a printer's device can do, in its own pixels. The physical page is the whole sheet; the
// offset is the unprintable margin at the top left, where the printer's drawing origin lies.
struct TPrinterCaps {
    int PixelsPerInchX = 0;
    int PixelsPerInchY = 0;
    QSize PhysicalPage;
    QPoint PhysicalOffset;
};
[[nodiscard]] TPrinterCaps PrinterCaps(const QPrinter& printer);

// The paper part of a printer's settings. Sizes are in tenths of a millimetre, portrait.
// Orientation: 1 portrait, 2 landscape. PaperId: the printer paper-size number (256 for a
// user-defined size). A flag says which fields carry a value.
struct TPrinterPaper {
    bool HasOrientation = false;
    int Orientation = 1;
    bool HasPaperId = false;
    int PaperId = 0;
    bool HasPaperWidth = false;
    int PaperWidth = 0;
    bool HasPaperLength = false;
    int PaperLength = 0;
    bool HasFormName = false;
    QString FormName;
};

inline constexpr int PrinterPortrait = 1;
inline constexpr int PrinterLandscape = 2;
inline constexpr int PrinterUserPaper = 256;

// Reads the printer's paper: orientation and paper id are always present; width and length
// too. The form name is never present (the print service has no named forms).
[[nodiscard]] TPrinterPaper GetPrinterPaper(const QPrinter& printer);

// Gives the printer the paper: a known paper id selects that size; with id 256 (or an id the
// print system does not know) the width and length make a size of its own. Only fields whose
// flag is set change. Refused (false) while the printer is printing.
bool SetPrinterPaper(QPrinter& printer, const TPrinterPaper& paper);

} // namespace movra
