// The driver interface of the stand-in graphics engine: the driver's function table, the records
// that a printer driver fills for the engine (GDIINFO, DEVINFO), and the engine objects that the
// engine hands to the driver's calls (surfaces, paths, clips, brushes, colour translations,
// transforms, line attributes, fonts and strings) with the engine calls that read them.
//
// Included by winddi.h; see platform/engine/DriverHost.h for the host that loads a driver and
// drives it.
#pragma once

#include "platform/engine/winddi.h"

// --- Handles ----------------------------------------------------------------------------------

struct HSURF__;
using HSURF = HSURF__*;
struct DHSURF__;
using DHSURF = DHSURF__*;
struct DHPDEV__;
using DHPDEV = DHPDEV__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HPALETTE__;
using HPALETTE = HPALETTE__*;
using HGLYPH = ULONG;
using FLONG = ULONG;
using MIX = ULONG;
using ROP4 = ULONG;
using FIX = LONG;
// Any driver function; the engine casts it to its real type (void (*)() casts without warnings).
using PFN = void (*)();
using PPALETTEENTRY = void*;

// --- The driver's function table --------------------------------------------------------------

struct DRVFN {
  ULONG iFunc;  // DDI index
  PFN pfn;
};

struct DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;  // entries of pdrvfn
  DRVFN* pdrvfn;
};

inline constexpr ULONG DDI_DRIVER_VERSION_NT4 = 0x20000;
inline constexpr ULONG DDI_ERROR = 0xFFFFFFFF;

// DDI indices: the engine finds each function by its index, never by its position in the table.
inline constexpr ULONG INDEX_DrvEnablePDEV = 0;
inline constexpr ULONG INDEX_DrvCompletePDEV = 1;
inline constexpr ULONG INDEX_DrvDisablePDEV = 2;
inline constexpr ULONG INDEX_DrvEnableSurface = 3;
inline constexpr ULONG INDEX_DrvDisableSurface = 4;
inline constexpr ULONG INDEX_DrvResetPDEV = 7;
inline constexpr ULONG INDEX_DrvRealizeBrush = 12;
inline constexpr ULONG INDEX_DrvStrokePath = 14;
inline constexpr ULONG INDEX_DrvFillPath = 15;
inline constexpr ULONG INDEX_DrvStrokeAndFillPath = 16;
inline constexpr ULONG INDEX_DrvPaint = 17;
inline constexpr ULONG INDEX_DrvBitBlt = 18;
inline constexpr ULONG INDEX_DrvCopyBits = 19;
inline constexpr ULONG INDEX_DrvStretchBlt = 20;
inline constexpr ULONG INDEX_DrvTextOut = 23;
inline constexpr ULONG INDEX_DrvEscape = 24;
inline constexpr ULONG INDEX_DrvSendPage = 32;
inline constexpr ULONG INDEX_DrvStartPage = 33;
inline constexpr ULONG INDEX_DrvEndDoc = 34;
inline constexpr ULONG INDEX_DrvStartDoc = 35;
inline constexpr ULONG INDEX_DrvDestroyFont = 43;
inline constexpr ULONG INDEX_DrvStartBanding = 57;
inline constexpr ULONG INDEX_DrvNextBand = 58;
inline constexpr ULONG INDEX_LAST = 89;

// --- Records the driver fills -----------------------------------------------------------------

using LDECI4 = LONG;

struct CIECHROMA {
  LDECI4 x;
  LDECI4 y;
  LDECI4 Y;
};

struct COLORINFO {
  CIECHROMA Red;
  CIECHROMA Green;
  CIECHROMA Blue;
  CIECHROMA Cyan;
  CIECHROMA Magenta;
  CIECHROMA Yellow;
  CIECHROMA AlignmentWhite;
  LDECI4 RedGamma;
  LDECI4 GreenGamma;
  LDECI4 BlueGamma;
  LDECI4 MagentaInCyanDye;
  LDECI4 YellowInCyanDye;
  LDECI4 CyanInMagentaDye;
  LDECI4 YellowInMagentaDye;
  LDECI4 CyanInYellowDye;
  LDECI4 MagentaInYellowDye;
};

