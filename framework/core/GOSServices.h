// GOSServices: everything the framework needs from the platform, behind one object per process.
//
// The framework never calls the platform itself: locks, temporary files, printer data, named
// objects in printer data, registry and profile reads, the driver data file and the streams of
// every save and restore come from the instance that GetOSServices answers. Each module supplies
// its own implementation (the UI module's over the Win32 and spooler calls, the render module's
// over the graphics engine). The operations marked "shared" are implemented here, once.
//
// A device session identifies the printer in every printer-data, temporary-directory and
// driver-data-file operation; the implementations reach the printer's handle through it. A null
// session makes the platform call fail, so readers answer the caller's default.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"

class GBitmapFontManager;
class GCharTranslator;
class GDeviceExtension;
class GDeviceSession;
class GFontMetrics;
class GLocaleInfo;
class GOutputPort;
class GPrinterDataAccessor;
class GPrinterKey;
class GRenderDevice;
class GSemaphore;
class GStreamReaderBase;
class GStreamWriterBase;
class RWCollectable;
struct GPlatformVersion;

// A module's handle: pointer-sized, never stored.
using ModuleHandle = void*;

class GOSServices {
 public:
  // Module handle 0; deletes any instance registered before and registers this one.
  GOSServices();
  GOSServices(const GOSServices&) = delete;
  GOSServices& operator=(const GOSServices&) = delete;
  // Deletes the services lock; unregisters the instance when it is the registered one.
  virtual ~GOSServices();

  // --- Per-printer objects (each module makes its own; the other answers null) ---------------
  virtual GDeviceSession* CreateUIDriverObject(const GPrinterKey& key) = 0;
  virtual GDeviceSession* CreateRenderDevice(const GPrinterKey& key) = 0;
  // A device to use in place of one that cannot work. Shared default: `device` itself.
  virtual GDeviceSession* CreateSubstituteDevice(GDeviceSession* device);
  virtual GDeviceExtension* CreateDeviceExtension(GRenderDevice* device) = 0;
  virtual GOutputPort* CreateOutputPort(GDeviceSession* device, const RWWString* argument,
                                        std::uint32_t flags) = 0;
  // Shared: fills the platform kind, version and build number; answers the record.
  GPlatformVersion& GetPlatformVersion(GPlatformVersion& record);
  virtual GBitmapFontManager* CreateBitmapFontManager() = 0;
  virtual GFontMetrics* CreateFontMetrics() = 0;
  virtual GCharTranslator* CreateCharacterTranslator() = 0;

  // --- Stream holders (owned by the caller; null when memory is short) -----------------------
  virtual GStreamReaderBase* CreateMemoryReader(const std::uint8_t* data, std::uint32_t length,
                                                std::int32_t format) = 0;
  virtual GStreamReaderBase* CreateFileReader(const RWWString& name, std::int32_t format) = 0;
  virtual GStreamWriterBase* CreateMemoryWriter(std::uint8_t* data, std::uint32_t capacity,
                                                std::int32_t format) = 0;
  virtual GStreamWriterBase* CreateFileWriter(const RWWString& name, std::int32_t format) = 0;

  // --- Locks, module handle ------------------------------------------------------------------
  // Shared: when *lock is empty, makes a lock into it, exactly once however many threads ask at
  // once (under the services lock; failures report (2, 301) and (2, 302)). Every process-wide table
  // makes its lock this way.
  void CreateLockOnce(GSemaphore** lock);
  void SetModuleHandle(ModuleHandle module) { module_ = module; }
  ModuleHandle GetModuleHandle() const { return module_; }
  // A new lock of count 1, initially free (null when it cannot be made).
  virtual GSemaphore* CreateSemaphore() = 0;

