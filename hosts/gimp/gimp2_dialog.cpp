// The parameter dialog in GIMP 2.10: GTK 2 widgets built from the portable dialog model and the
// plug-in's tables (the sliders with their ranges and edit-box formats, the ramp's two sliders and
// four colours, the radio groups, the switches, the rotation dial), a preview of the layer made by
// the native module through the host core, Reset, Load and Save of the parameter files.
#include "hosts/gimp/gimp2_dialog.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "hosts/cli/values.h"
#include "hosts/gimp/effect_procedures.h"
#include "ui/model/dialog_model.h"
#include "settings/params_file.h"

namespace zar::gimp {

namespace {

constexpr int kResponseReset = 1;
constexpr int kResponseLoad = 2;
constexpr int kResponseSave = 3;
constexpr int kPreviewSize = 220;  // the preview's longer side, in pixels
constexpr int kDialSize = 80;
constexpr guint kTickMs = 50;  // the animated previews' frame time

struct SliderRow {
  ui::Slider slider;
  GtkWidget* scale = nullptr;
  GtkWidget* entry = nullptr;  // null where the slider has no edit box
};

struct RadioRow {
  Field field;
  std::vector<GtkWidget*> buttons;
};

struct Dialog {
  const PluginTable* table = nullptr;
  WorkingParameters params{};
  host::Picture thumbnail, thumbnailMask;
  bool masked = false;
  GtkWidget* window = nullptr;
  GtkWidget* preview = nullptr;
  std::vector<SliderRow> sliders;
  std::vector<RadioRow> radios;
  std::vector<std::pair<Field, GtkWidget*>> switches, colours;
  GtkWidget* dialArea = nullptr;
  ui::Dial dial;
  bool showing = false;  // widgets are being set from the settings: their signals change nothing
  int frame = 0;         // the animation's step: the preview shows this many iterations
  bool dirty = true;
  guint timer = 0;
};

// What a control is called in the dialog: the quoted name of its label, else the label itself
// without the control's kind ("upper ramp").
std::string ControlName(Field field) {
  const std::string label = cli::TraitsOf(field).label;
  const size_t open = label.find('"');
  if (open != std::string::npos) {
    const size_t close = label.find('"', open + 1);
    if (close != std::string::npos) return label.substr(open + 1, close - open - 1);
  }
  const size_t kind = label.rfind(' ');
  return kind == std::string::npos ? label : label.substr(0, kind);
}

// "Left Btm" for flameDirection 3: the name in brackets of the value's text.
std::string ValueName(Field field, uint32_t value) {
  const std::string text = cli::FormatFieldValue(field, value);
  const size_t open = text.find('('), close = text.rfind(')');
  return open == std::string::npos ? text : text.substr(open + 1, close - open - 1);
}

bool HasField(const PluginTable& table, Field field) {
  const std::vector<Field> fields = cli::EffectFields(table);
  return std::find(fields.begin(), fields.end(), field) != fields.end();
}

// ---- the preview --------------------------------------------------------------------------------

void RenderPreview(Dialog& d) {
  if (d.thumbnail.empty()) return;
  host::Picture picture = d.thumbnail;
  WorkingParameters shown = d.params;
  // An animated preview grows the effect one iteration a frame, then starts again.
  if (d.table->dialog.animated && d.params.iterations > 0)
    shown.iterations =
        std::min(d.params.iterations, int32_t(d.frame % (d.params.iterations + 8) + 1));
  const RunOutcome outcome =
      RunEffect(*d.table, shown, picture, d.masked ? &d.thumbnailMask : nullptr, nullptr);
  if (outcome.status != RunStatus::kDone) picture = d.thumbnail;
  gimp_preview_area_draw(GIMP_PREVIEW_AREA(d.preview), 0, 0, picture.width, picture.height,
                         picture.planes == 4 ? GIMP_RGBA_IMAGE : GIMP_RGB_IMAGE,
                         picture.pixels.data(), picture.rowBytes);
}

gboolean OnTick(gpointer data) {
  Dialog& d = *static_cast<Dialog*>(data);
  if (d.table->dialog.animated) {
    ++d.frame;
    RenderPreview(d);
  } else if (d.dirty) {
    RenderPreview(d);
  }
  d.dirty = false;
  return TRUE;
}

void Changed(Dialog& d) {
  d.dirty = true;
  d.frame = 0;
}

// A reduced copy of the layer and of the selection over it, for the preview.
void ReadThumbnail(Dialog& d, gint32 drawable) {
  const int w = gimp_drawable_width(drawable), h = gimp_drawable_height(drawable);
  if (w <= 0 || h <= 0) return;
  const double scale = std::min(1.0, double(kPreviewSize) / double(std::max(w, h)));
  const int tw = std::max(1, int(w * scale)), th = std::max(1, int(h * scale));
  const bool alpha = gimp_drawable_has_alpha(drawable);
  d.thumbnail = host::Picture(tw, th, alpha ? 4 : 3);
  const GeglRectangle rect = {0, 0, tw, th};
  GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
  gegl_buffer_get(buffer, &rect, scale, babl_format(alpha ? "R'G'B'A u8" : "R'G'B' u8"),
                  d.thumbnail.pixels.data(), d.thumbnail.rowBytes, GEGL_ABYSS_NONE);
  g_object_unref(buffer);
  const gint32 image = gimp_item_get_image(drawable);
  d.masked = !gimp_selection_is_empty(image);
  if (!d.masked) return;
  gint x = 0, y = 0;
  gimp_drawable_offsets(drawable, &x, &y);
  d.thumbnailMask = host::Picture(tw, th, 1);
  const GeglRectangle maskRect = {int(x * scale), int(y * scale), tw, th};
  GeglBuffer* selection = gimp_drawable_get_buffer(gimp_image_get_selection(image));
  gegl_buffer_get(selection, &maskRect, scale, babl_format("Y u8"), d.thumbnailMask.pixels.data(),
                  d.thumbnailMask.rowBytes, GEGL_ABYSS_NONE);
  g_object_unref(selection);
}

// ---- showing the settings -----------------------------------------------------------------------

void ShowEdit(const Dialog& d, const SliderRow& row, ui::EditOccasion occasion) {
  if (!row.entry) return;
  const int32_t value = ui::SliderFieldValue(d.params, row.slider);
  const std::string text = ui::FormatEditValue(d.table->dialog, row.slider.editId, value, occasion);
  gtk_entry_set_text(GTK_ENTRY(row.entry), text.c_str());
}

void ShowValues(Dialog& d, ui::EditOccasion occasion) {
  d.showing = true;
  for (const SliderRow& row : d.sliders) {
    gtk_range_set_value(GTK_RANGE(row.scale),
                        ui::SliderPosition(row.slider, ui::SliderFieldValue(d.params, row.slider)));
    ShowEdit(d, row, occasion);
  }
  for (const RadioRow& row : d.radios) {
    const uint32_t value = GetField(d.params, row.field);
    for (size_t v = 0; v < row.buttons.size(); ++v)
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(row.buttons[v]), v == value);
  }
  for (const auto& [field, button] : d.switches)
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), GetField(d.params, field) != 0);
  for (const auto& [field, button] : d.colours) {
    uint8_t r, g, b;
    ColourBytes(GetField(d.params, field), &r, &g, &b);
    GimpRGB rgb;
    gimp_rgb_set_uchar(&rgb, r, g, b);
    gimp_color_button_set_color(GIMP_COLOR_BUTTON(button), &rgb);
  }
  if (d.dialArea) {
    ui::DialSet(d.dial, float(d.params.rotation), ui::DialDistanceForRadius(d.params.radius));
    gtk_widget_queue_draw(d.dialArea);
  }
  d.showing = false;
  Changed(d);
}

