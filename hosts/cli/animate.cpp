#include "hosts/cli/animate.h"

#include <sys/stat.h>
#include <unistd.h>
#include <vips/vips.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "hosts/cli/batch.h"
#include "hosts/cli/commands.h"
#include "hosts/cli/pictures.h"
#include "hosts/cli/progress.h"
#include "hosts/cli/render.h"
#include "hosts/cli/values.h"
#include "hosts/cli/vips_pictures.h"
#include "platform/platform.h"
#include "interface/native_exports.h"

namespace zar::cli {

namespace {

constexpr int kMaxFrames = 1000;
// All frames are kept until they are written: a bound far above any sharable animation.
constexpr int64_t kMaxFrameBytes = int64_t(1) << 31;

bool Fail(std::string* error, std::string text) {
  *error = std::move(text);
  return false;
}

struct Unref {
  void operator()(VipsImage* image) const {
    if (image) g_object_unref(image);
  }
};
using ImagePtr = std::unique_ptr<VipsImage, Unref>;

std::string VipsReason() {
  std::string text = vips_error_buffer();
  vips_error_clear();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The picture resized to exactly width x height (libvips' thumbnail, forced to that size).
bool Resize(host::Picture* picture, int width, int height, std::string* error) {
  ImagePtr in(ImageOf(*picture, nullptr, error));
  if (!in) return false;
  VipsImage* out = nullptr;
  if (vips_thumbnail_image(in.get(), &out, width, "height", height, "size", VIPS_SIZE_FORCE,
                           nullptr))
    return Fail(error, "cannot resize the picture (" + VipsReason() + ")");
  ImagePtr resized(out);
  size_t length = 0;
  void* data = vips_image_write_to_memory(out, &length);
  if (!data) return Fail(error, "cannot resize the picture (" + VipsReason() + ")");
  host::Picture result(out->Xsize, out->Ysize, out->Bands);
  if (result.pixels.size() == length) std::memcpy(result.pixels.data(), data, length);
  g_free(data);
  if (result.pixels.size() != length || result.planes != picture->planes)
    return Fail(error, "cannot resize the picture (it came back in another layout)");
  *picture = std::move(result);
  return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
  int w = 0, h = 0;
  char x = 0, extra = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X'))
    return false;
  if (w < 1 || h < 1 || w > host::kMaxPictureSide || h > host::kMaxPictureSide) return false;
  *width = w;
  *height = h;
  return true;
}

struct PreviewWatch {
  int count = 0;
  std::function<void(int)> tick;
};

int PreviewTick(void* context, int frame) {
  auto* watch = static_cast<PreviewWatch*>(context);
  if (watch->tick) watch->tick(frame);
  return frame + 1 < watch->count ? 1 : 0;
}

bool WriteBytesTo(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  errno = 0;
  if (!platform::WriteFileReplacing(path.c_str(), bytes.data(), bytes.size()))
    return Fail(error,
                "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : ""));
  return true;
}

// Frames stacked top to bottom, one page each, with the loop count and each frame's delay.
bool WriteAnimated(const std::string& path, PictureFormat format,
                   const std::vector<host::Picture>& frames, double fps, bool loop,
                   std::string* error) {
  const host::Picture& first = frames.front();
  host::Picture stacked(first.width, first.height * int(frames.size()), first.planes);
  const size_t frameBytes = size_t(first.rowBytes) * size_t(first.height);
  for (size_t k = 0; k < frames.size(); ++k)
    for (int y = 0; y < first.height; ++y)
      std::memcpy(stacked.pixels.data() + k * frameBytes + size_t(y) * size_t(stacked.rowBytes),
                  frames[k].Row(y), size_t(first.width) * size_t(first.planes));
  ImagePtr image(ImageOf(stacked, nullptr, error));
  if (!image) return false;
  vips_image_set_int(image.get(), "page-height", first.height);
  // 0 plays for ever; 1 plays once.
  vips_image_set_int(image.get(), "loop", loop ? 0 : 1);
  std::vector<int> delays(frames.size(), int(std::lround(1000.0 / fps)));
  vips_image_set_array_int(image.get(), "delay", delays.data(), int(delays.size()));
  vips_image_set_int(image.get(), "gif-delay", int(std::lround(100.0 / fps)));
  std::vector<uint8_t> bytes;
  if (!SaveImage(image.get(), format, SaveOptions{}, &bytes, error)) return false;
  return WriteBytesTo(path, bytes, error);
}

bool WriteSequence(const std::string& pattern, const std::vector<host::Picture>& frames,
                   std::string* error) {
  std::vector<std::string> written;
  for (size_t k = 0; k < frames.size(); ++k) {
    const std::string file = SequenceFile(pattern, int(k) + 1);
    if (!WritePicture(file, frames[k], PictureFormat::kPng, error)) {
      // Nothing of a sequence that could not be written whole is left behind.
      for (const std::string& done : written) std::remove(done.c_str());
      return false;
    }
    written.push_back(file);
  }
  return true;
}

}  // namespace

int64_t Sweep::ValueAt(int frame, int count) const {
  if (count <= 1) return from;
  return from + int64_t(std::llround(double(to - from) * frame / (count - 1)));
}

bool ParseSweep(const PluginTable& table, const std::string& text, Sweep* sweep, std::string* error) {
  const size_t equals = text.find('=');
  const size_t dots = text.find("..", equals == std::string::npos ? 0 : equals);
  if (equals == std::string::npos || dots == std::string::npos)
    return Fail(error, "--sweep takes FIELD=FROM..TO, not \"" + text + "\"");
  const std::string name = text.substr(0, equals);
  const auto field = FindEffectField(table, name);
  if (!field)
    return Fail(error, "--sweep: " + std::string(table.title) + " has no field \"" + name + "\"");
  auto number = [&](const std::string& part, int64_t* value) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(part.c_str(), &end, 10);
    if (part.empty() || *end != '\0' || errno == ERANGE) return false;
    *value = v;
    return true;
  };
  if (!number(text.substr(equals + 1, dots - equals - 1), &sweep->from) ||
      !number(text.substr(dots + 2), &sweep->to))
    return Fail(error, "--sweep: FROM and TO are whole numbers, not \"" + text + "\"");
  sweep->field = FieldName(*field);
  // Both ends must be values the field takes; everything between then is too.
  for (int64_t end : {sweep->from, sweep->to}) {
    WorkingParameters scratch = table.defaults;
    std::string warning;
    if (!ApplySetting(table, sweep->field + "=" + std::to_string(end), scratch, &warning, error))
      return Fail(error, "--sweep: " + *error);
  }
  return true;
}

bool SequencePattern(const std::string& out, std::string* pattern, std::string* error) {
  struct stat info;
  if (!out.empty() &&
      (out.back() == '/' || (stat(out.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))) {
    *pattern = out + (out.back() == '/' ? "" : "/") + "frame-%04d.png";
    return true;
  }
  // One %d, optionally %0Nd, and no other %.
  const size_t percent = out.find('%');
  size_t i = percent == std::string::npos ? percent : percent + 1;
  if (i != std::string::npos && i < out.size() && out[i] == '0') ++i;
  while (i != std::string::npos && i < out.size() &&
         std::isdigit(static_cast<unsigned char>(out[i])))
    ++i;
  if (percent == std::string::npos || i >= out.size() || out[i] != 'd' ||
      out.find('%', i) != std::string::npos || i - percent > 3)
    return Fail(error,
                "a PNG animation is a numbered sequence: give a directory or a pattern "
                "such as out/frame-%04d.png, not " +
                    out);
  *pattern = out;
  return true;
}

std::string SequenceFile(const std::string& pattern, int frame) {
  char buf[4096];
  std::snprintf(buf, sizeof buf, pattern.c_str(), frame);
  return buf;
}

bool PreviewFrames(const PluginTable& table, const std::string& modulePath,
                   const std::vector<uint8_t>& block, const host::Picture& picture, int count,
                   int areaWidth, int areaHeight, const std::function<void(int)>& tick,
                   std::vector<host::Picture>* frames, std::string* error) {
  std::string why;
  const std::unique_ptr<host::PluginModule> module = host::PluginModule::Load(modulePath, &why);
  if (!module) return Fail(error, "cannot load the plug-in module " + modulePath + ": " + why);
  auto setHook = reinterpret_cast<ZarSetPreviewHookProc>(module->FindExport("ZarSetPreviewHook"));
  if (!setHook) return Fail(error, "the plug-in module " + modulePath + " shows no preview");
  host::Host host(*module, RenderHostOptions());
  frames->clear();
  host.onDisplayPixels = [frames](const PSPixelMap& map, const VRect& rect, int32, int32,
                                  void*) -> OSErr {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int planes = map.colBytes;
    if (width <= 0 || height <= 0 || planes < 1 || planes > 4 || !map.baseAddr) return 0;
    host::Picture frame(width, height, planes);
    for (int y = 0; y < height; ++y)
      std::memcpy(frame.Row(y),
                  static_cast<const uint8_t*>(map.baseAddr) + size_t(y) * map.rowBytes,
                  size_t(width) * size_t(planes));
    frames->push_back(std::move(frame));
    return 0;
  };
  std::vector<uint8_t> withDialog = block;
  // The dialog asked for, as after the parameters selector.
  ParameterBlock(withDialog.data(), table.layout).setShowDialog(1);
  host.SetParameterBlock(withDialog);
  PreviewWatch watch{count, tick};
  setHook(PreviewTick, &watch, areaWidth, areaHeight);
  host::Picture copy = picture;
  host.Filter(copy, nullptr, /*withDialog=*/false);
  setHook(nullptr, nullptr, 0, 0);
  if (int(frames->size()) != count)
    return Fail(error, "the plug-in gave " + std::to_string(frames->size()) + " of " +
                           std::to_string(count) + " preview frames");
  return true;
}

int Animate(const AnimateArgs& args) {
  const PluginTable* table = NamedEffect(args.effect);
  if (!table) return 1;
  std::string error;
  if (args.frames < 1 || args.frames > kMaxFrames)
    return Error("--frames takes 1 to " + std::to_string(kMaxFrames));
  if (!(args.fps > 0 && args.fps <= 100)) return Error("--fps takes a rate above 0, at most 100");
  if (!args.size.empty() && args.scale != 0) return Error("--size and --scale exclude each other");
  int width = 0, height = 0;
  if (!args.size.empty() && !ParseSize(args.size, &width, &height))
    return Error("--size takes WIDTHxHEIGHT (1 to " + std::to_string(host::kMaxPictureSide) +
                 " each), not \"" + args.size + "\"");
  if (args.scale != 0 && !(args.scale > 0 && args.scale <= 16))
    return Error("--scale takes a factor above 0, at most 16");

  WorkingParameters params;
  if (!SettingsForRun(*table, args.params, args.settings, &params)) return 1;

  Sweep sweep;
  std::string sweepText = args.sweep;
  if (sweepText.empty() && !table->dialog.animated) sweepText = "phase=0..100";
  const bool sweeping = !sweepText.empty();
  if (sweeping && !ParseSweep(*table, sweepText, &sweep, &error)) return Error(error);

  PictureFormat format = PictureFormat::kPng;
  std::string pattern;
  if (!OutputFormatFor(args.out, &format, &error) || format == PictureFormat::kPng) {
    if (!SequencePattern(args.out, &pattern, &error)) return Error(error);
    format = PictureFormat::kPng;
  } else if (format != PictureFormat::kWebp && format != PictureFormat::kGif) {
    return Error("an animation is written as .webp, .gif or a PNG sequence, not " + args.out);
  }
  const std::string target = pattern.empty() ? args.out : pattern;
  if (!args.force && !pattern.empty() && SequenceFile(pattern, 1) == args.in)
    return Error(args.in + " would be replaced; it is not without --force");
  if (pattern.empty() && !args.force) {
    struct stat a, b;
    if (stat(args.out.c_str(), &a) == 0 && stat(args.in.c_str(), &b) == 0 && a.st_ino == b.st_ino &&
        a.st_dev == b.st_dev)
      return Error(args.out + " is the input picture " + args.in +
                   "; it is not replaced without --force");
  }
  // A directory made for the frames goes again when the animation fails: a batch of bad
  // pictures leaves no empty directories behind. rmdir takes only an empty one.
  struct MadeDirectory {
    std::string path;
    ~MadeDirectory() {
      if (!path.empty()) rmdir(path.c_str());
    }
  } made;
  {
    // Where the output goes is checked before any frame is made.
    const std::string first = pattern.empty() ? args.out : SequenceFile(pattern, 1);
    const size_t slash = first.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? "." : slash == 0 ? "/" : first.substr(0, slash);
    struct stat info;
    if (!pattern.empty() && stat(dir.c_str(), &info) != 0) {
      if (mkdir(dir.c_str(), 0777) != 0)
        return Error("cannot make the directory " + dir + ": " + std::strerror(errno));
      made.path = dir;
    }
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
      return Error("cannot write " + first + ": no directory " + dir);
    if (stat(first.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
      return Error("cannot write " + first + ": it exists and is not a regular file");
  }

  host::Picture picture;
  std::vector<std::string> notes;
  if (!ReadPicture(args.in, &picture, &notes, &error)) return Error(error);
  for (const std::string& n : notes) Note(n);
  if (picture.planes > 4)
    return Error(args.in + " has " + std::to_string(picture.planes) +
                 " planes; an animation holds at most 4");
  if (args.scale != 0) {
    width = std::max(1, int(std::lround(picture.width * args.scale)));
    height = std::max(1, int(std::lround(picture.height * args.scale)));
  }
  if (width && (width != picture.width || height != picture.height)) {
    if (!FitsOneStrip(width, height, picture.planes))
      return Error("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                   " is more than the host takes");
    if (!Resize(&picture, width, height, &error)) return Error(error);
  }
  if (int64_t(picture.width) * picture.height * picture.planes * args.frames > kMaxFrameBytes)
    return Error(std::to_string(args.frames) + " frames of " + std::to_string(picture.width) +
                 " x " + std::to_string(picture.height) +
                 " are more than zar keeps at once; give fewer frames or a smaller --size");

  std::string modulePath;
  if (!FindModule(*table, &modulePath, &error) || !CheckModuleIdentity(*table, modulePath, &error))
    return Error(error);

  std::vector<host::Picture> frames;
  {
    ProgressBar bar(stderr, table->name,
                    !args.quiet && (args.progress || isatty(fileno(stderr)) != 0));
    bool done = true;
    if (!sweeping) {
      done = PreviewFrames(
          *table, modulePath, ParameterBlockFor(*table, params), picture, args.frames, 0, 0,
          [&bar, &args](int frame) { bar.Update(frame + 1, args.frames); }, &frames, &error);
    } else {
      for (int k = 0; k < args.frames && done; ++k) {
        WorkingParameters at = params;
        std::string warning;
        ApplySetting(*table, sweep.field + "=" + std::to_string(sweep.ValueAt(k, args.frames)), at,
                     &warning, &error);
        host::Picture frame = picture;
        RenderRun run;
        done =
            RunPlugin(modulePath, ParameterBlockFor(*table, at), frame, nullptr, {}, &run, &error);
        if (done && (!run.messages.empty() || run.result != 0)) {
          error = std::string(table->title) + " says \"" +
                  (run.messages.empty() ? "result " + std::to_string(run.result)
                                        : run.messages.front()) +
                  "\" at frame " + std::to_string(k + 1);
          done = false;
        }
        if (done) frames.push_back(std::move(frame));
        bar.Update(k + 1, args.frames);
      }
    }
    bar.Finish(done);
    if (!done) return Error(error + "; nothing written");
  }

  const bool written = pattern.empty()
                           ? WriteAnimated(target, format, frames, args.fps, !args.noLoop, &error)
                           : WriteSequence(pattern, frames, &error);
  if (!written) return Error(error);
  made.path.clear();
  return 0;
}

int AnimateBatch(const AnimateArgs& args) {
  // What is wrong for every picture is said once, not once a picture.
  if (!NamedEffect(args.effect)) return 1;
  std::string ext;
  if (args.format.empty() || args.format == "webp") {
    ext = ".webp";
  } else if (args.format == "gif") {
    ext = ".gif";
  } else if (args.format == "png") {
    ext = "/";  // a directory of frames for each picture
  } else {
    return Error("--format takes webp, gif or png for an animation, not \"" + args.format + "\"");
  }
  return RunBatchOf(
      args, "animated",
      [ext](const std::string&, std::string* out, std::string*) {
        *out = ext;
        return true;
      },
      Animate);
}

}  // namespace zar::cli