struct GDIINFO {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;
  ULONG ulVertRes;
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  ULONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
  ULONG flTextCaps;
  ULONG ulDACRed;
  ULONG ulDACGreen;
  ULONG ulDACBlue;
  ULONG ulAspectX;
  ULONG ulAspectY;
  ULONG ulAspectXY;
  LONG xStyleStep;
  LONG yStyleStep;
  LONG denStyleStep;
  POINTL ptlPhysOffset;
  SIZEL szlPhysSize;
  ULONG ulNumPalReg;
  COLORINFO ciDevice;
  ULONG ulDevicePelsDPI;
  ULONG ulPrimaryOrder;
  ULONG ulHTPatternSize;
  ULONG ulHTOutputFormat;
  ULONG flHTFlags;
  ULONG ulVRefresh;
  ULONG ulBltAlignment;
  ULONG ulPanningHorzRes;
  ULONG ulPanningVertRes;
};

struct DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  USHORT cxDither;
  USHORT cyDither;
  HPALETTE hpalDefault;
};

inline constexpr ULONG DT_RASPRINTER = 2;
inline constexpr FLONG GCAPS_BEZIERS = 0x1;
inline constexpr FLONG GCAPS_ALTERNATEFILL = 0x4;
inline constexpr FLONG GCAPS_WINDINGFILL = 0x8;
inline constexpr FLONG GCAPS_HALFTONE = 0x10;
inline constexpr FLONG GCAPS_OPAQUERECT = 0x100;
inline constexpr FLONG GCAPS_DONTJOURNAL = 0x2000;

// --- Surfaces ---------------------------------------------------------------------------------

inline constexpr ULONG BMF_1BPP = 1;
inline constexpr ULONG BMF_4BPP = 2;
inline constexpr ULONG BMF_8BPP = 3;
inline constexpr ULONG BMF_16BPP = 4;
inline constexpr ULONG BMF_24BPP = 5;
inline constexpr ULONG BMF_32BPP = 6;
inline constexpr ULONG BMF_4RLE = 7;
inline constexpr ULONG BMF_8RLE = 8;

inline constexpr USHORT BMF_TOPDOWN = 0x1;
inline constexpr USHORT BMF_NOZEROINIT = 0x2;

inline constexpr USHORT STYPE_BITMAP = 0;
inline constexpr USHORT STYPE_DEVICE = 1;
inline constexpr USHORT STYPE_DEVBITMAP = 3;

inline constexpr FLONG HOOK_BITBLT = 0x1;
inline constexpr FLONG HOOK_STRETCHBLT = 0x2;
inline constexpr FLONG HOOK_PLGBLT = 0x4;
inline constexpr FLONG HOOK_TEXTOUT = 0x8;
inline constexpr FLONG HOOK_PAINT = 0x10;
inline constexpr FLONG HOOK_STROKEPATH = 0x20;
inline constexpr FLONG HOOK_FILLPATH = 0x40;
inline constexpr FLONG HOOK_STROKEANDFILLPATH = 0x80;
inline constexpr FLONG HOOK_COPYBITS = 0x400;

struct SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;  // the first row in memory order of the picture's top row
  LONG lDelta;    // bytes from one picture row to the next; negative for bottom-up bitmaps
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
};

// A device surface: no bits. The driver associates it with its device.
HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
BOOL EngMarkBandingSurface(HSURF hsurf);
BOOL EngDeleteSurface(HSURF hsurf);
// An engine bitmap of a format 1-8. Rows take |lWidth| bytes (the caller's stride); with null
// bits the engine allocates zero-filled memory. A width or height of 0 fails. `fl` may hold
// BMF_TOPDOWN.
HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);
SURFOBJ* EngLockSurface(HSURF hsurf);
void EngUnlockSurface(SURFOBJ* pso);
// The engine's abort flag of the job drawn on the surface.
BOOL EngCheckAbort(SURFOBJ* pso);

// --- Palettes and colour translations ---------------------------------------------------------

inline constexpr ULONG PAL_INDEXED = 0x1;
inline constexpr ULONG PAL_BITFIELDS = 0x2;
inline constexpr ULONG PAL_RGB = 0x4;
inline constexpr ULONG PAL_BGR = 0x8;

HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                          FLONG flGreen, FLONG flBlue);
BOOL EngDeletePalette(HPALETTE hpal);

inline constexpr FLONG XO_TRIVIAL = 0x1;
inline constexpr FLONG XO_TABLE = 0x2;