SliderRow* FindRow(Dialog& d, int sliderId) {
  for (SliderRow& row : d.sliders)
    if (row.slider.id == sliderId) return &row;
  return nullptr;
}

// ---- control signals ----------------------------------------------------------------------------

struct Binding {
  Dialog* dialog;
  size_t index;
};

void OnSlider(GtkRange* range, gpointer data) {
  const Binding& b = *static_cast<Binding*>(data);
  Dialog& d = *b.dialog;
  if (d.showing) return;
  SliderRow& row = d.sliders[b.index];
  const int position = int(std::lround(gtk_range_get_value(range)));
  const Field field = row.slider.field;
  if (field == Field::rampPosition1 || field == Field::rampPosition2) {
    // Each ramp slider pushes the other.
    const ui::RampPush push = ui::ApplyRampPosition(d.params, row.slider.id, position);
    if (push.sliderId != 0)
      if (SliderRow* other = FindRow(d, push.sliderId)) {
        d.showing = true;
        gtk_range_set_value(GTK_RANGE(other->scale), push.position);
        d.showing = false;
      }
  } else {
    ui::StoreSliderPosition(d.params, row.slider, position);
  }
  d.showing = true;
  ShowEdit(d, row, ui::EditOccasion::kDragEnd);
  d.showing = false;
  Changed(d);
}

