// Where the tests find the modules they run and read (set by the build; drive Z: under Wine).
#pragma once

#include <string>

namespace zar::testing {

inline std::string TestModulePath() { return ZAR_TEST_MODULE_PATH; }
// A shipped plug-in module of this build ("ZarFire").
inline std::string PluginModulePath(const std::string& file) {
  return std::string(ZAR_PLUGIN_DIR) + "/" + file + ZAR_PLUGIN_SUFFIX;
}
// A Windows deliverable, read as data: arch "x86" or "x64".
inline std::string DeliverablePath(const std::string& arch, const std::string& file) {
  return std::string(ZAR_DIST_DIR) + "/" + arch + "/" + file + ".8bf";
}

}  // namespace zar::testing