struct XLATEOBJ {
  ULONG iUniq;
  FLONG flXlate;
  USHORT iSrcType;
  USHORT iDstType;
  ULONG cEntries;
  ULONG* pulXlate;  // null when the caller asks the driver to use XLATEOBJ_piVector
};

// The entry `iColor` of the translation; an index beyond the table, or no table, passes through.
ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
// The translation's table of cEntries values.
ULONG* XLATEOBJ_piVector(XLATEOBJ* pxlo);

// Copies between surfaces. The stand-in decodes a run-length source (BMF_4RLE, BMF_8RLE) into an
// 8-bit top-down bitmap, through the translation (the low byte of XLATEOBJ_iXlate; null is the
// identity); any other pair of formats answers FALSE.
struct CLIPOBJ;
BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc);

// --- Paths ------------------------------------------------------------------------------------

// A point in 28.4 fixed point: pixels × 16.
struct POINTFIX {
  FIX x;
  FIX y;
};

inline constexpr FLONG PD_BEGINSUBPATH = 0x1;
inline constexpr FLONG PD_ENDSUBPATH = 0x2;
inline constexpr FLONG PD_RESETSTYLE = 0x4;
inline constexpr FLONG PD_CLOSEFIGURE = 0x8;
inline constexpr FLONG PD_BEZIERS = 0x10;

inline constexpr FLONG PO_BEZIERS = 0x1;
inline constexpr FLONG PO_ELLIPSE = 0x2;

struct PATHDATA {
  FLONG flags;
  ULONG count;
  POINTFIX* pptfx;
};

struct PATHOBJ {
  FLONG fl;
  ULONG cCurves;
};

void PATHOBJ_vEnumStart(PATHOBJ* ppo);
// Fills the next record: TRUE while more records follow, FALSE together with the last record
// (which carries data). An empty path gives one record of 0 points and FALSE.
BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTL* prcl);
void EngDeletePath(PATHOBJ* ppo);

// --- Clips ------------------------------------------------------------------------------------

inline constexpr BYTE DC_TRIVIAL = 0;
inline constexpr BYTE DC_RECT = 1;
inline constexpr BYTE DC_COMPLEX = 3;
inline constexpr BYTE FC_RECT = 1;
inline constexpr BYTE FC_RECT4 = 2;
inline constexpr BYTE FC_COMPLEX = 3;
inline constexpr BYTE TC_RECTANGLES = 0;
inline constexpr BYTE TC_PATHOBJ = 2;
inline constexpr ULONG CT_RECTANGLES = 0;
inline constexpr ULONG CD_RIGHTDOWN = 0;
inline constexpr ULONG CD_LEFTDOWN = 1;
inline constexpr ULONG CD_RIGHTUP = 2;
inline constexpr ULONG CD_LEFTUP = 3;
inline constexpr ULONG CD_ANY = 4;

struct CLIPOBJ {
  ULONG iUniq;
  RECTL rclBounds;
  BYTE iDComplexity;
  BYTE iFComplexity;
  BYTE iMode;
  BYTE fjOptions;
};

struct ENUMRECTS {
  ULONG c;
  RECTL arcl[1];
};

// The number of rectangles, or 0xFFFFFFFF when a non-zero cLimit is exceeded. Restarts the
// enumeration.
ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit);
// Fills at most (cj − 4) / 16 rectangles: TRUE while more follow, FALSE with the last batch.
BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);
// A new path of the clip (one closed subpath per rectangle, or the clip's own path), freed with
// EngDeletePath.
PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco);

// --- Brushes ----------------------------------------------------------------------------------

inline constexpr ULONG HS_HORIZONTAL = 0;
inline constexpr ULONG HS_VERTICAL = 1;
inline constexpr ULONG HS_FDIAGONAL = 2;
inline constexpr ULONG HS_BDIAGONAL = 3;
inline constexpr ULONG HS_CROSS = 4;
inline constexpr ULONG HS_DIAGCROSS = 5;
inline constexpr ULONG HS_DDI_MAX = 6;

struct BRUSHOBJ {
  ULONG iSolidColor;  // 0x00BBGGRR, or 0xFFFFFFFF for a brush that must be realized
  PVOID pvRbrush;
  FLONG flColorType;
};

// The realized brush, which the engine has the driver make (DrvRealizeBrush) when there is none.
PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
// Engine memory for the realized brush, freed with the brush.
PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);
ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo);

