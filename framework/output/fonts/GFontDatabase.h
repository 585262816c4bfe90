// GFontDatabase: a render device's table of font implementations, keyed by a process-wide font id,
// so that a font seen again (in a later page, or in pages replayed from disk) is found with what it
// has learnt instead of being rebuilt. It writes the implementations marked for saving, with the
// TrueType readers the device's fonts asked the font pool to keep, into font files beside pages
// kept on disk, reads such a file back before those pages are replayed, and deletes every file it
// wrote when it is flushed.
//
// A font file is the pool's part (the readers saved for the owner) followed by the table's part
// (the implementations, each under its font id; see GObjectCache). Font files are foreign data when
// read: a damaged file fails soft, keeping the entries read whole before the damage.
//
// Reference counts: the table holds one reference on each implementation it keeps. Of two copies
// of one implementation, the one with the higher change count is kept.
//
// One device's thread uses a table at a time; only the font-id counter is shared (atomic).
#pragma once

#include <cstdint>

#include "framework/output/fonts/GObjectCache.h"
#include "rw/RWWString.h"

class GFontImp;
class GRenderDevice;
class RWVirtualInStream;
class RWVirtualOutStream;

class GFontDatabase {
 public:
  // A table of `owner`, whose cookie names the table to the font pool.
  explicit GFontDatabase(GRenderDevice* owner);
  GFontDatabase(const GFontDatabase&) = delete;
  GFontDatabase& operator=(const GFontDatabase&) = delete;
  // Flushes.
  ~GFontDatabase();

  // The next font id of the process (from 0, never handed out twice).
  static std::uint32_t NextFontId();

  // Keeps the implementation under its font id (one more reference) unless the id is held; 1.
  int Add(GFontImp* implementation);
  // The implementation of the id with one more reference; null when absent or when it knows less
  // than `change_count`.
  GFontImp* Find(std::uint32_t font_id, std::uint32_t change_count);
  // Takes the implementation out without touching its count; null when absent.
  GFontImp* Remove(std::uint32_t font_id);
  // Takes it out and drops the table's reference (deleting it at none): 1, or 0 when absent.
  int Release(std::uint32_t font_id);
  int Contains(std::uint32_t font_id) const;
  std::uint32_t Count() const;

  // Writes a new font file of that name: the pool's readers for the owner, then the
  // implementations marked for saving (whose marks are then cleared), then purges. The name is
  // kept for deletion. Writing the current font file makes it no longer current. 0 when the file
  // cannot be created or written, else 1.
  int AddFontFile(const RWWString& name);
  // Reads the font file unless it is the current one (1 at once): purges, then merges the pool's
  // part and the table's part. 1 makes it the current file; a failed read answers 0 and leaves no
  // current file, so the next selection reads it again. A file that cannot be opened answers 0 and
  // changes nothing.
  int SelectFontFile(const RWWString& name);
  const RWWString& CurrentFontFile() const { return current_file_; }

  // The same content as a font file, through a stream. Restore purges first.
  int Save(RWVirtualOutStream& stream);
  int Restore(RWVirtualInStream& stream);

  // Deletes the implementations only the table holds, and purges the pool for the owner.
  void Purge();
  // Lets go of every implementation, purges the pool for the owner and deletes every font file
  // the table wrote.
  void Flush();

  GRenderDevice* Owner() const { return owner_; }

 private:
  struct WrittenFile {
    WrittenFile* next;
    RWWString name;
  };

  std::uint32_t OwnerId() const;

  GObjectCache cache_;
  GRenderDevice* owner_;
  RWWString current_file_;
  WrittenFile* written_ = nullptr;
};
