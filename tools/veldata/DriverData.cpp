// The printer models and the driver data file.
#include "tools/veldata/DriverData.h"

#include <fstream>
#include <memory>
#include <new>
#include <sstream>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GBin.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GDeviceSession.h"
#include "framework/core/GIterator.h"
#include "framework/core/GMedia.h"
#include "framework/core/GMediaPool.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GPrinter.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GResourceMapping.h"
#include "framework/core/GResourceMappingList.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GTray.h"
#include "framework/core/GSelectionString.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/MPersistentAssociation.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GPostScript.h"
#include "framework/output/GPJL.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GBookletFilter.h"
#include "framework/pipeline/GFitToSizeFilter.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GScalePageFilter.h"
#include "framework/pipeline/GWatermarkFilter.h"
#include "framework/core/MPersistentComposite.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWCollectable.h"

namespace vel::data {
namespace {

// --- The model "vel-laser": a monochrome office laser printer --------------------------------

struct Paper {
  const char* name;
  const char* media_size;  // the PJL and PCL XL name of the size, null when it has none
  std::int16_t paper_id;        // the GMedia's paper id
  std::uint16_t devmode_id;     // the DEVMODE paper size, 0 when the paper is not mapped
  std::uint32_t string_id;      // the display name's string resource
  std::int32_t width_tenth_mm;  // paper size in tenths of a millimetre
  std::int32_t height_tenth_mm;
};

// The papers of the model; the last two are the bounds of custom sizes and are not mapped.
constexpr Paper kPapers[] = {
    {"Letter", "LETTER", 2, 1, 2001, 2159, 2794},
    {"Legal", "LEGAL", 3, 5, 2002, 2159, 3556},
    {"Executive", "EXEC", 1, 7, 2003, 1842, 2667},
    {"A4", "A4", 26, 9, 2004, 2100, 2970},
    {"A5", "A5", 25, 11, 2005, 1480, 2100},
    {"MaxSize", nullptr, 17384, 0, 2006, 2159, 3556},
    {"MinSize", nullptr, 17385, 0, 2007, 762, 1270},
};
constexpr std::int32_t kOrientations[] = {0, 90};
constexpr std::uint16_t kResolutions[][2] = {{300, 300}, {600, 600}, {1200, 600}};
// The margin of the printable area, in tenths of a millimetre.
constexpr std::int32_t kMargin = 42;

struct TrayInfo {
  const char* name;
  std::int16_t tray_id;
  std::uint16_t devmode_id;
  std::uint32_t string_id;
  std::int32_t capacity;
};

struct TraySource {
  std::uint16_t tray_id;
  std::uint8_t media_source;  // PCL XL: 3 multi-purpose tray, 4 upper, 5 lower, 6 envelope tray
};
constexpr TraySource kTraySources[] = {{1, 3}, {2, 4}, {3, 5}, {5, 6}};

struct DeviceInfo {
  const char* name;
  std::int32_t optional;
  std::int32_t installed;
  TrayInfo trays[2];
  int tray_count;
};

// Type 0 devices, each with one option holding its trays.
constexpr DeviceInfo kTrayDevices[] = {
    {"Internal Trays", 0, 1, {{"Tray 1", 1, 257, 2101, 100}, {"Tray 2", 2, 258, 2102, 250}}, 2},
    {"Tray 3", 1, 0, {{"Tray 3", 3, 259, 2103, 500}, {}}, 1},
    {"Envelope Feeder", 1, 0, {{"Envelope Feeder", 5, 260, 2104, 75}, {}}, 1},
};

std::int16_t Dots(std::int32_t tenth_mm, std::uint16_t dpi) {
  return static_cast<std::int16_t>(static_cast<std::int64_t>(tenth_mm) * dpi / 254);
}

GMediaPool* BuildMediaPool() {
  auto* pool = new GMediaPool(vel::key::kMediaPool);
  for (const std::uint16_t* resolution : kResolutions) {
    for (const std::int32_t orientation : kOrientations) {
      for (const Paper& paper : kPapers) {
        const bool turned = orientation == 90 || orientation == 270;
        std::int16_t size[2] = {Dots(paper.width_tenth_mm, resolution[0]),
                                Dots(paper.height_tenth_mm, resolution[1])};
        std::int16_t margin[2] = {Dots(kMargin, resolution[0]), Dots(kMargin, resolution[1])};
        if (turned) {
          std::swap(size[0], size[1]);
          std::swap(margin[0], margin[1]);
        }
        const std::int16_t printable[2] = {static_cast<std::int16_t>(size[0] - 2 * margin[0]),
                                           static_cast<std::int16_t>(size[1] - 2 * margin[1])};
        pool->Add(new GMedia(paper.name, size, printable, margin, orientation, paper.paper_id,
                             resolution[0], resolution[1], vel::key::kMedia, 0, paper.name,
                             "Plain"));
      }
    }
  }
  return pool;
}

GAttributeComposite* BuildPaperHandlingDevices() {
  auto* devices = new GAttributeComposite(vel::key::kPaperHandlingDevices);
  for (const DeviceInfo& info : kTrayDevices) {
    auto* device = new GPaperHandlingDevice(info.name, 0, info.optional, info.installed, 0);
    auto* trays = new GAttributeComposite(0);
    for (int i = 0; i < info.tray_count; ++i) {
      const TrayInfo& t = info.trays[i];
      trays->Add(new GTray(t.name, t.tray_id, 0, 0, t.capacity, -1, nullptr, 0));
    }
    device->AddOption(1, trays);
    devices->Add(device);
  }
  // The output accessory: chosen by what the printer reports; options 2 to 6 are its modes.
  auto* accessory = new GPaperHandlingDevice("Mailbox", 1, 1, 0, 0);
  static constexpr const char* kModes[] = {"Stacker", "Mailbox", "Job Separator", "Collator",
                                           "Sorter"};
  for (std::uint16_t option = 2; option <= 6; ++option) {
    auto* bins = new MPersistentComposite(0);
    bins->Add(new GBin(kModes[option - 2], static_cast<std::int16_t>(option), 0));
    accessory->AddOption(option, bins);
  }
  devices->Add(accessory);
  return devices;
}

GAttributeComposite* BuildDeviceGroup() {
  auto* group = new GAttributeComposite(vel::key::kDeviceGroup);
  group->Add(new GRangeAttribute(4, 132, 4, 8, vel::key::kDeviceMemory));
  group->Add(new GValueAttribute(0, vel::key::kDeviceValue204));
  group->Add(new GValueAttribute(0, vel::key::kDeviceFlag226));
  group->Add(new GValueAttribute(1, vel::key::kDeviceCopiesFlag231));
  group->Add(BuildPaperHandlingDevices());
  return group;
}

GAttributeComposite* BuildResolutions() {
  auto* list = new GAttributeComposite(vel::key::kSupportedModes);
  for (const std::uint16_t* resolution : kResolutions) {
    auto* group = new GAttributeComposite(0);
    group->Add(new GValueAttribute(resolution[0], vel::key::kResolutionX));
    group->Add(new GValueAttribute(resolution[1], vel::key::kResolutionY));
    group->Add(new GValueAttribute(1, vel::key::kBitsPerPixel));
    list->Add(group);
  }
  return list;
}

GResourceMappingList* BuildMediaMappings() {
  auto* list = new GResourceMappingList(vel::key::kMediaMappingList);
  for (const Paper& paper : kPapers) {
    if (paper.devmode_id != 0) {
      list->AddMapping(new GResourceMapping(paper.string_id, paper.devmode_id, paper.paper_id, 0));
    }
  }
  return list;
}

GResourceMappingList* BuildTrayMappings() {
  auto* list = new GResourceMappingList(vel::key::kTrayMappingList);
  for (const DeviceInfo& info : kTrayDevices) {
    for (int i = 0; i < info.tray_count; ++i) {
      const TrayInfo& t = info.trays[i];
      list->AddMapping(new GResourceMapping(t.string_id, t.devmode_id, t.tray_id, 0));
    }
  }
  return list;
}

// The association list `key` from value attributes (key 0) to the objects `make` gives.
template <typename Make>
MAssociationList* BuildAssociations(std::uint32_t key, const Make& make) {
  auto* list = new MAssociationList(key);
  make([list](std::uint16_t value, RWCollectable* object) {
    list->SetAssociation(new MPersistentAssociation(new GValueAttribute(value, 0), object, 0));
  });
  return list;
}

// 192: paper id -> the name of its size in PJL and PCL XL.
MAssociationList* BuildPaperNames() {
  return BuildAssociations(vel::key::kPaperToName, [](const auto& add) {
    for (const Paper& paper : kPapers) {
      if (paper.media_size != nullptr) {
        add(static_cast<std::uint16_t>(paper.paper_id),
            new GSelectionString(paper.media_size, static_cast<std::uint16_t>(paper.paper_id), 0));
      }
    }
  });
}

// 329: one ordered 4 x 4 dither matrix per horizontal resolution.
MPersistentComposite* BuildDitherMatrices() {
  static constexpr std::uint8_t kBayer[16] = {0,   128, 32,  160, 192, 64,  224, 96,
                                              48,  176, 16,  144, 240, 112, 208, 80};
  auto* group = new MPersistentComposite(vel::key::kDitherMatrices);
  for (const std::uint16_t* resolution : kResolutions) {
    group->Add(new GDitherMatrix(4, 4, kBayer, resolution[0], 0));
  }
  return group;
}

// A peripheral composite under `key` with its own configuration.
GPeripheralComposite* Placeholder(std::uint32_t key, GConfiguration* configuration) {
  auto* peripheral = new GPeripheralComposite(key);
  if (configuration != nullptr) {
    peripheral->SetConfiguration(configuration);
  }
  return peripheral;
}

bool Known(const std::string& model) {
  return model == kDefaultModel;
}

}  // namespace

std::vector<std::string> ModelNames() {
  return {kDefaultModel};
}

ModelFacts FactsOf(const std::string& model) {
  ModelFacts facts;
  if (!Known(model)) {
    return facts;
  }
  for (const Paper& paper : kPapers) {
    facts.papers += paper.devmode_id != 0 ? 1 : 0;
  }
  const auto papers = static_cast<std::uint32_t>(std::size(kPapers));
  facts.media_at_filter = papers;
  facts.mapped_at_filter = facts.papers;
  facts.media =
      papers * static_cast<std::uint32_t>(std::size(kOrientations) * std::size(kResolutions));
  for (const DeviceInfo& info : kTrayDevices) {
    facts.tray_mappings += static_cast<std::uint32_t>(info.tray_count);
    facts.installed_trays += info.installed != 0 ? static_cast<std::uint32_t>(info.tray_count) : 0;
  }
  facts.resolutions = static_cast<std::uint32_t>(std::size(kResolutions));
  return facts;
}

GConfiguration* BuildPrinterConfiguration(const std::string& model) {
  if (!Known(model)) {
    return nullptr;
  }
  auto* configuration = new GConfiguration(vel::key::kPeripheralConfiguration);
  configuration->Add(BuildMediaPool());
  configuration->Add(BuildDeviceGroup());
  configuration->Add(BuildResolutions());
  configuration->Add(new GRangeAttribute(1, 999, 1, 1, vel::key::kCopiesLimit));
  configuration->Add(new GValueAttribute(0, vel::key::kOption339));
  configuration->Add(new GStringAttribute("velres", vel::key::kConfigurationText));
  return configuration;
}

GConfiguration* BuildLanguageConfiguration() {
  auto* configuration = new GConfiguration(vel::key::kPeripheralConfiguration);
  configuration->Add(new GRangeAttribute(4, 132, 4, 8, vel::key::kDeviceMemory));
  configuration->Add(new GValueAttribute(0, vel::key::kDetectedValue317));
  configuration->Add(BuildAssociations(vel::key::kTrayToMediaSource, [](const auto& add) {
    for (const TraySource& tray : kTraySources) {
      add(tray.tray_id, new GValueAttribute(tray.media_source, 0));
    }
  }));
  configuration->Add(BuildPaperNames());
  configuration->Add(BuildDitherMatrices());
  return configuration;
}

GConfiguration* BuildPJLConfiguration() {
  auto* configuration = new GConfiguration(vel::key::kPeripheralConfiguration);
  configuration->Add(BuildPaperNames());
  return configuration;
}

GPJL* BuildPJL(GConfiguration* configuration) {
  auto* pjl = new GPJL(vel::key::kPJLPeripheral);
  pjl->SetName("PJL");
  if (configuration != nullptr) {
    pjl->SetConfiguration(configuration);
  }
  return pjl;
}

GKestrix* BuildKestrix(GConfiguration* configuration) {
  auto* kestrix = new GKestrix;
  kestrix->SetKey(vel::key::kLanguagePeripheral);
  kestrix->SetName(kPclXlLanguage);
  if (configuration != nullptr) {
    kestrix->SetConfiguration(configuration);
  }
  return kestrix;
}

GPostScript* BuildPostScript(GConfiguration* configuration) {
  auto* postscript = new GPostScript;
  postscript->SetKey(vel::key::kLanguagePeripheral);
  postscript->SetName(kPostScriptLanguage);
  if (configuration != nullptr) {
    postscript->SetConfiguration(configuration);
  }
  return postscript;
}

GDeviceFontList* BuildPostScriptResidentFonts() {
  struct Face {
    const char* name;
    const char* printer_name;
    std::uint16_t weight;
    std::uint32_t italic;
  };
  static constexpr Face kFaces[] = {
      {"Arial", "Helvetica", 400, 0},
      {"Arial", "Helvetica-Bold", 700, 0},
      {"Arial", "Helvetica-Oblique", 400, 1},
      {"Arial", "Helvetica-BoldOblique", 700, 1},
      {"Times New Roman", "Times-Roman", 400, 0},
      {"Times New Roman", "Times-Bold", 700, 0},
      {"Times New Roman", "Times-Italic", 400, 1},
      {"Times New Roman", "Times-BoldItalic", 700, 1},
      {"Courier New", "Courier", 400, 0},
      {"Courier New", "Courier-Bold", 700, 0},
      {"Courier New", "Courier-Oblique", 400, 1},
      {"Courier New", "Courier-BoldOblique", 700, 1},
  };
  constexpr std::uint32_t kScalable = 1;
  auto* list = new GDeviceFontList(vel::key::kROMAddOnFonts1);
  GValueVector latin;
  for (const std::int32_t set : {4, 5, 6, 12, 16}) {
    (void)latin.Append(set);
  }
  for (const Face& face : kFaces) {
    (void)list->Append(GDeviceFontDescription(face.name, face.printer_name,
                                              GDeviceFontDescription::kSeveralSets, latin,
                                              face.weight, face.italic, 0, 0, kScalable, 0, 0,
                                              GDeviceFontDescription::kROMAddOn));
  }
  GValueVector symbol;
  (void)symbol.Append(3);
  (void)list->Append(GDeviceFontDescription("Symbol", "Symbol", 3, symbol, 400, 0, 0, 0,
                                            kScalable, 0, 0, GDeviceFontDescription::kROMAddOn));
  return list;
}

GPeripheralComposite* BuildChain(GConfiguration* printer_configuration,
                                 GPeripheral* pjl,
                                 GPeripheral* language) {
  auto* printer = new GPrinter(vel::key::kPrinterPeripheral);
  if (printer_configuration != nullptr) {
    printer->SetConfiguration(printer_configuration);
  }
  printer->Add(pjl != nullptr ? pjl : Placeholder(vel::key::kPJLPeripheral, nullptr));
  printer->Add(language != nullptr
                   ? language
                   : Placeholder(vel::key::kLanguagePeripheral, BuildLanguageConfiguration()));
  auto* head = new GPeripheralComposite(vel::key::kHeadPeripheral);
  // The page filters stand ahead of the printer, in this order: scale-page, fit-to-size,
  // watermark and booklet, then the n-up filter last.
  head->Add(new GScalePageFilter(RWCString("ScalePageFilter"), nullptr, nullptr, 0, 0,
                                 GPeripheral::kAddOnNone, GPeripheral::kNoAddOns));
  head->Add(new GFitToSizeFilter(RWCString("FitToSizeFilter"), nullptr, nullptr, 0, 0,
                                 GPeripheral::kAddOnNone, GPeripheral::kNoAddOns));
  head->Add(new GWatermarkFilter(RWCString("WatermarkFilter"), nullptr, nullptr, 0, 0,
                                 GPeripheral::kAddOnNone, GPeripheral::kNoAddOns));
  head->Add(new GBookletFilter(RWCString("BookletFilter"), nullptr, nullptr, 0, 0,
                               GPeripheral::kAddOnNone, GPeripheral::kNoAddOns));
  head->Add(new GNupFilter(RWCString("NupFilter"), nullptr, nullptr, 0, 0,
                           GPeripheral::kAddOnNone, GPeripheral::kNoAddOns));
  head->Add(printer);
  return head;
}

MPersistentComposite* BuildModel(const std::string& model, Language language) {
  if (!Known(model)) {
    return nullptr;
  }
  auto* data = new MPersistentComposite(0);
  GPeripheral* back_end = nullptr;
  if (language == Language::kPostScript) {
    GConfiguration* configuration = BuildLanguageConfiguration();
    auto* fonts = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
    fonts->Insert(BuildPostScriptResidentFonts());
    configuration->Add(fonts);
    back_end = BuildPostScript(configuration);
  } else {
    back_end = BuildKestrix(BuildLanguageConfiguration());
  }
  data->Add(BuildChain(BuildPrinterConfiguration(model), BuildPJL(BuildPJLConfiguration()),
                       back_end));
  data->Add(BuildMediaMappings());
  data->Add(BuildTrayMappings());
  return data;
}

std::string DriverDataBytes(const GBaseObject& data) {
  std::ostringstream out(std::ios::binary);
  RWBinaryOutStream stream(out);
  stream << static_cast<const RWCollectable*>(&data);
  if (!stream.Good()) {
    return {};
  }
  return out.str();
}

bool WriteDriverData(const GBaseObject& data, const std::string& path) {
  const std::string bytes = DriverDataBytes(data);
  if (bytes.empty()) {
    return false;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

GBaseObject* DriverDataFromBytes(const std::string& bytes) {
  std::istringstream in(bytes, std::ios::binary);
  RWBinaryInStream stream(in);
  RWCollectable* object = nullptr;
  stream >> object;
  auto* data = dynamic_cast<GBaseObject*>(object);
  if (data == nullptr || stream.Fail()) {
    delete object;
    return nullptr;
  }
  return data;
}

GBaseObject* ReadDriverData(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return nullptr;
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return DriverDataFromBytes(bytes.str());
}

void FillSession(GDeviceSession& session, GBaseObject& data) {
  session.SetConfiguration(nullptr);
  session.SetMediaMappingList(nullptr);
  session.SetTrayMappingList(nullptr);
  // Take the direct children that carry the three keys.
  std::vector<GBaseObject*> parts;
  {
    const std::unique_ptr<GIterator> it(data.CreateIterator());
    while (it && it->Advance() != 0) {
      GBaseObject* child = it->Current();
      if (child != nullptr && (child->GetKey() == vel::key::kHeadPeripheral ||
                               child->GetKey() == vel::key::kMediaMappingList ||
                               child->GetKey() == vel::key::kTrayMappingList)) {
        parts.push_back(child);
      }
    }
  }
  for (GBaseObject* part : parts) {
    GBaseObject* taken = data.RemoveObject(part);
    if (taken == nullptr) {
      continue;
    }
    const std::uint32_t key = taken->GetKey();
    if (auto* head = dynamic_cast<GPeripheral*>(taken); head != nullptr &&
                                                        key == vel::key::kHeadPeripheral &&
                                                        session.GetConfiguration() == nullptr) {
      session.SetConfiguration(head);
    } else if (auto* list = dynamic_cast<GResourceMappingList*>(taken);
               list != nullptr && key == vel::key::kMediaMappingList &&
               session.GetMediaMappingList() == nullptr) {
      session.SetMediaMappingList(list);
    } else if (list != nullptr && key == vel::key::kTrayMappingList &&
               session.GetTrayMappingList() == nullptr) {
      session.SetTrayMappingList(list);
    } else {
      delete taken;
    }
  }
}

}  // namespace vel::data
