// The PCL XL vendor-unique operator and its extensions.
#include "framework/output/pclxl/XLVendorOperators.h"

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStreamInternal.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

void Extension(XLStream* stream, std::uint16_t extension) {
  XLUInt32(stream, XLVendorCode(extension));
  XLWriteAttribute(stream, kXLAttrVUExtension);
}

// The fixed extensions' two leading attributes: 0x93 ubyte, then 0x94 as a ubyte or uint16.
template <typename Attr94>
void FixedExtension(XLStream* stream, std::uint16_t extension, std::uint8_t attr93, Attr94 attr94) {
  Extension(stream, extension);
  XLUByte(stream, attr93);
  XLWriteAttribute(stream, kXLAttrVUAttr1);
  vel::xl::Value(stream, attr94);
  XLWriteAttribute(stream, kXLAttrVUAttr2);
  XLWriteOperator(stream, kXLOpVendorUnique);
}

}  // namespace

void XLVendorUnique2002(XLStream* stream, std::uint8_t attr93) {
  Extension(stream, 0x2002);
  XLUByte(stream, attr93);
  XLWriteAttribute(stream, kXLAttrVUAttr1);
  XLWriteOperator(stream, kXLOpVendorUnique);
}

void XLVendorUnique2001(XLStream* stream, std::uint8_t attr93, std::uint8_t attr94) {
  FixedExtension(stream, 0x2001, attr93, attr94);
}

void XLVendorUnique1001(XLStream* stream, std::uint8_t attr93, std::uint16_t attr94) {
  FixedExtension(stream, 0x1001, attr93, attr94);
}

void XLVendorUnique1002(XLStream* stream, std::uint8_t attr93, std::uint16_t attr94) {
  FixedExtension(stream, 0x1002, attr93, attr94);
}

void XLVendorUniqueData(XLStream* stream,
                        std::uint8_t attr94,
                        std::uint16_t attr93,
                        const std::uint8_t* data,
                        std::uint32_t length) {
  Extension(stream, 0x1003);
  XLUByte(stream, attr94);
  XLWriteAttribute(stream, kXLAttrVUAttr2);
  XLUInt16(stream, attr93);
  XLWriteAttribute(stream, kXLAttrVUAttr1);
  XLUInt32(stream, length);
  XLWriteAttribute(stream, kXLAttrVUDataLength);
  XLWriteOperator(stream, kXLOpVendorUnique);
  XLRawBytes(stream, data, length);
}

void XLVendorUnique(XLStream* stream,
                    std::uint32_t index,
                    std::uint16_t attr93,
                    std::uint16_t attr94,
                    std::uint16_t attr95,
                    std::uint16_t attr96,
                    std::uint32_t attr97,
                    std::uint8_t attr98,
                    float attr99,
                    float attr9a,
                    std::uint16_t attr9b) {
  if (index >= kXLVendorExtensionCount) {
    vel::xl::RaiseError(stream, kXLOperatorUndefined);
    return;
  }
  const XLVendorExtension& extension = kXLVendorExtensions[index];
  XLUInt32(stream, extension.code);
  XLWriteAttribute(stream, kXLAttrVUExtension);
  if (extension.level < 5) {
    XLUInt32(stream, attr97);
    XLWriteAttribute(stream, kXLAttrVUAttr5);
  }
  if (extension.level < 4) {
    XLUInt16(stream, attr96);
    XLWriteAttribute(stream, kXLAttrVUAttr4);
    XLUInt16(stream, attr95);
    XLWriteAttribute(stream, kXLAttrVUAttr3);
    XLUInt16(stream, attr94);
    XLWriteAttribute(stream, kXLAttrVUAttr2);
    XLUInt16(stream, attr93);
    XLWriteAttribute(stream, kXLAttrVUAttr1);
  }
  if (extension.level < 3) {
    XLUByte(stream, attr98);
    XLWriteAttribute(stream, kXLAttrVUAttr6);
  }
  if (extension.level < 2) {
    XLReal32(stream, attr9a);
    XLWriteAttribute(stream, kXLAttrVUAttr8);
    XLReal32(stream, attr99);
    XLWriteAttribute(stream, kXLAttrVUAttr7);
  }
  if (extension.level == 2) {
    XLUInt16(stream, attr9b);
    XLWriteAttribute(stream, kXLAttrVUAttr9);
  }
  XLWriteOperator(stream, kXLOpVendorUnique);
}
