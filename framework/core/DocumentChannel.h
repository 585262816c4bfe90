// Opening the output channel of a job for a stage that finds none on its document start (the
// printer at the head of the chain, the PJL envelope, a language back end without a printer in
// front of it).
//
// Ownership: the stage that opens a channel owns it; the document command only carries the
// pointer and never deletes it. An owner deletes its channel at its next document start (or with
// itself); a stage that only uses a channel forgets it at the document end and at a job abort.
#pragma once

#include <cstdint>

class GDocumentStart;
class GOutputPort;

namespace vel {

// Asks the provider registry for a channel for the command's printer handle and printer name,
// with no required capability flags, and tests it (IsUsable). No channel, or one that is not
// usable (it is deleted), answers 601 and leaves `opened` null. Otherwise the channel, owned by
// the caller, is in `opened` and handed to the command, and its job is started with the command's
// job name and no framing: the answer is that start's status (the channel stays the caller's
// even when the start failed).
[[nodiscard]] std::uint16_t OpenDocumentChannel(GDocumentStart& start, GOutputPort*& opened);

}  // namespace vel
