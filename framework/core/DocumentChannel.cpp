// Opening a job's output channel.
#include "framework/core/DocumentChannel.h"

#include "framework/core/GProviderRegistry.h"
#include "framework/output/GOutputPort.h"
#include "framework/pipeline/GDocumentCommand.h"

namespace vel {

std::uint16_t OpenDocumentChannel(GDocumentStart& start, GOutputPort*& opened) {
  opened = GProviderRegistry::Instance().OpenOutputChannel(start.GetPrinterHandle(),
                                                           &start.GetPrinterName(), 0);
  if (opened == nullptr) {
    return kOutputNoChannel;
  }
  if (!opened->IsUsable()) {
    delete opened;
    opened = nullptr;
    return kOutputNoChannel;
  }
  start.SetOutputChannel(opened);
  return opened->JobStart(start.GetJobName(), 0);
}

}  // namespace vel
