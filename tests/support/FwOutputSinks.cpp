// Memory and file sinks for tests.
#include "tests/support/FwOutputSinks.h"

#include <algorithm>

namespace vel::test {

MemoryOutputPort::MemoryOutputPort(const RWWString& name) : GOutputPort(name) {}

MemoryOutputPort::~MemoryOutputPort() {
  if (tally_ != nullptr) {
    ++tally_->deletions;
  }
}

std::uint16_t MemoryOutputPort::JobStart(const RWWString& job_name, std::int32_t framing) {
  if (tally_ != nullptr) {
    ++tally_->job_starts;
  }
  if (job_start_status_ != kOutputOk) {
    return job_start_status_;
  }
  return GOutputPort::JobStart(job_name, framing);
}

std::uint16_t MemoryOutputPort::JobEnd() {
  if (tally_ != nullptr) {
    ++tally_->job_ends;
  }
  if (job_end_status_ != kOutputOk) {
    return job_end_status_;
  }
  return GOutputPort::JobEnd();
}

std::uint16_t MemoryOutputPort::Close() {
  if (tally_ != nullptr) {
    ++tally_->aborts;
  }
  return GOutputPort::Close();
}

void MemoryOutputPort::FailFromByte(std::size_t offset) {
  mode_ = Mode::kFailFrom;
  fail_from_ = offset;
}

std::uint16_t MemoryOutputPort::WriteRaw(const void* bytes,
                                         std::uint32_t count,
                                         std::uint32_t* written) {
  *written = 0;
  std::uint16_t status = kOutputOk;
  std::size_t keep = count;
  switch (mode_) {
    case Mode::kWrite:
      break;
    case Mode::kFailFrom:
      if (bytes_.size() + count > fail_from_) {
        keep = fail_from_ > bytes_.size() ? fail_from_ - bytes_.size() : 0;
        status = kOutputWriteFailed;
      }
      break;
    case Mode::kFailEvery:
      keep = 0;
      status = kOutputWriteFailed;
      break;
    case Mode::kNoDevice:
      keep = 0;
      status = kOutputWrongState;
      break;
  }
  const auto* data = static_cast<const std::uint8_t*>(bytes);
  bytes_.insert(bytes_.end(), data, data + keep);
  *written = static_cast<std::uint32_t>(keep);
  writes_.push_back({count, status});
  return status;
}

bool MemoryOutputPort::IsUsable() {
  return usable_;
}

bool MemoryOutputPort::IsClosed() {
  ++closed_polls_;
  return GOutputPort::IsClosed();
}

FileOutputPort::FileOutputPort(const std::string& path)
    : GOutputPort(RWWString(path.c_str())), file_(std::fopen(path.c_str(), "wb")) {}

FileOutputPort::~FileOutputPort() {
  if (file_ != nullptr) {
    std::fclose(file_);
  }
}

std::uint16_t FileOutputPort::WriteRaw(const void* bytes,
                                       std::uint32_t count,
                                       std::uint32_t* written) {
  *written = 0;
  if (file_ == nullptr) {
    return kOutputWrongState;
  }
  *written = static_cast<std::uint32_t>(std::fwrite(bytes, 1, count, file_));
  return *written == count ? kOutputOk : kOutputWriteFailed;
}

bool FileOutputPort::IsUsable() {
  return file_ != nullptr && GetState() != State::kClosed;
}

std::uint16_t FileOutputPort::Close() {
  const std::uint16_t status = GOutputPort::Close();
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  return status;
}

}  // namespace vel::test
