// Builds without a parameter dialog: the start selector renders with the stored settings. A host
// may stand in for the user (ZarSetDialogHook, so a host's tests can see the dialog asked for and
// answer it): OK renders with the stored settings as a dialog left unchanged does, Cancel cancels.
#include "framework/dialog_bridge.h"
#include "framework/globals.h"
#include "platform/platform.h"
#include "platform/posix/message_hook.h"

namespace zar {

namespace {
ZarDialogHook gDialogHook = nullptr;
void* gDialogHookContext = nullptr;
constexpr unsigned kTitleId = 16001;  // the plug-in's title, as the dialog's caption
}  // namespace

bool RunParameterDialog(PluginGlobals& globals) {
  if (!gDialogHook) return false;
  char title[60];
  platform::LoadModuleString(kTitleId, title, sizeof title);
  if (gDialogHook(gDialogHookContext, title) != 0) return false;
  globals.result = kUserCanceledErr;
  return true;
}

}  // namespace zar

extern "C" __attribute__((visibility("default"))) void ZarSetDialogHook(ZarDialogHook hook,
                                                                        void* context) {
  zar::gDialogHook = hook;
  zar::gDialogHookContext = context;
}