// --- Transforms -------------------------------------------------------------------------------

inline constexpr ULONG XF_LTOL = 0;
inline constexpr ULONG XF_INV_LTOL = 1;
inline constexpr ULONG XF_LTOFX = 2;
inline constexpr ULONG XF_INV_FXTOL = 3;

inline constexpr ULONG GX_IDENTITY = 0;
inline constexpr ULONG GX_OFFSET = 1;
inline constexpr ULONG GX_SCALE = 2;
inline constexpr ULONG GX_GENERAL = 3;

struct XFORMOBJ {
  ULONG ulReserved;
};

struct XFORML {
  FLOATL eM11;
  FLOATL eM12;
  FLOATL eM21;
  FLOATL eM22;
  FLOATL eDx;
  FLOATL eDy;
};

// Transforms points: x' = x·eM11 + y·eM21 + eDx, y' = x·eM12 + y·eM22 + eDy. Mode XF_LTOL works on
// POINTL and rounds half away from zero; XF_LTOFX gives POINTFIX. pvIn may equal pvOut.
BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut);
// The matrix as floating-point objects; the answer is the transform's complexity (GX_...).
ULONG XFORMOBJ_iGetFloatObjXform(XFORMOBJ* pxo, FLOATOBJ_XFORM* pxfo);
ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);

// --- Line attributes --------------------------------------------------------------------------

inline constexpr FLONG LA_GEOMETRIC = 0x1;
inline constexpr FLONG LA_ALTERNATE = 0x2;
inline constexpr FLONG LA_STARTGAP = 0x4;
inline constexpr FLONG LA_STYLED = 0x8;
inline constexpr ULONG JOIN_ROUND = 0;
inline constexpr ULONG JOIN_BEVEL = 1;
inline constexpr ULONG JOIN_MITER = 2;
inline constexpr ULONG ENDCAP_ROUND = 0;
inline constexpr ULONG ENDCAP_SQUARE = 1;
inline constexpr ULONG ENDCAP_BUTT = 2;

union FLOAT_LONG {
  FLOATL e;
  LONG l;
};

struct LINEATTRS {
  FLONG fl;
  ULONG iJoin;
  ULONG iEndCap;
  FLOAT_LONG elWidth;
  FLOATL eMiterLimit;
  ULONG cstyle;
  FLOAT_LONG* pstyle;
  FLOAT_LONG elStyleState;
};

// Mixes and fill options.
inline constexpr FLONG FP_ALTERNATEMODE = 1;
inline constexpr FLONG FP_WINDINGMODE = 2;
inline constexpr MIX R2_COPYPEN = 13;

// --- Fonts and strings ------------------------------------------------------------------------

inline constexpr FLONG FO_TYPE_RASTER = 0x1;
inline constexpr FLONG FO_TYPE_DEVICE = 0x2;
inline constexpr FLONG FO_TYPE_TRUETYPE = 0x4;
inline constexpr FLONG FO_SIM_BOLD = 0x2000;
inline constexpr FLONG FO_SIM_ITALIC = 0x4000;
inline constexpr FLONG FO_EM_HEIGHT = 0x8000;
inline constexpr FLONG FO_GRAY16 = 0x10000;
inline constexpr FLONG FO_NOGRAY16 = 0x20000;
inline constexpr FLONG FO_NOHINTS = 0x40000;
inline constexpr FLONG FO_NO_CHOICE = 0x80000;
inline constexpr FLONG FO_VERT_FACE = 0x800000;

struct FONTOBJ {
  ULONG iUniq;
  ULONG iFace;
  ULONG cxMax;
  FLONG flFontType;
  ULONG_PTR iTTUniq;
  ULONG_PTR iFile;
  SIZEL sizLogResPpi;
  ULONG ulStyleSize;
  PVOID pvConsumer;
  PVOID pvProducer;
};

struct GLYPHBITS {
  POINTL ptlOrigin;
  SIZEL sizlBitmap;
  BYTE aj[1];  // rows of (cx + 7) / 8 bytes, most significant bit leftmost
};

union GLYPHDEF {
  GLYPHBITS* pgb;
  PATHOBJ* ppo;
};

struct GLYPHPOS {
  HGLYPH hg;
  GLYPHDEF* pgdf;
  POINTL ptl;
};

