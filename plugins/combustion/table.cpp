// Constants of the Combustion plug-in.
#include "settings/plugin_table.h"
#include "plugins/combustion/plugin_info.h"
#include "plugins/common/layouts.h"

namespace zar {

const PluginTable kCombustionTable = {
    .name = "combustion",
    .title = ZAR_PLUGIN_TITLE,
    .aboutText = ZAR_PLUGIN_ABOUT_TEXT,
    .layout = kCombustionLayout,
    .defaults = {.oxygen = 6, .gravity = 10, .viscosity = 254, .fuel = 13,
                 .phase = 25, .effectMode = 0, .effectDirection = 0, .colorMode = 0,
                 .rampPosition1 = 85, .rampPosition2 = 171, .alpha = 200,
                 .maskInvert = 0, .maskDroplet = 0, .flameDirection = 0,
                 .rotation = 180, .radius = 0, .iterations = 40,
                 .rampColors = {0xFFFFFF, 0x00FFFF, 0x0000FF, 0x000000}},
    .file = {".pcb", "*.pcb", "Jux Rorizazori Params", "Jux Rorizazori Param",
             kCombustionFileFields, CountOf(kCombustionFileFields)},
    .dialog = {{Field::oxygen, Field::gravity, Field::viscosity, Field::fuel}, false, false, kFixedFormatFirstEdit, 1},
};

}  // namespace zar
