#include "framework/parameters.h"

#include <cstring>

#include "framework/globals.h"
#include "framework/handles.h"
#include "framework/host_id.h"
#include "framework/plugin.h"
#include "platform/platform.h"

namespace zar {

ParameterBlock BlockOf(const PluginGlobals& globals) {
  return ParameterBlock(reinterpret_cast<uint8_t*>(*globals.filterRecord->parameters),
                        ThisPlugin().layout);
}

int64_t KnownParameterBlockSize(const FilterRecord& record) {
  return HandleDataSize(record.handleProcs, record.parameters);
}

bool EnsureParameters(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  const PluginTable& table = ThisPlugin();
  if (record.parameters) {
    // Whatever the host hands back is used, unless its size is known and cannot hold our layout:
    // then a fresh block takes its place (the host still owns and frees the old one). A size
    // nobody can tell is no reason to lose the user's settings.
    const int64_t size = KnownParameterBlockSize(record);
    if (*record.parameters && (size < 0 || size >= table.layout.size)) return true;
  }

  Handle handle = NewPluginHandle(table.layout.size);
  if (!handle) {
    globals.result = kMemFullErr;
    return false;
  }
  record.parameters = handle;
  ParameterBlock block = BlockOf(globals);
  block.StoreFrom(table.defaults);
  block.setDisposition(kDispositionDefault);
  block.setSpareFlag(0);
  block.setUseAdvanceState(0);
  block.setRowsPerStrip(1);
  const uint32_t premiere = HostIsSignature(record.handleProcs, FourCC("PrMr"));
  const uint8_t platformCode = uint8_t(premiere & 0xFF);
  block.setHostIsPremiere(platformCode >= 10 && platformCode <= 12 ? 1 : 0);
  return true;
}

}  // namespace zar
