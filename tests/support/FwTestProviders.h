// Providers of output and status channels for tests: capability flags chosen by the test, a
// record of every open request, and channels made on demand.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "framework/core/GStatusProvider.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

namespace vel::test {

class TestProvider : public GStatusProvider {
 public:
  struct Request {
    GDeviceSession* owner;
    std::string registered_name;
    std::uint32_t flags;
    std::u16string argument;  // empty for a null argument
    bool has_argument;
  };
  using OutputFactory = std::function<GOutputPort*(const Request&)>;
  using StatusFactory = std::function<GStatusChannel*(const Request&)>;

  // Answers null to every open request until a factory is set.
  explicit TestProvider(std::uint32_t flags) : flags_(flags) {}

  std::uint32_t GetProviderFlags() const override { return flags_; }
  // The base's answer, or the one set by AnswerSupports; each call is counted.
  std::int32_t Supports(std::uint32_t flags) const override;
  GOutputPort* OpenOutputChannel(GDeviceSession* owner,
                                 const RWCString& registered_name,
                                 std::uint32_t flags,
                                 const RWWString* argument) override;
  GStatusChannel* OpenStatusChannel(GDeviceSession* owner,
                                    const RWCString& registered_name,
                                    std::uint32_t flags,
                                    const RWWString* argument) override;

  void MakeOutput(OutputFactory factory) { output_factory_ = std::move(factory); }
  void MakeStatus(StatusFactory factory) { status_factory_ = std::move(factory); }
  // Supports answers `answer` whatever it is asked (as a provider that checks more than its
  // flags may).
  void AnswerSupports(std::int32_t answer) {
    supports_answer_ = answer;
    supports_fixed_ = true;
  }
  int SupportsCalls() const { return supports_calls_.load(); }

  // The requests so far (safe to read once the threads that made them are joined).
  std::vector<Request> OutputRequests() const;
  std::vector<Request> StatusRequests() const;
  int OutputCalls() const { return output_calls_.load(); }
  int StatusCalls() const { return status_calls_.load(); }

 private:
  static Request MakeRequest(GDeviceSession* owner,
                             const RWCString& registered_name,
                             std::uint32_t flags,
                             const RWWString* argument);

  std::uint32_t flags_;
  OutputFactory output_factory_;
  StatusFactory status_factory_;
  mutable std::mutex mutex_;
  std::vector<Request> output_requests_;
  std::vector<Request> status_requests_;
  std::atomic<int> output_calls_{0};
  std::atomic<int> status_calls_{0};
  mutable std::atomic<int> supports_calls_{0};
  bool supports_fixed_ = false;
  std::int32_t supports_answer_ = 0;
};

// Registers a provider with the provider registry for one scope (the registration's result in
// Result()), and unregisters the name at its end.
class ScopedRegistration {
 public:
  ScopedRegistration(GStatusProvider* provider, const char* name);
  ~ScopedRegistration();
  ScopedRegistration(const ScopedRegistration&) = delete;
  ScopedRegistration& operator=(const ScopedRegistration&) = delete;

  std::int32_t Result() const { return result_; }

 private:
  RWCString name_;
  std::int32_t result_;
};

}  // namespace vel::test