void CommitEntry(Dialog& d, SliderRow& row) {
  if (d.showing) return;
  ui::CommitEdit(d.params, row.slider, gtk_entry_get_text(GTK_ENTRY(row.entry)));
  d.showing = true;
  gtk_range_set_value(GTK_RANGE(row.scale),
                      ui::SliderPosition(row.slider, ui::SliderFieldValue(d.params, row.slider)));
  d.showing = false;
  if (d.dialArea) {
    ui::DialSet(d.dial, float(d.params.rotation), ui::DialDistanceForRadius(d.params.radius));
    gtk_widget_queue_draw(d.dialArea);
  }
  Changed(d);
}

void OnEntryActivate(GtkEntry*, gpointer data) {
  const Binding& b = *static_cast<Binding*>(data);
  CommitEntry(*b.dialog, b.dialog->sliders[b.index]);
}

gboolean OnEntryFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
  const Binding& b = *static_cast<Binding*>(data);
  CommitEntry(*b.dialog, b.dialog->sliders[b.index]);
  return FALSE;
}

void OnRadio(GtkToggleButton* button, gpointer data) {
  const Binding& b = *static_cast<Binding*>(data);
  Dialog& d = *b.dialog;
  if (d.showing || !gtk_toggle_button_get_active(button)) return;
  const RadioRow& row = d.radios[b.index];
  for (size_t v = 0; v < row.buttons.size(); ++v)
    if (row.buttons[v] == GTK_WIDGET(button)) SetField(d.params, row.field, uint32_t(v));
  Changed(d);
}

void OnSwitch(GtkToggleButton* button, gpointer data) {
  const Binding& b = *static_cast<Binding*>(data);
  Dialog& d = *b.dialog;
  if (d.showing) return;
  SetField(d.params, d.switches[b.index].first, gtk_toggle_button_get_active(button) ? 1 : 0);
  Changed(d);
}

void OnColour(GimpColorButton* button, gpointer data) {
  const Binding& b = *static_cast<Binding*>(data);
  Dialog& d = *b.dialog;
  if (d.showing) return;
  GimpRGB rgb;
  gimp_color_button_get_color(button, &rgb);
  guchar r, g, bl;
  gimp_rgb_get_uchar(&rgb, &r, &g, &bl);
  SetField(d.params, d.colours[b.index].first, ColourValue(r, g, bl));
  Changed(d);
}

// ---- the rotation dial --------------------------------------------------------------------------

gboolean OnDialExpose(GtkWidget* widget, GdkEventExpose*, gpointer data) {
  const Dialog& d = *static_cast<Dialog*>(data);
  cairo_t* cr = gdk_cairo_create(widget->window);
  const double cx = d.dial.width / 2.0, cy = d.dial.height / 2.0;
  const double r = std::min(cx, cy) - 2;
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_stroke(cr);
  cairo_move_to(cr, cx, cy);
  cairo_line_to(cr, d.dial.endX + 0.5, d.dial.endY + 0.5);
  cairo_stroke(cr);
  cairo_arc(cr, d.dial.endX + 0.5, d.dial.endY + 0.5, 3, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_destroy(cr);
  return TRUE;
}

void DialChanged(Dialog& d) {
  d.params.rotation = ui::RotationFromDial(d.dial);
  d.params.radius = ui::RadiusFromDial(d.dial);
  d.showing = true;
  for (const SliderRow& row : d.sliders)
    if (row.slider.field == Field::rotation || row.slider.field == Field::radius) {
      gtk_range_set_value(
          GTK_RANGE(row.scale),
          ui::SliderPosition(row.slider, ui::SliderFieldValue(d.params, row.slider)));
      ShowEdit(d, row, ui::EditOccasion::kDialChange);
    }
  d.showing = false;
  gtk_widget_queue_draw(d.dialArea);
  Changed(d);
}

gboolean OnDialPress(GtkWidget*, GdkEventButton* event, gpointer data) {
  Dialog& d = *static_cast<Dialog*>(data);
  if (ui::DialPress(d.dial, int(event->x), int(event->y))) DialChanged(d);
  return TRUE;
}

gboolean OnDialMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  Dialog& d = *static_cast<Dialog*>(data);
  if (!d.dial.dragging) return TRUE;
  ui::DialMove(d.dial, int(event->x), int(event->y));
  DialChanged(d);
  return TRUE;
}

