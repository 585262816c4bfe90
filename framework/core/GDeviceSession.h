// GDeviceSession: the per-printer core that the UI driver object and the render device share as
// their one virtual base. It holds the printer's three names, the head of the peripheral chain read
// from the driver data file, the media and tray mapping lists, the job attribute group and a keyed
// collection of owned objects, and answers the capability questions both modules ask: which media
// and trays exist and which ids they map to, which resolutions the printer has, the default paper.
// It also saves the printer configuration to the device-status store and applies a detected device
// configuration to the printer configuration.
//
// Where things are found:
// - the printer peripheral: key 76 in the head (the head itself when it carries that key); its
//   configuration is the printer configuration, which also holds (as nested configurations) the
//   configurations of the printer's children;
// - the language peripheral: the first object inside the printer peripheral, depth first, that is
//   a kind of GLanguagePeripheral;
// - in the printer configuration: the media pool (189), the device group (228) with the
//   paper-handling devices (90), the resolution groups (206, each holding 322 x and 323 y), the
//   option flag 339 and the configuration text 401;
// - in the job attribute group (made on first need by CreateAttributeGroup): the custom media sizes
//   (276) and the detected configuration (365).
// Missing parts or attributes make the getters answer null and the questions 0 or -1.
//
// Mappings relate framework ids to the ids outside the framework: a media mapping's item id is a
// GMedia's paper id and its DEVMODE id the paper id of the outside world; a tray mapping's item id
// is a GTray's tray id.
//
// Ownership: the head, both mapping lists, the job attribute group and the owned objects belong to
// the session; each setter deletes what it replaces (nothing when given its current object).
//
// One thread at a time uses a session.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GAttributeComposite;
class GBaseObject;
class GConfiguration;
class GDeviceFontListComposite;
class GCustomMediaSize;
class GMedia;
class GMediaPool;
class GPeripheral;
class GPrinterKey;
class GRenderDevice;
class GResourceMapping;
class GResourceMappingList;
class GTray;
class GUIDriverInterface;

class GDeviceSession {
 public:
  // Callbacks of EnumerateMedia and EnumerateTrays: the item, its mapping (null unless mapped-only
  // enumeration), the item's index among those that passed the filters, the caller's context and
  // an out flag that the callback sets to 1 to accept the item. Answer 1 to go on; any other value
  // stops the enumeration.
  using MediaCallback = std::int32_t (*)(GMedia* media,
                                         GResourceMapping* mapping,
                                         std::uint32_t index,
                                         void* context,
                                         std::int32_t* accepted);
  using TrayCallback = std::int32_t (*)(GTray* tray,
                                        GResourceMapping* mapping,
                                        std::uint32_t index,
                                        void* context,
                                        std::int32_t* accepted);
  // What MapFormToMedia offers each form to.
  using FormCallback = std::int32_t (*)(const RWWString& form_name, void* context);

  // The first and last media id that AddCustomMediaSize hands out.
  static constexpr std::uint16_t kFirstCustomSizeId = 0x4001;
  static constexpr std::uint16_t kLastCustomSizeId = 0x43E7;
  // Paper ids from here up are custom sizes.
  static constexpr std::uint16_t kFirstCustomPaperId = 0x4000;

  // Empty names, no data.
  GDeviceSession() = default;
  GDeviceSession(const RWWString& printer_name,
                 const RWWString& driver_name,
                 const RWWString& port_name);
  GDeviceSession(const GDeviceSession&) = delete;
  GDeviceSession& operator=(const GDeviceSession&) = delete;
  // Deletes the head, the mapping lists, the job attribute group and the owned objects.
  virtual ~GDeviceSession();

  // --- Supplied by the final classes ----------------------------------------------------------
  virtual GRenderDevice* GetRenderInterface() = 0;
  virtual GUIDriverInterface* GetUIInterface() = 0;
  virtual GAttributeComposite* CreateDefaultAttributes() = 0;
  // A new job attribute group; the session keeps it as its group when it has none.
  virtual GAttributeComposite* CreateAttributeGroup() = 0;
  virtual void Close() = 0;
  // A new key for this printer, owned by the caller.
  virtual GPrinterKey* GetPrinterKey() = 0;
  // The current job settings object, owned by the caller (who deletes it after use).
  virtual GAttributeComposite* DelegateToOwner() = 0;

