// The output channel's job state and its own PJL framing.
#include "framework/output/GOutputPort.h"

#include "framework/core/StringWidth.h"
#include "framework/output/PJLText.h"

GOutputPort::GOutputPort(const RWWString& name) : name_(name) {}

GOutputPort::~GOutputPort() = default;

std::uint16_t GOutputPort::JobStart(const RWWString& job_name, std::int32_t framing) {
  if (state_ != State::kIdle) {
    return kOutputWrongState;
  }
  RWCString narrow;
  (void)NarrowString(job_name, narrow);
  job_name_ = PJLQuotedValue(narrow);
  framing_ = framing;
  state_ = State::kJobOpen;
  if (framing_ == 0) {
    return kOutputOk;
  }
  RWCString text(kPJLUniversalExit);
  text.Append(kPJLPrefix)
      .Append(kPJLJobName)
      .Append(job_name_)
      .Append(kPJLQuote)
      .Append(kPJLLineEnd);
  std::uint32_t written = 0;
  (void)WriteString(text, &written);
  return written != text.Length() ? kOutputWrongState : kOutputOk;
}

bool GOutputPort::IsClosed() {
  return state_ != State::kJobOpen;
}

std::uint16_t GOutputPort::WriteString(const RWCString& text, std::uint32_t* written) {
  *written = 0;
  return WriteRaw(text.Data(), static_cast<std::uint32_t>(text.Length()), written);
}

std::uint16_t GOutputPort::JobEnd() {
  if (state_ != State::kJobOpen) {
    return kOutputWrongState;
  }
  std::uint16_t status = kOutputOk;
  if (framing_ != 0) {
    RWCString text(kPJLUniversalExit);
    text.Append(kPJLPrefix)
        .Append(kPJLEndOfJobName)
        .Append(job_name_)
        .Append(kPJLQuote)
        .Append(kPJLLineEnd)
        .Append(kPJLUniversalExit);
    std::uint32_t written = 0;
    (void)WriteString(text, &written);
    status = written != text.Length() ? kOutputWrongState : kOutputOk;
  }
  state_ = State::kIdle;
  return status;
}

std::uint16_t GOutputPort::Close() {
  if (state_ == State::kJobOpen) {
    (void)JobEnd();
  }
  state_ = State::kClosed;
  return kOutputOk;
}
