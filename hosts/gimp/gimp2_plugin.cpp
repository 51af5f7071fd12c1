// The GIMP 2.10 side of the plug-in: the five procedures registered with their parameters, the
// run modes, and the layer's pixels and selection read into pictures and written back through the
// shadow buffer as one undo step. Everything else is in effect_procedures and the dialog model.
#include <libgimp/gimp.h>

#include <cstring>
#include <string>
#include <vector>

#include "hosts/cli/values.h"
#include "hosts/gimp/effect_procedures.h"
#include "hosts/gimp/gimp2_dialog.h"

namespace {

using zar::PluginTable;
using zar::WorkingParameters;
using zar::gimp::EffectParam;
using zar::gimp::ParamType;

// run-mode, image and drawable come before the effect's own fields.
constexpr int kLeadingParams = 3;

void Query() {
  for (const PluginTable* table : zar::cli::Effects()) {
    const std::vector<EffectParam> fields = zar::gimp::EffectParams(*table);
    std::vector<GimpParamDef> defs;
    defs.push_back(
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
         const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), "
                            "RUN-WITH-LAST-VALS (2) }")});
    defs.push_back(
        {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")});
    defs.push_back(
        {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"), const_cast<gchar*>("Input drawable")});
    for (const EffectParam& field : fields)
      defs.push_back({field.type == ParamType::kColour ? GIMP_PDB_COLOR : GIMP_PDB_INT32,
                      const_cast<gchar*>(field.name.c_str()),
                      const_cast<gchar*>(field.description.c_str())});
    const std::string name = zar::gimp::ProcedureName(*table);
    const std::string label = zar::gimp::MenuLabel(*table);
    const std::string blurb = std::string(table->title) + " on the layer or its selection";
    gimp_install_procedure(name.c_str(), blurb.c_str(), table->aboutText, "ZAR filters",
                           "ZAR filters", "2026", label.c_str(), "RGB*", GIMP_PLUGIN,
                           gint(defs.size()), 0, defs.data(), nullptr);
    gimp_plugin_menu_register(name.c_str(), "<Image>/Filters/ZAR");
  }
}

// The settings a non-interactive call passes; false with a reason when one does not fit.
bool SettingsFromParams(const PluginTable& table, gint nparams, const GimpParam* param,
                        WorkingParameters* params, std::string* error) {
  const std::vector<EffectParam> fields = zar::gimp::EffectParams(table);
  if (nparams != kLeadingParams + gint(fields.size())) {
    *error = std::string(table.title) + " takes " + std::to_string(fields.size()) +
             " settings after the drawable, not " + std::to_string(nparams - kLeadingParams);
    return false;
  }
  WorkingParameters working = table.defaults;
  for (size_t k = 0; k < fields.size(); ++k) {
    const GimpParam& value = param[kLeadingParams + k];
    if (fields[k].type == ParamType::kColour) {
      guchar r, g, b;
      gimp_rgb_get_uchar(&value.data.d_color, &r, &g, &b);
      zar::SetField(working, fields[k].field, zar::gimp::ColourValue(r, g, b));
    } else if (!zar::gimp::StoreInteger(working, fields[k], value.data.d_int32, error)) {
      return false;
    }
  }
  *params = working;
  return true;
}

bool LoadLastValues(const std::string& procedure, WorkingParameters* params) {
  const gint size = gimp_get_data_size(procedure.c_str());
  if (size != gint(sizeof(zar::gimp::LastValues))) return false;
  zar::gimp::LastValues stored;
  gimp_get_data(procedure.c_str(), &stored);
  return zar::gimp::ReadLastValues(&stored, sizeof stored, params);
}

void StoreLastValues(const std::string& procedure, const WorkingParameters& params) {
  const zar::gimp::LastValues values = zar::gimp::MakeLastValues(params);
  gimp_set_data(procedure.c_str(), &values, sizeof values);
}

const Babl* PixelFormat(gint32 drawable) {
  return babl_format(gimp_drawable_has_alpha(drawable) ? "R'G'B'A u8" : "R'G'B' u8");
}

// The selection over the layer, one byte a pixel (0 outside the image); false when nothing is
// selected, so the whole layer is filtered.
bool ReadSelection(gint32 image, gint32 drawable, zar::host::Picture* mask) {
  if (gimp_selection_is_empty(image)) return false;
  gint x = 0, y = 0;
  gimp_drawable_offsets(drawable, &x, &y);
  *mask = zar::host::Picture(gimp_drawable_width(drawable), gimp_drawable_height(drawable), 1);
  const GeglRectangle rect = {x, y, mask->width, mask->height};
  GeglBuffer* selection = gimp_drawable_get_buffer(gimp_image_get_selection(image));
  gegl_buffer_get(selection, &rect, 1.0, babl_format("Y u8"), mask->pixels.data(), mask->rowBytes,
                  GEGL_ABYSS_NONE);
  g_object_unref(selection);
  return true;
}

// Fills the drawable's shadow: the layer as it is, at its own precision, with only the pixels the
// effect changed written over it. The plug-ins work on 8 bits a sample; writing the whole picture
// back would round every other pixel of a 16-bit or floating-point layer to 8 bits.
void WriteChanges(gint32 drawable, const zar::host::Picture& before,
                  const zar::host::Picture& after) {
  GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
  GeglBuffer* shadow = gimp_drawable_get_shadow_buffer(drawable);
  gegl_buffer_copy(buffer, nullptr, GEGL_ABYSS_NONE, shadow, nullptr);
  const int planes = after.planes;
  for (int y = 0; y < after.height; ++y) {
    const uint8_t* was = before.Row(y);
    const uint8_t* now = after.Row(y);
    int x = 0;
    while (x < after.width) {
      if (std::memcmp(was + x * planes, now + x * planes, size_t(planes)) == 0) {
        ++x;
        continue;
      }
      int end = x + 1;
      while (end < after.width &&
             std::memcmp(was + end * planes, now + end * planes, size_t(planes)) != 0)
        ++end;
      const GeglRectangle run = {x, y, end - x, 1};
      gegl_buffer_set(shadow, &run, 0, PixelFormat(drawable), now + x * planes,
                      GEGL_AUTO_ROWSTRIDE);
      x = end;
    }
  }
  g_object_unref(shadow);
  g_object_unref(buffer);
}

GimpPDBStatusType Apply(const PluginTable& table, gint32 image, gint32 drawable,
                        const WorkingParameters& params, std::string* error) {
  const int planes = gimp_drawable_has_alpha(drawable) ? 4 : 3;
  zar::host::Picture picture(gimp_drawable_width(drawable), gimp_drawable_height(drawable), planes);
  const GeglRectangle whole = {0, 0, picture.width, picture.height};
  GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
  gegl_buffer_get(buffer, &whole, 1.0, PixelFormat(drawable), picture.pixels.data(),
                  picture.rowBytes, GEGL_ABYSS_NONE);
  g_object_unref(buffer);
  const zar::host::Picture original = picture;
  zar::host::Picture mask;
  const bool selected = ReadSelection(image, drawable, &mask);

  gimp_progress_init(table.title);
  // Combustion counts down, the others up: the bar shows how far the count has gone either way.
  // Each update is a round trip to GIMP, and the plug-ins report very often: only whole
  // percents are passed on.
  int shown = -1;
  const zar::gimp::RunOutcome outcome = zar::gimp::RunEffect(
      table, params, picture, selected ? &mask : nullptr, [&shown](int32_t done, int32_t total) {
        if (total <= 0) return;
        const int percent = int(CLAMP(100.0 * double(done) / double(total), 0.0, 100.0));
        if (percent == shown) return;
        shown = percent;
        gimp_progress_update(percent / 100.0);
      });
  if (outcome.status == zar::gimp::RunStatus::kCancelled) return GIMP_PDB_CANCEL;
  if (outcome.status == zar::gimp::RunStatus::kFailed) {
    *error = outcome.error;
    return GIMP_PDB_EXECUTION_ERROR;
  }
  gimp_progress_update(1.0);

  // The plug-in has already used the selection: flames rise from it and frost grows around it,
  // past its edge, as in every host. GIMP would clip the shadow to the selection, so the
  // selection is set aside while the shadow is merged, all within one undo step.
  gimp_image_undo_group_start(image);
  const gint32 saved = selected ? gimp_selection_save(image) : -1;
  if (selected) gimp_selection_none(image);
  WriteChanges(drawable, original, picture);
  gimp_drawable_merge_shadow(drawable, TRUE);
  gimp_drawable_update(drawable, 0, 0, picture.width, picture.height);
  if (saved != -1) {
    gimp_image_select_item(image, GIMP_CHANNEL_OP_REPLACE, saved);
    gimp_image_remove_channel(image, saved);
  }
  gimp_image_undo_group_end(image);
  return GIMP_PDB_SUCCESS;
}

void Run(const gchar* name, gint nparams, const GimpParam* param, gint* nreturn_vals,
         GimpParam** return_vals) {
  static GimpParam values[2];
  static std::string message;
  *nreturn_vals = 1;
  *return_vals = values;
  values[0].type = GIMP_PDB_STATUS;
  values[0].data.d_status = GIMP_PDB_CALLING_ERROR;

  const PluginTable* table = zar::gimp::EffectOfProcedure(name);
  if (!table || nparams < kLeadingParams) return;
  gegl_init(nullptr, nullptr);
  const auto mode = GimpRunMode(param[0].data.d_int32);
  const gint32 image = param[1].data.d_image;
  const gint32 drawable = param[2].data.d_drawable;
  const std::string procedure = name;

  GimpPDBStatusType status = GIMP_PDB_SUCCESS;
  WorkingParameters params = table->defaults;
  switch (mode) {
    case GIMP_RUN_INTERACTIVE:
      LoadLastValues(procedure, &params);
      if (!zar::gimp::ShowEffectDialog(*table, drawable, params)) status = GIMP_PDB_CANCEL;
      break;
    case GIMP_RUN_NONINTERACTIVE:
      if (!SettingsFromParams(*table, nparams, param, &params, &message))
        status = GIMP_PDB_CALLING_ERROR;
      break;
    case GIMP_RUN_WITH_LAST_VALS: LoadLastValues(procedure, &params); break;
    default:
      message = "unknown run mode " + std::to_string(int(mode));
      status = GIMP_PDB_CALLING_ERROR;
  }
  if (status == GIMP_PDB_SUCCESS && !gimp_drawable_is_rgb(drawable)) {
    message = std::string(table->title) + " works on RGB layers only";
    status = GIMP_PDB_EXECUTION_ERROR;
  }
  if (status == GIMP_PDB_SUCCESS) {
    status = Apply(*table, image, drawable, params, &message);
    if (status == GIMP_PDB_SUCCESS) {
      if (mode != GIMP_RUN_NONINTERACTIVE) gimp_displays_flush();
      StoreLastValues(procedure, params);
    }
  }
  values[0].data.d_status = status;
  if (status != GIMP_PDB_SUCCESS && status != GIMP_PDB_CANCEL && !message.empty()) {
    *nreturn_vals = 2;
    values[1].type = GIMP_PDB_STRING;
    values[1].data.d_string = const_cast<gchar*>(message.c_str());
  }
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, Query, Run};

MAIN()
