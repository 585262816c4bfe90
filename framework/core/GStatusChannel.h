// GStatusChannel: one printer's channel to a device-status provider (the status agent that can
// tell which options a printer has installed). The provider opens it for a device session; the
// session's store-to-printer operation writes through it.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GBaseObject;
class GDeviceSession;
class GStatusProvider;

class GStatusChannel {
 public:
  GStatusChannel(GStatusProvider* provider, GDeviceSession* session, const RWWString& printer_name)
      : provider_(provider), session_(session), printer_name_(printer_name) {}
  GStatusChannel(const GStatusChannel&) = delete;
  GStatusChannel& operator=(const GStatusChannel&) = delete;
  virtual ~GStatusChannel() = default;

  // Non-zero when the provider has answered.
  virtual std::int32_t IsAnswered() const = 0;
  virtual const RWCString& RequestText() const { return request_; }
  virtual const RWCString& ReplyText() const { return reply_; }
  // Runs the exchange for `configuration`; a 16-bit status, 0 on success.
  virtual std::uint16_t Write(GBaseObject* configuration, std::int32_t match_model) = 0;

  GStatusProvider* Provider() const { return provider_; }
  GDeviceSession* Session() const { return session_; }
  const RWWString& PrinterName() const { return printer_name_; }

 protected:
  void SetRequestText(const RWCString& text) { request_ = text; }
  void SetReplyText(const RWCString& text) { reply_ = text; }

 private:
  GStatusProvider* provider_;
  GDeviceSession* session_;
  RWWString printer_name_;
  RWCString request_;  // empty at construction
  RWCString reply_;    // empty at construction
};
