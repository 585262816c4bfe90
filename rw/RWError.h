// Error classes of the foundation library, the process-wide error hook and the raise entry points.
//
// Errors are never thrown. A raiser builds an error object on its own stack, hands it to the hook
// and carries on when the hook returns. The default hook depends on the flavour: the UI flavour's
// shows "Fatal Error" and ends the process with code 1; the render flavour's prints
// "RW!FtlErr: <text>" to the debug output and returns. Every caller must therefore leave its
// objects consistent after a raise: stop the operation, mark the stream or file failed, and free
// what was half made.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWMessage.h"

class RWBinaryFile;
class RWVirtualStreamBase;

class RWErrorBase {
 public:
  explicit RWErrorBase(const char* text);                  // copied, owned
  explicit RWErrorBase(const RWCatalogMessage& message);   // text copied, owned
  RWErrorBase(const char* text, bool copy);                // copied only when copy is true
  RWErrorBase(const RWErrorBase& other);                   // shares a text it does not own
  RWErrorBase& operator=(const RWErrorBase&) = delete;
  virtual ~RWErrorBase();

  const char* Text() const { return text_ != nullptr ? text_ : ""; }
  bool OwnsText() const { return owns_text_ != 0; }

 private:
  const char* text_ = nullptr;
  std::uint32_t owns_text_ = 0;
};

class RWNoMemoryError : public RWErrorBase {
 public:
  explicit RWNoMemoryError(std::uint32_t requested_size);
  std::uint32_t RequestedSize() const { return requested_size_; }

 private:
  std::uint32_t requested_size_;
};

// Bad magic numbers and inconsistent file structures.
class RWInternalError : public RWErrorBase {
 public:
  using RWErrorBase::RWErrorBase;
};

class RWFileError : public RWInternalError {
 public:
  enum Operation : std::uint32_t { kSeek = 1, kRead = 2, kWrite = 3 };
  RWFileError(const RWCatalogMessage& message, const RWBinaryFile* file, Operation operation);
  const RWBinaryFile* File() const { return file_; }
  Operation GetOperation() const { return operation_; }

 private:
  const RWBinaryFile* file_;
  Operation operation_;
};

class RWStreamError : public RWInternalError {
 public:
  RWStreamError(const RWCatalogMessage& message, const RWVirtualStreamBase* stream);
  const RWVirtualStreamBase* Stream() const { return stream_; }

 private:
  const RWVirtualStreamBase* stream_;
};

// Bad data: persistence references, unequal vector lengths, bad class ids on restore.
class RWDataError : public RWErrorBase {
 public:
  using RWErrorBase::RWErrorBase;
};

class RWIndexError : public RWDataError {
 public:
  using RWDataError::RWDataError;
};

// The hook receives every raised error. It may return; see the top of this file.
using RWErrorHook = void (*)(const RWErrorBase& error);

// Installs a hook (null restores the default) and returns the previous one.
RWErrorHook SetErrorHook(RWErrorHook hook);

// The default hook of this flavour.
void FatalErrorHandler(const RWErrorBase& error);

// Marks the calling thread as reading data from outside the process (persistence streams and
// files): while one of these lives on a thread, an error raised on that thread is not handed to
// the default hook, so bad input cannot end the process; the operation that raised it fails soft.
// An installed hook still receives every error. Scopes nest.
class RWSoftErrorScope {
 public:
  RWSoftErrorScope();
  ~RWSoftErrorScope();
  RWSoftErrorScope(const RWSoftErrorScope&) = delete;
  RWSoftErrorScope& operator=(const RWSoftErrorScope&) = delete;
};

// Raise entry points, one per error class: each calls the hook with the error.
void RWThrow(const RWErrorBase& error);
void RWThrow(const RWInternalError& error);
void RWThrow(const RWFileError& error);
void RWThrow(const RWStreamError& error);
void RWThrow(const RWDataError& error);
void RWThrow(const RWIndexError& error);

// Raising in one call: format the record with the arguments, build the error of that class and
// raise it.
void RWRaiseGeneric(const RWMessageId* id, ...);
void RWRaiseInternal(const RWMessageId* id, ...);
void RWRaiseData(const RWMessageId* id, ...);
void RWRaiseFile(const RWBinaryFile* file, RWFileError::Operation operation, const RWMessageId* id);
void RWRaiseStream(const RWVirtualStreamBase* stream, const RWMessageId* id);

// The index error for position `index` in a collection or string of `count` elements:
// [NPOSINDEX] when index is RW_NPOS, else [INDEXERR] with both numbers.
void RWRaiseIndex(std::size_t index, std::size_t count);
