// Message records of the foundation library and catalogue message formatting.
#include "rw/RWMessage.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr const char kTools[] = "rwtools7.0";
constexpr const char kCore[] = "rwcore7.0";

constexpr RWMessageId kMessages[] = {
    {kTools, 0x2000, "[ALLOCOUT] %s destructor called with allocation outstanding", 0},
    {kTools, 0x2001, "[BADRE] Attempt to use invalid regular expression", 0},
    {kTools, 0x2002, "[CRABS] RWFactory: attempting to create abstract class with ID %hu (0x%hx)",
     0},
    {kTools, 0x2003, "[FLIST] Free list size error: expected %ld, got %ld", 0},
    {kTools, 0x2004, "[ID] Unexpected class ID %hu; should be %hu", 0},
    {kTools, 0x2005, "[INDEX] Index (%u) out of range [0->%u]", 0},
    {kTools, 0x2006, "[LOCK] Locked object deleted", 0},
    {kTools, 0x2007, "[LONGINDEX] Long index (%lu) out of range [0->%lu]", 0},
    {kTools, 0x2008, "[MAGIC] Bad magic number: %ld (should be %ld)", 0},
    {kTools, 0x2009, "[NEVECL] Unequal vector lengths: %u versus %u", 0},
    {kTools, 0x200a, "[NOCREATE] RWFactory: no create function for class with ID %hu (0x%hx)", 0},
    {kTools, 0x200b, "[NOTALLOW] Function not allowed for derived class", 0},
    {kTools, 0x200c, "[READERR] Read error", 0},
    {kTools, 0x200d, "[REF] Bad persistence reference", 0},
    {kTools, 0x200e, "[SEEKERR] Seek error", 0},
    {kTools, 0x200f, "[STREAM] Bad input stream", 0},
    {kTools, 0x2010, "[SUBSTRING] Illegal substring (%d, %u) from %u element RWCString", 0},
    {kTools, 0x2011, "[UNLOCK] Improper use of locked object", 0},
    {kTools, 0x2012, "[WRITEERR] Write error", 0},
    {kTools, 0x2013, "[INDEXERR] Illegal Index (%u) for collection or string with %u elements", 0},
    {kTools, 0x2014, "[NPOSINDEX] The value RW_NPOS cannot be used as an index.", 0},
    {kTools, 0x2015, "[NOPERSIST] Persistence not implemented for type %s.", 0},
    {kCore, 0x1000, "[EOF] EOF on input", 0},
    {kCore, 0x1001, "[GENERIC] Generic error number %d; %s", 0},
    {kCore, 0x1002, "[INVADDR] Invalid address: %lx", 0},
    {kCore, 0x1003, "[LOCK] Unable to lock memory", 0},
    {kCore, 0x1004, "[NOINIT] Memory allocated without being initialized", 0},
    {kCore, 0x1005, "[NOMEM] No memory", 0},
    {kCore, 0x1006, "[OPERR] Could not open file %s", 0},
    {kCore, 0x1007, "[OUTALLOC] Memory released with allocations still outstanding", 0},
    {kCore, 0x1008, "[OVFLOW] Overflow error -> \"%.*s\" <- (%u max characters)", 0},
    {kCore, 0x1009, "[STREAM] Bad input stream", 0},
    {kCore, 0x100a, "[SYNSTREAM] Syntax error in input stream: expected %s, got %s", 0},
};

constexpr std::uint32_t kMessageCount = sizeof kMessages / sizeof kMessages[0];

const RWMessageId* const* MessageTable() {
  static const RWMessageId* const* table = [] {
    static const RWMessageId* pointers[kMessageCount];
    for (std::uint32_t i = 0; i < kMessageCount; ++i) {
      pointers[i] = &kMessages[i];
    }
    return pointers;
  }();
  return table;
}

}  // namespace

