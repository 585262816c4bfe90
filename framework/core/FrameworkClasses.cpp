// The framework's registration table. A new persistent class adds one line here.

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GBin.h"
#include "framework/core/GBinaryData.h"
#include "framework/core/GCapabilities.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GCountedPtr.h"
#include "framework/core/GCustomMediaSize.h"
#include "framework/core/GDynamicLibrary.h"
#include "framework/core/GEnumAttribute.h"
#include "framework/core/GLocaleInfo.h"
#include "framework/core/GMedia.h"
#include "framework/core/GMediaPool.h"
#include "framework/core/GPMDVersionInfo.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GPeripheralProxy.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/GPrinter.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GRecord.h"
#include "framework/core/GResourceMapping.h"
#include "framework/core/GResourceMappingList.h"
#include "framework/core/GSelectionString.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GTray.h"
#include "framework/core/GTrayPool.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/MPersistentAssociation.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/MPersistentCompositeOnDisk.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GPostScript.h"
#include "framework/output/GPJL.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GGlyphCache.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "framework/output/fonts/GTTTableCache.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GBitmapImp.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GCap.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GClipToPath.h"
#include "framework/pipeline/GClipToRectangle.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GCommandCompositeOnDisk.h"
#include "framework/pipeline/GDashedPen.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GEllipseGraphic.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GFitToSizeFilter.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GGraphicComposite.h"
#include "framework/pipeline/GHatchPattern.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GJoint.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GBookletFilter.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "framework/pipeline/GPathGraphic.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GPolyBezierGraphic.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GRasterPaint.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GScalePageFilter.h"
#include "framework/pipeline/GTextGraphic.h"
#include "framework/pipeline/GTextStringGraphic.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "framework/pipeline/GWatermarkFilter.h"
#include <iterator>
#include "vel_flavour.h"

namespace {

template <typename T>
RWClassRegistration Entry() {
  return RWClassRegistration{&T::Create, T::ClassId(), T::ClassName()};
}

}  // namespace

const RWClassRegistration* GFrameworkClasses(std::size_t* count) {
  // Made on first use, so that a registration made during start-up never sees an empty table.
  // The add-on classes come first, so that the render flavour's table can start behind them: the
  // render module loads no add-on libraries, and stored data must never make it try.
  static const RWClassRegistration classes[] = {
      Entry<GPeripheralProxy>(),
      Entry<GDynamicLibrary>(),
      Entry<MPersistentComposite>(),
      Entry<GConfiguration>(),
      Entry<GCountedPtr>(),
      Entry<GPersistableLong>(),
      Entry<GPersistableULong>(),
      Entry<GPMDVersionInfo>(),
      Entry<GLocaleInfo>(),
      Entry<GValueAttribute>(),
      Entry<GStringAttribute>(),
      Entry<GRangeAttribute>(),
      Entry<GAttributeComposite>(),
      Entry<GState>(),
      Entry<GEnumAttribute>(),
      Entry<GSelectionString>(),
      Entry<GBinaryData>(),
      Entry<GMedia>(),
      Entry<GCustomMediaSize>(),
      Entry<GTray>(),
      Entry<GBin>(),
      Entry<GCapabilities>(),
      Entry<GPaperHandlingDevice>(),
      Entry<GTrayPool>(),
      Entry<GMediaPool>(),
      Entry<MPersistentAssociation>(),
      Entry<MAssociationList>(),
      Entry<GResourceMapping>(),
      Entry<GResourceMappingList>(),
      Entry<GDocumentStart>(),
      Entry<GDocumentEnd>(),
      Entry<GPageStart>(),
      Entry<GPageEnd>(),
      Entry<GJobAbort>(),
      Entry<GErrorCommand>(),
      Entry<GNoCommand>(),
      Entry<GNullCommand>(),
      Entry<GPassThroughCommand>(),
      Entry<GCommandComposite>(),
      Entry<GCommandCompositeOnDisk>(),
      Entry<GNupFilter>(),
      Entry<GFitToSizeFilter>(),
      Entry<GScalePageFilter>(),
      Entry<GWatermarkFilter>(),
      Entry<GBookletFilter>(),
      Entry<GPen>(),
      Entry<GNoPen>(),
      Entry<GDashedPen>(),
      Entry<GCap>(),
      Entry<GJoint>(),
      Entry<GMiterJoint>(),
      Entry<GBrush>(),
      Entry<GNoBrush>(),
      Entry<GRGBColor>(),
      Entry<GColorPaint>(),
      Entry<GTransformAttribute>(),
      Entry<GRasterOperation>(),
      Entry<GFillMode>(),
      Entry<GPeripheralComposite>(),
      Entry<GPrinter>(),
      Entry<MPersistentCompositeOnDisk>(),
      Entry<MPersistentCompositeOnDiskImp>(),
      Entry<GRecord>(),
      Entry<GRecordProxy>(),
      Entry<GRecordComposite>(),
      Entry<GTextString>(),
      Entry<GTextEscapements>(),
      Entry<GDeviceFontDescription>(),
      Entry<GDeviceFontList>(),
      Entry<GDeviceFontListComposite>(),
      Entry<GKestrix>(),
      Entry<GPostScript>(),
      Entry<GPJL>(),
      Entry<GGraphicBundle>(),
      Entry<GRectangleGraphic>(),
      Entry<GGraphicComposite>(),
      Entry<GPathGraphic>(),
      Entry<GClipToRectangle>(),
      Entry<GClipToPath>(),
      Entry<GClipToPage>(),
      Entry<GClipToSingleRectangle>(),
      Entry<GTTTableCache>(),
      Entry<GGlyphCache>(),
      Entry<GGlyphCacheNode>(),
      Entry<GTTFontFile>(),
      Entry<GPaletteTable>(),
      Entry<GDitherMatrix>(),
      Entry<GBitmapImp>(),
      Entry<GBitmap>(),
      Entry<GRasterGraphic>(),
      Entry<GTextGraphic>(),
      Entry<GTextStringGraphic>(),
      Entry<GEllipseGraphic>(),
      Entry<GPolyBezierGraphic>(),
      Entry<GPolyBezierToGraphic>(),
      Entry<GPolyLineGraphic>(),
      Entry<GPolyLineToGraphic>(),
      Entry<GRasterPaintImp>(),
      Entry<GRasterPaint>(),
      Entry<GHatchPattern>(),
  };
  constexpr std::size_t kUserModeOnly = 2;
  const std::size_t skipped = vel::flavour::kIsRenderFlavour ? kUserModeOnly : 0;
  *count = std::size(classes) - skipped;
  return classes + skipped;
}

void GRegisterFrameworkClasses() {
  std::size_t count = 0;
  const RWClassRegistration* classes = GFrameworkClasses(&count);
  RWRegisterClasses(classes, count);
}

void GUnregisterFrameworkClasses() {
  std::size_t count = 0;
  const RWClassRegistration* classes = GFrameworkClasses(&count);
  RWUnregisterClasses(classes, count);
}
