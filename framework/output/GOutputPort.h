// The output channel of a print job: every byte of a job (the PJL envelope, the language back
// ends) leaves through a GOutputPort. The base class keeps the job's state and name, can frame a
// job with a PJL job start and end of its own, and turns string writes into raw writes; a
// subclass supplies the device: the raw write and the readiness test.
//
// Ownership: the peripheral that opened a channel owns it and deletes it (when the next job's
// document start arrives); a document command that carries the channel only holds the pointer.
//
// States: idle (no job) --JobStart--> job open --JobEnd--> idle; any state --Close--> closed.
// JobStart works only from idle, JobEnd only from job open; a closed channel stays closed.
//
// With the PJL framing flag set, a job is framed as
//   UEL "@PJL " "JOB NAME=\"" name "\"" CR LF   ... the job's bytes ...
//   UEL "@PJL " "EOJ NAME=\"" name "\"" CR LF UEL
// where UEL is ESC "%-12345X". A name holding a double quote or a control byte other than TAB is
// written empty (PJLQuotedValue), so that it cannot end its line early. The system itself starts
// its channels with the flag 0 and leaves the PJL to the job envelope.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"

// Statuses of channel operations (0 is success).
inline constexpr std::uint16_t kOutputOk = 0;
// A channel operation in the wrong state, a short write of a framing text, or (from WriteRaw) no
// device to write to.
inline constexpr std::uint16_t kOutputWrongState = 1;
// WriteRaw: a short or failed write.
inline constexpr std::uint16_t kOutputWriteFailed = 5;
// No usable output channel (reported by the peripheral that tried to open one).
inline constexpr std::uint16_t kOutputNoChannel = 601;

class GOutputPort {
 public:
  explicit GOutputPort(const RWWString& name);
  // Frees the names; neither ends the job nor closes the channel.
  virtual ~GOutputPort();
  GOutputPort(const GOutputPort&) = delete;
  GOutputPort& operator=(const GOutputPort&) = delete;

  // Starts a job: only from idle (else status 1, nothing changes). Stores the name converted to
  // 8 bits (NarrowString) and the framing flag, opens the job; with the flag set writes the
  // framing start in one WriteString and answers 1 when fewer bytes than its length were written
  // (the job stays open), else 0.
  [[nodiscard]] virtual std::uint16_t JobStart(const RWWString& job_name, std::int32_t framing);
  // True unless a job is open.
  virtual bool IsClosed();
  // Writes count bytes to the device and answers 0 on success. It always sets *written, 0 when
  // nothing was written (callers start it at 0 too). The statuses of a device: 0 all bytes
  // written, 5 a short or failed write, 1 no device to write to.
  [[nodiscard]] virtual std::uint16_t WriteRaw(const void* bytes,
                                               std::uint32_t count,
                                               std::uint32_t* written) = 0;
  // WriteRaw of the text's bytes; its status.
  [[nodiscard]] virtual std::uint16_t WriteString(const RWCString& text, std::uint32_t* written);
  // Ends the open job (else status 1): with the framing flag set writes the framing end in one
  // WriteString, 1 when it was short, else 0. The channel is idle afterwards in either case.
  [[nodiscard]] virtual std::uint16_t JobEnd();
  // Ends an open job (its status dropped) and closes the channel. Answers 0.
  virtual std::uint16_t Close();
  // The readiness test the opener calls right after getting the channel.
  virtual bool IsUsable() = 0;

  bool IsOpen() const { return state_ == State::kJobOpen; }
  // A count the device may keep (the PCL XL back end reads it between flushes); the base class
  // never changes it from 0.
  std::uint32_t GetCount() const { return count_; }
  const RWWString& GetName() const { return name_; }
  // The job name as stored by the last JobStart (8-bit, after the quoted-value check).
  const RWCString& GetJobName() const { return job_name_; }

 protected:
  enum class State : std::int32_t { kIdle = 0, kJobOpen = 1, kClosed = 2 };
  State GetState() const { return state_; }
  void SetCount(std::uint32_t count) { count_ = count; }

 private:
  std::int32_t framing_ = 0;
  std::uint32_t count_ = 0;
  RWCString job_name_;
  RWWString name_;
  State state_ = State::kIdle;
};