gboolean OnDialRelease(GtkWidget*, GdkEventButton*, gpointer data) {
  Dialog& d = *static_cast<Dialog*>(data);
  if (ui::DialRelease(d.dial)) DialChanged(d);
  return TRUE;
}

// ---- building ----------------------------------------------------------------------------------

GtkWidget* Frame(const char* title, GtkWidget* child) {
  GtkWidget* frame = gimp_frame_new(title);
  gtk_container_add(GTK_CONTAINER(frame), child);
  return frame;
}

bool IsRampSlider(const ui::Slider& slider) {
  return slider.field == Field::rampPosition1 || slider.field == Field::rampPosition2;
}

// The sliders of the plug-in, in the model's order, as rows of label, slider and edit box; the
// ramp's two sliders (`ramp`) or all the others.
GtkWidget* BuildSliders(Dialog& d, bool ramp) {
  GtkWidget* table = gtk_table_new(1, 3, FALSE);
  gtk_table_set_col_spacings(GTK_TABLE(table), 6);
  int row = 0;
  for (int i = 0; i < ui::SliderCount(d.table->dialog); ++i) {
    const ui::Slider slider = ui::SliderAt(d.table->dialog, i);
    if (!HasField(*d.table, slider.field) || IsRampSlider(slider) != ramp) continue;
    SliderRow r;
    r.slider = slider;
    r.scale = gtk_hscale_new_with_range(slider.min, slider.max, 1);
    gtk_scale_set_draw_value(GTK_SCALE(r.scale), FALSE);
    gtk_widget_set_size_request(r.scale, 160, -1);
    GtkWidget* label = gtk_label_new(ControlName(slider.field).c_str());
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.5);
    gtk_table_attach(GTK_TABLE(table), label, 0, 1, row, row + 1, GTK_FILL, GTK_FILL, 0, 1);
    gtk_table_attach(GTK_TABLE(table), r.scale, 1, 2, row, row + 1,
                     GtkAttachOptions(GTK_EXPAND | GTK_FILL), GTK_FILL, 0, 1);
    if (slider.editId != 0) {
      r.entry = gtk_entry_new();
      gtk_entry_set_width_chars(GTK_ENTRY(r.entry), 10);
      gtk_table_attach(GTK_TABLE(table), r.entry, 2, 3, row, row + 1, GTK_FILL, GTK_FILL, 0, 1);
    }
    d.sliders.push_back(r);
    ++row;
  }
  return table;
}

void ConnectSliders(Dialog& d, std::vector<Binding>& bindings) {
  for (size_t k = 0; k < d.sliders.size(); ++k) {
    bindings.push_back({&d, k});
    g_signal_connect(d.sliders[k].scale, "value-changed", G_CALLBACK(OnSlider), &bindings.back());
    if (d.sliders[k].entry) {
      g_signal_connect(d.sliders[k].entry, "activate", G_CALLBACK(OnEntryActivate),
                       &bindings.back());
      g_signal_connect(d.sliders[k].entry, "focus-out-event", G_CALLBACK(OnEntryFocusOut),
                       &bindings.back());
    }
  }
}

