#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model/NuminoSchema.h"

// What the fuzz targets share: a broken invariant aborts, so that libFuzzer
// keeps the input that broke it, and a reader that turns the fuzzer's bytes
// into values. The platform they run the core on is support/FakePlatform.h.
namespace numino::fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? void(0) : ::numino::fuzz::Fail(#condition, __FILE__, __LINE__))

// Hands out the fuzzer's bytes in order; once they run out, every value
// is zero.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
  std::int16_t Int16() {
    const std::uint16_t low = Byte();
    return static_cast<std::int16_t>(low | static_cast<std::uint16_t>(Byte() << 8));
  }
  std::int32_t Int32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{Byte()} << (8 * i);
    return static_cast<std::int32_t>(value);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Every cell of the grid and index 0, which the grid never uses, within
// [low, high]; index 0 must stay 0.
inline bool WithinBounds(const NuminoSchema::Grid& grid, int low, int high) {
  for (int row = 0; row <= 9; ++row) {
    for (int col = 0; col <= 9; ++col) {
      const int value = grid[row][col];
      if (row == 0 || col == 0) {
        if (value != 0) return false;
      } else if (value < low || value > high) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace numino::fuzz
