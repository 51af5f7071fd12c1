#include "framework/entry.h"

#include <cstring>

#include "framework/filter_pass.h"
#include "framework/globals.h"
#include "framework/handles.h"
#include "framework/parameters.h"
#include "platform/platform.h"

namespace zar {

namespace {

constexpr unsigned kAboutTextId = 16000;
constexpr unsigned kTitleId = 16001;

intptr_t HostWindow(const void* platformData) {
  return platformData ? static_cast<const PlatformData*>(platformData)->hwnd : 0;
}

}  // namespace

void DoAbout(PluginGlobals& globals) {
  char text[256];
  char title[60];
  platform::LoadModuleString(kAboutTextId, text, sizeof text);
  platform::LoadModuleString(kTitleId, title, sizeof title);
  // For this selector the host hands over its about record instead of a FilterRecord.
  const auto* about = reinterpret_cast<const AboutRecord*>(globals.filterRecord);
  platform::ShowMessage(about ? HostWindow(about->platformData) : 0, text, title,
                        platform::MessageIcon::kInformation);
}

void DoParameters(PluginGlobals& globals) {
  if (!EnsureParameters(globals)) return;
  BlockOf(globals).setShowDialog(1);
}

}  // namespace zar

using namespace zar;

extern "C" ZAR_EXPORT void ZAR_CDECL ENTRYPOINT(int16 selector, void* record, intptr_t* data,
                                                int16* result) {
  if (!data || !result) return;
  Handle handle = reinterpret_cast<Handle>(*data);
  if (!handle) {
    handle = NewPluginHandle(sizeof(PluginGlobals));
    if (!handle) {
      *result = kMemFullErr;
      return;
    }
    *data = reinterpret_cast<intptr_t>(handle);
  }

  PluginGlobals globals;
  std::memcpy(&globals, *handle, sizeof globals);
  globals.filterRecord = static_cast<FilterRecord*>(record);
  globals.result = kNoErr;

  // Every selector but about needs the host's FilterRecord.
  if (selector != kSelectorAbout && !record && selector >= kSelectorParameters &&
      selector <= kSelectorFinish) {
    globals.result = kFilterBadParameters;
  } else {
    switch (selector) {
      case kSelectorAbout: DoAbout(globals); break;
      case kSelectorParameters: DoParameters(globals); break;
      case kSelectorPrepare: DoPrepare(globals); break;
      case kSelectorStart: DoStart(globals); break;
      case kSelectorContinue: DoContinue(globals); break;
      case kSelectorFinish: break;
      default: globals.result = kFilterBadParameters; break;
    }
  }

  *result = globals.result;
  std::memcpy(*handle, &globals, sizeof globals);
}
