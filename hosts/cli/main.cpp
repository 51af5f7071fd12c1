// zar: the command-line host of the ZAR filters. It renders the five effects on pictures through
// the plug-in modules themselves, loaded and driven as an image editor drives a filter plug-in,
// and reads and writes the plug-ins' parameter files.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "hosts/cli/commands.h"
#include "hosts/cli/values.h"
#include "platform/platform.h"

namespace {

using namespace zar::cli;

const char* const kRenderFooter =
    R"(Fields are named as the plug-ins name them (zar effects lists each effect's fields,
defaults and values). Directions may be given as Top, Left Top, Left, Left Btm, Bottom,
Right Btm, Right, Right Top; effect modes as Blend, Page, Hole, Gate; mask modes as in,
out, both, contour; colour modes as Default, Custom (case, spaces and dashes do not
matter); colours as #RRGGBB; any field also as a number.

The settings are the effect's defaults, then the parameter file, then each --set in order.
The plug-in runs as when a host repeats the last filter: no dialog, the settings handed
over in its parameter block.

Pictures: PNG (RGB; RGBA as four planes; grey, palette and 16-bit pictures are converted,
with a note), PAM with 3, 4 or 5 planes, PPM and PGM. OUT is PNG or PAM by its extension;
it is written whole or not at all, and never replaces IN, MASK or FILE without --force.

Examples:
  zar render fire photo.png fire.png
  zar render combustion photo.png out.png --set effectMode=Page --set effectDirection="Left Btm"
  zar render cryo photo.png out.png --mask selection.png --set 'rampColors[1]=#00C0FF'
  zar render ice photo.pam out.pam --params frost.pci --set iterations=60)";

const char* const kParamsFooter =
    R"(Parameter files are those of the dialogs' Save and Load buttons: .pcb (Combustion),
.pci (Ice), .pcn (Candle) and .pfr (Fire and Cryo, which share them).

Examples:
  zar params save fire blaze --set oxygen=40 --set flameDirection=Left   (writes blaze.pfr)
  zar params show blaze.pfr
  zar render fire photo.png out.png --params blaze.pfr)";

const char* const kMainFooter =
    R"(Exit status: 0 done; 1 not done (the reason on one line, nothing written); 2 the command
line could not be read. The plug-in modules (ZarFire.so...) are looked for beside zar,
then in ../lib/zar; the environment variable ZAR_PLUGIN_DIR names another directory.

Run zar COMMAND --help for each command.)";

