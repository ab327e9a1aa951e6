#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QPoint>
#include <QtCore/QRect>
#include <QtCore/QSize>
#include <QtCore/QString>

#include <uemf.h>

#include <cstdint>
#include <vector>

namespace movra::emf {

// The font, pen and brush a drawing call needs, as the file stores them.
struct FontDesc {
    std::int32_t height = -11; // logical units; negative = em height
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = 1;
    QString face = QStringLiteral("Arial");
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

struct PenDesc {
    bool null = false;
    std::uint32_t style = 0; // PS_SOLID, PS_DASH, PS_DOT, PS_INSIDEFRAME
    std::int32_t width = 1;  // logical units
    std::uint32_t color = 0; // COLORREF
    friend bool operator==(const PenDesc&, const PenDesc&) = default;
};

struct BrushDesc {
    bool null = false;
    std::uint32_t color = 0xFFFFFF;
    friend bool operator==(const BrushDesc&, const BrushDesc&) = default;
};

// Window and viewport of an anisotropic mapping, or none (MM_TEXT).
struct MappingDesc {
    bool anisotropic = false;
    QSize windowExt{1, 1};
    QSize viewportExt{1, 1};
    QPoint viewportOrg{0, 0};
    friend bool operator==(const MappingDesc&, const MappingDesc&) = default;
};

// Writes the records of one enhanced metafile into memory. It keeps what the file's device
// context holds (selected objects, colours, mapping) including the states saved by SAVEDC, so
// that a record is written only when the state really changes, and an object is deleted as soon
// as neither the current nor a saved state selects it.
class EmfWriter {
public:
    EmfWriter();
    ~EmfWriter();
    EmfWriter(const EmfWriter&) = delete;
    EmfWriter& operator=(const EmfWriter&) = delete;

    // Appends a record made by libUEMF (malloc'ed; freed here). Throws when it is null.
    void append(char* record);
    // Appends a record built here (its size field already set).
    void appendRaw(const QByteArray& record);

    void font(const FontDesc& f);
    void pen(const PenDesc& p);
    void brush(const BrushDesc& b);
    void textColor(std::uint32_t colorref);
    void bkMode(std::uint32_t mode);
    void bkColor(std::uint32_t colorref);
    void textAlign(std::uint32_t align);
    void rop2(std::uint32_t mode);
    void mapping(const MappingDesc& m);
    void moveTo(QPoint p); // MOVETOEX unless the file's position is already there
    void lineTo(QPoint p);

    void saveDc();
    void restoreDc(); // the last saved state
    [[nodiscard]] int saveDepth() const { return static_cast<int>(m_saved.size()); }
    // Bytes of the records so far: where the next record will begin, counted after the header
    // that finish puts in front.
    [[nodiscard]] std::uint32_t recordBytes() const {
        return static_cast<std::uint32_t>(m_buf.size());
    }

    // Completes the picture: header (bounds in device pixels, frame in 0.01 mm, reference
    // device at dpiX x dpiY), deletion of every object, EOF. The writer is spent afterwards.
    [[nodiscard]] QByteArray finish(const QRect& bounds, const QRect& frame, int dpiX, int dpiY);

private:
    struct Dc {
        std::uint32_t font = 0; // handle, 0 = stock
        FontDesc fontDesc;
        bool fontSet = false;
        std::uint32_t pen = 0;
        PenDesc penDesc;
        bool penSet = false;
        std::uint32_t brush = 0;
        BrushDesc brushDesc;
        bool brushSet = false;
        std::uint32_t textColor = 0;
        std::uint32_t bkMode = 2; // OPAQUE, as GDI starts
        std::uint32_t bkColor = 0xFFFFFF;
        std::uint32_t textAlign = 0;
        std::uint32_t rop2 = 13; // R2_COPYPEN
        MappingDesc mapping;
        QPoint pos{0, 0};
    };

    [[nodiscard]] bool referenced(std::uint32_t handle) const;
    void release(std::uint32_t handle);
    void select(std::uint32_t handle);

    QByteArray m_buf;
    std::uint32_t m_records = 0;
    EMFHANDLES* m_handles = nullptr;
    Dc m_dc;
    std::vector<Dc> m_saved;
};

} // namespace movra::emf
