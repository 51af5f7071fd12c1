// Texts of the ZAR Ice plug-in, shared by its resource scripts and its constants table.
#pragma once

#define ZAR_PLUGIN_TITLE "ZAR Ice"
#define ZAR_PLUGIN_MENU_NAME "ZAR Ice..."
// The property list's 'name' property: its length (padding included), then the menu name as
// a counted string, padded with zeros to a multiple of 4 bytes.
#define ZAR_PIPL_NAME 12L, "\012ZAR Ice...\0"
#define ZAR_PLUGIN_ABOUT_TEXT \
  "ZAR Ice 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved."
