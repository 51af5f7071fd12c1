#include "hosts/cli/render.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "hosts/cli/pictures.h"
#include "hosts/cli/values.h"
#include "settings/params_file.h"

namespace zar::cli {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ProgramDirectory() {
  char buf[4096];
  const ssize_t length = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (length <= 0) return ".";
  buf[length] = '\0';
  std::string path = buf;
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The module loaded as a host loads a plug-in; null with the reason otherwise.
std::unique_ptr<host::PluginModule> LoadModule(const std::string& modulePath, std::string* error) {
  std::string why;
  std::unique_ptr<host::PluginModule> module = host::PluginModule::Load(modulePath, &why);
  if (!module) *error = "cannot load the plug-in module " + modulePath + ": " + why;
  return module;
}

}  // namespace

bool BuildParameters(const PluginTable& table, const std::string& paramsPath,
                     const std::vector<std::string>& settings, WorkingParameters* params,
                     std::vector<std::string>* warnings, std::string* error) {
  WorkingParameters working = table.defaults;
  if (!paramsPath.empty()) {
    ParamsFileLoad load;
    switch (LoadParamsFile(table.file, paramsPath, working, &load)) {
      case ParamsFileStatus::kOk: break;
      case ParamsFileStatus::kCannotOpen:
        *error =
            "cannot read the parameter file " + paramsPath + ": " + UnreadableReason(paramsPath);
        return false;
      case ParamsFileStatus::kWrongHeader:
      case ParamsFileStatus::kCannotWrite:
        *error = paramsPath + " is not a " + table.title + " parameter file";
        return false;
    }
    if (!load.complete()) {
      const int missing = load.fieldCount - load.fieldsLoaded;
      warnings->push_back(paramsPath + " ends after " + std::to_string(load.fieldsLoaded) + " of " +
                          std::to_string(load.fieldCount) + " fields: the other " +
                          std::to_string(missing) + " keep their values");
    }
  }
  for (const std::string& setting : settings) {
    std::string warning;
    if (!ApplySetting(table, setting, working, &warning, error)) return false;
    if (!warning.empty()) warnings->push_back(warning + "; used as given");
  }
  *params = working;
  return true;
}

std::vector<uint8_t> ParameterBlockFor(const PluginTable& table, const WorkingParameters& params) {
  std::vector<uint8_t> bytes(table.layout.size, 0);
  ParameterBlock block(bytes.data(), table.layout);
  block.StoreFrom(params);
  block.setShowDialog(0);
  block.setRowsPerStrip(1);
  block.setDisposition(kDispositionDefault);
  block.setSpareFlag(0);
  block.setUseAdvanceState(0);
  block.setHostIsPremiere(0);
  return bytes;
}

host::HostOptions RenderHostOptions() {
  host::HostOptions options;
  // All a host can grant: every picture the readers take (FitsOneStrip) is then one strip,
  // simulated as a whole.
  options.spaceLimit = int32_t(kHostSpaceLimit);
  // A run of many steps calls back at every step; a log of them all would grow without bound.
  options.logCallbacks = false;
  // Output buffers start as a copy of the source, as image editors hand them over: whatever the
  // plug-in leaves unwritten stays as it was instead of turning black.
  options.copySourceToOutput = true;
  return options;
}

std::vector<std::string> ModuleDirectories() {
  if (const char* dir = std::getenv("ZAR_PLUGIN_DIR"); dir && *dir) return {dir};
  const std::string here = ProgramDirectory();
  return {here, here + "/../lib/zar"};
}

bool FindModule(const PluginTable& table, std::string* path, std::string* error) {
  const std::string file = ModuleFileName(table);
  const std::vector<std::string> dirs = ModuleDirectories();
  std::string looked;
  for (const std::string& dir : dirs) {
    const std::string candidate = dir + "/" + file;
    if (IsRegularFile(candidate)) {
      *path = candidate;
      return true;
    }
    looked += (looked.empty() ? "" : ", ") + dir;
  }
  *error = "cannot find the plug-in module " + file + " (looked in " + looked +
           "; ZAR_PLUGIN_DIR names another directory)";
  return false;
}

bool CheckModuleIdentity(const PluginTable& table, const std::string& modulePath,
                         std::string* error) {
  const std::unique_ptr<host::PluginModule> module = LoadModule(modulePath, error);
  if (!module) return false;
  host::Host host(*module, RenderHostOptions());
  host.About();
  std::string title;
  for (const host::LogEntry& entry : host.Log())
    if (entry.kind == host::LogKind::kMessage) {
      title = entry.window.caption;
      break;
    }
  if (title == table.title) return true;
  *error = "the plug-in module " + modulePath + " is " +
           (title.empty() ? std::string("not a ZAR filter") : title) + ", not " + table.title +
           "; refused";
  return false;
}

bool RunPlugin(const std::string& modulePath, const std::vector<uint8_t>& block,
               host::Picture& picture, const host::Picture* mask,
               const std::function<void(int32_t, int32_t)>& progress, RenderRun* run,
               std::string* error) {
  const std::unique_ptr<host::PluginModule> module = LoadModule(modulePath, error);
  if (!module) return false;
  host::Host host(*module, RenderHostOptions());
  if (progress) host.onProgress = progress;
  host.SetParameterBlock(block);
  // No parameters selector: the start selector loads the settings from the block, as when the
  // host repeats the last filter.
  run->result = host.Filter(picture, mask, /*withDialog=*/false);
  run->messages.clear();
  run->notes.clear();
  for (const host::LogEntry& entry : host.Log()) {
    if (entry.kind == host::LogKind::kMessage)
      run->messages.push_back(entry.window.caption + ": " + entry.window.text);
    else if (entry.kind == host::LogKind::kNote)
      run->notes.push_back(entry.note);
  }
  return true;
}

}  // namespace zar::cli
