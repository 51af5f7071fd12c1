// The host's operating-system services on Windows: LoadLibrary and the resource calls, a hidden
// main window, and the window watcher.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "hosts/core/host_os.h"

namespace zar::host::os {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static control that holds a message box's text
constexpr int kMessageBoxIconId = 0x0440;  // the static control that shows its icon
constexpr char kHostWindowClass[] = "ZarHostWindow";

BOOL CALLBACK FirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
  auto* out = reinterpret_cast<LPSTR*>(found);
  // Names that are numbers come as MAKEINTRESOURCE values; texts are copied by the caller.
  *out = name;
  return FALSE;
}

}  // namespace

void* OpenModule(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module && error) *error = "LoadLibrary failed, error " + std::to_string(GetLastError());
  return module;
}

void CloseModule(void* module) {
  if (module) FreeLibrary(static_cast<HMODULE>(module));
}

void* FindSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

bool FirstModuleResource(void* module, const char* type, std::vector<uint8_t>* data) {
  HMODULE m = static_cast<HMODULE>(module);
  LPSTR name = nullptr;
  EnumResourceNamesA(m, type, FirstName, reinterpret_cast<LONG_PTR>(&name));
  if (!name) return false;
  // A text name is only valid during the enumeration in general; ours are numbers.
  HRSRC found = FindResourceA(m, name, type);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(m, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(m, found);
  if (!bytes) return false;
  const auto* p = static_cast<const uint8_t*>(bytes);
  data->assign(p, p + size);
  return true;
}

bool LoadModuleStringAnsi(void* module, unsigned id, std::string* text) {
  char buffer[1024];
  const int length = LoadStringA(static_cast<HMODULE>(module), id, buffer, sizeof buffer);
  if (length <= 0) return false;
  text->assign(buffer, size_t(length));
  return true;
}

intptr_t CreateHostWindow() {
  static const ATOM atom = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kHostWindowClass;
    return RegisterClassA(&wc);
  }();
  if (!atom) return 0;
  HWND window = CreateWindowExA(0, kHostWindowClass, "ZAR test host", WS_OVERLAPPEDWINDOW, 0, 0,
                                640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  return reinterpret_cast<intptr_t>(window);
}

void DestroyHostWindow(intptr_t window) {
  if (window) DestroyWindow(reinterpret_cast<HWND>(window));
}

// ---- the watcher ----------------------------------------------------------------------------

struct WindowWatcher::State {
  Record record;
  Handler handler;
  HWND hostWindow = nullptr;
  DWORD thread = 0;  // the thread whose windows are watched
  HANDLE stop = nullptr;
  std::thread worker;
  std::set<HWND> seen;

  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    reinterpret_cast<State*>(self)->Consider(window);
    return TRUE;
  }

  void Consider(HWND window) {
    if (window == hostWindow || !IsWindowVisible(window) || seen.count(window)) return;
    seen.insert(window);
    WindowInfo info;
    info.window = reinterpret_cast<intptr_t>(window);
    info.owner = reinterpret_cast<intptr_t>(GetWindow(window, GW_OWNER));
    char text[2048];
    if (GetClassNameA(window, text, sizeof text)) info.className = text;
    if (GetWindowTextA(window, text, sizeof text)) info.caption = text;
    if (GetDlgItem(window, kMessageBoxTextId) &&
        GetDlgItemTextA(window, kMessageBoxTextId, text, sizeof text))
      info.text = text;
    if (HWND iconControl = GetDlgItem(window, kMessageBoxIconId)) {
      const auto icon = reinterpret_cast<HICON>(SendMessageA(iconControl, STM_GETICON, 0, 0));
      info.icon = !icon                                         ? Icon::kNone
                  : icon == LoadIconA(nullptr, IDI_WARNING)     ? Icon::kWarning
                  : icon == LoadIconA(nullptr, IDI_INFORMATION) ? Icon::kInformation
                                                                : Icon::kOther;
    }
    record(info);
    if (handler && handler(info)) return;
    if (HWND ok = GetDlgItem(window, IDOK))
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    else
      PostMessageA(window, WM_CLOSE, 0, 0);
  }

  void Run() {
    while (WaitForSingleObject(stop, 5) == WAIT_TIMEOUT) {
      for (auto it = seen.begin(); it != seen.end();)
        it = IsWindow(*it) ? std::next(it) : seen.erase(it);
      EnumThreadWindows(thread, Visit, reinterpret_cast<LPARAM>(this));
    }
  }
};

WindowWatcher::WindowWatcher(Record record, Handler handler, intptr_t hostWindow)
    : state_(std::make_unique<State>()) {
  state_->record = std::move(record);
  state_->handler = std::move(handler);
  state_->hostWindow = reinterpret_cast<HWND>(hostWindow);
  state_->thread = GetCurrentThreadId();
  state_->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  State* state = state_.get();
  state_->worker = std::thread([state] { state->Run(); });
}

WindowWatcher::~WindowWatcher() {
  SetEvent(state_->stop);
  state_->worker.join();
  CloseHandle(state_->stop);
}

}  // namespace zar::host::os
