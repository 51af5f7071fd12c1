// The small per-call record kept in the host's data handle.
#pragma once

#include "interface/host_api.h"

namespace zar {

struct PluginGlobals {
  int16 result;       // the result of the current call
  Rect16 previewRect; // the preview area, then the scaled filter rectangle
  FilterRecord* filterRecord;
};

}  // namespace zar
