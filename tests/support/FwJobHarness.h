// A job harness for the language back ends: the chain as the driver data file holds it (a head
// composite holding the printer, whose children are the PJL envelope, key 106, and the back end,
// key 101), over an output provider whose channels are memory sinks. It sends commands through the
// head as the device session does, collects the statuses of the error commands that come back, and
// keeps every byte each job's channel received.
//
// The configuration of the envelope and the back end is the driver data builder's language
// configuration (202, 317, 85, 192, 329) with the paper-handling devices (90: one optional output
// accessory of type 1, not installed) and the device font lists (414, holding the font memory
// module's list 422).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ByteMatch.h"
#include "tests/support/FwOutputSinks.h"
#include "tests/support/FwTestProviders.h"

class GCommand;
class GConfiguration;
class GKestrix;
class GMedia;
class GPJL;
class GPeripheral;
class GPeripheralComposite;
class GPrinter;
class GState;

namespace vel::test {

// What one job's channel received, kept when the channel is deleted.
struct JobOutput {
  Bytes bytes;
  std::vector<MemoryOutputPort::Write> writes;
  MemoryOutputPort::Tally tally;
  int closed_polls = 0;

  // The bytes from the PCL XL stream header (") QZ-PCL XL") to the trailer's universal exit
  // language sequence (or the end), empty when there is no stream header.
  Bytes XLPart() const;
  std::string Text() const { return std::string(bytes.begin(), bytes.end()); }
};

// The page group (256) of a page start.
struct PageSettings {
  std::optional<std::uint16_t> orientation;  // 265, degrees
  std::optional<std::uint16_t> tray;         // 258
  std::optional<std::uint16_t> copies;       // 257
  std::shared_ptr<const GMedia> media;       // 259: a copy goes into the group
};

class JobHarness {
 public:
  static constexpr const char* kLanguage = "PCLXL";
  static constexpr const char* kProviderName = "Job Harness";

  // The chain; `back_end` (taken over) stands under key 101, a new GKestrix named "PCLXL" when
  // null.
  explicit JobHarness(GPeripheral* back_end = nullptr);
  // A harness over a chain of the driver data file's shape (a head composite holding the printer,
  // key 76), taken over as it is: Configuration() is then the back end's own configuration.
  struct OverChain {
    GPeripheralComposite* head;
  };
  explicit JobHarness(OverChain chain);
  ~JobHarness();
  JobHarness(const JobHarness&) = delete;
  JobHarness& operator=(const JobHarness&) = delete;

  GPeripheralComposite& Head() const { return *head_; }
  GPrinter& Printer() const;
  GPJL* PJL() const;
  GPeripheral* BackEnd() const;
  GKestrix* Kestrix() const;
  // Shared by the envelope and the back end.
  GConfiguration& Configuration() const { return *configuration_; }

  // The job settings that the next document starts carry (group 246), and the attributes of the
  // group put there by the caller (taken over; one of the same key is replaced).
  GState& JobSettings() const { return *settings_; }
  void SetJobSetting(GBaseObject* attribute);
  void SetJobValue(std::uint32_t key, std::uint16_t value);
  void SetJobText(std::uint32_t key, const char* text);

  // Called with each channel the provider makes (before it is handed out); kept for later jobs.
  void ConfigurePorts(std::function<void(MemoryOutputPort&)> configure) {
    configure_ = std::move(configure);
  }
  // The channel of the next job only: writes fail from byte `offset` on.
  void FailNextJobFromByte(std::size_t offset) { fail_from_ = offset; }
  // The provider makes no channel (null) while set.
  void DeliverNoChannel(bool none) { deliver_none_ = none; }

  // Each sends one command through the head and answers the first non-zero status of the error
  // commands that came back (0 when none). After a non-zero status the harness sends a GJobAbort,
  // as the device session does, and drops every command until the next document start.
  std::uint16_t StartDocument(const std::u16string& job_name = u"job");
  std::uint16_t StartPage(const PageSettings& page = {});
  std::uint16_t EndPage();
  std::uint16_t EndDocument();
  std::uint16_t AbortJob();
  // Any command (taken over).
  std::uint16_t Send(GCommand* command);
  // A job of one page per entry: document start, the pages, document end; the first non-zero
  // status.
  std::uint16_t RunJob(const std::vector<PageSettings>& pages, const std::u16string& job_name = u"job");

  // Every non-zero status collected, in order (one per failed command).
  const std::vector<std::uint16_t>& Statuses() const { return statuses_; }
  bool InErrorState() const { return error_state_; }
  // One entry per channel the provider made, in order; a channel still alive is read as it is.
  std::vector<JobOutput> Jobs() const;
  JobOutput LastJob() const;
  MemoryOutputPort* LivePort() const { return live_port_; }

 private:
  class Port;
  friend class Port;
  std::uint16_t Collect(GCommand* answer);
  void MakeProvider();

  // The harness whose command is running on this thread.
  static thread_local JobHarness* sending_;
  TestProvider provider_;
  std::string name_;
  std::unique_ptr<ScopedRegistration> registration_;
  std::unique_ptr<GPeripheralComposite> head_;
  GConfiguration* configuration_ = nullptr;  // held by the stages
  std::unique_ptr<GState> settings_;
  std::function<void(MemoryOutputPort&)> configure_;
  std::optional<std::size_t> fail_from_;
  bool deliver_none_ = false;
  bool error_state_ = false;
  std::vector<std::uint16_t> statuses_;
  std::vector<JobOutput> finished_;  // outputs of deleted channels, by index
  std::vector<bool> finished_set_;
  MemoryOutputPort* live_port_ = nullptr;
  std::size_t live_index_ = 0;
};

// A GMedia of the test fixture's kind: `width` x `height` units at 600 dpi, the given paper id and
// media type (null: none).
std::shared_ptr<const GMedia> MakeTestMedia(std::int16_t paper_id, std::int16_t width,
                                            std::int16_t height, const char* media_type = nullptr,
                                            std::uint16_t resolution = 600);

}  // namespace vel::test
