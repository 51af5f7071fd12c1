#include "hosts/cli/commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "hosts/cli/pictures.h"
#include "hosts/cli/progress.h"
#include "hosts/cli/render.h"
#include "hosts/cli/sheet.h"
#include "hosts/cli/values.h"
#include "platform/platform.h"
#include "settings/params_file.h"

namespace zar::cli {

namespace {

// Parameter files are a few dozen bytes; nothing past this is looked at.
constexpr size_t kParamsFileReadLimit = 4096;

void Message(const char* kind, const std::string& text) {
  std::fprintf(stderr, "zar: %s: %s\n", kind, text.c_str());
}

// Both paths name one existing file (also through links or another spelling).
bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string Directory(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether a file can be written at `path` (its directory exists and it is not a directory
// itself); the reason when not.
bool Writable(const std::string& path, std::string* error) {
  struct stat info;
  const std::string dir = Directory(path);
  if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = "cannot write " + path + ": no directory " + dir;
    return false;
  }
  if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    *error = "cannot write " + path + ": it exists and is not a regular file";
    return false;
  }
  return true;
}

// Refuses an output that would replace one of the inputs, unless forced.
struct Input {
  const char* what;
  std::string path;
};
bool Protects(const std::string& out, const std::vector<Input>& inputs, bool force,
              std::string* error) {
  if (force) return true;
  for (const Input& input : inputs) {
    if (SameFile(out, input.path)) {
      *error =
          out + " is the " + input.what + " " + input.path + "; it is not replaced without --force";
      return false;
    }
  }
  return true;
}

std::string ResultText(int16_t result) {
  switch (result) {
    case -108: return "out of memory";
    case -128: return "cancelled";
    case -30100: return "bad parameters";
    default: return "error";
  }
}

std::string Stem(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

}  // namespace

namespace {
std::string gSubject;
}  // namespace

void SetErrorSubject(const std::string& subject) { gSubject = subject; }

int Error(const std::string& text) {
  // In a batch each failure names its picture.
  if (!gSubject.empty() && text.find(gSubject) == std::string::npos)
    Message("error", gSubject + ": " + text);
  else
    Message("error", text);
  return 1;
}
void Warning(const std::string& text) { Message("warning", text); }
void Note(const std::string& text) { Message("note", text); }

const PluginTable* NamedEffect(const std::string& name) {
  const PluginTable* table = FindEffect(name);
  if (!table) Error("unknown effect \"" + name + "\" (one of " + EffectNames() + ")");
  return table;
}

bool SettingsForRun(const PluginTable& table, const std::string& paramsPath,
                    const std::vector<std::string>& settings, WorkingParameters* params) {
  std::string error;
  std::vector<std::string> warnings;
  if (!BuildParameters(table, paramsPath, settings, params, &warnings, &error)) {
    Error(error);
    return false;
  }
  for (const std::string& w : warnings) Warning(w);
  return true;
}

int Render(const RenderArgs& args) {
  const PluginTable* table = NamedEffect(args.effect);
  WorkingParameters params;
  if (!table || !SettingsForRun(*table, args.params, args.settings, &params)) return 1;

  std::string error;
  PictureFormat format;
  const bool toStdout = args.out == "-";
  if (!args.format.empty()) {
    if (!FormatNamed(args.format, &format, &error)) return Error(error);
  } else if (toStdout) {
    return Error("standard output needs --format (png, jpg, tif, webp...)");
  } else if (!OutputFormatFor(args.out, &format, &error)) {
    return Error(error);
  }
  if (!toStdout &&
      (!Protects(args.out,
                 {{"input picture", args.in}, {"mask", args.mask}, {"parameter file", args.params}},
                 args.force, &error) ||
       !Writable(args.out, &error)))
    return Error(error);

  // One bar for the whole job: reading to 10 %, the plug-in's run to 90 %, writing to the end.
  // Notes wait until the bar's line is ended.
  ProgressBar bar(stderr, table->name,
                  !args.quiet && (args.progress || isatty(fileno(stderr)) != 0));
  constexpr int32_t kBarSteps = 1000;
  bar.Update(0, kBarSteps);
  std::vector<std::string> notes;
  auto fail = [&](const std::string& why) {
    bar.Finish();
    for (const std::string& n : notes) Note(n);
    return Error(why);
  };

  host::Picture picture;
  PictureInfo info;
  if (!ReadPicture(args.in, &picture, &notes, &error, &info)) return fail(error);
  if (args.verbose)
    notes.insert(notes.begin(), args.in + ": read " + std::to_string(picture.width) + " x " +
                                    std::to_string(picture.height) + ", " +
                                    std::to_string(picture.planes) + " planes");
  host::Picture mask;
  if (!args.mask.empty()) {
    if (!ReadMask(args.mask, picture.width, picture.height, &mask, &notes, &error))
      return fail(error);
  }
  bar.Update(kBarSteps / 10, kBarSteps);
  if (format != PictureFormat::kPam && picture.planes > 4)
    return fail(args.in + " has " + std::to_string(picture.planes) + " planes; " +
                FormatArticle(format) + " file holds at most 4 (write a .pam)");
  if (picture.planes == 4 && format == PictureFormat::kJpeg)
    notes.push_back(args.out + ": a JPEG file holds no transparency; the fourth plane is left out");

  std::string modulePath;
  if (!FindModule(*table, &modulePath, &error) ||
      !CheckModuleIdentity(*table, modulePath, &error))
    return fail(error);

  RenderRun run;
  // Combustion counts what is left; the bar shows the work done for every effect.
  const bool countsDown = table == &kCombustionTable;
  const bool loaded = RunPlugin(
      modulePath, ParameterBlockFor(*table, params), picture, args.mask.empty() ? nullptr : &mask,
      [&bar, countsDown](int32_t done, int32_t total) {
        if (total <= 0) return;
        const int64_t shown = std::clamp<int64_t>(countsDown ? total - done : done, 0, total);
        bar.Update(int32_t(kBarSteps / 10 + shown * (kBarSteps * 8 / 10) / total), kBarSteps);
      },
      &run, &error);
  if (!loaded) return fail(error);
  // Without the dialog a plug-in shows a message box only when it refuses the picture.
  if (!run.messages.empty())
    return fail(std::string(table->title) + " says \"" + run.messages.front() +
                "\"; nothing written");
  if (run.result != 0) {
    std::string text = std::string(table->title) + " failed with result " +
                       std::to_string(run.result) + " (" + ResultText(run.result) + ")";
    if (!run.notes.empty()) text += ": " + run.notes.front();
    return fail(text + "; nothing written");
  }
  bar.Update(kBarSteps * 9 / 10, kBarSteps);
  SaveOptions options;
  options.quality = args.quality;
  options.compression = args.compression;
  options.info = &info;
  if (!WritePicture(args.out, picture, format, &error, options)) return fail(error);
  bar.Finish(true);
  for (const std::string& n : notes) Note(n);
  if (args.verbose) Note("wrote " + (toStdout ? std::string("standard output") : args.out));
  return 0;
}

int ShowParams(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!platform::ReadFileBytes(path.c_str(), kParamsFileReadLimit, bytes))
    return Error("cannot read " + path + ": " + UnreadableReason(path));
  // Fire and Cryo share their files; Fire's table stands for both.
  for (const PluginTable* table : {&kCombustionTable, &kIceTable, &kCandleTable, &kFireTable}) {
    WorkingParameters values{};
    const ParamsFileLoad load = DecodeParamsFile(table->file, bytes.data(), bytes.size(), values);
    if (!load.headerMatches) continue;
    const std::string who = table == &kFireTable ? "ZAR Fire and ZAR Cryo" : table->title;
    std::printf("%s: %s parameter file (header \"%s\", %zu bytes)\n", path.c_str(), who.c_str(),
                table->file.header, bytes.size());
    for (int i = 0; i < table->file.fieldCount; ++i) {
      const Field field = table->file.fields[i];
      std::string line = "  " + Padded(FieldName(field), 16);
      if (i < load.fieldsLoaded) {
        const uint32_t value = GetField(values, field);
        line += FormatFieldValue(field, value);
        const std::string note = RangeNote(field, value);
        if (!note.empty()) line += "  [" + note + "]";
      } else {
        line += "(missing: the file ends before it)";
      }
      std::printf("%s\n", line.c_str());
    }
    if (!load.complete())
      Warning(path + " ends after " + std::to_string(load.fieldsLoaded) + " of " +
              std::to_string(load.fieldCount) + " fields");
    else if (bytes.size() > ParamsFileSize(table->file))
      Warning(path + ": " + std::to_string(bytes.size() - ParamsFileSize(table->file)) +
              " bytes after the last field are not part of the settings");
    return 0;
  }
  return Error(path + " is not a ZAR parameter file");
}

int SaveParams(const SaveArgs& args) {
  const PluginTable* table = NamedEffect(args.effect);
  WorkingParameters params;
  if (!table || !SettingsForRun(*table, args.params, args.settings, &params)) return 1;

  std::string error;
  // The name the plug-ins' Save button would give the file.
  const std::string path = ParamsFileName(table->file, args.file);
  if (!Protects(path, {{"parameter file read", args.params}}, args.force, &error) ||
      !Writable(path, &error))
    return Error(error);
  // A name with an extension keeps it: `photo.png` must not turn a picture into settings.
  struct stat info;
  if (!args.force && stat(path.c_str(), &info) == 0) {
    std::vector<uint8_t> bytes;
    WorkingParameters ignored{};
    if (!platform::ReadFileBytes(path.c_str(), kParamsFileReadLimit, bytes) ||
        !DecodeParamsFile(table->file, bytes.data(), bytes.size(), ignored).headerMatches)
      return Error(path + " exists and is not a " + table->title +
                   " parameter file; it is not replaced without --force");
  }
  if (SaveParamsFile(table->file, path, params) != ParamsFileStatus::kOk)
    return Error("cannot write " + path);
  if (path != args.file) Note("saved as " + path);
  return 0;
}

int ListEffects(const std::string& effect) {
  const PluginTable* only = nullptr;
  if (!effect.empty()) {
    only = NamedEffect(effect);
    if (!only) return 1;
  }
  bool first = true;
  for (const PluginTable* table : Effects()) {
    if (only && table != only) continue;
    if (!first) std::printf("\n");
    first = false;
    std::printf("%s: %s, parameter files %s (header \"%s\"), module %s\n", table->name, table->title,
                table->file.extension, table->file.header, ModuleFileName(*table).c_str());
    std::printf("  %s%s%s%s\n", Padded("field", 16).c_str(), Padded("default", 14).c_str(),
                Padded("control in the dialogs", 28).c_str(), "values");
    for (Field field : EffectFields(*table)) {
      std::printf("  %s%s%s%s\n", Padded(FieldName(field), 16).c_str(),
                  Padded(FormatFieldValue(field, GetField(table->defaults, field)), 14).c_str(),
                  Padded(TraitsOf(field).label, 28).c_str(), DescribeValues(field).c_str());
    }
  }
  return 0;
}

int MakeSheet(const SheetArgs& args) {
  std::string error;
  PictureFormat format;
  if (!OutputFormatFor(args.out, &format, &error)) return Error(error);
  if (args.labels.size() > args.pictures.size())
    return Error("more labels (" + std::to_string(args.labels.size()) + ") than pictures (" +
                 std::to_string(args.pictures.size()) + ")");
  std::vector<Input> inputs;
  for (const std::string& p : args.pictures) inputs.push_back({"picture", p});
  if (!Protects(args.out, inputs, args.force, &error) || !Writable(args.out, &error))
    return Error(error);
  std::vector<host::Picture> pictures(args.pictures.size());
  std::vector<SheetEntry> entries;
  for (size_t i = 0; i < args.pictures.size(); ++i) {
    std::vector<std::string> notes;
    if (!ReadPicture(args.pictures[i], &pictures[i], &notes, &error)) return Error(error);
    for (const std::string& n : notes) Note(n);
    entries.push_back(
        {&pictures[i], i < args.labels.size() ? args.labels[i] : Stem(args.pictures[i])});
  }
  host::Picture sheet;
  if (!ContactSheet(entries, args.columns, &sheet, &error)) return Error(error);
  if (!WritePicture(args.out, sheet, format, &error)) return Error(error);
  return 0;
}

}  // namespace zar::cli