// Indexes into kMessages: tools 0..21, core 22..32.
const RWMessageId* RWTOOL_ALLOCOUT() {
  return &kMessages[0];
}
const RWMessageId* RWTOOL_BADRE() {
  return &kMessages[1];
}
const RWMessageId* RWTOOL_CRABS() {
  return &kMessages[2];
}
const RWMessageId* RWTOOL_FLIST() {
  return &kMessages[3];
}
const RWMessageId* RWTOOL_ID() {
  return &kMessages[4];
}
const RWMessageId* RWTOOL_INDEX() {
  return &kMessages[5];
}
const RWMessageId* RWTOOL_LOCK() {
  return &kMessages[6];
}
const RWMessageId* RWTOOL_LONGINDEX() {
  return &kMessages[7];
}
const RWMessageId* RWTOOL_MAGIC() {
  return &kMessages[8];
}
const RWMessageId* RWTOOL_NEVECL() {
  return &kMessages[9];
}
const RWMessageId* RWTOOL_NOCREATE() {
  return &kMessages[10];
}
const RWMessageId* RWTOOL_NOTALLOW() {
  return &kMessages[11];
}
const RWMessageId* RWTOOL_READERR() {
  return &kMessages[12];
}
const RWMessageId* RWTOOL_REF() {
  return &kMessages[13];
}
const RWMessageId* RWTOOL_SEEKERR() {
  return &kMessages[14];
}
const RWMessageId* RWTOOL_STREAM() {
  return &kMessages[15];
}
const RWMessageId* RWTOOL_SUBSTRING() {
  return &kMessages[16];
}
const RWMessageId* RWTOOL_UNLOCK() {
  return &kMessages[17];
}
const RWMessageId* RWTOOL_WRITEERR() {
  return &kMessages[18];
}
const RWMessageId* RWTOOL_INDEXERR() {
  return &kMessages[19];
}
const RWMessageId* RWTOOL_NPOSINDEX() {
  return &kMessages[20];
}
const RWMessageId* RWTOOL_NOPERSIST() {
  return &kMessages[21];
}
const RWMessageId* RWCORE_EOF() {
  return &kMessages[22];
}
const RWMessageId* RWCORE_GENERIC() {
  return &kMessages[23];
}
const RWMessageId* RWCORE_INVADDR() {
  return &kMessages[24];
}
const RWMessageId* RWCORE_LOCK() {
  return &kMessages[25];
}
const RWMessageId* RWCORE_NOINIT() {
  return &kMessages[26];
}
const RWMessageId* RWCORE_NOMEM() {
  return &kMessages[27];
}
const RWMessageId* RWCORE_OPERR() {
  return &kMessages[28];
}
const RWMessageId* RWCORE_OUTALLOC() {
  return &kMessages[29];
}
const RWMessageId* RWCORE_OVFLOW() {
  return &kMessages[30];
}
const RWMessageId* RWCORE_STREAM() {
  return &kMessages[31];
}
const RWMessageId* RWCORE_SYNSTREAM() {
  return &kMessages[32];
}

const RWMessageId* const* RWAllMessages(std::uint32_t* count) {
  *count = kMessageCount;
  return MessageTable();
}

char* RWDuplicateText(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  char* copy = new (std::nothrow) char[size];
  if (copy != nullptr) {
    std::memcpy(copy, text, size);
  }
  return copy;
}

const char* MessageText(const RWMessageId* id) {
  return id->text;
}

RWCatalogMessage RWCatalogMessage::Format(const RWMessageId* id, va_list arguments) {
  char scratch[kScratchSize];
  // Bounded: a result longer than the scratch buffer is cut, never written past it.
  if (std::vsnprintf(scratch, sizeof scratch, id->text, arguments) < 0) {
    scratch[0] = '\0';
  }
  return RWCatalogMessage(scratch);
}

RWCatalogMessage::RWCatalogMessage(const RWMessageId* id, ...) {
  va_list arguments;
  va_start(arguments, id);
  *this = Format(id, arguments);
  va_end(arguments);
}

RWCatalogMessage::RWCatalogMessage(const char* text)
    : text_(RWDuplicateText(text != nullptr ? text : "")) {}

RWCatalogMessage::RWCatalogMessage(const RWCatalogMessage& other)
    : text_(RWDuplicateText(other.Text())) {}

RWCatalogMessage& RWCatalogMessage::operator=(const RWCatalogMessage& other) {
  if (this != &other) {
    char* copy = RWDuplicateText(other.Text());
    delete[] text_;
    text_ = copy;
  }
  return *this;
}

RWCatalogMessage::~RWCatalogMessage() {
  delete[] text_;
}
