// The resources every deliverable must carry, built here byte by byte from their description
// (independently of the resource scripts), and the facts that differ per plug-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zar::testing {

struct DeliverableFacts {
  const char* name;      // "fire"
  const char* file;      // "ZarFire"
  const char* title;     // string 16001 and the dialog caption
  const char* menuName;  // the 'name' property
  int16_t dialogWidth, dialogHeight;
  int16_t okX, okY, cancelX, cancelY;
};

extern const DeliverableFacts kDeliverables[5];

// The complete property list of a plug-in with this menu name, for a 64-bit or 32-bit module.
std::vector<uint8_t> ExpectedPipl(const std::string& menuName, bool x64);
// The complete scripting terminology (the same in every plug-in).
std::vector<uint8_t> ExpectedAete();

}  // namespace zar::testing
