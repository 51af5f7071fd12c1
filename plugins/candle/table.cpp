// Constants of the Candle plug-in.
#include "settings/plugin_table.h"
#include "plugins/candle/plugin_info.h"
#include "plugins/common/layouts.h"

namespace zar {

const PluginTable kCandleTable = {
    .name = "candle",
    .title = ZAR_PLUGIN_TITLE,
    .aboutText = ZAR_PLUGIN_ABOUT_TEXT,
    .layout = kIceLayout,
    .defaults = {.height = 10, .smooth = 10, .width = 14, .amplitude = 10,
                 .velocity = 131, .space = 3, .colorMode = 0,
                 .rampPosition1 = 85, .rampPosition2 = 171, .alpha = 255,
                 .maskInvert = 0, .maskDroplet = 0, .maskMode = 3, .flameDirection = 0,
                 .rotation = 180, .radius = 0, .iterations = 38,
                 .rampColors = {0xFFFFFF, 0x00FFFF, 0x0000FF, 0x000000}},
    .file = {".pcn", "*.pcn", "Jux Zuvov Params", "Jux Zuvov Param", kIceFileFields,
             CountOf(kIceFileFields)},
    .dialog = {{Field::height, Field::smooth, Field::width, Field::amplitude}, true, true, kFixedFormatIceEdits, 3},
};

}  // namespace zar