  // --- With a base behaviour -------------------------------------------------------------------
  // Opens a status channel through the provider registry for this session and its port name with
  // the status capability and writes the printer configuration through it (match-model flag 1):
  // 1 when the channel answers status 0; 0 without a channel or without a printer configuration.
  virtual std::int32_t SaveToStore(std::uint32_t unused);
  // Applies a detected configuration (`source`, or the job attribute group when null; when its key
  // is not 365 its child with key 365) to the printer configuration and the paper-handling
  // devices: 1 when applied, 0 when there is no detected group.
  virtual std::int32_t ApplyDetectedConfiguration(GAttributeComposite* source);
  // Takes the three names from the key; final classes also rebind their handles.
  virtual void Reopen(const GPrinterKey& key);
  // Non-zero when memory was freed: 0.
  virtual std::int32_t FreeMemory();
  // 1 when attribute 339 of the printer configuration exists and is not 0.
  virtual std::int32_t HasOption339();
  // 1 when a mapped media at the orientation `filter_id` and the resolution (filter_x, filter_y)
  // maps to `paper_id`, or a custom size of list 276 has a media id that PaperIdFromDeviceMediaId
  // turns into `paper_id`.
  virtual std::int32_t IsPaperSupported(std::uint32_t filter_id,
                                        std::uint16_t filter_x,
                                        std::uint16_t filter_y,
                                        std::uint16_t paper_id);
  // The form rectangle: 0.
  virtual std::int32_t GetFormRect(std::int32_t rotation,
                                   std::int16_t resolution_x,
                                   std::int16_t resolution_y,
                                   std::uint16_t paper_id);
  // The printer information query: 0.
  virtual std::int32_t QueryPrinterInfo(std::uint32_t argument);
  // 1 when a mapped tray of an installed device of type 0 has this tray id.
  virtual std::int32_t IsTraySupported(std::uint16_t tray_id);
  // 1 when a group of list 206 holds 322 equal to `x` and 323 equal to `y`.
  virtual std::int32_t IsModeSupported(std::int16_t x, std::int16_t y);
  // Translations through the media mapping list, in place: 1 when a mapping was found (the id is
  // then replaced), else 0 and the id stays.
  virtual std::int32_t DeviceMediaIdFromPaperId(std::uint16_t& id);
  virtual std::int32_t PaperIdFromDeviceMediaId(std::uint16_t& id);
  // 1 for the countries below 3, 50 to 59 and 500 to 599 and without a locale; else 23.
  virtual std::uint16_t GetDefaultPaperId();
  // Gives `size` the lowest media id from 0x4001 to 0x43E7 that no size of `list` uses, enables
  // it, removes (and deletes) another size of the same name and adds `size` to the list, which
  // takes it over: 1. With every id in use: 0, nothing changes and the caller keeps `size`. A size
  // already in the list stays there once.
  virtual std::int32_t AddCustomMediaSize(GCustomMediaSize* size, GAttributeComposite* list);
  // Removes `size` from `list` and deletes it: 1 when it was there, else 0.
  virtual std::int32_t RemoveCustomMediaSize(GCustomMediaSize* size, GAttributeComposite* list);
  // Relating the spooler's forms to media: 0 (the UI driver object does it).
  virtual std::int32_t MapFormToMedia(FormCallback callback,
                                      void* context,
                                      GAttributeComposite* settings);
  // GetPaperKind(settings, paper id, value 265 of the settings, 323 and 322 of its group 249).
  virtual std::uint16_t ClassifyPaper(GAttributeComposite* settings, std::uint16_t paper_id);
  // 2 for custom sizes (paper ids from 0x4000 up), else 1.
  virtual std::uint16_t GetPaperKind(GAttributeComposite* settings,
                                     std::uint16_t paper_id,
                                     std::int16_t orientation,
                                     std::int16_t resolution_y,
                                     std::int16_t resolution_x);
  // The string attribute 401 of the printer configuration, widened; else empty.
  virtual RWWString& GetConfigurationText(RWWString& out);
  // 0: empty font lists are dropped.
  virtual std::int32_t KeepsEmptyFontLists();
  // The printer's installed fonts (the caller owns the result), or null: the fonts added in
  // printer data and one list per mass-storage location (framework/output/InstalledFontLists.h).
  GDeviceFontListComposite* LoadInstalledFontLists();
  // Merges the lists of `fonts` whose keys are new into the printer configuration's device font
  // composite (attribute 414); nothing without one.
  void MergeInstalledFonts(const GDeviceFontListComposite& fonts);