void BuildChoices(Dialog& d, std::vector<Binding>& bindings, GtkWidget* box) {
  std::vector<std::pair<GtkWidget*, bool>> frames;  // a frame, and whether it is a compass
  GtkWidget* maskBox = nullptr;
  for (int g = 0; g < ui::RadioGroupCount(d.table->dialog); ++g) {
    const ui::RadioGroup& group = ui::RadioGroupAt(d.table->dialog, g);
    if (!HasField(*d.table, group.field)) continue;
    RadioRow r{group.field, {}};
    const bool compass = group.count == 8;
    GtkWidget* inner = compass ? gtk_table_new(3, 3, TRUE) : gtk_vbox_new(FALSE, 0);
    // The eight directions sit where they point: Top, Left Top, Left, Left Btm, Bottom, ...
    static const int kCompass[8][2] = {{1, 0}, {0, 0}, {0, 1}, {0, 2},
                                       {1, 2}, {2, 2}, {2, 1}, {2, 0}};
    GSList* members = nullptr;
    for (int v = 0; v < group.count; ++v) {
      const std::string name = ValueName(group.field, uint32_t(v));
      GtkWidget* button = gtk_radio_button_new_with_label(members, name.c_str());
      members = gtk_radio_button_get_group(GTK_RADIO_BUTTON(button));
      if (compass)
        gtk_table_attach_defaults(GTK_TABLE(inner), button, kCompass[v][0], kCompass[v][0] + 1,
                                  kCompass[v][1], kCompass[v][1] + 1);
      else
        gtk_box_pack_start(GTK_BOX(inner), button, FALSE, FALSE, 0);
      r.buttons.push_back(button);
    }
    d.radios.push_back(r);
    if (group.field == Field::maskMode) maskBox = inner;
    frames.push_back({Frame(ControlName(group.field).c_str(), inner), compass});
  }
  // The switches ("Invert", "Droplet") belong to the mask, beside its modes where it has them.
  GtkWidget* switches = maskBox ? maskBox : gtk_vbox_new(FALSE, 0);
  for (Field field : cli::EffectFields(*d.table)) {
    if (cli::TraitsOf(field).kind != cli::ValueKind::kFlag) continue;
    GtkWidget* check = gtk_check_button_new_with_label(ControlName(field).c_str());
    gtk_box_pack_start(GTK_BOX(switches), check, FALSE, FALSE, 0);
    d.switches.push_back({field, check});
  }
  if (!maskBox && !d.switches.empty()) frames.push_back({Frame("Mask", switches), false});
  for (size_t k = 0; k < d.radios.size(); ++k) {
    bindings.push_back({&d, k});
    for (GtkWidget* button : d.radios[k].buttons)
      g_signal_connect(button, "toggled", G_CALLBACK(OnRadio), &bindings.back());
  }
  for (size_t k = 0; k < d.switches.size(); ++k) {
    bindings.push_back({&d, k});
    g_signal_connect(d.switches[k].second, "toggled", G_CALLBACK(OnSwitch), &bindings.back());
  }
  // One row; with more than three groups (Combustion's two compasses) the compasses get a row of
  // their own, so the dialog stays as wide as its sliders.
  const bool split = frames.size() > 3;
  GtkWidget* rows[2] = {gtk_hbox_new(FALSE, 12), gtk_hbox_new(FALSE, 12)};
  for (const auto& [frame, compass] : frames)
    gtk_box_pack_start(GTK_BOX(rows[split && !compass ? 1 : 0]), frame, FALSE, FALSE, 0);
  for (GtkWidget* row : rows) gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
}

// The colour ramp: its two position sliders, then the four colours.
void BuildRamp(Dialog& d, std::vector<Binding>& bindings, GtkWidget* box) {
  GtkWidget* ramp = gtk_vbox_new(FALSE, 4);
  gtk_box_pack_start(GTK_BOX(ramp), BuildSliders(d, true), FALSE, FALSE, 0);
  GtkWidget* row = gtk_hbox_new(FALSE, 4);
  gtk_box_pack_start(GTK_BOX(ramp), row, FALSE, FALSE, 0);
  for (int k = 0; k < 4; ++k) {
    const Field field = Field(int(Field::rampColor0) + k);
    const std::string title = std::string(d.table->title) + ": " + ControlName(field);
    GimpRGB black;
    gimp_rgb_set_uchar(&black, 0, 0, 0);
    GtkWidget* button = gimp_color_button_new(title.c_str(), 36, 20, &black, GIMP_COLOR_AREA_FLAT);
    gtk_box_pack_start(GTK_BOX(row), button, FALSE, FALSE, 0);
    d.colours.push_back({field, button});
  }
  for (size_t k = 0; k < d.colours.size(); ++k) {
    bindings.push_back({&d, k});
    g_signal_connect(d.colours[k].second, "color-changed", G_CALLBACK(OnColour), &bindings.back());
  }
  gtk_box_pack_start(GTK_BOX(box), Frame("Colour ramp", ramp), FALSE, FALSE, 0);
}

