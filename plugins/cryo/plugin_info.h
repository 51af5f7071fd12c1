// Texts of the ZAR Cryo plug-in, shared by its resource script and its constants table.
#pragma once

#define ZAR_PLUGIN_TITLE "ZAR Cryo"
#define ZAR_PLUGIN_MENU_NAME "ZAR Cryo..."
#define ZAR_PLUGIN_ABOUT_TEXT \
  "ZAR Cryo 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved."
