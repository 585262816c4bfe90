// Output channels for tests: a memory sink that keeps every byte and every write, with switches
// that make writes fail, and a file sink that writes a .prn file for the external tools.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/output/GOutputPort.h"
#include "tests/support/ByteMatch.h"

namespace vel::test {

class MemoryOutputPort : public GOutputPort {
 public:
  struct Write {
    std::uint32_t length;  // bytes asked for
    std::uint16_t status;  // status answered
  };

  // What happened to the port's jobs, kept outside the port so that it outlives it.
  struct Tally {
    int job_starts = 0;
    int job_ends = 0;
    int aborts = 0;  // Close calls (closing an open job also counts its job end)
    int deletions = 0;
  };

  explicit MemoryOutputPort(const RWWString& name = RWWString(u"memory"));
  // Counts the deletion in the tally, when one is kept.
  ~MemoryOutputPort() override;

  // Counted in the tally; a status set by FailJobStart (FailJobEnd) is answered instead of the
  // base's, which then does not run.
  [[nodiscard]] std::uint16_t JobStart(const RWWString& job_name, std::int32_t framing) override;
  [[nodiscard]] std::uint16_t JobEnd() override;
  std::uint16_t Close() override;
  [[nodiscard]] std::uint16_t WriteRaw(const void* bytes,
                                       std::uint32_t count,
                                       std::uint32_t* written) override;
  bool IsUsable() override;
  bool IsClosed() override;  // counted

  // Switches. FailFromByte(n): the bytes before offset n of everything written are kept, the
  // write that reaches n sets the count of what it kept and answers 5, and so does every later
  // one. FailEveryWrite: count 0, status 5. NoDevice: count 0, status 1. Reset clears them.
  void FailFromByte(std::size_t offset);
  void FailEveryWrite() { mode_ = Mode::kFailEvery; }
  void NoDevice() { mode_ = Mode::kNoDevice; }
  void Reset() { mode_ = Mode::kWrite; }
  void SetUsable(bool usable) { usable_ = usable; }
  void FailJobStart(std::uint16_t status) { job_start_status_ = status; }
  void FailJobEnd(std::uint16_t status) { job_end_status_ = status; }
  // Counts job starts, ends, aborts and the deletion into `tally` (null: none), which must
  // outlive the port.
  void KeepTally(Tally* tally) { tally_ = tally; }
  // The value GetCount answers.
  void SetCount(std::uint32_t count) { GOutputPort::SetCount(count); }

  const Bytes& bytes() const { return bytes_; }
  const std::vector<Write>& writes() const { return writes_; }
  int closed_polls() const { return closed_polls_; }

 private:
  enum class Mode { kWrite, kFailFrom, kFailEvery, kNoDevice };
  Mode mode_ = Mode::kWrite;
  std::size_t fail_from_ = 0;
  bool usable_ = true;
  std::uint16_t job_start_status_ = kOutputOk;
  std::uint16_t job_end_status_ = kOutputOk;
  Tally* tally_ = nullptr;
  int closed_polls_ = 0;
  Bytes bytes_;
  std::vector<Write> writes_;
};

class FileOutputPort : public GOutputPort {
 public:
  // Creates (or empties) the file; a file that cannot be opened makes every write answer 1.
  explicit FileOutputPort(const std::string& path);
  ~FileOutputPort() override;

  [[nodiscard]] std::uint16_t WriteRaw(const void* bytes,
                                       std::uint32_t count,
                                       std::uint32_t* written) override;
  // True while the file is open and the channel is idle or in a job.
  bool IsUsable() override;
  // Closes the channel and the file, so that the file is complete for a tool to read.
  std::uint16_t Close() override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace vel::test
