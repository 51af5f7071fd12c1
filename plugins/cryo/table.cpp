// Constants of the Cryo plug-in.
#include "settings/plugin_table.h"
#include "plugins/common/layouts.h"
#include "plugins/cryo/plugin_info.h"

namespace zar {

const PluginTable kCryoTable = {
    .name = "cryo",
    .title = ZAR_PLUGIN_TITLE,
    .aboutText = ZAR_PLUGIN_ABOUT_TEXT,
    .layout = kFireLayout,
    .defaults = {.oxygen = 2, .gravity = 1, .viscosity = 254, .fuel = 74,
                 .colorMode = 1, .rampPosition1 = 85, .rampPosition2 = 171, .alpha = 200,
                 .maskInvert = 0, .maskDroplet = 0, .maskMode = 3, .flameDirection = 4,
                 .rotation = 180, .radius = 0, .iterations = 40,
                 .rampColors = {0xFFFFFF, 0xFFFF00, 0xFF6482, 0x000000}},
    .file = {".pfr", "*.pfr", "ZAR Fire Params", "Jux Fire Param", kFireFileFields,
             CountOf(kFireFileFields)},
    .dialog = {{Field::oxygen, Field::gravity, Field::viscosity, Field::fuel}, false, true, kFixedFormatFirstEdit, 1},
};

}  // namespace zar
