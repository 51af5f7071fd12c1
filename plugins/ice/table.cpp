// Constants of the Ice plug-in.
#include "settings/plugin_table.h"
#include "plugins/common/layouts.h"
#include "plugins/ice/plugin_info.h"

namespace zar {

const PluginTable kIceTable = {
    .name = "ice",
    .title = ZAR_PLUGIN_TITLE,
    .aboutText = ZAR_PLUGIN_ABOUT_TEXT,
    .layout = kIceLayout,
    .defaults = {.height = 8, .smooth = 6, .width = 9, .amplitude = 12,
                 .velocity = 44, .space = 18, .colorMode = 1,
                 .rampPosition1 = 85, .rampPosition2 = 171, .alpha = 255,
                 .maskInvert = 0, .maskDroplet = 0, .maskMode = 3, .flameDirection = 4,
                 .rotation = 180, .radius = 0, .iterations = 38,
                 .rampColors = {0xFFFFFF, 0xFF0000, 0x000000, 0x000000}},
    .file = {".pci", "*.pci", "ZAR Ice Params", "Jux Ice Param", kIceFileFields,
             CountOf(kIceFileFields)},
    .dialog = {{Field::height, Field::smooth, Field::width, Field::amplitude}, true, true, kFixedFormatIceEdits, 3},
};

}  // namespace zar
