// The installed-font list loader: builds, for one printer, the composite of printer-resident font
// lists that font matching uses. The fonts the user added are a stored object in printer data
// ("AddedFonts"); each mass-storage location (ROM add-on cards, disk, flash, DIMMs) adds one list
// read from a font-list file whose path the printer data names. A location's list is read again
// only when its file's stamp is newer than the stored list's; a changed composite is written back.
//
// Font-list file, little-endian, offsets from the start of the file unless said otherwise:
//
//   Header (36 bytes)
//   OFFSET SIZE DESCRIPTION
//        0    8 not used
//        8    4 stamp (a larger stamp means a newer file)
//       12   16 not used
//       28    4 record count N
//       32    4 offset of the first record
//       36 4(N-1) offsets of records 2 to N
//
//   Font record (28 bytes, then the codes after the first)
//   OFFSET SIZE DESCRIPTION
//        0    4 not used
//        4    2 first name length
//        6    4 first name offset, from the start of the record
//       10    2 second name length
//       12    4 second name offset, from the start of the record
//       16    2 first match field
//       18    2 second match field
//       20    1 bit 0: the flag; bits 4-7: style class (0x10 to 0x50 kept, others 0)
//       21    1 technology: 2, 3, 4 (stored as 1, 2, 5); any other stores 0 and sets the flag
//       22    2 record value
//       24    2 number of character-set codes n
//       26   2n the codes
//   A name is the bytes at its offset, up to its length, cut at the first NUL.
//
// Every count and offset is checked against the file's size: a record, a code list or a name that
// would run past the end is damage and ends the reading. The list then keeps the records read
// before, and its stamp is 0, so that the next load reads the file again.
#pragma once

#include <cstdint>

class GBaseObject;
class GDeviceFontList;
class GDeviceFontListComposite;
class GDeviceSession;
class RWBinaryFile;

namespace vel {

inline constexpr std::uint32_t kFontListHeaderSize = 36;
inline constexpr std::uint32_t kFontRecordSize = 28;

struct FontListHeader {
  std::uint32_t stamp = 0;
  std::uint32_t count = 0;
  std::uint32_t first_offset = 0;
};

// The character set of a font-list file's character-set code; 0 for a code it does not know.
std::uint32_t MapFontCharacterSet(std::uint32_t code);
// The location class of a device font list's key (0 for a key of no location).
std::uint32_t LocationClassOfKey(std::uint32_t key);

// Reads the 36-byte header at offset 0; false when the file is not open or the read fails.
[[nodiscard]] bool ReadFontListHeader(RWBinaryFile& file, FontListHeader& header);
// A new list with that key holding the file's records (the caller owns it), or null when the
// header cannot be read or memory is short.
GDeviceFontList* LoadFontListFile(RWBinaryFile& file, std::uint32_t key);

// The printer's installed-font composite (the caller owns it), or null when "AddedFonts" holds
// nothing and no location has a file. `session` is the printer's identity for the printer-data
// calls. With `keep_lists` non-zero a location whose path became empty keeps its list.
GDeviceFontListComposite* LoadInstalledFontLists(GDeviceSession* session, std::int32_t keep_lists);
// Merges `fonts` into the configuration's device font composite (attribute 414): its lists whose
// keys are not present there are added. Nothing when the configuration has no such composite or
// `fonts` holds no list.
void MergeInstalledFonts(GBaseObject* configuration, const GDeviceFontListComposite& fonts);

}  // namespace vel
