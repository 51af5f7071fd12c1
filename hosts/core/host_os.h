// The operating-system services the host core needs: loading a module, the host's main window and, on Windows, a watcher that records and dismisses the
// windows a plug-in opens. One implementation per platform: host_os_win32.cpp, host_os_posix.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zar::host::os {

// ---- modules --------------------------------------------------------------------------------

void* OpenModule(const std::string& path, std::string* error);
void CloseModule(void* module);
void* FindSymbol(void* module, const char* name);

// The data of the first resource of `type` in a loaded module, found through the system's
// resource calls. Always false where modules carry no resources.
bool FirstModuleResource(void* module, const char* type, std::vector<uint8_t>* data);

// String `id` of a loaded module's string table as the system's ANSI call gives it. Always false
// where modules carry no resources.
bool LoadModuleStringAnsi(void* module, unsigned id, std::string* text);

// ---- windows --------------------------------------------------------------------------------

// The host's main window (hidden), the owner of the plug-in's windows; 0 where there are none.
intptr_t CreateHostWindow();
void DestroyHostWindow(intptr_t window);

enum class Icon { kNone, kInformation, kWarning, kOther };

struct WindowInfo {
  intptr_t window = 0;
  intptr_t owner = 0;
  std::string className;  // "#32770" for message boxes and dialogs
  std::string caption;
  std::string text;  // a message box's text; empty for other windows
  Icon icon = Icon::kNone;
};

// Watches the calling thread's top-level windows from a second thread: each newly shown window
// is reported once to `record`, then handed to `handler`; when the handler does not take it (or
// there is none) the window is dismissed (its OK button, else a close request), so nothing ever
// waits for a person. Does nothing where there are no windows.
class WindowWatcher {
 public:
  using Record = std::function<void(const WindowInfo&)>;
  using Handler = std::function<bool(const WindowInfo&)>;  // true: taken, do not dismiss

  WindowWatcher(Record record, Handler handler, intptr_t hostWindow);
  ~WindowWatcher();
  WindowWatcher(const WindowWatcher&) = delete;
  WindowWatcher& operator=(const WindowWatcher&) = delete;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace zar::host::os
