// GDriverServer: the process-wide table of per-printer driver objects through which both modules
// reach their UI driver objects and render devices.
//
// A caller hands over a printer key (the server takes it over and deletes it) and receives a new
// object, filed under a 32-bit cookie; later it turns the cookie back into the object or closes it.
// Filed objects are never looked up by key: two opens for one printer give two objects. Each of the
// two tables (UI objects, render devices) keeps one spare: a close keeps the object as the spare
// (after its Close) while spares are on, or deletes it; the next open for a printer of the same
// driver (IsSameDriver) takes the spare and rebinds it to the new printer (Reopen).
//
// Every new object and every reused spare is filled with fresh deep copies of parts 353 (the head
// of the peripheral chain), 191 and 84 (the media and tray mapping lists) of the driver data file
// that the services name for it. The server reads each driver data file once and keeps what it read
// (until RemoveAll), so other printers of the same driver read no file. A reused spare also loses
// its job attribute group and its owned objects, so no setting of the previous printer, nor what
// was kept for it (its installed fonts), carries over. A file that cannot
// be read leaves the object without those parts; it is still filed and handed out.
//
// Cookies are non-zero and unique within a table: the object's address folded to 32 bits, then
// (a >> 16) ^ a; 0 becomes 1; a cookie in use steps to the next free one, 0xFFFFFFFF to 1. The
// object learns its cookie (SetCookie) when it is filed.
//
// Threads: any thread may call the server. Each table has its own lock and no operation holds both.
// The find operations answer the object after the lock is released, and callers own their cookies:
// closing a cookie while another thread still uses the object it found is the caller's error. New
// objects are made and filled outside the locks. A thread that is inside a table (the out-of-memory
// handler running on a failed allocation there) is never made to wait for that table again:
// FreeMemory, ReleaseSpares, DisableSpares and RemoveAll skip it. Lock failures report (2, 301) and
// (2, 302) with the unit "drvrsrvr"; closing a cookie that is not filed while spares are on reports
// (1, 501) (the UI module ends there, the render module carries on).
//
// Memory: the server registers itself as the driver server that the out-of-memory step and the
// critical-error routine reach (framework/core/DriverError.h) while it lives.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/core/DriverError.h"
#include "rw/RWWString.h"

class GBaseObject;
class GDeviceSession;
class GPrinterKey;
class GRenderDevice;
class GSemaphore;
class GUIDriverInterface;

class GDriverServer : public vel::GDriverServerSteps {
 public:
  static constexpr std::uint32_t kBucketCount = 64;
  // Closing a cookie that is not filed.
  static constexpr std::uint16_t kUnknownCookie = 501;

  // Deletes the current server, if any, and becomes the current one; makes both locks.
  GDriverServer();
  GDriverServer(const GDriverServer&) = delete;
  GDriverServer& operator=(const GDriverServer&) = delete;
  // RemoveAll, ReleaseSpares; no longer the current server.
  ~GDriverServer() override;

  // The UI module's driver objects. Open answers null and writes cookie 0 when the services make
  // no object (nothing is filed then).
  GUIDriverInterface* OpenUIDriver(GPrinterKey* key, std::uint32_t* cookie);
  GUIDriverInterface* FindUIDriver(std::uint32_t cookie);
  void CloseUIDriver(std::uint32_t cookie);
  // The render module's devices, the same way.
  GRenderDevice* OpenRenderDriver(GPrinterKey* key, std::uint32_t* cookie);
  GRenderDevice* FindRenderDriver(std::uint32_t cookie);
  // When this closes the last render device: spares on again, and the render-table-empty hook
  // runs (under the render lock).
  void CloseRenderDriver(std::uint32_t cookie);
  // 1 and the cookie of the filed object `object`, else 0.
  std::int32_t FindUICookie(const GDeviceSession* object, std::uint32_t* cookie);
  std::int32_t FindRenderCookie(const GDeviceSession* object, std::uint32_t* cookie);

  // Deletes both spares: true when either existed.
  bool ReleaseSpares();
  // Deletes every filed object of both tables and forgets the driver data read.
  void RemoveAll();
  // Spares off (closes delete at once) until the render table is empty again; ReleaseSpares.
  void DisableSpares() override;
  // ReleaseSpares; else the first object of the UI table, then of the render table, whose
  // FreeMemory frees something. 1 when something was freed.
  std::int32_t FreeMemory() override;
  // `device` becomes the services' substitute for it (null without services).
  void SubstituteDevice(GDeviceSession*& device);

  // What runs when the render table becomes empty (the render module resets its font pool).
  using TableEmptyHook = void (*)();
  void SetRenderTableEmptyHook(TableEmptyHook hook) { render_empty_hook_.store(hook); }

  // The folding of an object's address into a starting cookie (null: the address fold).
  using CookieFold = std::uint32_t (*)(const GDeviceSession* object);
  void SetCookieFold(CookieFold fold) { cookie_fold_.store(fold); }

  std::uint32_t UICount();
  std::uint32_t RenderCount();
  bool SparesOff() const { return spares_off_.load() != 0; }
  bool HasUISpare();
  bool HasRenderSpare();

 private:
  // A filed object: the cookie and the object, in its bucket's list.
  struct Entry {
    std::uint32_t cookie = 0;
    GDeviceSession* object = nullptr;
    Entry* next = nullptr;
  };
  // One table: the filed objects in buckets by cookie, their count, the lock and the spare. The
  // mark tells a thread which tables it is inside.
  struct Table {
    explicit Table(unsigned table_mark) : mark(table_mark) {}
    Entry* buckets[kBucketCount] = {};
    std::uint32_t count = 0;
    GSemaphore* lock = nullptr;
    GDeviceSession* spare = nullptr;
    const unsigned mark;

    bool Render() const;
    Entry*& Bucket(std::uint32_t cookie) { return buckets[cookie % kBucketCount]; }
    bool Contains(std::uint32_t cookie);
    // The entry of the cookie taken out of its bucket, or null.
    Entry* Unlink(std::uint32_t cookie);
    // Every entry in one list, the table left empty.
    Entry* UnlinkAll();
  };
  struct DataFile;
  class TableLock;

  GDeviceSession* Open(Table& table, GPrinterKey* key, std::uint32_t* cookie);
  GDeviceSession* Find(Table& table, std::uint32_t cookie);
  // Answers true when the cookie was filed.
  bool Close(Table& table, std::uint32_t cookie, std::int32_t line);
  std::int32_t FindCookie(Table& table, const GDeviceSession* object, std::uint32_t* cookie);
  GDeviceSession* TakeSpare(Table& table);
  void Fill(GDeviceSession& object);
  // The data read from the file (read now when it was not), or null; under the data lock.
  const GBaseObject* DataOf(const RWWString& name);
  void ForgetData();
  std::uint32_t StartCookie(const GDeviceSession* object) const;
  std::uint32_t Count(Table& table);
  bool HasSpare(Table& table);

  Table ui_;
  Table render_;
  GSemaphore* data_lock_ = nullptr;
  DataFile* data_files_ = nullptr;  // a list, guarded by the data lock
  std::atomic<std::int32_t> spares_off_{0};
  std::atomic<TableEmptyHook> render_empty_hook_{nullptr};
  std::atomic<CookieFold> cookie_fold_{nullptr};
};

// Makes the server when there is none; it becomes the current one. Null when memory is short.
GDriverServer* CreateDriverServer();
// The current server, or null.
GDriverServer* GetDriverServer();

namespace vel {
// Deletes the current server (module unload).
void DeleteDriverServer();
}  // namespace vel
