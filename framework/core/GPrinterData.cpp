// GPrinterDataAccessor: forwards to the services with its device session.
#include "framework/core/GPrinterData.h"

#include "framework/core/GOSServices.h"

GPrinterDataAccessor::GPrinterDataAccessor(GDeviceSession* session)
    : session_(session), services_(GetOSServices()) {}

RWWString GPrinterDataAccessor::IdName(std::uint32_t id) {
  char16_t digits[10];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + id % 10);
    id /= 10;
  } while (id != 0);
  char16_t text[11];
  for (std::size_t i = 0; i < n; ++i) {
    text[i] = digits[n - 1 - i];
  }
  return RWWString(text, n);
}

std::int32_t GPrinterDataAccessor::SetNumber(const RWWString& name, std::uint32_t value) {
  return services_ != nullptr ? services_->SetPrinterDataNumber(session_, name, value) : 0;
}

std::int32_t GPrinterDataAccessor::SetString(const RWWString& name, const RWWString& value) {
  return services_ != nullptr ? services_->SetPrinterDataString(session_, name, value) : 0;
}

std::int32_t GPrinterDataAccessor::SetBinary(const RWWString& name, const std::uint8_t* data,
                                             std::uint32_t size) {
  return services_ != nullptr ? services_->SetPrinterDataBinary(session_, name, data, size) : 0;
}

std::int32_t GPrinterDataAccessor::StoreObject(const RWWString& name,
                                               const RWCollectable* object) {
  return services_ != nullptr ? services_->StorePrinterDataObject(session_, name, object) : 0;
}

std::int32_t GPrinterDataAccessor::StoreObjectById(std::uint32_t id,
                                                   const RWCollectable* object) {
  return StoreObject(IdName(id), object);
}

std::uint32_t GPrinterDataAccessor::GetNumber(const RWWString& name, std::uint32_t dflt) {
  return services_ != nullptr ? services_->GetPrinterDataNumber(session_, name, dflt) : dflt;
}

RWWString& GPrinterDataAccessor::GetString(RWWString& out, const RWWString& name,
                                           const RWWString& dflt) {
  if (services_ == nullptr) {
    out = dflt;
    return out;
  }
  return services_->GetPrinterDataString(out, session_, name, dflt);
}

std::int32_t GPrinterDataAccessor::GetBinary(const RWWString& name, std::uint8_t* buffer,
                                             std::uint32_t capacity, std::uint32_t* size_out) {
  return services_ != nullptr
             ? services_->GetPrinterDataBinary(session_, name, buffer, capacity, size_out)
             : 0;
}

RWCollectable* GPrinterDataAccessor::LoadObject(const RWWString& name) {
  return services_ != nullptr ? services_->LoadPrinterDataObject(session_, name) : nullptr;
}

RWCollectable* GPrinterDataAccessor::LoadObjectById(std::uint32_t id) {
  return LoadObject(IdName(id));
}
