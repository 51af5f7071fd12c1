// Constants of the Fire plug-in.
#include "settings/plugin_table.h"
#include "plugins/common/layouts.h"
#include "plugins/fire/plugin_info.h"

namespace zar {

const PluginTable kFireTable = {
    .name = "fire",
    .title = ZAR_PLUGIN_TITLE,
    .aboutText = ZAR_PLUGIN_ABOUT_TEXT,
    .layout = kFireLayout,
    .defaults = {.oxygen = 10, .gravity = 10, .viscosity = 255, .fuel = 100,
                 .colorMode = 0, .rampPosition1 = 85, .rampPosition2 = 171, .alpha = 200,
                 .maskInvert = 0, .maskDroplet = 0, .maskMode = 3, .flameDirection = 0,
                 .rotation = 180, .radius = 0, .iterations = 40,
                 .rampColors = {0xFFFFFF, 0x00FFFF, 0x0000FF, 0x000000}},
    .file = {".pfr", "*.pfr", "ZAR Fire Params", "Jux Fire Param", kFireFileFields,
             CountOf(kFireFileFields)},
    .dialog = {{Field::oxygen, Field::gravity, Field::viscosity, Field::fuel}, false, true, kFixedFormatFirstEdit, 1},
};

}  // namespace zar
