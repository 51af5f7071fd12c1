// Texts of the ZAR Cryo plug-in, shared by its resource scripts and its constants table.
#pragma once

#define ZAR_PLUGIN_TITLE "ZAR Cryo"
#define ZAR_PLUGIN_MENU_NAME "ZAR Cryo..."
// The property list's 'name' property: its length (padding included), then the menu name as
// a counted string, padded with zeros to a multiple of 4 bytes.
#define ZAR_PIPL_NAME 12L, "\013ZAR Cryo..."
#define ZAR_PLUGIN_ABOUT_TEXT \
  "ZAR Cryo 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved."
