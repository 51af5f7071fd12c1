// A reader for Windows modules (PE32 and PE32+) as plain data: machine, export directory and the
// resource tree (type, name, language). It runs anywhere, so the 32-bit and 64-bit deliverables
// can be checked on any machine without loading them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zar::host {

// A resource type or name: a number, or a text (kept as the module stores it, compared without
// regard to letter case, as the system's lookup does).
struct ResourceId {
  uint16_t id = 0;
  std::string name;  // empty for a number; non-ASCII characters become '?'

  static ResourceId Number(uint16_t n) { return ResourceId{n, {}}; }
  static ResourceId Text(std::string s) { return ResourceId{0, std::move(s)}; }
  bool isText() const { return !name.empty(); }
  bool Matches(const ResourceId& other) const;
  std::string ToString() const;  // "16000" or "\"PIPL\""
};

constexpr uint16_t kRtDialog = 5;
constexpr uint16_t kRtString = 6;
constexpr uint16_t kRtVersion = 16;

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

struct PeResource {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::vector<uint8_t> data;
};

struct PeImage {
  uint16_t machine = 0;
  bool pe32plus = false;
  std::string exportModuleName;          // the export directory's module name
  std::vector<std::string> exportNames;  // in the table's order
  std::vector<PeResource> resources;
};

// Parses a module image held in memory. False (with a reason) when it is not a well-formed PE file
// or any structure it names lies outside the data.
bool ParsePe(const uint8_t* data, size_t size, PeImage* image, std::string* error);
bool ReadPeFile(const std::string& path, PeImage* image, std::string* error);

// The first resource with this type and name, in `language` (any language when negative); null
// when there is none.
const PeResource* FindPeResource(const PeImage& image, const ResourceId& type,
                                 const ResourceId& name, int language = -1);

}  // namespace zar::host
