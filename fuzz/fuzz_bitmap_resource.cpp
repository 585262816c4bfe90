// Fuzz target: LoadBitmapW over an arbitrary RT_BITMAP resource of a virtual module, then the
// bitmap drawn through a mask as the pages draw their pictures.
#include <cstdint>
#include <vector>

#include "platform/CallLog.h"
#include "platform/win32/gdi/GdiFixture.h"
#include "platform/win32/gdi/wingdi.h"
#include "platform/win32/loader.h"
#include "platform/win32/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vel::platform::VirtualModule module;
  module.path = u"C:\\fuzz\\bitmaps.dll";
  vel::platform::VirtualModule::Resource bitmap;
  bitmap.type = {vel::platform::kRtBitmap, nullptr};
  bitmap.name = {1, nullptr};
  bitmap.bytes.assign(data, data + size);
  module.resources.push_back(bitmap);
  vel::platform::RegisterVirtualModule(module);
  HMODULE handle = LoadLibraryW(u"bitmaps.dll");
  if (handle == nullptr) {
    return 0;
  }
  HBITMAP loaded = LoadBitmapW(handle, MAKEINTRESOURCEW(1));
  if (loaded != nullptr) {
    BITMAP info{};
    GetObjectW(loaded, sizeof info, &info);
    HDC source = CreateCompatibleDC(nullptr);
    HDC mask = CreateCompatibleDC(nullptr);
    HBITMAP mask_bitmap = CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr);
    HGDIOBJ old_source = SelectObject(source, loaded);
    HGDIOBJ old_mask = SelectObject(mask, mask_bitmap);
    SetBkColor(source, GetPixel(source, 0, 0));
    BitBlt(mask, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old_source);
    SelectObject(mask, old_mask);
    DeleteObject(mask_bitmap);
    DeleteObject(loaded);
    DeleteDC(source);
    DeleteDC(mask);
  }
  FreeLibrary(handle);
  vel::platform::ResetGdi();
  vel::platform::ClearCallLog();
  return 0;
}
