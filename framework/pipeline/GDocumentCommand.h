// The commands that frame a document: GDocumentCommand, their abstract base, GDocumentStart, which
// opens a document and carries what a stage needs to open the output channel, and GDocumentEnd.
// Their bundle is the document-level group (key 246) of the job's settings.
//
// The output channel on a document command belongs to the stage that opened it, never to the
// command: setting, copying and destroying a command never deletes a channel.
//
// The printer handle of a document start is the device session that built the command (not
// owned). It is stored as the cookie under which the driver server files that session, and a
// restore sets it to the session the driver server finds for the cookie.
//
// Stored forms (after the command part):
//   GDocumentCommand: u32 class version word 1, job name, printer name (wide strings: u32 length
//                     in characters, then the 16-bit characters). The channel is never stored.
//   GDocumentStart:   the document command part, u32 class version word 1, i32 flag (1 when the
//                     handle is set, else 0), and when the flag is 1 the u32 cookie. A restore
//                     with flag 0 keeps the handle the object had.
//   GDocumentEnd:     the document command part, u32 class version word 1.
// A restore takes the names (and the handle) only when every field was read.
#pragma once

#include <cstdint>

#include "framework/pipeline/GCommand.h"
#include "rw/RWWString.h"

class GDeviceSession;
class GOutputPort;

class GDocumentCommand : public GCommand {
 public:
  // Names empty, no channel, a new GState with key 246 as the bundle.
  explicit GDocumentCommand(std::uint32_t key = 0);
  // `bundle` gets key 246 and gains a reference; null: a new GState with key 246.
  GDocumentCommand(GState* bundle, std::uint32_t key);
  GDocumentCommand(const RWWString& job_name, const RWWString& printer_name, std::uint32_t key);
  GDocumentCommand(const RWWString& job_name,
                   const RWWString& printer_name,
                   GState* bundle,
                   std::uint32_t key);
  // Same names, shared bundle, the same channel pointer.
  GDocumentCommand(const GDocumentCommand& other) = default;
  GDocumentCommand& operator=(const GDocumentCommand& other) = default;
  // Leaves the channel alone.
  ~GDocumentCommand() override = default;

  // The command part + 4 + (4 + 2 x job name length) + (4 + 2 x printer name length).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 704, 601, 751.
  bool IsKindOf(RWClassID id) const override;
  // The command test, then the printer names and the job names.
  bool IsSameKey(const GBaseObject* other) const override;

  // Takes only a kind of GState, which gets key 246 and becomes the bundle. Anything else is
  // destroyed (unless a counted reference holds it) and the bundle stays; null and the bundle
  // already held change nothing.
  void SetGraphicBundle(GBaseObject* bundle) override;

  const RWWString& GetJobName() const { return job_name_; }
  const RWWString& GetPrinterName() const { return printer_name_; }
  // Keeps the pointer; the channel is not owned, so nothing is deleted.
  void SetOutputChannel(GOutputPort* channel) { channel_ = channel; }
  // The channel; the command forgets it.
  GOutputPort* ReleaseOutputChannel();
  GOutputPort* GetOutputChannel() const { return channel_; }

  static RWClassID ClassId();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  RWWString job_name_;
  RWWString printer_name_;
  GOutputPort* channel_ = nullptr;
};

class GDocumentStart : public GDocumentCommand {
 public:
  // Names empty, no handle.
  explicit GDocumentStart(std::uint32_t key = 0);
  GDocumentStart(const RWWString& job_name,
                 const RWWString& printer_name,
                 GDeviceSession* printer_handle,
                 std::uint32_t key);
  GDocumentStart(const RWWString& job_name,
                 const RWWString& printer_name,
                 GDeviceSession* printer_handle,
                 GState* bundle,
                 std::uint32_t key);
  // Same names, handle, shared bundle and channel pointer.
  GDocumentStart(const GDocumentStart& other) = default;
  GDocumentStart& operator=(const GDocumentStart& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The document command part + 8, and 4 more with a handle.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, the same handle, then the document command test.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleDocumentStart.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  GDeviceSession* GetPrinterHandle() const { return printer_handle_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GDocumentStart"; }
  static RWCollectable* Create();

 private:
  // The cookie under which the driver server filed the handle's session.
  std::uint32_t CookieOfHandle() const;
  // The render device the driver server files under `cookie`, or null.
  static GDeviceSession* SessionOfCookie(std::uint32_t cookie);
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GDeviceSession* printer_handle_ = nullptr;
};

class GDocumentEnd : public GDocumentCommand {
 public:
  explicit GDocumentEnd(std::uint32_t key = 0) : GDocumentCommand(key) {}
  GDocumentEnd(const RWWString& job_name, const RWWString& printer_name, std::uint32_t key)
      : GDocumentCommand(job_name, printer_name, key) {}
  GDocumentEnd(const RWWString& job_name,
               const RWWString& printer_name,
               GState* bundle,
               std::uint32_t key)
      : GDocumentCommand(job_name, printer_name, bundle, key) {}
  GDocumentEnd(const GDocumentEnd& other) = default;
  GDocumentEnd& operator=(const GDocumentEnd& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The document command part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleDocumentEnd.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GDocumentEnd"; }
  static RWCollectable* Create();
};
