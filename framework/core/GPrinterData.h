// GPrinterData and GPrinterDataAccessor: one printer's printer data as an object, so that code
// which keeps settings (numbers, strings, binary blocks, named objects) need not carry the device
// session and the services around.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"

class GDeviceSession;
class GOSServices;
class RWCollectable;

class GPrinterData {
 public:
  virtual ~GPrinterData() = default;
  // Writers: 1 on success, 0 on failure.
  virtual std::int32_t SetNumber(const RWWString& name, std::uint32_t value) = 0;
  virtual std::int32_t SetString(const RWWString& name, const RWWString& value) = 0;
  virtual std::int32_t SetBinary(const RWWString& name, const std::uint8_t* data,
                                 std::uint32_t size) = 0;
  virtual std::int32_t StoreObject(const RWWString& name, const RWCollectable* object) = 0;
  virtual std::int32_t StoreObjectById(std::uint32_t id, const RWCollectable* object) = 0;
  // Readers: the stored value, or the default.
  virtual std::uint32_t GetNumber(const RWWString& name, std::uint32_t dflt) = 0;
  virtual RWWString& GetString(RWWString& out, const RWWString& name, const RWWString& dflt) = 0;
  // 1 / 0; a null buffer or capacity 0 asks for the size only.
  virtual std::int32_t GetBinary(const RWWString& name, std::uint8_t* buffer,
                                 std::uint32_t capacity, std::uint32_t* size_out) = 0;
  // The restored object (owned by the caller), or null.
  virtual RWCollectable* LoadObject(const RWWString& name) = 0;
  virtual RWCollectable* LoadObjectById(std::uint32_t id) = 0;
};

// Forwards each operation to the services' printer-data operation of the same kind, with its
// device session in front. The ById forms name the value by the decimal text of the number (no
// sign, no leading zeros): object 42 is the value "42".
class GPrinterDataAccessor : public GPrinterData {
 public:
  // Takes the services instance current at construction.
  explicit GPrinterDataAccessor(GDeviceSession* session);
  GPrinterDataAccessor(GDeviceSession* session, GOSServices* services)
      : session_(session), services_(services) {}

  std::int32_t SetNumber(const RWWString& name, std::uint32_t value) override;
  std::int32_t SetString(const RWWString& name, const RWWString& value) override;
  std::int32_t SetBinary(const RWWString& name, const std::uint8_t* data,
                         std::uint32_t size) override;
  std::int32_t StoreObject(const RWWString& name, const RWCollectable* object) override;
  std::int32_t StoreObjectById(std::uint32_t id, const RWCollectable* object) override;
  std::uint32_t GetNumber(const RWWString& name, std::uint32_t dflt) override;
  RWWString& GetString(RWWString& out, const RWWString& name, const RWWString& dflt) override;
  std::int32_t GetBinary(const RWWString& name, std::uint8_t* buffer, std::uint32_t capacity,
                         std::uint32_t* size_out) override;
  RWCollectable* LoadObject(const RWWString& name) override;
  RWCollectable* LoadObjectById(std::uint32_t id) override;

  GDeviceSession* Session() const { return session_; }

  // The value name of object `id`: its decimal text.
  static RWWString IdName(std::uint32_t id);

 private:
  GDeviceSession* session_;
  GOSServices* services_;
};
