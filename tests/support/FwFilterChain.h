// FwFilterChain: a chain of page filters for tests, as the driver data file stands them ahead of
// the printer: a peripheral composite holding the filters in order and a transcript stage
// (FwTranscriptPeripheral) behind them. Commands go through the composite as the device session
// sends them, so a filter that switches itself off is passed over as it is in a job.
//
// It also makes the commands of a job as the device session makes them: a document start with a
// document group (246) and a page start with a page group (256) holding the page's media (259),
// orientation (265) and, when asked for, the transform of the page's printable origin.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/GPeripheralComposite.h"
#include "tests/support/FwTranscriptPeripheral.h"

class GCommand;
class GDeviceSession;
class GMedia;
class GPeripheral;
class GState;

namespace vel::test {

// A paper in device units: size, printable size and printable origin.
struct FilterPaper {
  std::int16_t width, height, printable_width, printable_height, origin_x, origin_y;
};

// Letter at 600 dpi: 5100 x 6600, printable 4860 x 6360 at (120, 120).
inline constexpr FilterPaper kLetterPaper{5100, 6600, 4860, 6360, 120, 120};

// A new media of `paper` named "Letter", paper id 1, 600 x 600 dpi, keyed `key` (259 unless said).
GMedia* MakeFilterMedia(const FilterPaper& paper,
                        std::int32_t orientation = 0,
                        std::uint32_t key = 259,
                        const char* media_type = "");

class FwFilterChain {
 public:
  // The filters (taken over), in chain order, then the transcript stage; everything reset.
  explicit FwFilterChain(std::initializer_list<GPeripheral*> filters = {});
  FwFilterChain(const FwFilterChain&) = delete;
  FwFilterChain& operator=(const FwFilterChain&) = delete;

  // Sends one command (taken over) through the chain.
  void Send(GCommand* command);
  // Resets the chain, as the device session does before a later document.
  void Reset() { head_.Reset(); }

  // A new document group (246) holding the media of `paper` (259, unless null) and orientation 0.
  static GState* DocumentGroup(const std::optional<FilterPaper>& paper = kLetterPaper);
  // A new document start over `group` (taken over) with `device` as printer handle.
  static GCommand* DocumentStart(GState* group, GDeviceSession* device = nullptr);
  // A new page start whose group (256) holds the media of `paper` (259), the orientation (265),
  // and, with `origin_transform`, a transform whose translation is the printable origin.
  static GCommand* PageStart(const FilterPaper& paper = kLetterPaper,
                             std::int32_t orientation = 0,
                             bool origin_transform = true);
  // A new rectangle graphic whose bundle holds a pen and, when given, a transform.
  static GCommand* Graphic(bool with_transform = false);

  GPeripheral* Filter(std::size_t index) const;
  FwTranscriptPeripheral& Sink() const { return *sink_; }
  const std::vector<std::string>& Lines() const { return sink_->Lines(); }

 private:
  GPeripheralComposite head_;
  FwTranscriptPeripheral* sink_ = nullptr;  // held by the head
  std::size_t filters_ = 0;
};

}  // namespace vel::test