// A signal that ends zar while it writes an output takes the half-written temporary file with
// it; then zar ends as the signal would have ended it.
void EndOnSignal(int signal) {
  zar::platform::RemovePendingTemporary();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
  // SIGXFSZ too: a file-size limit met in the middle of a write ends zar the same way. A signal
  // zar was started with ignored stays ignored.
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
      std::signal(signal, EndOnSignal);
  }
  CLI::App app{"zar: the ZAR effects (" + EffectNames() +
               ") on pictures, through the plug-in modules; their parameter files."};
  app.name("zar");
  app.set_version_flag("--version", "zar 1.0");
  app.require_subcommand(1);
  app.footer(kMainFooter);

  RenderArgs render;
  CLI::App* renderCommand = app.add_subcommand("render", "Render an effect on a picture");
  renderCommand->add_option("EFFECT", render.effect, "combustion, ice, candle, fire or cryo")
      ->required()
      ->type_name("");
  renderCommand->add_option("IN", render.in, "the picture (PNG, PAM, PPM or PGM)")
      ->required()
      ->type_name("");
  renderCommand->add_option("OUT", render.out, "the result (.png or .pam)")
      ->required()
      ->type_name("");
  renderCommand->add_option("-p,--params", render.params, "start from this parameter file")
      ->type_name("FILE");
  renderCommand->add_option("-s,--set", render.settings, "set a field (repeat for more fields)")
      ->type_name("FIELD=VALUE")
      ->allow_extra_args(false);
  renderCommand
      ->add_option("-m,--mask", render.mask,
                   "the selection: a grey PNG or PGM, 255 selected, 0 not")
      ->type_name("MASK");
  renderCommand->add_flag("-f,--force", render.force, "let OUT replace an input file");
  renderCommand->footer(kRenderFooter);

  CLI::App* paramsCommand = app.add_subcommand("params", "Show or write a parameter file");
  paramsCommand->require_subcommand(1);
  paramsCommand->footer(kParamsFooter);
  std::string showPath;
  CLI::App* showCommand =
      paramsCommand->add_subcommand("show", "Print every field of a parameter file");
  showCommand->add_option("FILE", showPath, "a .pcb, .pci, .pcn or .pfr file")
      ->required()
      ->type_name("");
  SaveArgs save;
  CLI::App* saveCommand = paramsCommand->add_subcommand(
      "save", "Write a parameter file: the effect's defaults, changed by --params and --set");
  saveCommand->add_option("EFFECT", save.effect, "combustion, ice, candle, fire or cryo")
      ->required()
      ->type_name("");
  saveCommand
      ->add_option("FILE", save.file,
                   "where to write (the extension added as the dialogs' Save adds it)")
      ->required()
      ->type_name("");
  saveCommand->add_option("-p,--params", save.params, "start from this parameter file")
      ->type_name("FROM");
  saveCommand->add_option("-s,--set", save.settings, "set a field (repeat for more fields)")
      ->type_name("FIELD=VALUE")
      ->allow_extra_args(false);
  saveCommand->add_flag("-f,--force", save.force,
                        "let FILE replace the file given to --params, or a file that is not "
                        "a parameter file of the effect");
  saveCommand->footer("Field names and values as for zar render (zar render --help).");

  std::string effectsOf;
  CLI::App* effectsCommand =
      app.add_subcommand("effects", "List the effects with their fields, defaults and values");
  effectsCommand->add_option("EFFECT", effectsOf, "only this effect")->type_name("");

  SheetArgs sheet;
  CLI::App* sheetCommand =
      app.add_subcommand("sheet", "Put pictures side by side on one labelled contact sheet");
  sheetCommand->add_option("OUT", sheet.out, "the sheet (.png or .pam)")->required()->type_name("");
  sheetCommand->add_option("PICTURES", sheet.pictures, "the pictures, in order")
      ->required()
      ->type_name("");
  sheetCommand
      ->add_option("-l,--label", sheet.labels,
                   "the next picture's label (repeat; the file name without extension otherwise)")
      ->type_name("TEXT")
      ->allow_extra_args(false);
  sheetCommand->add_option("-c,--columns", sheet.columns, "pictures per row (all in one row: 0)")
      ->type_name("N")
      ->check(CLI::NonNegativeNumber);
  sheetCommand->add_flag("-f,--force", sheet.force, "let OUT replace one of the pictures");
  sheetCommand->footer(
      "Example:\n  zar sheet sheet.png photo.png fire.png --label Original --label Fire");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    if (app.get_subcommands().empty() && argc > 1 && argv[1][0] != '-') {
      std::fprintf(stderr,
                   "zar: error: unknown command \"%s\" (render, params, effects, sheet; zar --help "
                   "for usage)\n",
                   argv[1]);
      return 2;
    }
    // Point at the help of the command that was being read.
    std::string command = "zar";
    for (const CLI::App* at = &app; !at->get_subcommands().empty();) {
      at = at->get_subcommands().front();
      command += " " + at->get_name();
    }
    std::fprintf(stderr, "zar: error: %s (%s --help for usage)\n", e.what(), command.c_str());
    return 2;
  }

  // Whatever fails on the way is one line and status 1, running out of memory included.
  try {
    if (renderCommand->parsed()) return Render(render);
    if (showCommand->parsed()) return ShowParams(showPath);
    if (saveCommand->parsed()) return SaveParams(save);
    if (effectsCommand->parsed()) return ListEffects(effectsOf);
    if (sheetCommand->parsed()) return MakeSheet(sheet);
  } catch (const std::bad_alloc&) {
    return Error("out of memory; nothing written");
  } catch (const std::exception& e) {
    return Error(std::string(e.what()) + "; nothing written");
  }
  return 2;
}
