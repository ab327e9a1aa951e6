#pragma once

#include <QtCore/QSize>

namespace movra {

// Measuring units of a page's coordinates. mmPixel counts pixels of the device concerned.
enum TUnits { mmPixel, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTWIPS, mmPoints };

// Converts n from one unit to another. dpi is the resolution of the device for mmPixel (pixel to
// pixel converts screen pixels to pixels at dpi). The steps within one unit family are exact
// integer operations (tenths to hundredths of a millimetre multiply by ten, the way back
// truncates), so a size converted down and up again stays a size of the same sheet.
[[nodiscard]] int ConvertUnits(int n, int dpi, TUnits from, TUnits to);

// Both members converted on their own.
[[nodiscard]] QSize ConvertUnits(QSize s, int dpi, TUnits from, TUnits to);

// Units per inch; mmPixel counts dpi units per inch.
[[nodiscard]] int UnitsPerInch(TUnits u, int dpi);

// Paper formats, in the order of the printer's paper-size numbers.
enum TPaperType {
    pLetter,
    pLetterSmall,
    pTabloid,
    pLedger,
    pLegal,
    pStatement,
    pExecutive,
    pA3,
    pA4,
    pA4Small,
    pA5,
    pB4,
    pB5,
    pFolio,
    pQuatro,
    p10x14,
    p11x17,
    pNote,
    pEnv9,
    pEnv10,
    pEnv11,
    pEnv12,
    pEnv14,
    pCSheet,
    pDSheet,
    pESheet,
    pEnvDL,
    pEnvC5,
    pEnvC3,
    pEnvC4,
    pEnvC6,
    pEnvC65,
    pEnvB4,
    pEnvB5,
    pEnvB6,
    pEnvItaly,
    pEnvMonarch,
    pEnvPersonal,
    pFanfoldUSStd,
    pFanfoldGermanStd,
    pFanfoldGermanLegal,
    pB4ISO,
    pJapanesePostcard,
    p9x11,
    p10x11,
    p15x11,
    pEnvInvite,
    pLetterExtra,
    pLegalExtra,
    TabloidExtra,
    pA4Extra,
    pLetterTransverse,
    pA4Transverse,
    pLetterExtraTransverse,
    pAPlus,
    pBPlus,
    pLetterPlus,
    pA4Plus,
    pA5Transverse,
    pB5Transverse,
    pA3Extra,
    pA5Extra,
    pB5Extra,
    pA2,
    pA3Transverse,
    pA3ExtraTransverse,
    pCustom
};

inline constexpr int PaperTypeCount = pCustom + 1;
// The printer's paper-size number of a user-defined size.
inline constexpr int CustomPaperId = 256;

// One row of the paper table: portrait width x height in the row's own unit.
struct TPaperSize {
    int Id;
    int Width;
    int Height;
    TUnits Units;
};

[[nodiscard]] const TPaperSize& PaperSizeOf(TPaperType t);

// The first row whose size, turned into the row's unit, equals width x height given in units
// (portrait); pCustom when none matches. dpi is used for mmPixel only.
[[nodiscard]] TPaperType PaperTypeForSize(int width, int height, TUnits units, int dpi);

// The first row with the printer's paper-size number; pCustom when none has it.
[[nodiscard]] TPaperType PaperTypeForId(int id);

} // namespace movra
