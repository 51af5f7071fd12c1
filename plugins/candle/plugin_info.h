// Texts of the ZAR Candle plug-in, shared by its resource scripts and its constants table.
#pragma once

#define ZAR_PLUGIN_TITLE "ZAR Candle"
#define ZAR_PLUGIN_MENU_NAME "ZAR Candle..."
// The property list's 'name' property: its length (padding included), then the menu name as
// a counted string, padded with zeros to a multiple of 4 bytes.
#define ZAR_PIPL_NAME 16L, "\015ZAR Candle...\0\0"
#define ZAR_PLUGIN_ABOUT_TEXT \
  "ZAR Candle 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved."
