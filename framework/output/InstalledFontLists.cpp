// The installed-font list loader.
#include "framework/output/InstalledFontLists.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GOSServices.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "platform/PathMap.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

namespace vel {
namespace {

struct Location {
  const char16_t* value_name;
  std::uint32_t key;
  std::uint32_t location_class;
};

constexpr Location kLocations[] = {
    {u"ROMAddOnFonts1", key::kROMAddOnFonts1, GDeviceFontDescription::kROMAddOn},
    {u"ROMAddOnFonts2", key::kROMAddOnFonts2, GDeviceFontDescription::kROMAddOn},
    {u"DiskFonts1", key::kDiskFonts1, GDeviceFontDescription::kDisk},
    {u"DiskFonts2", key::kDiskFonts2, GDeviceFontDescription::kDisk},
    {u"FlashFonts1", key::kFlashFonts1, GDeviceFontDescription::kFlash},
    {u"FlashFonts2", key::kFlashFonts2, GDeviceFontDescription::kFlash},
    {u"DIMMFonts1", key::kDIMMFonts1, GDeviceFontDescription::kDIMM},
    {u"DIMMFonts2", key::kDIMMFonts2, GDeviceFontDescription::kDIMM},
    {u"DIMMFonts3", key::kDIMMFonts3, GDeviceFontDescription::kDIMM},
    {u"DIMMFonts4", key::kDIMMFonts4, GDeviceFontDescription::kDIMM},
};

std::uint16_t Little16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t Little32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The file's size, with the position back at 0; -1 when it cannot be had.
std::int64_t FileSize(RWBinaryFile& file) {
  if (!file.SeekToEnd()) {
    return -1;
  }
  const std::int32_t size = file.CurOffset();
  if (size < 0 || !file.SeekTo(0)) {
    return -1;
  }
  return size;
}

// Reads `count` bytes at `offset` when they lie inside a file of `size` bytes.
bool ReadAt(RWBinaryFile& file, std::int64_t size, std::uint64_t offset, std::uint8_t* bytes,
            std::uint32_t count) {
  if (offset > static_cast<std::uint64_t>(size) ||
      count > static_cast<std::uint64_t>(size) - offset) {
    return false;
  }
  if (count == 0) {
    return true;
  }
  return file.SeekTo(static_cast<std::int32_t>(offset)) &&
         file.Read(reinterpret_cast<unsigned char*>(bytes), count);
}

// A name of the record at `record`: `length` bytes at `record` + `offset`, cut at the first NUL.
bool ReadName(RWBinaryFile& file, std::int64_t size, std::uint64_t record, std::uint32_t offset,
              std::uint16_t length, RWCString& name) {
  std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[length + 1U]);
  if (bytes == nullptr || !ReadAt(file, size, record + offset, bytes.get(), length)) {
    return false;
  }
  const void* nul = std::memchr(bytes.get(), 0, length);
  const std::size_t used =
      nul == nullptr ? length : static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) -
                                                         bytes.get());
  name = RWCString(reinterpret_cast<const char*>(bytes.get()), used);
  return true;
}

// Reads the record at `offset` into `description`; false on damage.
bool ReadRecord(RWBinaryFile& file, std::int64_t size, std::uint64_t offset,
                std::uint32_t location_class, GDeviceFontDescription& description) {
  std::uint8_t record[kFontRecordSize];
  if (!ReadAt(file, size, offset, record, kFontRecordSize)) {
    return false;
  }
  const std::uint16_t code_count = Little16(record + 24);
  GValueVector sets;
  if (code_count > 0) {
    // The first code is part of the fixed record; the others follow it.
    std::unique_ptr<std::uint8_t[]> codes(new (std::nothrow) std::uint8_t[2U * code_count]);
    if (codes == nullptr || !ReadAt(file, size, offset + 26, codes.get(), 2U * code_count)) {
      return false;
    }
    for (std::uint32_t i = 0; i < code_count; ++i) {
      if (!sets.Append(static_cast<std::int32_t>(MapFontCharacterSet(Little16(codes.get() + 2 * i))))) {
        return false;
      }
    }
  }
  RWCString name;
  RWCString second_name;
  if (!ReadName(file, size, offset, Little32(record + 6), Little16(record + 4), name) ||
      !ReadName(file, size, offset, Little32(record + 12), Little16(record + 10), second_name)) {
    return false;
  }
  const std::uint8_t flags = record[20];
  std::uint32_t flag = flags & 1U;
  std::uint32_t style_class = flags & 0xF0U;
  if (style_class > 0x50) {
    style_class = 0;
  }
  std::uint32_t technology = 0;
  switch (record[21]) {
    case 2: technology = 1; break;
    case 3: technology = 2; break;
    case 4: technology = 5; break;
    default: flag = 1; break;
  }
  const std::uint32_t char_set =
      code_count == 1 ? static_cast<std::uint32_t>(sets.At(0)) : GDeviceFontDescription::kSeveralSets;
  description = GDeviceFontDescription(
      name, second_name, char_set, sets, Little16(record + 16), Little16(record + 18), style_class,
      flag, technology, static_cast<std::int16_t>(Little16(record + 22)), 0, location_class);
  return true;
}

}  // namespace

