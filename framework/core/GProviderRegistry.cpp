// GProviderRegistry and the port-name classifier.
#include "framework/core/GProviderRegistry.h"

#include <cstring>
#include <new>

#include "framework/core/GStatusProvider.h"
#include "framework/core/StringWidth.h"
#include "rw/RWWString.h"

namespace {

// Holds the registry's lock for one scope.
using RegistryLock = RWLockGuard;

bool HasOutputFeatures(std::uint32_t flags) {
  return (flags & vel::kProviderOutputMask) != 0;
}

bool HasStatusFeatures(std::uint32_t flags) {
  return (flags & ~vel::kProviderOutputMask) != 0;
}

// The C locale's tests, whatever locale the process runs in.
char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigitAscii(char c) {
  return c >= '0' && c <= '9';
}

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (LowerAscii(*text) != *prefix) {
      return false;
    }
  }
  return true;
}

// `prefix` (three lower-case letters), a digit and an optional ':', nothing more.
bool IsNumberedDevice(const char* text, std::size_t length, const char* prefix) {
  if (length != 4 && length != 5) {
    return false;
  }
  return StartsWithIgnoringCase(text, prefix) && IsDigitAscii(text[3]) &&
         (length == 4 || text[4] == ':');
}

}  // namespace

bool GProviderRegistry::Matches(const Entry& entry, std::uint32_t flags) {
  return (entry.provider->GetProviderFlags() & flags) == flags;
}

GProviderRegistry& GProviderRegistry::Instance() {
  static GProviderRegistry registry;
  return registry;
}

GProviderRegistry::~GProviderRegistry() {
  RegistryLock guard(lock_);
  FreeAll(output_);
  FreeAll(status_);
}

template <typename Visit>
GProviderRegistry::Entry* GProviderRegistry::FirstWhere(RWIntrusiveSlist& list, Visit visit) {
  RWIntrusiveSlistIterator cursor(list);
  while (RWIntrusiveSlist::Link* link = cursor.Advance()) {
    auto* entry = static_cast<Entry*>(link);
    if (visit(*entry)) {
      return entry;
    }
  }
  return nullptr;
}

GProviderRegistry::Entry* GProviderRegistry::Find(RWIntrusiveSlist& list, const RWCString& name) {
  return FirstWhere(list, [&](const Entry& entry) { return entry.name == name; });
}

void GProviderRegistry::Free(RWIntrusiveSlist& list, const RWCString& name) {
  Entry* entry = Find(list, name);
  if (entry != nullptr) {
    list.Remove(entry);
    delete entry;
  }
}

void GProviderRegistry::FreeAll(RWIntrusiveSlist& list) {
  while (list.Entries() != 0) {
    delete static_cast<Entry*>(list.RemoveAt(0));
  }
}

std::int32_t GProviderRegistry::Register(GStatusProvider* provider,
                                         const RWCString& name,
                                         std::uint32_t /*unused*/) {
  if (provider == nullptr) {
    return 1;
  }
  RegistryLock guard(lock_);
  if (Find(output_, name) != nullptr || Find(status_, name) != nullptr) {
    return 1;
  }
  const std::uint32_t flags = provider->GetProviderFlags();
  Entry* output = nullptr;
  Entry* status = nullptr;
  if (HasOutputFeatures(flags)) {
    output = new (std::nothrow) Entry;
    if (output == nullptr) {
      return 1;
    }
  }
  if (HasStatusFeatures(flags)) {
    status = new (std::nothrow) Entry;
    if (status == nullptr) {
      delete output;
      return 1;
    }
  }
  for (Entry* entry : {output, status}) {
    if (entry != nullptr) {
      entry->name = name.Copy();
      entry->provider = provider;
    }
  }
  if (output != nullptr) {
    output_.InsertAfter(output_.Last(), output);
  }
  if (status != nullptr) {
    status_.InsertAfter(status_.Last(), status);
  }
  return 0;
}

std::int32_t GProviderRegistry::Unregister(const RWCString& name) {
  RegistryLock guard(lock_);
  Free(output_, name);
  Free(status_, name);
  return 0;
}

GOutputPort* GProviderRegistry::OpenOutputChannel(GDeviceSession* owner,
                                                  const RWWString* argument,
                                                  std::uint32_t flags) {
  RegistryLock guard(lock_);
  GOutputPort* channel = nullptr;
  FirstWhere(output_, [&](Entry& entry) {
    if (Matches(entry, flags)) {
      channel = entry.provider->OpenOutputChannel(owner, entry.name, flags, argument);
    }
    return channel != nullptr;
  });
  return channel;
}

GStatusChannel* GProviderRegistry::OpenStatusChannel(GDeviceSession* owner,
                                                     const RWWString* argument,
                                                     std::uint32_t flags) {
  RegistryLock guard(lock_);
  GStatusChannel* channel = nullptr;
  FirstWhere(status_, [&](Entry& entry) {
    if (Matches(entry, flags)) {
      channel = entry.provider->OpenStatusChannel(owner, entry.name, flags, argument);
    }
    return channel != nullptr;
  });
  return channel;
}

std::uint32_t GProviderRegistry::CountSupporting(std::uint32_t flags) {
  RegistryLock guard(lock_);
  std::uint32_t count = 0;
  auto count_in = [&](RWIntrusiveSlist& list) {
    FirstWhere(list, [&](const Entry& entry) {
      count += entry.provider->Supports(flags) != 0 ? 1 : 0;
      return false;
    });
  };
  if (HasOutputFeatures(flags)) {
    count_in(output_);
  }
  if (HasStatusFeatures(flags)) {
    count_in(status_);
  }
  return count;
}

GStatusProvider* GProviderRegistry::FindByName(const RWCString& name) {
  RegistryLock guard(lock_);
  Entry* entry = Find(output_, name);
  if (entry == nullptr) {
    entry = Find(status_, name);
  }
  return entry != nullptr ? entry->provider : nullptr;
}

std::int32_t ClassifyPortName(const RWWString& port_name) {
  RWCString narrow;
  NarrowString(port_name, narrow);
  const char* text = narrow.Data();
  const std::size_t length = std::strlen(text);
  if (length >= 2 && text[0] == '\\' && text[1] == '\\') {
    return 5;
  }
  if (IsNumberedDevice(text, length, "lpt")) {
    return 3;
  }
  if (IsNumberedDevice(text, length, "com")) {
    return 4;
  }
  if (length == 5 && StartsWithIgnoringCase(text, "file:")) {
    return 2;
  }
  if (length != 0 && text[length - 1] == ':') {
    return 1;
  }
  return 0;
}
