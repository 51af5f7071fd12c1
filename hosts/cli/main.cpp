// zar: the command-line host of the ZAR filters. It renders the five effects on pictures through
// the plug-in modules themselves, loaded and driven as an image editor drives a filter plug-in,
// and reads and writes the plug-ins' parameter files.
#include <CLI/CLI.hpp>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "hosts/cli/animate.h"
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

Pictures: JPEG, PNG, TIFF, WebP, GIF, HEIF, AVIF and JPEG XL (through libvips), PAM with 3,
4 or 5 planes, PPM and PGM. They reach the effect as 8-bit RGB, or RGBA with their
transparency as the fourth plane: turned upright as the camera recorded, CMYK and other
colour spaces converted to sRGB, grey widened and 16 bits reduced to 8, each with a note;
the samples otherwise as stored. OUT's format is its extension's (or --format's); its colour
profile and camera metadata are the input's. OUT is written whole or not at all, and never
replaces IN, MASK or FILE without --force. "-" reads standard input or writes standard
output. Several pictures with -o DIR or --suffix TEXT: each failure is one line, the last
line counts them, and the exit status is 1 if any failed.

Examples:
  zar render fire photo.jpg fire.jpg --quality 92
  zar render ice *.jpg -o iced/ -j 4
  cat photo.png | zar render candle - - --format webp > candle.webp
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

// A whole number from `low` to `high`, its error a sentence (CLI11's own shows the limits of a
// double to 309 digits).
CLI::Validator WholeNumber(int low, int high) {
  return CLI::Validator(
      [low, high](std::string& text) -> std::string {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text.c_str(), &end, 10);
        const std::string range =
            high == INT32_MAX ? "from " + std::to_string(low) + " up"
                              : "from " + std::to_string(low) + " to " + std::to_string(high);
        if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
          return "takes a whole number " + range + ", not \"" + text + "\"";
        return {};
      },
      "");
}

// The effect a command runs, its first argument.
void AddEffectArgument(CLI::App* command, std::string& effect) {
  command->add_option("EFFECT", effect, "combustion, ice, candle, fire or cryo")
      ->required()
      ->type_name("");
}

// EFFECT, then IN and OUT (or a batch's pictures).
void AddRunArguments(CLI::App* command, std::string& effect, std::vector<std::string>& files,
                     const char* filesHelp) {
  AddEffectArgument(command, effect);
  command->add_option("IN OUT", files, filesHelp)->required()->type_name("");
}

// -p and -s: a run's settings start from a parameter file and change field by field. Each -s
// takes one value, so that IN and OUT may follow it.
void AddSettingsOptions(CLI::App* command, std::string& params, std::vector<std::string>& settings,
                        const char* paramsName) {
  command->add_option("-p,--params", params, "start from this parameter file")
      ->type_name(paramsName);
  command->add_option("-s,--set", settings, "set a field (repeat for more fields)")
      ->type_name("FIELD=VALUE")
      ->allow_extra_args(false);
}

// -o, --suffix, -j and --format: where a batch's results go, how many pictures are done at once,
// and the results' format.
void AddBatchOptions(CLI::App* command, BatchOptions& batch, std::string& format,
                     const char* outDirHelp, const char* suffixHelp, const char* formatHelp) {
  command->add_option("-o,--output-dir", batch.outDir, outDirHelp)->type_name("DIR");
  command->add_option("--suffix", batch.suffix, suffixHelp)->type_name("TEXT");
  command->add_option("-j,--jobs", batch.jobs, "a batch: pictures at once (default: cores)")
      ->type_name("N")
      ->check(WholeNumber(1, 1024));
  command->add_option("--format", format, formatHelp)->type_name("NAME");
}