std::uint32_t MapFontCharacterSet(std::uint32_t code) {
  switch (code) {
    case 51: case 52: case 53: case 54: case 58: case 214: return 9;
    case 55: case 153: case 211: return 7;
    case 56: case 215: return 12;
    case 57: case 213: return 8;
    case 101: case 102: case 106: case 107: case 210: return 4;
    case 103: case 208: return 5;
    case 105: case 152: case 212: return 6;
    case 108: case 151: case 209: return 14;
    case 201: return 15;
    case 202: return 17;
    case 203: return 18;
    case 204: return 19;
    case 205: return 21;
    case 206: return 23;
    case 207: return 16;
    case 216: return 22;
    default: return 0;
  }
}

std::uint32_t LocationClassOfKey(std::uint32_t key) {
  for (const Location& location : kLocations) {
    if (location.key == key) {
      return location.location_class;
    }
  }
  return GDeviceFontDescription::kOtherLocation;
}

bool ReadFontListHeader(RWBinaryFile& file, FontListHeader& header) {
  std::uint8_t bytes[kFontListHeaderSize];
  if (!file.IsOpen() || !file.SeekTo(0) ||
      !file.Read(reinterpret_cast<unsigned char*>(bytes), sizeof(bytes))) {
    return false;
  }
  header.stamp = Little32(bytes + 8);
  header.count = Little32(bytes + 28);
  header.first_offset = Little32(bytes + 32);
  return true;
}

GDeviceFontList* LoadFontListFile(RWBinaryFile& file, std::uint32_t key) {
  FontListHeader header;
  if (!ReadFontListHeader(file, header)) {
    return nullptr;
  }
  const std::int64_t size = FileSize(file);
  if (size < 0) {
    return nullptr;
  }
  auto* list = new (std::nothrow) GDeviceFontList(key);
  if (list == nullptr) {
    return nullptr;
  }
  const std::uint32_t location_class = LocationClassOfKey(key);
  std::uint32_t read = 0;
  GDeviceFontDescription description;
  for (; read < header.count; ++read) {
    std::uint64_t offset = header.first_offset;
    if (read > 0) {
      std::uint8_t entry[4];
      if (!ReadAt(file, size, kFontListHeaderSize + 4ULL * (read - 1), entry, 4)) {
        break;
      }
      offset = Little32(entry);
    }
    if (!ReadRecord(file, size, offset, location_class, description) ||
        !list->Append(description)) {
      break;
    }
  }
  // Only a whole file is stamped: a damaged one is read again at the next load.
  list->SetStamp(read == header.count ? header.stamp : 0);
  return list;
}

GDeviceFontListComposite* LoadInstalledFontLists(GDeviceSession* session,
                                                 std::int32_t keep_lists) {
  GOSServices* services = GetOSServices();
  if (services == nullptr) {
    return nullptr;
  }
  const RWWString added_fonts(u"AddedFonts");
  RWCollectable* stored = services->LoadPrinterDataObject(session, added_fonts);
  auto* composite = dynamic_cast<GDeviceFontListComposite*>(stored);
  if (composite == nullptr) {
    delete stored;  // something else stored under the name
  }
  if (services->GetPrinterDataNumber(session, RWWString(u"MassStorageFonts"), 0) != 1) {
    return composite;
  }
  bool changed = false;
  for (const Location& location : kLocations) {
    RWWString path;
    services->GetPrinterDataString(path, session, RWWString(location.value_name), RWWString());
    if (path.Length() == 0) {
      if (composite != nullptr && keep_lists == 0 && composite->Find(location.key) != nullptr) {
        delete composite->Remove(location.key);
        changed = true;
      }
      continue;
    }
    if (composite == nullptr) {
      composite = new (std::nothrow) GDeviceFontListComposite;
      if (composite == nullptr) {
        return nullptr;
      }
    }
    const std::string host =
        vel::platform::MapPlatformPath(std::u16string_view(path.Data(), path.Length()));
    RWBinaryFile file(host.c_str(), "rb");
    FontListHeader header;
    if (!file.IsOpen() || !ReadFontListHeader(file, header)) {
      continue;
    }
    const GDeviceFontList* existing = composite->Find(location.key);
    if (existing != nullptr && existing->GetStamp() >= header.stamp) {
      continue;
    }
    GDeviceFontList* list = LoadFontListFile(file, location.key);
    if (list == nullptr) {
      continue;
    }
    delete composite->Remove(location.key);
    composite->Insert(list);
    changed = true;
  }
  if (changed) {
    (void)services->StorePrinterDataObject(session, added_fonts, composite);
  }
  return composite;
}

void MergeInstalledFonts(GBaseObject* configuration, const GDeviceFontListComposite& fonts) {
  if (configuration == nullptr || fonts.Count() == 0) {
    return;
  }
  auto* device_fonts =
      dynamic_cast<GDeviceFontListComposite*>(configuration->FindByKey(key::kDeviceFontLists));
  if (device_fonts != nullptr) {
    device_fonts->Merge(fonts);
  }
}

}  // namespace vel
