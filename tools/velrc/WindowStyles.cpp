// The table of named constants.
#include "tools/velrc/WindowStyles.h"

#include <algorithm>
#include <iterator>

namespace vel::velrc {

namespace {

struct NamedConstant {
  std::string_view name;
  std::uint32_t value;
};

// Kept in name order for the binary search.
constexpr NamedConstant kConstants[] = {
    {"BS_3STATE", 0x5},
    {"BS_AUTO3STATE", 0x6},
    {"BS_AUTOCHECKBOX", 0x3},
    {"BS_AUTORADIOBUTTON", 0x9},
    {"BS_BITMAP", 0x80},
    {"BS_BOTTOM", 0x800},
    {"BS_CENTER", 0x300},
    {"BS_CHECKBOX", 0x2},
    {"BS_DEFPUSHBUTTON", 0x1},
    {"BS_FLAT", 0x8000},
    {"BS_GROUPBOX", 0x7},
    {"BS_ICON", 0x40},
    {"BS_LEFT", 0x100},
    {"BS_LEFTTEXT", 0x20},
    {"BS_MULTILINE", 0x2000},
    {"BS_NOTIFY", 0x4000},
    {"BS_OWNERDRAW", 0xB},
    {"BS_PUSHBUTTON", 0x0},
    {"BS_PUSHLIKE", 0x1000},
    {"BS_RADIOBUTTON", 0x4},
    {"BS_RIGHT", 0x200},
    {"BS_TOP", 0x400},
    {"BS_VCENTER", 0xC00},
    {"CBS_AUTOHSCROLL", 0x40},
    {"CBS_DISABLENOSCROLL", 0x800},
    {"CBS_DROPDOWN", 0x2},
    {"CBS_DROPDOWNLIST", 0x3},
    {"CBS_HASSTRINGS", 0x200},
    {"CBS_OWNERDRAWFIXED", 0x10},
    {"CBS_SIMPLE", 0x1},
    {"CBS_SORT", 0x100},
    {"DS_3DLOOK", 0x4},
    {"DS_ABSALIGN", 0x1},
    {"DS_CENTER", 0x800},
    {"DS_CENTERMOUSE", 0x1000},
    {"DS_CONTEXTHELP", 0x2000},
    {"DS_CONTROL", 0x400},
    {"DS_FIXEDSYS", 0x8},
    {"DS_LOCALEDIT", 0x20},
    {"DS_MODALFRAME", 0x80},
    {"DS_NOFAILCREATE", 0x10},
    {"DS_NOIDLEMSG", 0x100},
    {"DS_SETFONT", 0x40},
    {"DS_SETFOREGROUND", 0x200},
    {"DS_SYSMODAL", 0x2},
    {"ES_AUTOHSCROLL", 0x80},
    {"ES_AUTOVSCROLL", 0x40},
    {"ES_CENTER", 0x1},
    {"ES_LEFT", 0x0},
    {"ES_LOWERCASE", 0x10},
    {"ES_MULTILINE", 0x4},
    {"ES_NOHIDESEL", 0x100},
    {"ES_NUMBER", 0x2000},
    {"ES_PASSWORD", 0x20},
    {"ES_READONLY", 0x800},
    {"ES_RIGHT", 0x2},
    {"ES_UPPERCASE", 0x8},
    {"ES_WANTRETURN", 0x1000},
    {"LBS_DISABLENOSCROLL", 0x1000},
    {"LBS_HASSTRINGS", 0x40},
    {"LBS_NOINTEGRALHEIGHT", 0x100},
    {"LBS_NOTIFY", 0x1},
    {"LBS_SORT", 0x2},
    {"LBS_WANTKEYBOARDINPUT", 0x400},
    {"SBS_HORZ", 0x0},
    {"SBS_VERT", 0x1},
    {"SS_BITMAP", 0xE},
    {"SS_BLACKRECT", 0x4},
    {"SS_CENTER", 0x1},
    {"SS_CENTERIMAGE", 0x200},
    {"SS_ETCHEDHORZ", 0x10},
    {"SS_ICON", 0x3},
    {"SS_LEFT", 0x0},
    {"SS_LEFTNOWORDWRAP", 0xC},
    {"SS_NOPREFIX", 0x80},
    {"SS_NOTIFY", 0x100},
    {"SS_RIGHT", 0x2},
    {"SS_SIMPLE", 0xB},
    {"SS_SUNKEN", 0x1000},
    {"UDS_ALIGNLEFT", 0x8},
    {"UDS_ALIGNRIGHT", 0x4},
    {"UDS_ARROWKEYS", 0x20},
    {"UDS_AUTOBUDDY", 0x10},
    {"UDS_HORZ", 0x40},
    {"UDS_NOTHOUSANDS", 0x80},
    {"UDS_SETBUDDYINT", 0x2},
    {"UDS_WRAP", 0x1},
    {"VFT2_DRV_PRINTER", 0x1},
    {"VFT_APP", 0x1},
    {"VFT_DLL", 0x2},
    {"VFT_DRV", 0x3},
    {"VFT_UNKNOWN", 0x0},
    {"VOS_NT", 0x40000},
    {"VOS_NT_WINDOWS32", 0x40004},
    {"VOS__WINDOWS32", 0x4},
    {"VS_FFI_FILEFLAGSMASK", 0x3F},
    {"VS_FF_DEBUG", 0x1},
    {"VS_FF_PRERELEASE", 0x2},
    {"WS_BORDER", 0x00800000},
    {"WS_CAPTION", 0x00C00000},
    {"WS_CHILD", 0x40000000},
    {"WS_CLIPCHILDREN", 0x02000000},
    {"WS_CLIPSIBLINGS", 0x04000000},
    {"WS_DISABLED", 0x08000000},
    {"WS_DLGFRAME", 0x00400000},
    {"WS_EX_CLIENTEDGE", 0x200},
    {"WS_EX_CONTEXTHELP", 0x400},
    {"WS_EX_STATICEDGE", 0x20000},
    {"WS_EX_TRANSPARENT", 0x20},
    {"WS_GROUP", 0x00020000},
    {"WS_HSCROLL", 0x00100000},
    {"WS_MAXIMIZEBOX", 0x00010000},
    {"WS_MINIMIZEBOX", 0x00020000},
    {"WS_OVERLAPPED", 0x0},
    {"WS_POPUP", 0x80000000},
    {"WS_SYSMENU", 0x00080000},
    {"WS_TABSTOP", 0x00010000},
    {"WS_THICKFRAME", 0x00040000},
    {"WS_VISIBLE", 0x10000000},
    {"WS_VSCROLL", 0x00200000},
};

}  // namespace

bool FindWindowConstant(std::string_view name, std::uint32_t& value) {
  auto it = std::lower_bound(std::begin(kConstants), std::end(kConstants), name,
                             [](const NamedConstant& c, std::string_view n) { return c.name < n; });
  if (it == std::end(kConstants) || it->name != name)
    return false;
  value = it->value;
  return true;
}

}  // namespace vel::velrc
