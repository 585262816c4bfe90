// GOSServices: the instance, and the operations shared by both modules (source unit osfactry).
#include "framework/core/GOSServices.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <string>

#include "framework/core/DriverError.h"
#include "framework/core/GPlatformVersion.h"
#include "framework/core/GPrinterData.h"
#include "framework/core/GSemaphore.h"
#include "framework/core/GStreamHolders.h"
#include "rw/RWCollectable.h"
#include "rw/RWError.h"
#include "rw/RWVirtualStream.h"

namespace {

std::atomic<GOSServices*> g_instance{nullptr};

constexpr const char* kUnit = "osfactry";
constexpr std::size_t kMaxTemplateLength = 260;

char16_t RandomDigit(std::int32_t value) {
  const std::int32_t d = value % 36;
  return static_cast<char16_t>(d < 10 ? u'0' + d : u'A' + (d - 10));
}

// Frees a block of GOSServices::Allocate and deletes a holder, whatever way a function leaves.
struct StoreBuffers {
  GOSServices* services;
  std::uint8_t* buffer = nullptr;
  GStreamWriterBase* writer = nullptr;
  ~StoreBuffers() { Reset(); }
  void Reset() {
    delete writer;
    writer = nullptr;
    services->Free(buffer);
    buffer = nullptr;
  }
};

}  // namespace

GOSServices::GOSServices() {
  GOSServices* previous = g_instance.exchange(this);
  delete previous;
}

GOSServices::~GOSServices() {
  GOSServices* self = this;
  g_instance.compare_exchange_strong(self, nullptr);
  delete services_lock_;
}

GOSServices* GetOSServices() {
  return g_instance.load();
}

namespace vel {
void DeleteOSServices() {
  delete g_instance.exchange(nullptr);
}
}  // namespace vel

void GOSServices::CreateServicesLock() {
  if (services_lock_ == nullptr) {
    services_lock_ = CreateSemaphore();
  }
}

GPlatformVersion& GOSServices::GetPlatformVersion(GPlatformVersion& record) {
  // A failed probe leaves the record as it was, which is what the caller gets back.
  static_cast<void>(record.Probe());
  return record;
}

GDeviceSession* GOSServices::CreateSubstituteDevice(GDeviceSession* device) {
  return device;
}

// The first check is an acquire load, paired with the release store under the services lock, so
// a caller that sees the lock also sees it made.
void GOSServices::CreateLockOnce(GSemaphore** lock) {
  if (lock == nullptr) {
    return;
  }
  std::atomic_ref<GSemaphore*> slot(*lock);
  if (slot.load(std::memory_order_acquire) != nullptr) {
    return;
  }
  vel::AcquireOrReport(services_lock_, kUnit, 577);
  if (slot.load(std::memory_order_relaxed) == nullptr) {
    slot.store(CreateSemaphore(), std::memory_order_release);
  }
  vel::ReleaseOrReport(services_lock_, kUnit, 586);
}

RWWString GOSServices::UniqueNameTemplate() const {
  return RWWString(u"&&&&&&&&.&&&");
}

RWWString& GOSServices::MakeUniqueFileName(RWWString& out, const RWWString& directory,
                                           const RWWString& name_template, std::int32_t create) {
  RWWString pattern = name_template.Length() == 0 ? UniqueNameTemplate() : name_template;
  if (pattern.Length() > kMaxTemplateLength) {
    pattern = RWWString(pattern.Data(), kMaxTemplateLength);
  }
  RWWString base = directory;
  const std::size_t length = base.Length();
  if (length != 0 && base.Data()[length - 1] != PathSeparator()) {
    const char16_t separator[] = {PathSeparator(), 0};
    base.Append(separator);
  }
  bool has_digits = false;
  for (std::size_t i = 0; i < pattern.Length(); ++i) {
    has_digits = has_digits || pattern.Data()[i] == u'&';
  }
  SeedRandom();
  const int tries = has_digits ? vel::kMaxUniqueNameTries : 1;
  std::u16string candidate;
  for (int attempt = 0; attempt < tries; ++attempt) {
    candidate.assign(base.Data(), base.Length());
    for (std::size_t i = 0; i < pattern.Length(); ++i) {
      const char16_t c = pattern.Data()[i];
      candidate.push_back(c == u'&' ? RandomDigit(Random()) : c);
    }
    const RWWString name(candidate.data(), candidate.size());
    if (FileExists(name) == 1) {
      continue;
    }
    if (create != 0 && CreateEmptyFile(name) != 1) {
      continue;
    }
    out = name;
    return out;
  }
  out = RWWString();
  return out;
}

void* GOSServices::Allocate(std::uint32_t size) {
  return ::operator new(size, std::nothrow);
}

void GOSServices::Free(void* block) {
  ::operator delete(block);
}

GPrinterDataAccessor* GOSServices::CreatePrinterDataAccessor(GDeviceSession* session) {
  return new (std::nothrow) GPrinterDataAccessor(session, this);
}

// The record is written at 1.5, 3 and 6 times the stored byte count; sizes are computed in 64
// bits, and a buffer that cannot be addressed in 32 bits fails the store.
std::int32_t GOSServices::StorePrinterDataObject(GDeviceSession* session, const RWWString& name,
                                                 const RWCollectable* object) {
  if (object == nullptr) {
    return 0;
  }
  const std::uint64_t count = object->StoredByteCount();
  std::uint64_t capacity = count + count / 2;
  StoreBuffers held{this};
  for (int attempt = 0; attempt < 3; ++attempt, capacity *= 2) {
    held.Reset();
    if (capacity > UINT32_MAX) {
      return 0;
    }
    held.buffer = static_cast<std::uint8_t*>(Allocate(static_cast<std::uint32_t>(capacity)));
    if (held.buffer == nullptr) {
      return 0;
    }
    held.writer = CreateMemoryWriter(held.buffer, static_cast<std::uint32_t>(capacity),
                                     vel::kPortableFormat);
    RWVirtualOutStream* stream = held.writer != nullptr ? held.writer->Stream() : nullptr;
    if (stream == nullptr || stream->Good() == 0) {
      return 0;
    }
    const std::int64_t start = held.writer->Position();
    *stream << object;
    stream->Flush();
    const std::int64_t end = held.writer->Position();
    if (stream->Good() != 0 && start >= 0 && end >= start) {
      return SetPrinterDataBinary(session, name, held.buffer + start,
                                  static_cast<std::uint32_t>(end - start));
    }
  }
  return 0;
}

RWCollectable* GOSServices::LoadPrinterDataObject(GDeviceSession* session,
                                                  const RWWString& name) {
  std::uint32_t size = 0;
  if (GetPrinterDataBinary(session, name, nullptr, 0, &size) != 1 || size == 0) {
    return nullptr;
  }
  auto* buffer = static_cast<std::uint8_t*>(Allocate(size));
  if (buffer == nullptr) {
    return nullptr;
  }
  std::uint32_t read = 0;
  RWCollectable* object = nullptr;
  if (GetPrinterDataBinary(session, name, buffer, size, &read) == 1 && read <= size) {
    GStreamReaderBase* reader = CreateMemoryReader(buffer, read, vel::kPortableFormat);
    RWVirtualInStream* stream = reader != nullptr ? reader->Stream() : nullptr;
    if (stream != nullptr && stream->Good() != 0) {
      // Printer data comes from outside the process: a bad record fails soft.
      RWSoftErrorScope outside_data;
      *stream >> object;
    }
    delete reader;
  }
  Free(buffer);
  return object;
}
