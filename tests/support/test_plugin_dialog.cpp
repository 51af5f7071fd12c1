// The stand-in dialog of the test deliverable, in a file of its own: a test program that links
// the real dialog gets that one instead.
#include "framework/dialog_bridge.h"
#include "tests/support/test_plugin.h"

namespace zar {

bool RunParameterDialog(PluginGlobals& globals) {
  ++testing::Plugin().dialogRuns;
  return testing::Plugin().dialog ? testing::Plugin().dialog(globals) : false;
}

}  // namespace zar