  // --- Files and names -----------------------------------------------------------------------
  virtual RWWString& GetDriverDataFileName(RWWString& out, GDeviceSession* session) = 0;
  // A new GLocaleInfo, owned by the caller.
  virtual GLocaleInfo* CreateLocaleInfo() = 0;
  virtual RWWString& GetTempDirectory(RWWString& out, GDeviceSession* session) = 0;
  // Shared: the directory (with one separator after it unless it is empty) followed by the
  // template (UniqueNameTemplate when empty; at most 260 characters) with each '&' replaced by a
  // random digit of 0-9A-Z. A name is taken when no such file exists and, with `create`, an empty
  // file could be made. At most 1,000 candidates are tried (one when the template has no '&');
  // after that the result is empty.
  RWWString& MakeUniqueFileName(RWWString& out, const RWWString& directory,
                                const RWWString& name_template, std::int32_t create);
  // Seeds the generator of Random, the first time only.
  virtual void SeedRandom() = 0;
  // 0 to 32767.
  virtual std::int32_t Random() = 0;
  // 1 when the file can be opened as an existing file.
  virtual std::int32_t FileExists(const RWWString& name) = 0;
  // Creates the file, emptying an existing one: 1 on success.
  virtual std::int32_t CreateEmptyFile(const RWWString& name) = 0;
  // Shared: '\' (92).
  char16_t PathSeparator() const { return u'\\'; }
  // Shared: "&&&&&&&&.&&&".
  RWWString UniqueNameTemplate() const;

  // --- Memory (shared) -----------------------------------------------------------------------
  // A new block (null when memory is short, after the out-of-memory handler had its say).
  void* Allocate(std::uint32_t size);
  // Frees a block of Allocate; null is ignored.
  void Free(void* block);

  // --- Printer data --------------------------------------------------------------------------
  // Shared: a new accessor of the session's printer data (owned by the caller).
  GPrinterDataAccessor* CreatePrinterDataAccessor(GDeviceSession* session);
  // Writers answer 1 on success, 0 on failure.
  virtual std::int32_t SetPrinterDataNumber(GDeviceSession* session, const RWWString& name,
                                            std::uint32_t value) = 0;
  virtual std::int32_t SetPrinterDataString(GDeviceSession* session, const RWWString& name,
                                            const RWWString& value) = 0;
  virtual std::int32_t SetPrinterDataBinary(GDeviceSession* session, const RWWString& name,
                                            const std::uint8_t* data, std::uint32_t size) = 0;
  // Shared: the object's record in the portable format, stored as a binary value. The buffer is
  // 1.5 times the object's stored byte count, then 3 and 6 times; when the record fits none,
  // nothing is stored and the answer is 0.
  std::int32_t StorePrinterDataObject(GDeviceSession* session, const RWWString& name,
                                      const RWCollectable* object);
  virtual std::uint32_t GetPrinterDataNumber(GDeviceSession* session, const RWWString& name,
                                             std::uint32_t dflt) = 0;
  virtual RWWString& GetPrinterDataString(RWWString& out, GDeviceSession* session,
                                          const RWWString& name, const RWWString& dflt) = 0;
  // 1 / 0; with a null buffer or capacity 0 only the size is reported.
  virtual std::int32_t GetPrinterDataBinary(GDeviceSession* session, const RWWString& name,
                                            std::uint8_t* buffer, std::uint32_t capacity,
                                            std::uint32_t* size_out) = 0;
  // Shared: the object stored under the name (owned by the caller), or null. Bytes that are no
  // portable object record fail soft: null, and the process carries on.
  RWCollectable* LoadPrinterDataObject(GDeviceSession* session, const RWWString& name);

  // --- Registry (the local-machine root, read access) ----------------------------------------
  virtual RWWString& GetRegistryString(RWWString& out, const RWWString& key,
                                       const RWWString& value, const RWWString& dflt) = 0;
  virtual std::uint32_t GetRegistryNumber(const RWWString& key, const RWWString& value,
                                          std::uint32_t dflt) = 0;
  virtual std::int32_t RegistryKeyExists(const RWWString& key) = 0;

 protected:
  // The implementation's constructor makes the services lock with its own CreateSemaphore.
  void CreateServicesLock();
  GSemaphore* ServicesLock() const { return services_lock_; }

 private:
  ModuleHandle module_ = nullptr;
  GSemaphore* services_lock_ = nullptr;
};

// The process's services instance; null before start-up made one.
GOSServices* GetOSServices();

namespace vel {
// Deletes the registered instance (module unload).
void DeleteOSServices();
// The most candidates MakeUniqueFileName tries.
inline constexpr int kMaxUniqueNameTries = 1000;
}  // namespace vel
