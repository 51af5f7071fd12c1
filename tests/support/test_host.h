// The host core with the plug-in linked into the test (ENTRYPOINT) as its module, for unit tests
// that want a host's handle suite: one that knows only the handles it made, so tests can tell
// which side made a handle and what its size is.
#pragma once

#include <memory>

#include "hosts/core/host.h"

namespace zar::testing {

class TestHost {
 public:
  TestHost();
  host::Host& host() { return *host_; }
  const HandleProcs& procs() const { return *host_->handleProcs(); }
  host::Host::HandleCounts counts() const { return host_->handleCounts(); }

 private:
  std::unique_ptr<host::PluginModule> module_;
  std::unique_ptr<host::Host> host_;
};

}  // namespace zar::testing