// Load and Save: the plug-in's own parameter files, through GTK's file chooser.
std::string ChooseFile(const Dialog& d, bool save) {
  GtkWidget* chooser = gtk_file_chooser_dialog_new(
      save ? "Save parameters" : "Load parameters", GTK_WINDOW(d.window),
      save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, save ? GTK_STOCK_SAVE : GTK_STOCK_OPEN, GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, d.table->file.filterDescription);
  gtk_file_filter_add_pattern(filter, d.table->file.initialName);
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  if (save) gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
  std::string path;
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
    if (name) path = name;
    g_free(name);
  }
  gtk_widget_destroy(chooser);
  return path;
}

void Load(Dialog& d) {
  const std::string path = ChooseFile(d, false);
  if (path.empty()) return;
  WorkingParameters loaded = d.params;
  ParamsFileLoad load;
  const ParamsFileStatus status = LoadParamsFile(d.table->file, path, loaded, &load);
  if (status == ParamsFileStatus::kCannotOpen) {
    g_message("Cannot read %s", path.c_str());
    return;
  }
  if (status != ParamsFileStatus::kOk) {
    g_message("%s is not a %s parameter file", path.c_str(), d.table->title);
    return;
  }
  d.params = loaded;
  ShowValues(d, ui::EditOccasion::kShowValues);
}

void SaveTo(const Dialog& d, const std::string& chosen) {
  const std::string path = ParamsFileName(d.table->file, chosen);
  if (SaveParamsFile(d.table->file, path, d.params) != ParamsFileStatus::kOk)
    g_message("Cannot write %s", path.c_str());
}

void Save(const Dialog& d) {
  const std::string chosen = ChooseFile(d, true);
  if (!chosen.empty()) SaveTo(d, chosen);
}

// ---- driven by a test ---------------------------------------------------------------------------

// Tests (and the screenshot in the README) drive the dialog through the environment:
// ZAR_GIMP_DIALOG_MOVE="FIELD=POSITION" moves that field's slider as a drag would, then
// ZAR_GIMP_DIALOG_SNAPSHOT=PATH saves the screen as a PNG, ZAR_GIMP_DIALOG_SAVE=PATH saves the
// settings shown as the Save button would, and OK is pressed.
gboolean MoveSlider(gpointer data) {
  Dialog& d = *static_cast<Dialog*>(data);
  const std::string move = g_getenv("ZAR_GIMP_DIALOG_MOVE") ? g_getenv("ZAR_GIMP_DIALOG_MOVE") : "";
  const size_t equals = move.find('=');
  if (equals == std::string::npos) return FALSE;
  for (SliderRow& row : d.sliders)
    if (FieldName(row.slider.field) == move.substr(0, equals))
      gtk_range_set_value(GTK_RANGE(row.scale), std::atoi(move.c_str() + equals + 1));
  return FALSE;
}

gboolean SnapshotAndAccept(gpointer data) {
  Dialog& d = *static_cast<Dialog*>(data);
  GdkWindow* root = gdk_get_default_root_window();
  gint w = 0, h = 0;
  gdk_drawable_get_size(root, &w, &h);
  GdkPixbuf* shot = gdk_pixbuf_get_from_drawable(nullptr, root, nullptr, 0, 0, 0, 0, w, h);
  if (shot) {
    gdk_pixbuf_save(shot, g_getenv("ZAR_GIMP_DIALOG_SNAPSHOT"), "png", nullptr, nullptr);
    g_object_unref(shot);
  }
  if (const gchar* save = g_getenv("ZAR_GIMP_DIALOG_SAVE")) SaveTo(d, save);
  gtk_dialog_response(GTK_DIALOG(d.window), GTK_RESPONSE_OK);
  return FALSE;
}

}  // namespace

