// Texts of the ZAR Fire plug-in, shared by its resource script and its constants table.
#pragma once

#define ZAR_PLUGIN_TITLE "ZAR Fire"
#define ZAR_PLUGIN_MENU_NAME "ZAR Fire..."
#define ZAR_PLUGIN_ABOUT_TEXT \
  "ZAR Fire 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved."
