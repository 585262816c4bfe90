// Numbered message records of the foundation library and the catalogue message made from them.
#pragma once

#include <cstdarg>
#include <cstdint>

// A static, read-only message record. The text is a printf-style format whose first word is a
// bracketed tag ("[INDEX] ..."). Other code names a record only through its accessor below.
struct RWMessageId {
  const char* domain;     // "rwtools7.0" or "rwcore7.0"
  std::uint32_t number;   // 0x2000 up (tools), 0x1000 up (core)
  const char* text;       // format
  std::uint32_t reserved; // 0
};

// Domain "rwtools7.0".
const RWMessageId* RWTOOL_ALLOCOUT();   // 0x2000
const RWMessageId* RWTOOL_BADRE();      // 0x2001
const RWMessageId* RWTOOL_CRABS();      // 0x2002
const RWMessageId* RWTOOL_FLIST();      // 0x2003
const RWMessageId* RWTOOL_ID();         // 0x2004
const RWMessageId* RWTOOL_INDEX();      // 0x2005
const RWMessageId* RWTOOL_LOCK();       // 0x2006
const RWMessageId* RWTOOL_LONGINDEX();  // 0x2007
const RWMessageId* RWTOOL_MAGIC();      // 0x2008
const RWMessageId* RWTOOL_NEVECL();     // 0x2009
const RWMessageId* RWTOOL_NOCREATE();   // 0x200a
const RWMessageId* RWTOOL_NOTALLOW();   // 0x200b
const RWMessageId* RWTOOL_READERR();    // 0x200c
const RWMessageId* RWTOOL_REF();        // 0x200d
const RWMessageId* RWTOOL_SEEKERR();    // 0x200e
const RWMessageId* RWTOOL_STREAM();     // 0x200f
const RWMessageId* RWTOOL_SUBSTRING();  // 0x2010
const RWMessageId* RWTOOL_UNLOCK();     // 0x2011
const RWMessageId* RWTOOL_WRITEERR();   // 0x2012
const RWMessageId* RWTOOL_INDEXERR();   // 0x2013
const RWMessageId* RWTOOL_NPOSINDEX();  // 0x2014
const RWMessageId* RWTOOL_NOPERSIST();  // 0x2015

// Domain "rwcore7.0".
const RWMessageId* RWCORE_EOF();        // 0x1000
const RWMessageId* RWCORE_GENERIC();    // 0x1001
const RWMessageId* RWCORE_INVADDR();    // 0x1002
const RWMessageId* RWCORE_LOCK();       // 0x1003
const RWMessageId* RWCORE_NOINIT();     // 0x1004
const RWMessageId* RWCORE_NOMEM();      // 0x1005
const RWMessageId* RWCORE_OPERR();      // 0x1006
const RWMessageId* RWCORE_OUTALLOC();   // 0x1007
const RWMessageId* RWCORE_OVFLOW();     // 0x1008
const RWMessageId* RWCORE_STREAM();     // 0x1009
const RWMessageId* RWCORE_SYNSTREAM();  // 0x100a

// Every record of both domains, tools first, in number order (for tables and tests).
const RWMessageId* const* RWAllMessages(std::uint32_t* count);

// A heap copy of a NUL-terminated text (delete[] it), or null when memory is short.
char* RWDuplicateText(const char* text);

// The record's format text.
const char* MessageText(const RWMessageId* id);

// A message formatted from a record and its arguments. Formatting is bounded by a 504-byte scratch
// buffer: a longer result is cut to its first 503 characters. The object owns a heap copy of
// exactly strlen + 1 bytes.
class RWCatalogMessage {
 public:
  RWCatalogMessage(const RWMessageId* id, ...);
  explicit RWCatalogMessage(const char* text);
  // The same as the variadic constructor, for raisers that take their own arguments.
  static RWCatalogMessage Format(const RWMessageId* id, va_list arguments);
  RWCatalogMessage(const RWCatalogMessage& other);
  RWCatalogMessage& operator=(const RWCatalogMessage& other);
  ~RWCatalogMessage();

  const char* Text() const { return text_ != nullptr ? text_ : ""; }

  static constexpr int kScratchSize = 504;

 private:
  char* text_ = nullptr;
};
