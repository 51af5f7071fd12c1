// What the fuzz targets share: a reader that takes typed values off the front of an input, and a
// check that stops the process when a property of the code under test does not hold (a finding,
// like a crash).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zar::fuzz {

// Each read takes as few bytes as its range needs, least significant first. Past the end of the
// input every read gives zeros, so any input, however short, is a complete case.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t size() const { return size_; }  // the whole input's
  size_t remaining() const { return size_ - at_; }
  bool empty() const { return at_ >= size_; }

  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }

  uint16_t U16() {
    const uint16_t lo = Byte();
    return uint16_t(lo | (Byte() << 8));
  }

  uint32_t U32() {
    uint32_t value = 0;
    for (int b = 0; b < 4; ++b) value |= uint32_t(Byte()) << (8 * b);
    return value;
  }

  // A value in lo..hi (inclusive).
  int64_t Int(int64_t lo, int64_t hi) {
    if (hi <= lo) return lo;
    const uint64_t span = uint64_t(hi - lo) + 1;
    uint64_t raw = 0;
    for (uint64_t reach = 1; reach < span && reach != 0; reach <<= 8) raw = (raw << 8) | Byte();
    return lo + int64_t(raw % span);
  }

  // Up to n bytes (fewer at the end of the input).
  std::vector<uint8_t> Bytes(size_t n) {
    const size_t take = n < remaining() ? n : remaining();
    std::vector<uint8_t> out(data_ + at_, data_ + at_ + take);
    at_ += take;
    return out;
  }

  // A length-prefixed run of bytes, at most `limit` long.
  std::vector<uint8_t> Blob(size_t limit) { return Bytes(size_t(Int(0, int64_t(limit)))); }

  // Everything left.
  std::vector<uint8_t> Rest() { return Bytes(remaining()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// One input of a target: each target defines it, and common/entry.cpp hands it every input the
// fuzzer (or the replaying main) passes to libFuzzer's entry point.
void TestOneInput(FuzzInput& input);

[[noreturn]] inline void Finding(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
  std::fflush(stderr);
  std::abort();
}

}  // namespace zar::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::zar::fuzz::Finding(__FILE__, __LINE__, #condition))
