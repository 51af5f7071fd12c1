// A whole file's bytes, for the hosts, their tests and tools (the plug-ins read through the
// platform layer, with a limit).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zar::host {

// False when the file cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
// The same where an unreadable file may stand as an empty one.
std::vector<uint8_t> WholeFile(const std::string& path);

}  // namespace zar::host
