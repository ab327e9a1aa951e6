#pragma once

#include "platform/core/Colors.h"
#include "record/RecordWindowHost.h"

#include <QtCore/QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

namespace movra::test {

// Stands for the main window: records every call the record window makes, holds the carried
// settings and lets a test say what the photo import does.
class FakeRecordHost final : public IRecordWindowHost {
public:
    QStringList calls;
    TCarriedSettings settings{10, 10, 454, 714, clSilver, clWhite, clBlack, clBlack};
    mutable int settingsRead = 0;
    std::vector<TCarriedSettings> written;
    std::function<void()> onImport;
    bool throwOnNext = false;

    void FirstRecord() override { calls << QStringLiteral("FirstRecord"); }
    void PreviousRecord() override { calls << QStringLiteral("PreviousRecord"); }
    void NextRecord() override {
        calls << QStringLiteral("NextRecord");
        if (throwOnNext)
            throw std::runtime_error("Brak następnego rekordu");
    }
    void LastRecord() override { calls << QStringLiteral("LastRecord"); }
    void AddRecord() override { calls << QStringLiteral("AddRecord"); }
    void DeleteRecord() override { calls << QStringLiteral("DeleteRecord"); }
    void SaveRecord() override { calls << QStringLiteral("SaveRecord"); }
    void ImportPicture() override {
        calls << QStringLiteral("ImportPicture");
        if (onImport)
            onImport();
    }
    void ExportPicture() override { calls << QStringLiteral("ExportPicture"); }
    void ImportPictureFile(const QString& path) override {
        calls << QStringLiteral("ImportPictureFile:") + path;
        if (onImport)
            onImport();
    }
    void PrintRecord() override { calls << QStringLiteral("PrintRecord"); }
    void SetPictureMenuEnabled(bool on) override {
        calls << QStringLiteral("PictureMenu:%1").arg(on ? "on" : "off");
    }
    void SetRegenerateEnabled(bool on) override {
        calls << QStringLiteral("Regenerate:%1").arg(on ? "on" : "off");
    }
    [[nodiscard]] TCarriedSettings CarriedSettings() const override {
        ++settingsRead;
        return settings;
    }
    void SetCarriedSettings(const TCarriedSettings& s) override {
        written.push_back(s);
        settings = s;
    }
};

} // namespace movra::test
