// The status word of a concrete virtual stream and the status operations over it.
//
// Bits (RWStreamStatus): 1 end of data, 2 a value could not be read or written, 4 the buffer
// failed. The word is sticky: once a bit is set only SetStatus clears it; later operations still
// touch the buffer, but the bits stay.
#pragma once

#include "rw/RWVirtualStream.h"

class RWStreamState : public virtual RWVirtualStreamBase {
 public:
  int Eof() const override { return status_ & kRWStreamEof; }
  int Fail() const override { return status_ & (kRWStreamFail | kRWStreamBad); }
  int Bad() const override { return status_ & kRWStreamBad; }
  int Good() const override { return status_ == kRWStreamGood ? 1 : 0; }
  int Status() const override { return status_; }
  void SetStatus(int status) override { status_ = status; }

 protected:
  void AddStatus(int bits) { status_ |= bits; }
  bool IsGood() const { return status_ == kRWStreamGood; }

 private:
  int status_ = kRWStreamGood;
};
