#include "preview/Units.h"

#include "platform/core/Font.h"
#include "platform/core/Geometry.h"

#include <array>

namespace movra {

int UnitsPerInch(TUnits u, int dpi) {
    switch (u) {
    case mmPixel:
        return dpi;
    case mmLoMetric:
        return 254;
    case mmHiMetric:
        return 2540;
    case mmLoEnglish:
        return 100;
    case mmHiEnglish:
        return 1000;
    case mmTWIPS:
        return 1440;
    case mmPoints:
        return 72;
    }
    return 0;
}

namespace {

bool KnownUnit(TUnits u) {
    return u >= mmPixel && u <= mmPoints;
}

// Values beyond 32 bits saturate instead of wrapping.
int Times(int n, int factor) {
    const long long r = static_cast<long long>(n) * factor;
    if (r > INT32_MAX)
        return INT32_MAX;
    if (r < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(r);
}

} // namespace

int ConvertUnits(int n, int dpi, TUnits from, TUnits to) {
    if (!KnownUnit(from) || !KnownUnit(to))
        return n;
    if (from == to) {
        if (from != mmPixel)
            return n;
        const int screen = ScreenPixelsPerInch();
        // A resolution of 0 would make the result meaningless; keep the value.
        return screen > 0 ? MulDiv(n, dpi, screen) : n;
    }
    if (from == mmLoMetric && to == mmHiMetric)
        return Times(n, 10);
    if (from == mmHiMetric && to == mmLoMetric)
        return n / 10;
    if (from == mmLoEnglish && to == mmHiEnglish)
        return Times(n, 10);
    if (from == mmHiEnglish && to == mmLoEnglish)
        return n / 10;
    if (from == mmTWIPS && to == mmPoints)
        return n / 20;
    if (from == mmPoints && to == mmTWIPS)
        return Times(n, 20);
    const int den = UnitsPerInch(from, dpi);
    if (den == 0)
        return 0; // a device without a resolution has no pixels to count
    return MulDiv(n, UnitsPerInch(to, dpi), den);
}

QSize ConvertUnits(QSize s, int dpi, TUnits from, TUnits to) {
    return QSize(ConvertUnits(s.width(), dpi, from, to), ConvertUnits(s.height(), dpi, from, to));
}

namespace {

constexpr TUnits E = mmHiEnglish;
constexpr TUnits M = mmLoMetric;

constexpr std::array<TPaperSize, PaperTypeCount> PaperTable = {{
    {1, 8500, 11000, E},
    {2, 8500, 11000, E},
    {3, 11000, 17000, E}, // Letter..Tabloid
    {4, 17000, 11000, E},
    {5, 8500, 14000, E},
    {6, 5500, 8500, E}, // Ledger..Statement
    {7, 7250, 10500, E},
    {8, 2970, 4200, M},
    {9, 2100, 2970, M}, // Executive..A4
    {10, 2100, 2970, M},
    {11, 1480, 2100, M},
    {12, 2500, 3540, M}, // A4Small..B4
    {13, 1820, 2570, M},
    {14, 8500, 13000, E},
    {15, 2150, 2750, M}, // B5..Quatro
    {16, 10000, 14000, E},
    {17, 11000, 17000, E},
    {18, 8500, 11000, E}, // 10x14..Note
    {19, 3875, 8875, E},
    {20, 4125, 9500, E},
    {21, 4500, 10375, E}, // Env9..Env11
    {22, 4750, 11000, E},
    {23, 5000, 11500, E},
    {24, 17000, 22000, E}, // Env12..CSheet
    {25, 22000, 34000, E},
    {26, 34000, 44000, E},
    {27, 1100, 2200, M}, // DSheet..EnvDL
    {28, 1620, 2290, M},
    {29, 3240, 4580, M},
    {30, 2290, 3240, M}, // EnvC5..EnvC4
    {31, 1140, 1620, M},
    {32, 1140, 2290, M},
    {33, 2500, 3530, M}, // EnvC6..EnvB4
    {34, 1760, 2500, M},
    {35, 1760, 1250, M},
    {36, 1100, 2300, M}, // EnvB5..EnvItaly
    {37, 3875, 7500, E},
    {38, 3625, 6500, E},
    {39, 14875, 11000, E}, // Monarch..USStd
    {40, 8500, 12000, E},
    {41, 8500, 13000, E},
    {42, 2500, 3530, M}, // German..B4ISO
    {43, 1000, 1480, M},
    {44, 9000, 11000, E},
    {45, 10000, 11000, E}, // Postcard..10x11
    {46, 15000, 11000, E},
    {47, 2200, 2200, M},
    {50, 9500, 12000, E}, // 15x11..LetterExtra
    {51, 9500, 15000, E},
    {52, 11690, 18000, E},
    {53, 9270, 12690, E}, // LegalExtra..A4Extra
    {54, 8500, 11000, E},
    {55, 2100, 2970, M},
    {56, 9500, 12000, E}, // Transverse sizes
    {57, 2270, 3560, M},
    {58, 3050, 4870, M},
    {59, 8500, 12690, E}, // APlus..LetterPlus
    {60, 2100, 3300, M},
    {61, 1480, 2100, M},
    {62, 1820, 2570, M}, // A4Plus..B5Transv.
    {63, 3220, 4450, M},
    {64, 1740, 2350, M},
    {65, 2010, 2760, M}, // A3Extra..B5Extra
    {66, 4200, 5940, M},
    {67, 2970, 4200, M},
    {68, 3220, 4450, M},            // A2..A3ExtraTransv.
    {CustomPaperId, 0, 0, mmPixel}, // Custom
}};

} // namespace

const TPaperSize& PaperSizeOf(TPaperType t) {
    if (t < 0 || t >= PaperTypeCount)
        t = pCustom;
    return PaperTable[static_cast<std::size_t>(t)];
}

TPaperType PaperTypeForSize(int width, int height, TUnits units, int dpi) {
    for (int i = 0; i < pCustom; ++i) {
        const TPaperSize& row = PaperTable[static_cast<std::size_t>(i)];
        if (ConvertUnits(width, dpi, units, row.Units) == row.Width &&
            ConvertUnits(height, dpi, units, row.Units) == row.Height)
            return static_cast<TPaperType>(i);
    }
    return pCustom;
}

TPaperType PaperTypeForId(int id) {
    for (int i = 0; i < PaperTypeCount; ++i)
        if (PaperTable[static_cast<std::size_t>(i)].Id == id)
            return static_cast<TPaperType>(i);
    return pCustom;
}

} // namespace movra
