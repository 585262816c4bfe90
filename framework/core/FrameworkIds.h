// The class ids and attribute keys of the whole framework, in one place: every subsystem names them
// from here, never as bare numbers.
//
// Class ids (vel::classid) and attribute keys (vel::key) are separate namespaces of numbers: class
// id 101 is the graphic bundle, key 101 the language peripheral. Both are stored in object graphs
// and in the driver data file, so a value here never changes once written.
#pragma once

#include <cstdint>

#include "rw/RWDefs.h"

namespace vel::classid {

// Framework root and containers.
inline constexpr RWClassID kGBaseObject = 751;  // abstract, never registered
inline constexpr RWClassID kMPersistentComposite = 752;
inline constexpr RWClassID kGConfiguration = 759;
inline constexpr RWClassID kGCountedPtr = 773;
inline constexpr RWClassID kGPersistableLong = 777;
inline constexpr RWClassID kGPersistableULong = 778;
inline constexpr RWClassID kMPersistentAssociation = 771;
inline constexpr RWClassID kMAssociationList = 772;
inline constexpr RWClassID kMPersistentCompositeOnDisk = 781;
inline constexpr RWClassID kMPersistentCompositeOnDiskImp = 782;
inline constexpr RWClassID kGRecord = 783;
inline constexpr RWClassID kGRecordProxy = 784;
inline constexpr RWClassID kGRecordComposite = 785;

// Attributes.
inline constexpr RWClassID kGBinaryData = 4;
inline constexpr RWClassID kGAttribute = 753;  // abstract
inline constexpr RWClassID kGAttributeComposite = 757;
inline constexpr RWClassID kGState = 758;
inline constexpr RWClassID kGRangeAttribute = 762;
inline constexpr RWClassID kGValueAttribute = 763;
inline constexpr RWClassID kGEnumAttribute = 764;
inline constexpr RWClassID kGStringAttribute = 776;
inline constexpr RWClassID kGSelectionString = 1008;

// Locale, mappings and version information.
inline constexpr RWClassID kGLocaleInfo = 3;
inline constexpr RWClassID kGResourceMapping = 1004;
inline constexpr RWClassID kGResourceMappingList = 1005;
inline constexpr RWClassID kGPMDVersionInfo = 1051;

// Paper handling.
inline constexpr RWClassID kGCustomMediaSize = 775;
inline constexpr RWClassID kGTray = 1001;
inline constexpr RWClassID kGMedia = 1002;
inline constexpr RWClassID kGCapabilities = 1003;
inline constexpr RWClassID kGMediaPool = 1006;
inline constexpr RWClassID kGTrayPool = 1007;
inline constexpr RWClassID kGBin = 1009;
inline constexpr RWClassID kGPaperHandlingDevice = 1010;

// Peripherals.
inline constexpr RWClassID kGPeripheral = 760;  // abstract
inline constexpr RWClassID kGPrinter = 761;
inline constexpr RWClassID kGLanguagePeripheral = 765;
inline constexpr RWClassID kGKestrix = 767;
inline constexpr RWClassID kGPostScript = 768;
inline constexpr RWClassID kGPJL = 769;
inline constexpr RWClassID kGPeripheralComposite = 770;
inline constexpr RWClassID kGPeripheralProxy = 779;
inline constexpr RWClassID kGDynamicLibrary = 780;

// Page pipeline: graphics and clips.
inline constexpr RWClassID kGClipToRectangle = 501;
inline constexpr RWClassID kGClipToPath = 502;
inline constexpr RWClassID kGClipToPage = 503;
inline constexpr RWClassID kGClipToSingleRectangle = 504;
inline constexpr RWClassID kGGraphic = 602;  // abstract, never registered
inline constexpr RWClassID kGPathGraphic = 603;
inline constexpr RWClassID kGGraphicComposite = 607;
inline constexpr RWClassID kGShapeGraphic = 651;  // abstract, never registered
inline constexpr RWClassID kGPolyBezierGraphic = 653;
inline constexpr RWClassID kGEllipseGraphic = 655;
inline constexpr RWClassID kGPolyLineGraphic = 658;
inline constexpr RWClassID kGRectangleGraphic = 659;
inline constexpr RWClassID kGPolyBezierToGraphic = 662;
inline constexpr RWClassID kGPolyLineToGraphic = 663;
inline constexpr RWClassID kGTextGraphic = 801;
inline constexpr RWClassID kGTextStringGraphic = 804;
inline constexpr RWClassID kGClipAttribute = 756;  // abstract; the category of every clip

// Page pipeline: graphic state and commands.
inline constexpr RWClassID kGGraphicBundle = 101;
inline constexpr RWClassID kGTransformAttribute = 103;
inline constexpr RWClassID kGCommand = 601;
inline constexpr RWClassID kGCommandComposite = 605;
inline constexpr RWClassID kGCommandCompositeOnDisk = 606;
inline constexpr RWClassID kGPassThroughCommand = 608;
inline constexpr RWClassID kGDocumentCommand = 704;  // abstract, never registered
inline constexpr RWClassID kGDocumentStart = 705;
inline constexpr RWClassID kGDocumentEnd = 706;
inline constexpr RWClassID kGPageCommand = 708;  // abstract, never registered
inline constexpr RWClassID kGPageStart = 709;
inline constexpr RWClassID kGPageEnd = 710;
inline constexpr RWClassID kGNullCommand = 712;
inline constexpr RWClassID kGJobAbort = 713;
inline constexpr RWClassID kGErrorCommand = 714;
inline constexpr RWClassID kGNoCommand = 715;

// Page filters.
inline constexpr RWClassID kGNupFilter = 1101;
inline constexpr RWClassID kGWatermarkFilter = 1102;
inline constexpr RWClassID kGFitToSizeFilter = 1103;
inline constexpr RWClassID kGScalePageFilter = 1104;
inline constexpr RWClassID kGBookletFilter = 1105;

// Page pipeline: raster images.
inline constexpr RWClassID kGBitmap = 551;
inline constexpr RWClassID kGBitmapImp = 552;
inline constexpr RWClassID kGPaletteTable = 553;
// A hatch keeps an id of its own, apart from 554 (a pattern that output scales by the resolution).
inline constexpr RWClassID kGHatchPattern = 555;
// The kind a bitmap reports when output scales it by the resolution as a pattern.
inline constexpr RWClassID kResolutionScaledPattern = 554;
inline constexpr RWClassID kGRasterGraphic = 604;
inline constexpr RWClassID kGDitherMatrix = 774;

// Graphic-state attributes, colours and paints.
inline constexpr RWClassID kGColor = 51;  // abstract
inline constexpr RWClassID kGRGBColor = 53;
inline constexpr RWClassID kGFillMode = 102;
inline constexpr RWClassID kGPaint = 151;  // abstract
inline constexpr RWClassID kGColorPaint = 152;
inline constexpr RWClassID kGRasterPaint = 153;
inline constexpr RWClassID kGRasterPaintImp = 154;
inline constexpr RWClassID kGPen = 201;
inline constexpr RWClassID kGNoPen = 202;
inline constexpr RWClassID kGDashedPen = 203;
inline constexpr RWClassID kGBrush = 251;
inline constexpr RWClassID kGNoBrush = 252;
inline constexpr RWClassID kGCap = 301;
inline constexpr RWClassID kGJoint = 351;
inline constexpr RWClassID kGMiterJoint = 352;
inline constexpr RWClassID kGRasterOperation = 401;
inline constexpr RWClassID kGGraphicStateAttribute = 754;  // abstract

// Text values and printer-resident fonts.
inline constexpr RWClassID kGTextString = 802;
inline constexpr RWClassID kGTextEscapements = 803;
inline constexpr RWClassID kGDeviceFontDescription = 855;
inline constexpr RWClassID kGDeviceFontList = 856;
inline constexpr RWClassID kGDeviceFontListComposite = 873;

// Providers of status and output channels.
inline constexpr RWClassID kGStatusProvider = 952;
inline constexpr RWClassID kGSpoolerProvider = 953;
inline constexpr RWClassID kGOSBProvider = 957;

// TrueType fonts: the font file handle, its reader and the reader's caches.
inline constexpr RWClassID kGTTFontFile = 859;
inline constexpr RWClassID kGTTFontReader = 860;  // abstract, never registered
inline constexpr RWClassID kGGlyphCache = 869;
inline constexpr RWClassID kGGlyphCacheNode = 870;
inline constexpr RWClassID kGTTTableCache = 872;

// Fonts of the text commands: the font handle, its shared implementation and its metrics (all
// abstract: the render module registers the working classes).
inline constexpr RWClassID kGFont = 851;
inline constexpr RWClassID kGFontImp = 852;
inline constexpr RWClassID kGFontMetrics = 866;

}  // namespace vel::classid

