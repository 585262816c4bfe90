// Error classes, the error hook and the raise entry points.
#include "rw/RWError.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "rw/RWDefs.h"
#include "vel_flavour.h"

namespace {

std::atomic<RWErrorHook> g_error_hook{&FatalErrorHandler};
// Depth of the calling thread's soft-error scopes.
thread_local int t_soft_depth = 0;

}  // namespace

RWErrorBase::RWErrorBase(const char* text)
    : text_(RWDuplicateText(text != nullptr ? text : "")), owns_text_(1) {}

RWErrorBase::RWErrorBase(const RWCatalogMessage& message)
    : text_(RWDuplicateText(message.Text())), owns_text_(1) {}

RWErrorBase::RWErrorBase(const char* text, bool copy) {
  if (copy) {
    text_ = RWDuplicateText(text != nullptr ? text : "");
    owns_text_ = 1;
  } else {
    text_ = text;
  }
}

RWErrorBase::RWErrorBase(const RWErrorBase& other) {
  if (other.OwnsText()) {
    text_ = RWDuplicateText(other.Text());
    owns_text_ = 1;
  } else {
    text_ = other.text_;
  }
}

RWErrorBase::~RWErrorBase() {
  if (OwnsText()) {
    delete[] text_;
  }
}

RWNoMemoryError::RWNoMemoryError(std::uint32_t requested_size)
    : RWErrorBase(MessageText(RWCORE_NOMEM()), false), requested_size_(requested_size) {}

RWFileError::RWFileError(const RWCatalogMessage& message,
                         const RWBinaryFile* file,
                         Operation operation)
    : RWInternalError(message), file_(file), operation_(operation) {}

RWStreamError::RWStreamError(const RWCatalogMessage& message, const RWVirtualStreamBase* stream)
    : RWInternalError(message), stream_(stream) {}

RWErrorHook SetErrorHook(RWErrorHook hook) {
  return g_error_hook.exchange(hook != nullptr ? hook : &FatalErrorHandler);
}

RWSoftErrorScope::RWSoftErrorScope() {
  ++t_soft_depth;
}

RWSoftErrorScope::~RWSoftErrorScope() {
  --t_soft_depth;
}

void FatalErrorHandler(const RWErrorBase& error) {
  vel::flavour::DefaultFatalError(error.Text());
}

namespace {

void CallHook(const RWErrorBase& error) {
  const RWErrorHook hook = g_error_hook.load();
  if (hook == &FatalErrorHandler && t_soft_depth > 0) {
    return;
  }
  hook(error);
}

}  // namespace

void RWThrow(const RWErrorBase& error) {
  CallHook(error);
}
void RWThrow(const RWInternalError& error) {
  CallHook(error);
}
void RWThrow(const RWFileError& error) {
  CallHook(error);
}
void RWThrow(const RWStreamError& error) {
  CallHook(error);
}
void RWThrow(const RWDataError& error) {
  CallHook(error);
}
void RWThrow(const RWIndexError& error) {
  CallHook(error);
}

void RWRaiseGeneric(const RWMessageId* id, ...) {
  va_list arguments;
  va_start(arguments, id);
  RWCatalogMessage message = RWCatalogMessage::Format(id, arguments);
  va_end(arguments);
  RWThrow(RWErrorBase(message));
}

void RWRaiseInternal(const RWMessageId* id, ...) {
  va_list arguments;
  va_start(arguments, id);
  RWCatalogMessage message = RWCatalogMessage::Format(id, arguments);
  va_end(arguments);
  RWThrow(RWInternalError(message));
}

void RWRaiseData(const RWMessageId* id, ...) {
  va_list arguments;
  va_start(arguments, id);
  RWCatalogMessage message = RWCatalogMessage::Format(id, arguments);
  va_end(arguments);
  RWThrow(RWDataError(message));
}

void RWRaiseFile(const RWBinaryFile* file,
                 RWFileError::Operation operation,
                 const RWMessageId* id) {
  RWThrow(RWFileError(RWCatalogMessage(id), file, operation));
}

void RWRaiseStream(const RWVirtualStreamBase* stream, const RWMessageId* id) {
  RWThrow(RWStreamError(RWCatalogMessage(id), stream));
}

void RWRaiseIndex(std::size_t index, std::size_t count) {
  if (index == RW_NPOS) {
    RWThrow(RWIndexError(RWCatalogMessage(RWTOOL_NPOSINDEX())));
    return;
  }
  RWThrow(RWIndexError(RWCatalogMessage(RWTOOL_INDEXERR(), static_cast<unsigned>(index),
                                        static_cast<unsigned>(count))));
}
