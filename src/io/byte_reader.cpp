// The shared byte reader: every value is read only after its bytes are known to be
// inside the data.
#include "io/byte_reader.h"

#include <cstring>

bool ByteReader::U8At(uint64_t at, uint8_t* out) const {
  if (!HasAt(at, 1)) return false;
  *out = data_[at];
  return true;
}

bool ByteReader::U16At(uint64_t at, uint16_t* out) const {
  if (!HasAt(at, 2)) return false;
  *out = static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
  return true;
}

bool ByteReader::I16At(uint64_t at, int16_t* out) const {
  uint16_t u = 0;
  if (!U16At(at, &u)) return false;
  *out = static_cast<int16_t>(u);
  return true;
}

bool ByteReader::U32At(uint64_t at, uint32_t* out) const {
  if (!HasAt(at, 4)) return false;
  *out = static_cast<uint32_t>(data_[at]) | static_cast<uint32_t>(data_[at + 1]) << 8 |
         static_cast<uint32_t>(data_[at + 2]) << 16 | static_cast<uint32_t>(data_[at + 3]) << 24;
  return true;
}

bool ByteReader::I32At(uint64_t at, int32_t* out) const {
  uint32_t u = 0;
  if (!U32At(at, &u)) return false;
  *out = static_cast<int32_t>(u);
  return true;
}

bool ByteReader::F32At(uint64_t at, float* out) const {
  uint32_t u = 0;
  if (!U32At(at, &u)) return false;
  std::memcpy(out, &u, sizeof(float));
  return true;
}

bool ByteReader::Skip(uint64_t count) {
  if (!Has(count)) return false;
  pos_ += count;
  return true;
}
