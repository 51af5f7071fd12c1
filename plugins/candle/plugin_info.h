// Texts of the ZAR Candle plug-in, shared by its resource script and its constants table.
#pragma once

#define ZAR_PLUGIN_TITLE "ZAR Candle"
#define ZAR_PLUGIN_MENU_NAME "ZAR Candle..."
#define ZAR_PLUGIN_ABOUT_TEXT \
  "ZAR Candle 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved."
