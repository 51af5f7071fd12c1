#include "tests/support/test_host.h"

#include "framework/entry.h"

namespace zar::testing {

TestHost::TestHost() : module_(host::PluginModule::Linked(ENTRYPOINT)) {
  host::HostOptions options;
  options.ownHandlesOnly = true;
  host_ = std::make_unique<host::Host>(*module_, options);
}

}  // namespace zar::testing
