// Providers of output and status channels for tests.
#include "tests/support/FwTestProviders.h"

#include "framework/core/GProviderRegistry.h"

namespace vel::test {

TestProvider::Request TestProvider::MakeRequest(GDeviceSession* owner,
                                                const RWCString& registered_name,
                                                std::uint32_t flags,
                                                const RWWString* argument) {
  Request request{owner, std::string(registered_name.Data(), registered_name.Length()), flags, {},
                  argument != nullptr};
  if (argument != nullptr) {
    request.argument.assign(argument->Data(), argument->Length());
  }
  return request;
}

GOutputPort* TestProvider::OpenOutputChannel(GDeviceSession* owner,
                                             const RWCString& registered_name,
                                             std::uint32_t flags,
                                             const RWWString* argument) {
  ++output_calls_;
  const Request request = MakeRequest(owner, registered_name, flags, argument);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    output_requests_.push_back(request);
  }
  return output_factory_ ? output_factory_(request) : nullptr;
}

GStatusChannel* TestProvider::OpenStatusChannel(GDeviceSession* owner,
                                                const RWCString& registered_name,
                                                std::uint32_t flags,
                                                const RWWString* argument) {
  ++status_calls_;
  const Request request = MakeRequest(owner, registered_name, flags, argument);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    status_requests_.push_back(request);
  }
  return status_factory_ ? status_factory_(request) : nullptr;
}

std::int32_t TestProvider::Supports(std::uint32_t flags) const {
  ++supports_calls_;
  return supports_fixed_ ? supports_answer_ : GStatusProvider::Supports(flags);
}

std::vector<TestProvider::Request> TestProvider::OutputRequests() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return output_requests_;
}

std::vector<TestProvider::Request> TestProvider::StatusRequests() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return status_requests_;
}

ScopedRegistration::ScopedRegistration(GStatusProvider* provider, const char* name)
    : name_(name), result_(GProviderRegistry::Instance().Register(provider, name_)) {}

ScopedRegistration::~ScopedRegistration() {
  if (result_ == 0) {
    GProviderRegistry::Instance().Unregister(name_);
  }
}

}  // namespace vel::test
