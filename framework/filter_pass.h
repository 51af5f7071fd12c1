// The prepare, start and continue handling: memory negotiation, the strip-by-strip pass over the
// filter rectangle, and the scaled image request behind the dialog's preview.
#pragma once

#include "framework/globals.h"

namespace zar {

void DoPrepare(PluginGlobals& globals);
void DoStart(PluginGlobals& globals);
void DoContinue(PluginGlobals& globals);

// Opens the dialog for RGB pictures; true when a dialog was opened.
bool DoUI(PluginGlobals& globals);

// Requests the filter rectangle reduced to fit the preview area stored in previewRect.
void SetupPreview(PluginGlobals& globals);

// Bytes one filter row costs: an input and an output byte per sample, a mask byte per pixel.
int64_t BytesPerFilterRow(const FilterRecord& record);

}  // namespace zar