inline constexpr FLONG SO_FLAG_DEFAULT_PLACEMENT = 0x1;
inline constexpr FLONG SO_HORIZONTAL = 0x2;
inline constexpr FLONG SO_VERTICAL = 0x4;
inline constexpr FLONG SO_REVERSED = 0x8;
inline constexpr FLONG SO_ZERO_BEARINGS = 0x10;
inline constexpr FLONG SO_CHAR_INC_EQUAL_BM_BASE = 0x20;
inline constexpr FLONG SO_MAXEXT_EQUAL_BM_SIDE = 0x40;
inline constexpr FLONG SO_DO_NOT_SUBSTITUTE_DEVICE_FONT = 0x80;
inline constexpr FLONG SO_GLYPHINDEX_TEXTOUT = 0x100;

struct STROBJ {
  ULONG cGlyphs;
  FLONG flAccel;
  ULONG ulCharInc;
  RECTL rclBkGround;
  GLYPHPOS* pgp;   // null when the driver must enumerate
  LPWSTR pwszOrg;  // null for glyph-index text
};

inline constexpr ULONG FO_HGLYPHS = 0;
inline constexpr ULONG FO_GLYPHBITS = 1;
inline constexpr ULONG FO_PATHOBJ = 2;

using FWORD = SHORT;
using UFWORD = USHORT;
using PTRDIFF = std::ptrdiff_t;

struct PANOSE {
  BYTE bFamilyType;
  BYTE bSerifStyle;
  BYTE bWeight;
  BYTE bProportion;
  BYTE bContrast;
  BYTE bStrokeVariation;
  BYTE bArmStyle;
  BYTE bLetterform;
  BYTE bMidline;
  BYTE bXHeight;
};

inline constexpr FLONG FM_INFO_TECH_TRUETYPE = 0x1;
inline constexpr FLONG FM_INFO_TECH_BITMAP = 0x2;
inline constexpr FLONG FM_INFO_CONSTANT_WIDTH = 0x1000;
inline constexpr USHORT FM_SEL_ITALIC = 0x1;
inline constexpr USHORT FM_SEL_UNDERSCORE = 0x2;
inline constexpr USHORT FM_SEL_NEGATIVE = 0x4;
inline constexpr USHORT FM_SEL_OUTLINED = 0x8;
inline constexpr USHORT FM_SEL_STRIKEOUT = 0x10;
inline constexpr USHORT FM_SEL_BOLD = 0x20;
inline constexpr USHORT FM_SEL_REGULAR = 0x40;

// The font's metrics. The dp... fields are byte offsets from the record's start to data inside
// the same block (zero-terminated UTF-16 names; dpCharSets a byte list of character sets ended by
// DEFAULT_CHARSET, 1).
struct IFIMETRICS {
  ULONG cjThis;
  ULONG cjIfiExtra;
  PTRDIFF dpwszFamilyName;
  PTRDIFF dpwszStyleName;
  PTRDIFF dpwszFaceName;
  PTRDIFF dpwszUniqueName;
  PTRDIFF dpFontSim;
  LONG lEmbedId;
  LONG lItalicAngle;
  LONG lCharBias;
  PTRDIFF dpCharSets;
  BYTE jWinCharSet;
  BYTE jWinPitchAndFamily;
  USHORT usWinWeight;
  ULONG flInfo;
  USHORT fsSelection;
  USHORT fsType;
  FWORD fwdUnitsPerEm;
  FWORD fwdLowestPPEm;
  FWORD fwdWinAscender;
  FWORD fwdWinDescender;
  FWORD fwdMacAscender;
  FWORD fwdMacDescender;
  FWORD fwdMacLineGap;
  FWORD fwdTypoAscender;
  FWORD fwdTypoDescender;
  FWORD fwdTypoLineGap;
  FWORD fwdAveCharWidth;
  FWORD fwdMaxCharInc;
  FWORD fwdCapHeight;
  FWORD fwdXHeight;
  FWORD fwdSubscriptXSize;
  FWORD fwdSubscriptYSize;
  FWORD fwdSubscriptXOffset;
  FWORD fwdSubscriptYOffset;
  FWORD fwdSuperscriptXSize;
  FWORD fwdSuperscriptYSize;
  FWORD fwdSuperscriptXOffset;
  FWORD fwdSuperscriptYOffset;
  FWORD fwdUnderscoreSize;
  FWORD fwdUnderscorePosition;
  FWORD fwdStrikeoutSize;
  FWORD fwdStrikeoutPosition;
  BYTE chFirstChar;
  BYTE chLastChar;
  BYTE chDefaultChar;
  BYTE chBreakChar;
  WCHAR wcFirstChar;
  WCHAR wcLastChar;
  WCHAR wcDefaultChar;
  WCHAR wcBreakChar;
  POINTL ptlBaseline;
  POINTL ptlAspect;
  POINTL ptlCaret;
  RECTL rclFontBox;
  BYTE achVendId[4];
  ULONG cKerningPairs;
  ULONG ulPanoseCulture;
  PANOSE panose;
};

inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE SYMBOL_CHARSET = 2;

IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo);
XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo);
// A read-only view of the whole TrueType file (a whole collection for one of its faces); null for
// a font without a file.
PVOID FONTOBJ_pvTrueTypeFontFile(FONTOBJ* pfo, ULONG* pcjFile);
// In mode FO_GLYPHBITS: one glyph's bits (the engine keeps them until the driver's call returns).
// The answer is the number of glyphs given (1), or 0 for an unknown glyph.
ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph);

void STROBJ_vEnumStart(STROBJ* pstro);
// The next batch of glyph positions: TRUE while more follow, FALSE with the last batch, DDI_ERROR
// on failure.
BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos);
DWORD STROBJ_dwGetCodePage(STROBJ* pstro);

// --- The driver's functions -------------------------------------------------------------------

struct COLORADJUSTMENT {
  WORD caSize;
  WORD caFlags;
  WORD caIlluminantIndex;
  WORD caRedGamma;
  WORD caGreenGamma;
  WORD caBlueGamma;
  WORD caReferenceBlack;
  WORD caReferenceWhite;
  SHORT caContrast;
  SHORT caBrightness;
  SHORT caColorfulness;
  SHORT caRedGreenTint;
};

inline constexpr FLONG ED_ABORTDOC = 1;

using PFN_DrvEnableDriver = BOOL (*)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
using PFN_DrvDisableDriver = void (*)();
using PFN_DrvEnablePDEV = DHPDEV (*)(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat,
                                     HSURF* phsurfPatterns, ULONG cjCaps, ULONG* pdevcaps,
                                     ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                     LPWSTR pwszDeviceName, HANDLE hDriver);
using PFN_DrvCompletePDEV = void (*)(DHPDEV dhpdev, HDEV hdev);
using PFN_DrvDisablePDEV = void (*)(DHPDEV dhpdev);
using PFN_DrvEnableSurface = HSURF (*)(DHPDEV dhpdev);
using PFN_DrvDisableSurface = void (*)(DHPDEV dhpdev);
using PFN_DrvResetPDEV = BOOL (*)(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
using PFN_DrvStartDoc = BOOL (*)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
using PFN_DrvEndDoc = BOOL (*)(SURFOBJ* pso, FLONG fl);
using PFN_DrvStartPage = BOOL (*)(SURFOBJ* pso);
using PFN_DrvSendPage = BOOL (*)(SURFOBJ* pso);
using PFN_DrvRealizeBrush = BOOL (*)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern,
                                     SURFOBJ* psoMask, XLATEOBJ* pxlo, ULONG iHatch);
using PFN_DrvStrokePath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                   BRUSHOBJ* pbo, POINTL* pptlBrushOrg, LINEATTRS* plineattrs,
                                   MIX mix);
using PFN_DrvFillPath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                                 POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
using PFN_DrvStrokeAndFillPath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco,
                                          XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                          POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
using PFN_DrvPaint = BOOL (*)(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                              MIX mix);
using PFN_DrvBitBlt = BOOL (*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                               XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                               BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
using PFN_DrvCopyBits = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                 RECTL* prclDest, POINTL* pptlSrc);
using PFN_DrvStretchBlt = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                   CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                   POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                   POINTL* pptlMask, ULONG iMode);
using PFN_DrvTextOut = BOOL (*)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
using PFN_DrvDestroyFont = void (*)(FONTOBJ* pfo);
using PFN_DrvEscape = ULONG (*)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                PVOID pvOut);
using PFN_DrvStartBanding = BOOL (*)(SURFOBJ* pso, POINTL* pptl);
using PFN_DrvNextBand = BOOL (*)(SURFOBJ* pso, POINTL* pptl);