namespace vel::key {

// Parts of the driver data file and of a device session.
inline constexpr std::uint32_t kTrayMappingList = 84;
inline constexpr std::uint32_t kMediaMappingList = 191;
inline constexpr std::uint32_t kHeadPeripheral = 353;  // the peripheral chain's head

// Peripherals and their states.
inline constexpr std::uint32_t kPrinterPeripheral = 76;    // the GPrinter inside the head
inline constexpr std::uint32_t kLanguagePeripheral = 101;  // child of the printer, and job state
inline constexpr std::uint32_t kPJLPeripheral = 106;       // child of the printer, and job state
inline constexpr std::uint32_t kPeripheralConfiguration = 198;
inline constexpr std::uint32_t kPeripheralState = 243;  // a peripheral's job and page states
inline constexpr std::uint32_t kGraphicsGroup = 244;    // bundle of a graphic command
inline constexpr std::uint32_t kDocumentGroup = 246;    // bundle of a document command
inline constexpr std::uint32_t kPageGroup = 256;        // bundle of a page command
inline constexpr std::uint32_t kLanguageName = 373;     // a language peripheral's name

// The kinds of attribute a graphic bundle holds, each under its own key.
inline constexpr std::uint32_t kBundleBrush = 154;
inline constexpr std::uint32_t kBundlePen = 160;
inline constexpr std::uint32_t kBundleCap = 166;
inline constexpr std::uint32_t kBundleJoint = 172;
inline constexpr std::uint32_t kBundleClip = 177;
inline constexpr std::uint32_t kBundleFillMode = 182;
inline constexpr std::uint32_t kBundleRasterOperation = 183;

// The printer configuration.
inline constexpr std::uint32_t kPaperHandlingDevices = 90;
inline constexpr std::uint32_t kMediaPool = 189;
inline constexpr std::uint32_t kMedia = 190;           // a media attribute
inline constexpr std::uint32_t kCopiesLimit = 199;     // range whose upper bound limits copies
inline constexpr std::uint32_t kDeviceMemory = 202;    // range set from detected value 307
inline constexpr std::uint32_t kDeviceValue204 = 204;  // in the device group, from 308
inline constexpr std::uint32_t kSupportedModes = 206;  // groups of (315, 316) pairs
inline constexpr std::uint32_t kDeviceFlag226 = 226;   // in the device group, from 239
inline constexpr std::uint32_t kDeviceGroup = 228;
inline constexpr std::uint32_t kDeviceCopiesFlag231 = 231;  // in the device group, from 310
inline constexpr std::uint32_t kStatusAgentAvailable = 313;
inline constexpr std::uint32_t kOption339 = 339;
inline constexpr std::uint32_t kConfigurationText = 401;
inline constexpr std::uint32_t kDeviceFontLists = 414;  // the printer's device font composite

// Device font lists, one per printer-resident font location.
inline constexpr std::uint32_t kROMAddOnFonts1 = 0x1a0;
inline constexpr std::uint32_t kROMAddOnFonts2 = 0x1a1;
inline constexpr std::uint32_t kFlashFonts1 = 0x1a2;
inline constexpr std::uint32_t kFlashFonts2 = 0x1a3;
inline constexpr std::uint32_t kDiskFonts1 = 0x1a4;
inline constexpr std::uint32_t kDiskFonts2 = 0x1a5;
inline constexpr std::uint32_t kDIMMFonts1 = 0x1a6;
inline constexpr std::uint32_t kDIMMFonts2 = 0x1a7;
inline constexpr std::uint32_t kDIMMFonts3 = 0x1ac;
inline constexpr std::uint32_t kDIMMFonts4 = 0x1ad;

// Job settings that the PJL envelope and the language back ends read (in the document group,
// 246, unless noted), and their configuration entries.
inline constexpr std::uint32_t kTrayToMediaSource = 85;  // configuration: tray -> XL media source
inline constexpr std::uint32_t kPaperToName = 192;  // configuration: paper id -> PJL / XL name
inline constexpr std::uint32_t kRawPJL = 240;
inline constexpr std::uint32_t kOutputBin = 248;
inline constexpr std::uint32_t kResolutionEnhancement = 250;
inline constexpr std::uint32_t kPageProtection = 251;
inline constexpr std::uint32_t kTonerSaving = 252;
inline constexpr std::uint32_t kDuplex = 253;
inline constexpr std::uint32_t kCollateFlag = 254;  // the PostScript back end's collate
inline constexpr std::uint32_t kScalePatterns = 277;
inline constexpr std::uint32_t kStapling = 278;
inline constexpr std::uint32_t kUserName = 282;
inline constexpr std::uint32_t kPrivateJobKey = 284;
inline constexpr std::uint32_t kJobRetention = 287;
inline constexpr std::uint32_t kDitherMatrices = 329;  // configuration: GDitherMatrix group
inline constexpr std::uint32_t kOutputBinFlag = 213;    // job state: output-bin flag

// The detected device configuration (what the status agent reports).
inline constexpr std::uint32_t kDetectedOption = 213;  // selected option of a device, 0..4
inline constexpr std::uint32_t kDetectedValue239 = 239;
inline constexpr std::uint32_t kDetectedTrayFlag = 275;
inline constexpr std::uint32_t kDetectedMemory = 307;
inline constexpr std::uint32_t kDetectedValue308 = 308;
inline constexpr std::uint32_t kDetectedValue317 = 317;
inline constexpr std::uint32_t kDetectedConfiguration = 365;

// The job attribute group: document settings parts and their attributes.
inline constexpr std::uint32_t kCustomMediaSizes = 276;
inline constexpr std::uint32_t kDocumentBundleSettings = 362;
inline constexpr std::uint32_t kPageBundleSettings = 363;
inline constexpr std::uint32_t kJobOptions = 364;
inline constexpr std::uint32_t kFurtherSettings = 366;
inline constexpr std::uint32_t kDocumentCopies = 247;
inline constexpr std::uint32_t kPageStartGroup = 249;  // also holds resolution x and y
inline constexpr std::uint32_t kPageCopies = 257;
inline constexpr std::uint32_t kTraySelection = 258;
inline constexpr std::uint32_t kSelectedMedia = 259;
inline constexpr std::uint32_t kPaperId = 260;
inline constexpr std::uint32_t kFirstPageMediaType = 261;
inline constexpr std::uint32_t kLaterPagesMediaType = 262;
inline constexpr std::uint32_t kLaterPagesTraySelection = 263;
inline constexpr std::uint32_t kUseLaterPagesTray = 264;
inline constexpr std::uint32_t kOrientation = 265;
inline constexpr std::uint32_t kScalePercentage = 269;     // "% of normal size"
inline constexpr std::uint32_t kSecondMediaRequest = 270;  // "print document on": 1 = on
inline constexpr std::uint32_t kScaleToFit = 271;          // print document on: scale to fit
inline constexpr std::uint32_t kSecondMediaPaperId = 272;
inline constexpr std::uint32_t kSecondMedia = 273;  // the paper a document is printed on
inline constexpr std::uint32_t kThirdMediaRequest = 279;
inline constexpr std::uint32_t kThirdMediaPaperId = 280;
inline constexpr std::uint32_t kThirdMedia = 281;
inline constexpr std::uint32_t kRequestedCopies = 291;
inline constexpr std::uint32_t kCollate = 292;
inline constexpr std::uint32_t kDocumentStartFlag293 = 293;
inline constexpr std::uint32_t kDocumentStartValue296 = 296;
inline constexpr std::uint32_t kDocumentStartValue297 = 297;
inline constexpr std::uint32_t kDeviceMakesCopies = 310;  // also detected, copied into 231
inline constexpr std::uint32_t kModeFirst = 315;          // also a detected device name
inline constexpr std::uint32_t kModeSecond = 316;         // also a detected device name
inline constexpr std::uint32_t kResolutionX = 322;
inline constexpr std::uint32_t kResolutionY = 323;
inline constexpr std::uint32_t kBitsPerPixel = 324;
inline constexpr std::uint32_t kMargins = 330;
inline constexpr std::uint32_t kLeftMargin = 331;
inline constexpr std::uint32_t kTopMargin = 332;
inline constexpr std::uint32_t kRightMargin = 333;
inline constexpr std::uint32_t kBottomMargin = 334;

// The n-up settings (a group in the document bundle).
inline constexpr std::uint32_t kNupGroup = 328;
inline constexpr std::uint32_t kPagesPerSheet = 266;
inline constexpr std::uint32_t kNupFrames = 267;
inline constexpr std::uint32_t kPageOrder = 268;

// The booklet settings of the document bundle: the mode (0 off, 2 binding on the right, any other
// value binding on the left; the key the document settings know as the third media request), the
// sheet media (a GMedia; the third media) and the sheet order (1 inner sheet first).
inline constexpr std::uint32_t kBookletMode = 279;
inline constexpr std::uint32_t kBookletSheetMedia = 281;
inline constexpr std::uint32_t kBookletSheetOrder = 288;

// A page kept on disk: its bundle record, and in its bundle the font file written beside it and
// the cookie of the render device whose downloaded-font table selects that file.
inline constexpr std::uint32_t kRecordedBundle = 406;
inline constexpr std::uint32_t kRecordedFontFile = 407;
inline constexpr std::uint32_t kRecordedDeviceCookie = 408;
inline constexpr std::uint32_t kNamedJobOptions = 378;
inline constexpr std::uint32_t kJobOptionsGroup = 379;
inline constexpr std::uint32_t kJobOptionsTakeNamed = 381;  // 0 = take a named entry
inline constexpr std::uint32_t kJobOptionsMode = 382;       // 2 = no job options
inline constexpr std::uint32_t kJobOptionsName = 383;
inline constexpr std::uint32_t kJobOptionsEntryName = 384;

// The watermark: the job options group (379) holds the chosen watermark, 382 says on which pages
// (0 every page, 1 the first page, anything else none) and 381 = 0 that a named watermark was
// taken; the rest describes it.
inline constexpr std::uint32_t kWatermarkGroup = kJobOptionsGroup;
inline constexpr std::uint32_t kWatermarkNamed = kJobOptionsTakeNamed;
inline constexpr std::uint32_t kWatermarkPages = kJobOptionsMode;
inline constexpr std::uint32_t kWatermarkText = 385;
inline constexpr std::uint32_t kWatermarkFontName = 386;
inline constexpr std::uint32_t kWatermarkValue387 = 387;
inline constexpr std::uint32_t kWatermarkStyle = 388;  // bit 0 bold, bits 1 to 3 style flags
inline constexpr std::uint32_t kWatermarkSize = 390;   // points
inline constexpr std::uint32_t kWatermarkValue392 = 392;
inline constexpr std::uint32_t kWatermarkValue393 = 393;
inline constexpr std::uint32_t kWatermarkValue394 = 394;
inline constexpr std::uint32_t kWatermarkValue396 = 396;
inline constexpr std::uint32_t kWatermarkValue397 = 397;
inline constexpr std::uint32_t kWatermarkRed = 398;
inline constexpr std::uint32_t kWatermarkGreen = 399;
inline constexpr std::uint32_t kWatermarkBlue = 400;

}  // namespace vel::key
