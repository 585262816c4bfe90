// The string id of a persistent class: its class name, under which the class factory knows it and
// streams name classes whose ids are given out at run time.
#pragma once

#include "rw/RWCString.h"

class RWStringID : public RWCString {
 public:
  // The string id of a class that registers without one.
  RWStringID() : RWCString("No_RWStringID") {}
  using RWCString::RWCString;
  explicit RWStringID(const RWCString& name) : RWCString(name) {}
};