  // --- Plain operations ------------------------------------------------------------------------
  const RWWString& GetPrinterName() const { return printer_name_; }
  const RWWString& GetDriverName() const { return driver_name_; }
  const RWWString& GetPortName() const { return port_name_; }
  void SetNames(const RWWString& printer_name,
                const RWWString& driver_name,
                const RWWString& port_name);

  // The cookie under which the driver server filed the session.
  std::uint32_t GetCookie() const { return cookie_; }
  void SetCookie(std::uint32_t cookie) { cookie_ = cookie; }
  // A word of the final classes, 0 at construction.
  std::uint32_t GetSessionWord() const { return session_word_; }
  void SetSessionWord(std::uint32_t word) { session_word_ = word; }
  // 0 until the first document has been started on the chain, then 1.
  std::int32_t GetChainUsed() const { return chain_used_; }
  void SetChainUsed(std::int32_t used) { chain_used_ = used; }

  // The head of the peripheral chain (part 353 of the driver data file).
  GPeripheral* GetConfiguration() const { return head_; }
  void SetConfiguration(GPeripheral* head);
  GResourceMappingList* GetMediaMappingList() const { return media_mappings_; }
  void SetMediaMappingList(GResourceMappingList* list);
  GResourceMappingList* GetTrayMappingList() const { return tray_mappings_; }
  void SetTrayMappingList(GResourceMappingList* list);
  // The job attribute group as it is (null until made).
  GAttributeComposite* GetJobAttributeGroup() const { return job_group_; }
  void SetJobAttributeGroup(GAttributeComposite* group);
  // The job attribute group, made through CreateAttributeGroup when there is none yet.
  GAttributeComposite* EnsureJobAttributeGroup();

  GPeripheral* GetPrinterPeripheral() const;
  GConfiguration* GetPrinterConfiguration() const;
  GPeripheral* GetLanguagePeripheral() const;
  GMediaPool* GetMediaPool() const;
  GBaseObject* GetPaperHandlingDevices() const;

  // The session's address folded to 32 bits as (a >> 16) ^ a.
  std::uint32_t SessionHash() const;

  // Walks the media pool's media of orientation `filter_id` and resolution (filter_x, filter_y).
  // With `mapped_only` a media whose paper id has no media mapping is skipped. Each media that
  // passes goes to the callback (when there is a context and a callback; otherwise it counts as
  // accepted). `count` gets the number of media that passed. 1 when at least one was accepted,
  // else -1.
  std::int32_t EnumerateMedia(MediaCallback callback,
                              void* context,
                              std::uint32_t filter_id,
                              std::uint16_t filter_x,
                              std::uint16_t filter_y,
                              bool mapped_only,
                              std::uint32_t* count);
  // The same over the trays of the installed paper-handling devices of type 0 (the trays of each
  // device's selected option); with `mapped_only` a tray without a tray mapping is skipped.
  std::int32_t EnumerateTrays(TrayCallback callback,
                              void* context,
                              bool mapped_only,
                              std::uint32_t* count);

  // The owned objects by name: setting replaces (and deletes) an object of the same name unless
  // it is the same object; removing deletes it. A null object removes the name.
  void SetOwnedObject(const RWCString& name, GBaseObject* object);
  void RemoveOwnedObject(const RWCString& name);
  GBaseObject* FindOwnedObject(const RWCString& name) const;
  // Deletes every owned object (what was kept for another printer goes when the session is reused).
  void DeleteOwnedObjects();

 private:
  RWWString printer_name_;
  RWWString driver_name_;
  RWWString port_name_;
  std::uint32_t session_word_ = 0;
  GPeripheral* head_ = nullptr;
  std::int32_t chain_used_ = 0;
  GResourceMappingList* media_mappings_ = nullptr;
  GResourceMappingList* tray_mappings_ = nullptr;
  GAttributeComposite* job_group_ = nullptr;
  std::uint32_t cookie_ = 0;
  std::vector<std::pair<std::string, GBaseObject*>> owned_;
};

// The UI module's session part: no render interface; Reopen takes the new printer's names (the UI
// driver object rebinds its handle); Close does nothing.
class GUIDeviceSession : public virtual GDeviceSession {
 public:
  GRenderDevice* GetRenderInterface() override { return nullptr; }
  void Reopen(const GPrinterKey& key) override { GDeviceSession::Reopen(key); }
  void Close() override {}
};
