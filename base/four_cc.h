// Four-character codes, as the host interface and the parameter block store them.
#pragma once

#include <cstdint>

namespace zar {

// The code as a 32-bit value, first character in the most significant byte.
constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

}  // namespace zar