void AddProgressOptions(CLI::App* command, BatchOptions& batch) {
  command->add_flag("--quiet", batch.quiet, "no progress bar");
  command->add_flag("--progress", batch.progress,
                    "a progress bar even when stderr is not a terminal");
}

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
  AddRunArguments(renderCommand, render.effect, render.files,
                  "the picture and the result (\"-\": standard input and output); with -o or "
                  "--suffix, any number of pictures");
  AddSettingsOptions(renderCommand, render.params, render.settings, "FILE");
  renderCommand
      ->add_option("-m,--mask", render.mask,
                   "the selection: a grey picture of IN's size, 255 selected, 0 not")
      ->type_name("MASK");
  renderCommand->add_flag("-f,--force", render.force, "let OUT replace an input file");
  AddBatchOptions(renderCommand, render, render.format, "a batch: write the results here",
                  "a batch: each result beside its picture, named with this before the extension",
                  "the output's format when it is \"-\" or in a batch (png, jpg, tif, webp, gif, "
                  "heic, avif, jxl, pam)");
  renderCommand
      ->add_option("-q,--quality", render.quality, "JPEG, WebP, HEIF, AVIF, JPEG XL: 1 to 100")
      ->type_name("N")
      ->check(WholeNumber(1, 100));
  renderCommand->add_option("--compression", render.compression, "PNG: 0 (none) to 9 (smallest)")
      ->type_name("N")
      ->check(WholeNumber(0, 9));
  AddProgressOptions(renderCommand, render);
  renderCommand->add_flag("-v,--verbose", render.verbose,
                          "say what was read, converted and written");
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
  AddEffectArgument(saveCommand, save.effect);
  saveCommand
      ->add_option("FILE", save.file,
                   "where to write (the extension added as the dialogs' Save adds it)")
      ->required()
      ->type_name("");
  AddSettingsOptions(saveCommand, save.params, save.settings, "FROM");
  saveCommand->add_flag("-f,--force", save.force,
                        "let FILE replace the file given to --params, or a file that is not "
                        "a parameter file of the effect");
  saveCommand->footer("Field names and values as for zar render (zar render --help).");

  std::string effectsOf;
  CLI::App* effectsCommand =
      app.add_subcommand("effects", "List the effects with their fields, defaults and values");
  effectsCommand->add_option("EFFECT", effectsOf, "only this effect")->type_name("");

  AnimateArgs animate;
  CLI::App* animateCommand =
      app.add_subcommand("animate", "Make a moving picture: the live preview, or a sweep");
  AddRunArguments(animateCommand, animate.effect, animate.files,
                  "the picture and the animation: an animated .webp or .gif, or PNG frames (a "
                  "directory or out/frame-%04d.png); with -o or --suffix, any number of pictures");
  animateCommand->add_option("-n,--frames", animate.frames, "how many frames (default 24)")
      ->check(WholeNumber(1, 1000))->type_name("N");
  animateCommand->add_option("--fps", animate.fps, "frames a second (default 20)")
      ->type_name("F");
  animateCommand->add_option("--size", animate.size, "resize the picture to WxH first")
      ->type_name("WxH");
  animateCommand->add_option("--scale", animate.scale, "resize the picture by this factor first")
      ->type_name("S");
  AddSettingsOptions(animateCommand, animate.params, animate.settings, "FILE");
  animateCommand
      ->add_option("--sweep", animate.sweep,
                   "each frame a rendering with the field moved from FROM to TO "
                   "(Combustion: phase=0..100 unless given)")
      ->type_name("FIELD=FROM..TO");
  animateCommand->add_flag("--no-loop", animate.noLoop, "play once instead of for ever");
  animateCommand->add_flag("-f,--force", animate.force, "let OUT replace the input picture");
  AddProgressOptions(animateCommand, animate);
  AddBatchOptions(animateCommand, animate, animate.format, "a batch: write the animations here",
                  "a batch: each animation beside its picture, named with this after its name",
                  "a batch: webp (the default), gif, or png (a directory of frames for each "
                  "picture)");
  animateCommand->footer(R"(Ice, Candle, Fire and Cryo: frame k is the preview's k-th tick.
Any effect with --sweep: each frame a final rendering.
A batch (-o DIR or --suffix TEXT) names each animation after its picture: photo.jpg gives
DIR/photo.webp (or .gif, or the directory DIR/photo/ of PNG frames with --format png).
Examples:
  zar animate fire photo.jpg fire.webp --frames 40 --scale 0.5
  zar animate combustion photo.png burn.gif --set effectMode=Page
  zar animate ice photo.png frames/ --sweep radius=10..90
  zar animate candle *.jpg -o anims/ --format gif -j 2)");

  SheetArgs sheet;
  CLI::App* sheetCommand =
      app.add_subcommand("sheet", "Put pictures side by side on one labelled contact sheet");
  sheetCommand->add_option("OUT", sheet.out, "the sheet (its format by its extension)")->required()->type_name("");
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
      ->check(WholeNumber(0, INT32_MAX));
  sheetCommand->add_flag("-f,--force", sheet.force, "let OUT replace one of the pictures");
  sheetCommand->footer(
      "Example:\n  zar sheet sheet.png photo.png fire.png --label Original --label Fire");

  // zar help [COMMAND...] is zar [COMMAND...] --help.
  if (argc > 1 && std::string(argv[1]) == "help") {
    const CLI::App* about = &app;
    for (int i = 2; i < argc; ++i) {
      const CLI::App* next = nullptr;
      for (const CLI::App* sub : about->get_subcommands({}))
        if (sub->get_name() == argv[i]) next = sub;
      if (!next) {
        std::fprintf(stderr,
                     "zar: error: there is no command \"%s\" to explain (zar --help for usage)\n",
                     argv[i]);
        return 2;
      }
      about = next;
    }
    std::printf("%s", about->help().c_str());
    return 0;
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    if (argc == 1) {
      std::fprintf(stderr,
                   "zar: error: a command is needed: render, animate, params, effects or sheet "
                   "(zar --help for usage)\n");
      return 2;
    }
    if (app.get_subcommands().empty() && argv[1][0] == '-') {
      std::fprintf(stderr, "zar: error: %s is not an option of zar (zar --help for usage)\n",
                   argv[1]);
      return 2;
    }
    if (app.get_subcommands().empty() && argc > 1 && argv[1][0] != '-') {
      std::fprintf(stderr,
                   "zar: error: unknown command \"%s\" (render, animate, params, effects, sheet; "
                   "zar --help for usage)\n",
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
    if (renderCommand->parsed()) {
      if (!render.outDir.empty() || !render.suffix.empty()) return RenderBatch(render);
      if (render.files.size() != 2) {
        std::fprintf(stderr, "zar: error: %s (zar render --help for usage)\n",
                     render.files.size() < 2
                         ? "OUT is required: where to write the result"
                         : "zar render takes one picture and OUT; several pictures need -o DIR or "
                           "--suffix TEXT");
        return 2;
      }
      render.in = render.files[0];
      render.out = render.files[1];
      return Render(render);
    }
    if (showCommand->parsed()) return ShowParams(showPath);
    if (saveCommand->parsed()) return SaveParams(save);
    if (effectsCommand->parsed()) return ListEffects(effectsOf);
    if (sheetCommand->parsed()) return MakeSheet(sheet);
    if (animateCommand->parsed()) {
      if (!animate.outDir.empty() || !animate.suffix.empty()) return AnimateBatch(animate);
      if (animate.files.size() != 2 || !animate.format.empty()) {
        std::fprintf(stderr, "zar: error: %s (zar animate --help for usage)\n",
                     animate.files.size() < 2 ? "OUT is required: where to write the animation"
                     : animate.files.size() > 2
                         ? "zar animate takes one picture and OUT; several pictures need -o DIR "
                           "or --suffix TEXT"
                         : "--format is for a batch; OUT's extension names the format");
        return 2;
      }
      animate.in = animate.files[0];
      animate.out = animate.files[1];
      return Animate(animate);
    }
  } catch (const std::bad_alloc&) {
    Error("out of memory; nothing written");
    // Nothing is left to write or remove, and the normal exit would run libvips' shutdown, whose
    // GLib allocations abort the process (with a second message) when memory is still short.
    std::fflush(nullptr);
    _exit(1);
  } catch (const std::exception& e) {
    return Error(std::string(e.what()) + "; nothing written");
  }
  return 2;
}
