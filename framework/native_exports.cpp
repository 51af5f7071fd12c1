// The native modules' export through which a host receives the message boxes a Windows build
// would show (interface/native_exports.h).
#include "interface/native_exports.h"
#include "platform/platform.h"

extern "C" __attribute__((visibility("default"))) void ZarSetMessageHook(ZarMessageHook hook,
                                                                         void* context) {
  zar::platform::SetMessageSink(hook, context);
}
