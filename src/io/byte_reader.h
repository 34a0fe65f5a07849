// Bounds-checked little-endian reading over bytes in memory, shared by every file
// format reader. Values are assembled byte by byte, never by casting the data to a
// struct, so the result is the same on every host. Reads at an absolute offset leave
// the cursor alone; the cursor reads advance it only when the whole value fits.
#pragma once

#include <cstddef>
#include <cstdint>

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data != nullptr ? size : 0) {}

  size_t size() const { return size_; }

  // [SECTION] Absolute offsets
  // Whether `count` bytes starting at `at` lie inside the data (in 64-bit arithmetic,
  // so no offset or count can wrap around).
  bool HasAt(uint64_t at, uint64_t count) const { return at <= size_ && count <= size_ - at; }
  bool U8At(uint64_t at, uint8_t* out) const;
  bool U16At(uint64_t at, uint16_t* out) const;
  bool I16At(uint64_t at, int16_t* out) const;
  bool U32At(uint64_t at, uint32_t* out) const;
  bool I32At(uint64_t at, int32_t* out) const;
  bool F32At(uint64_t at, float* out) const;

  // [SECTION] Cursor
  uint64_t Position() const { return pos_; }
  // Whether `count` more bytes follow the cursor.
  bool Has(uint64_t count) const { return HasAt(pos_, count); }
  // Moves the cursor on by `count` bytes; false, without moving, past the end.
  bool Skip(uint64_t count);
  bool U8(uint8_t* out) { return Advance(U8At(pos_, out), 1); }
  bool U16(uint16_t* out) { return Advance(U16At(pos_, out), 2); }
  bool I16(int16_t* out) { return Advance(I16At(pos_, out), 2); }
  bool U32(uint32_t* out) { return Advance(U32At(pos_, out), 4); }
  bool I32(int32_t* out) { return Advance(I32At(pos_, out), 4); }
  bool F32(float* out) { return Advance(F32At(pos_, out), 4); }

 private:
  bool Advance(bool read, uint64_t count) {
    if (read) pos_ += count;
    return read;
  }

  const uint8_t* data_;
  size_t size_;
  uint64_t pos_ = 0;
};
