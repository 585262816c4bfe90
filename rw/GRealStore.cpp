// Stored form of a real.
#include "rw/GRealStore.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

bool SaveRealToFile(RWBinaryFile& file, GReal value) { return file.Write(RealToFloat(value)); }

bool RestoreRealFromFile(RWBinaryFile& file, GReal& value) {
  float stored = 0;
  if (!file.Read(stored)) {
    return false;
  }
  value = RealFromFloat(stored);
  return true;
}

RWVirtualOutStream& SaveRealToStream(RWVirtualOutStream& stream, GReal value) {
  return stream.Put(RealToFloat(value));
}

RWVirtualInStream& RestoreRealFromStream(RWVirtualInStream& stream, GReal& value) {
  float stored = 0;
  stream.Get(stored);
  if (stream.Fail() == 0) {
    value = RealFromFloat(stored);
  }
  return stream;
}