bool ShowEffectDialog(const PluginTable& table, int32_t drawable, WorkingParameters& params) {
  gimp_ui_init("zar-gimp", TRUE);
  Dialog d;
  d.table = &table;
  d.params = params;
  std::vector<Binding> bindings;
  bindings.reserve(64);  // the signals keep pointers into it

  const std::string procedure = ProcedureName(table);
  d.window =
      gimp_dialog_new(table.title, "zar-gimp", nullptr, GtkDialogFlags(0), gimp_standard_help_func,
                      procedure.c_str(), "_Load...", kResponseLoad, "_Save...", kResponseSave,
                      GIMP_STOCK_RESET, kResponseReset, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
                      GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  gimp_window_set_transient(GTK_WINDOW(d.window));

  GtkWidget* body = gtk_hbox_new(FALSE, 12);
  gtk_container_set_border_width(GTK_CONTAINER(body), 12);
  gtk_box_pack_start(GTK_BOX(GTK_DIALOG(d.window)->vbox), body, TRUE, TRUE, 0);

  GtkWidget* left = gtk_vbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(body), left, FALSE, FALSE, 0);
  ReadThumbnail(d, drawable);
  d.preview = gimp_preview_area_new();
  gtk_widget_set_size_request(d.preview, std::max(1, d.thumbnail.width),
                              std::max(1, d.thumbnail.height));
  gtk_box_pack_start(GTK_BOX(left), Frame("Preview", d.preview), FALSE, FALSE, 0);
  if (table.dialog.animated) {
    d.dialArea = gtk_drawing_area_new();
    gtk_widget_set_size_request(d.dialArea, kDialSize, kDialSize);
    gtk_widget_add_events(
        d.dialArea, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
    d.dial = ui::MakeDial(kDialSize, kDialSize);
    g_signal_connect(d.dialArea, "expose-event", G_CALLBACK(OnDialExpose), &d);
    g_signal_connect(d.dialArea, "button-press-event", G_CALLBACK(OnDialPress), &d);
    g_signal_connect(d.dialArea, "motion-notify-event", G_CALLBACK(OnDialMotion), &d);
    g_signal_connect(d.dialArea, "button-release-event", G_CALLBACK(OnDialRelease), &d);
    GtkWidget* align = gtk_alignment_new(0.5, 0.5, 0, 0);
    gtk_container_add(GTK_CONTAINER(align), d.dialArea);
    gtk_box_pack_start(GTK_BOX(left), Frame("Rotation", align), FALSE, FALSE, 0);
  }

  GtkWidget* right = gtk_vbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(body), right, TRUE, TRUE, 0);
  d.sliders.reserve(16);
  gtk_box_pack_start(GTK_BOX(right), BuildSliders(d, false), FALSE, FALSE, 0);
  BuildRamp(d, bindings, right);
  ConnectSliders(d, bindings);
  BuildChoices(d, bindings, right);

  ShowValues(d, ui::EditOccasion::kShowValues);
  gtk_widget_show_all(d.window);
  RenderPreview(d);
  d.dirty = false;
  d.timer = g_timeout_add(kTickMs, OnTick, &d);
  if (g_getenv("ZAR_GIMP_DIALOG_SNAPSHOT")) {
    g_timeout_add(600, MoveSlider, &d);
    g_timeout_add(1600, SnapshotAndAccept, &d);
  }

  bool ok = false;
  for (;;) {
    const gint response = gimp_dialog_run(GIMP_DIALOG(d.window));
    if (response == kResponseReset) {
      d.params = table.defaults;
      ShowValues(d, ui::EditOccasion::kShowValues);
    } else if (response == kResponseLoad) {
      Load(d);
    } else if (response == kResponseSave) {
      Save(d);
    } else {
      ok = response == GTK_RESPONSE_OK;
      break;
    }
  }
  g_source_remove(d.timer);
  gtk_widget_destroy(d.window);
  if (ok) params = d.params;
  return ok;
}

}  // namespace zar::gimp
