// The driver data builder: printer models described in code, the driver data file they make, and
// the reading of such a file back into a device session.
//
// A driver data file is one object record, on the binary stream format, of a persistent composite
// whose children are, in this order:
//   353  the peripheral chain: a peripheral composite holding the page filters (the n-up filter
//        last) and then the GPrinter (key 76), whose two children side by side are the PJL envelope (106) and the
//        language back end (101); the printer's configuration is the printer configuration
//   191  the media mapping list (DEVMODE paper id <-> the paper id of a GMedia)
//    84  the tray mapping list (DEVMODE paper source <-> the tray id of a GTray)
//
// The printer configuration of a model holds:
//   189  the media pool: a GMedia per paper, orientation and resolution
//   228  the device group: 202 memory (a range), 204, 226, 231, and 90: the paper-handling devices
//        (type 0 devices whose options hold trays, a type 1 device whose options hold bins)
//   206  the resolution groups, each holding 322 (x), 323 (y) and 324
//   199  the copies range
//   339  an option flag
//   401  the configuration text
// The PJL envelope (a GPJL) has a configuration of its own holding 192, the paper id -> paper name
// list; the language back end (a GKestrix named "PCLXL") holds 202, 317, 85 (tray -> PCL XL media
// source), 192 and 329 (one dither matrix per horizontal resolution).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class GBaseObject;
class GConfiguration;
class GDeviceFontList;
class GDeviceSession;
class GKestrix;
class GPJL;
class GPostScript;
class GPeripheral;
class GPeripheralComposite;
class MPersistentComposite;

namespace vel::data {

// The name of the model that BuildModel makes when no name is given.
inline constexpr const char* kDefaultModel = "vel-laser";

// The names of the models the builder knows, in a stable order.
std::vector<std::string> ModelNames();

// What a model holds, so that tests can count what a session finds.
struct ModelFacts {
  std::uint32_t papers = 0;            // mapped papers (each a media mapping)
  std::uint32_t media = 0;             // GMedia objects in the pool
  std::uint32_t media_at_filter = 0;   // media of one orientation and resolution
  std::uint32_t mapped_at_filter = 0;  // mapped media of one orientation and resolution
  std::uint32_t tray_mappings = 0;
  std::uint32_t installed_trays = 0;  // trays of the installed devices of type 0
  std::uint32_t resolutions = 0;      // groups of list 206
};
ModelFacts FactsOf(const std::string& model);

// The language back end a driver data file's chain ends in.
enum class Language { kPclXl, kPostScript };

// The driver data of a model (owned by the caller), or null for a name the builder does not know.
MPersistentComposite* BuildModel(const std::string& model, Language language = Language::kPclXl);

// The printer configuration of the named model (owned by the caller), or null.
GConfiguration* BuildPrinterConfiguration(const std::string& model);

// A peripheral chain: a composite with key 353 holding the page filters (scale-page, fit-to-size,
// watermark, booklet and n-up, each disabled by documents without its settings) and a GPrinter
// (key 76) with the configuration given and the two children given (PJL envelope first, then the language back end; a null child
// becomes a plain peripheral composite under its key). Every argument is taken over.
GPeripheralComposite* BuildChain(GConfiguration* printer_configuration,
                                 GPeripheral* pjl,
                                 GPeripheral* language);

// The language name of the PCL XL back end, which the PJL header's ENTER LANGUAGE line carries.
inline constexpr const char* kPclXlLanguage = "PCLXL";

// The configuration of the language peripheral: 202 (a range), 317, 85, 192 and 329.
GConfiguration* BuildLanguageConfiguration();
// The configuration of the PJL envelope: 192.
GConfiguration* BuildPJLConfiguration();
// The envelope (key 106) and the PCL XL back end (key 101, named kPclXlLanguage) with the
// configuration given (taken over; null: none of their own).
GPJL* BuildPJL(GConfiguration* configuration);
GKestrix* BuildKestrix(GConfiguration* configuration);

// The language name of the PostScript back end.
inline constexpr const char* kPostScriptLanguage = "POSTSCRIPT";
// The PostScript back end (key 101, named kPostScriptLanguage) with the configuration given.
GPostScript* BuildPostScript(GConfiguration* configuration);
// The fonts a PostScript printer holds in ROM (key 0x1a0), as device font descriptions: the
// faces Arial, Times New Roman and Courier New in regular, bold and italic as Helvetica,
// Times-Roman and Courier and their styles, for Western, Eastern European, Turkish, Baltic and
// Unicode text, and Symbol for symbol text. The PostScript model's language configuration holds
// them under the device font lists (414).
GDeviceFontList* BuildPostScriptResidentFonts();

// Writes `data` as a driver data file: true when the whole record was written.
bool WriteDriverData(const GBaseObject& data, const std::string& path);
// The bytes of `data` in the driver data file's form (empty when it could not be written).
std::string DriverDataBytes(const GBaseObject& data);

// Reads a driver data file (or its bytes): the composite (owned by the caller), or null when the
// file cannot be read or holds no framework object.
GBaseObject* ReadDriverData(const std::string& path);
GBaseObject* DriverDataFromBytes(const std::string& bytes);

// Moves parts 353, 191 and 84 out of `data` into the session (which deletes what it held); a
// part that is missing or of the wrong class leaves the session without it. `data` stays the
// caller's.
void FillSession(GDeviceSession& session, GBaseObject& data);

}  // namespace vel::data
