// GPassThroughCommand.
#include "framework/pipeline/GPassThroughCommand.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

GPassThroughCommand::GPassThroughCommand(const std::uint8_t* data,
                                         std::uint16_t length,
                                         RWClassID target,
                                         std::uint32_t key)
    : GCommand(key), data_(data), length_(data != nullptr ? length : 0), target_(target) {}

GPassThroughCommand::GPassThroughCommand(const GPassThroughCommand& other) : GCommand(other) {
  CopyData(other);
}

GPassThroughCommand& GPassThroughCommand::operator=(const GPassThroughCommand& other) {
  if (this != &other) {
    GCommand::operator=(other);
    FreeData();
    CopyData(other);
  }
  return *this;
}

GPassThroughCommand::~GPassThroughCommand() {
  FreeData();
}

void GPassThroughCommand::CopyData(const GPassThroughCommand& other) {
  target_ = other.target_;
  if (other.owned_ == 0 || other.data_ == nullptr) {
    data_ = other.data_;
    length_ = other.length_;
    owned_ = 0;
    return;
  }
  auto* bytes = new (std::nothrow) std::uint8_t[other.length_ == 0 ? 1 : other.length_];
  if (bytes == nullptr) {
    data_ = nullptr;
    length_ = 0;
    owned_ = 0;
    return;
  }
  std::copy_n(other.data_, other.length_, bytes);
  data_ = bytes;
  length_ = other.length_;
  owned_ = 1;
}

void GPassThroughCommand::FreeData() {
  if (owned_ != 0) {
    delete[] data_;
  }
  data_ = nullptr;
  length_ = 0;
  owned_ = 0;
}

RWClassID GPassThroughCommand::ClassId() {
  return vel::classid::kGPassThroughCommand;
}

RWCollectable* GPassThroughCommand::Create() {
  return new (std::nothrow) GPassThroughCommand;
}

RWCollectable* GPassThroughCommand::CreateInstance() const {
  return Create();
}

RWCollectable* GPassThroughCommand::Clone() const {
  return new (std::nothrow) GPassThroughCommand(*this);
}

RWClassID GPassThroughCommand::IsA() const {
  return ClassId();
}

bool GPassThroughCommand::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

bool GPassThroughCommand::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* pass = dynamic_cast<const GPassThroughCommand*>(other);
  if (!SameClass(other) || pass == nullptr || !GCommand::IsSameKey(other) ||
      pass->length_ != length_ || pass->target_ != target_ || pass->owned_ != owned_) {
    return false;
  }
  if (pass->data_ == data_) {
    return true;
  }
  return pass->data_ != nullptr && data_ != nullptr &&
         std::equal(data_, data_ + length_, pass->data_);
}

std::uint16_t GPassThroughCommand::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePassThroughCommand(*this);
}

std::uint32_t GPassThroughCommand::StoredByteCount() const {
  return GCommand::StoredByteCount() + vel::kClassVersionSize + 4 +
         (data_ != nullptr ? length_ : 0);
}

template <typename Carrier>
void GPassThroughCommand::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GCommand::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, length_);
  vel::WriteField(carrier, target_);
  if (data_ != nullptr && length_ != 0) {
    if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
      (void)carrier.Write(data_, length_);
    } else {
      for (std::uint16_t i = 0; i < length_; ++i) {
        carrier.Put(static_cast<unsigned char>(data_[i]));
      }
    }
  }
}

void GPassThroughCommand::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPassThroughCommand::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPassThroughCommand::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GCommand::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t length = 0;
  RWClassID target = 0;
  if (!vel::ReadField(carrier, length) || !vel::ReadField(carrier, target)) {
    vel::FailCarrier(carrier);
    return;
  }
  std::uint8_t* bytes = nullptr;
  if (length != 0) {
    bytes = new (std::nothrow) std::uint8_t[length];
    bool read = bytes != nullptr;
    if (read) {
      if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
        read = carrier.Read(bytes, length);
      } else {
        for (std::uint16_t i = 0; read && i < length; ++i) {
          unsigned char byte = 0;
          carrier.Get(byte);
          bytes[i] = byte;
          read = vel::CarrierGood(carrier);
        }
      }
    }
    if (!read) {
      delete[] bytes;
      vel::FailCarrier(carrier);
      return;
    }
  }
  FreeData();
  data_ = bytes;
  length_ = length;
  target_ = target;
  owned_ = bytes != nullptr ? 1 : 0;
}

void GPassThroughCommand::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPassThroughCommand::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
