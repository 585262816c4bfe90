// GProviderRegistry: the process-wide list of the providers of output and status channels, each
// registered under a unique name, and the port-name classifier.
//
// Which components can supply a channel is known only at run time (the spooler provider in the
// render module, the status-agent provider in the UI module). Code that needs a channel asks the
// registry with the capability flags it requires; the registry asks the matching providers in
// registration order until one delivers.
//
// The registry keeps two lists of entries (name, provider), in registration order: the output
// list holds the providers that report any low 16 bit of capability (vel::kProviderOutputMask),
// the status list those whose flags are 0x10000 or above. A provider with both kinds of bits is in
// both lists, one with neither in none. The registry never owns or deletes a provider.
//
// Threads: every operation runs under the registry's lock, the open operations included, so once
// Unregister has returned no thread is still inside a call of the registry into that provider,
// and its owner may delete it. The lock is re-entrant: a provider may call the registry from its
// open operations. It must not wait there for another thread that may be calling the registry.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWIntrusiveSlist.h"
#include "rw/RWStaticLock.h"

class GDeviceSession;
class GOutputPort;
class GStatusChannel;
class GStatusProvider;
class RWWString;

class GProviderRegistry {
 public:
  // The one registry, made on first use.
  static GProviderRegistry& Instance();

  GProviderRegistry(const GProviderRegistry&) = delete;
  GProviderRegistry& operator=(const GProviderRegistry&) = delete;
  // Frees every remaining entry; the providers are not touched.
  ~GProviderRegistry();

  // Registers `provider` under a copy of `name`, in the lists its capabilities
  // (GetProviderFlags, asked once here) put it in: 0. Refused with 1, changing nothing: a name
  // registered already (in either list), a null provider, or no memory for an entry. The third
  // parameter is not used.
  std::int32_t Register(GStatusProvider* provider, const RWCString& name, std::uint32_t unused = 0);
  // Removes and frees the entries registered under `name` (the provider is kept). 0, also when
  // the name is not registered.
  std::int32_t Unregister(const RWCString& name);

  // Asks, in order, each provider of the output list whose capabilities hold every bit of
  // `flags` (flags 0 match every provider) to open an output channel (owner, its registered name,
  // flags, argument); the first non-null channel, owned by the caller, or null.
  GOutputPort* OpenOutputChannel(GDeviceSession* owner,
                                 const RWWString* argument,
                                 std::uint32_t flags);
  // The same over the status list with the providers' OpenStatusChannel.
  GStatusChannel* OpenStatusChannel(GDeviceSession* owner,
                                    const RWWString* argument,
                                    std::uint32_t flags);
  // The providers whose Supports(flags) is true: those of the output list when `flags` has any
  // low 16 bit, plus those of the status list when it has any bit above. 0 for flags 0.
  std::uint32_t CountSupporting(std::uint32_t flags);
  // The provider registered under `name` (the output list first), or null.
  GStatusProvider* FindByName(const RWCString& name);

 private:
  struct Entry : RWIntrusiveSlist::Link {
    RWCString name;
    GStatusProvider* provider = nullptr;
  };

  GProviderRegistry() = default;

  // The first entry of `list` for which `visit` answers true, or null.
  template <typename Visit>
  static Entry* FirstWhere(RWIntrusiveSlist& list, Visit visit);
  static Entry* Find(RWIntrusiveSlist& list, const RWCString& name);
  // The provider's capabilities hold every bit of `flags`.
  static bool Matches(const Entry& entry, std::uint32_t flags);
  // Unlinks and frees the entry under `name`, when present.
  static void Free(RWIntrusiveSlist& list, const RWCString& name);
  static void FreeAll(RWIntrusiveSlist& list);

  RWStaticLock lock_;
  RWIntrusiveSlist output_;
  RWIntrusiveSlist status_;
};

// The kind of a port name: 5 a network share (begins with two backslashes); 3 "LPT" and one digit,
// with an optional ':' (any case, 4 or 5 characters); 4 the same with "COM"; 2 "FILE:" (any case);
// 1 any other name ending in ':'; 0 anything else. The tests run in this order, on the name turned
// into 8-bit text (NarrowString) and cut at its first NUL; the digit test is the C locale's.
std::int32_t ClassifyPortName(const RWWString& port_name);
