#pragma once

#include <QtCore/QString>

#include <array>

namespace movra {

// The record window's eight carried settings, in the settings file's order: Left, Top, Width,
// Height, KolorF, KolorO, LiteryF, LiteryO.
using TCarriedSettings = std::array<int, 8>;

// What the record window needs from the main window: the commands its buttons and menu entries
// run, the two main-menu states it switches, and the carried settings it reads when shown and
// writes back when closed. The main window implements it.
class IRecordWindowHost {
public:
    virtual ~IRecordWindowHost() = default;

    // btnPierwszy, btnPoprzedni, btnNastepny, btnOstatni
    virtual void FirstRecord() = 0;
    virtual void PreviousRecord() = 0;
    virtual void NextRecord() = 0;
    virtual void LastRecord() = 0;
    // btnDodaj, btnZniszcz, btnZmiana
    virtual void AddRecord() = 0;
    virtual void DeleteRecord() = 0;
    virtual void SaveRecord() = 0;
    // Obraz menu: photo import (loads a chosen JPEG file into the window's photo) and export.
    virtual void ImportPicture() = 0;
    virtual void ExportPicture() = 0;
    // The photo import of a file already chosen (dropped on the photo): the same checks and
    // messages as ImportPicture after its dialog.
    virtual void ImportPictureFile(const QString& path) = 0;
    // Drukowanie: the record sheet of the shown record.
    virtual void PrintRecord() = 0;

    // The main window's "&Obraz" menu and "Regeneruj (odśwież) bazę" entry.
    virtual void SetPictureMenuEnabled(bool on) = 0;
    virtual void SetRegenerateEnabled(bool on) = 0;

    [[nodiscard]] virtual TCarriedSettings CarriedSettings() const = 0;
    virtual void SetCarriedSettings(const TCarriedSettings& s) = 0;
};

} // namespace movra
