#include "tests/cli/harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "hosts/core/host.h"
#include "tests/support/image.h"

extern char** environ;

namespace zar::testing {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = WholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// argv and envp for the child, built before fork.
struct Command {
  std::vector<std::string> args, env;
  std::vector<char*> argv, envp;

  Command(const std::vector<std::string>& arguments, const std::vector<std::string>& extra) {
    args.push_back(ZarPath());
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      vars[entry.substr(0, entry.find('='))] = entry;
    }
    vars.erase("ZAR_PLUGIN_DIR");
    for (const std::string& entry : extra) vars[entry.substr(0, entry.find('='))] = entry;
    for (auto& [name, entry] : vars) env.push_back(entry);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
  }
};

int StatusOf(int wstatus) { return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1; }

}  // namespace

ScratchDir::ScratchDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/zar-cli-test-XXXXXX";
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Restore permissions a test may have taken away, then remove everything.
  for (const auto& entry : fs::recursive_directory_iterator(path_, ec))
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::vector<std::string> ScratchDir::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ZarRun::ErrLines() const {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < err.size()) {
    const size_t end = err.find('\n', at);
    lines.push_back(err.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

std::string ZarPath() { return ZAR_CLI_PATH; }

bool AddressSanitized() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#else
  return false;
#endif
}

void WriteBlankPng(const std::string& path, int width, int height) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    ADD_FAILURE() << "libpng failed on " << path;
    return;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(width), 0);
  for (int y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

ZarRun RunZar(const std::vector<std::string>& args, const std::string& dir,
              const std::vector<std::string>& env, const std::vector<Limit>& limits,
              const std::string& pipeIn) {
  Command command(args, env);
  const std::string outPath = dir + "/.zar-stdout", errPath = dir + "/.zar-stderr";
  ZarRun run;
  const pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    if (!pipeIn.empty()) {
      // A real pipe, fed by a process of its own: nothing to seek, nothing to stat a size from.
      int ends[2];
      if (pipe(ends) != 0) _exit(127);
      if (fork() == 0) {
        close(ends[0]);
        const std::vector<uint8_t> bytes = WholeFile(pipeIn);
        for (size_t at = 0; at < bytes.size();) {
          const ssize_t n = write(ends[1], bytes.data() + at, bytes.size() - at);
          if (n <= 0) break;
          at += size_t(n);
        }
        _exit(0);
      }
      close(ends[1]);
      in = ends[0];
    }
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (const Limit& limit : limits) {
      const rlimit value{rlim_t(limit.value), rlim_t(limit.value)};
      if (setrlimit(limit.resource, &value) != 0) _exit(127);
    }
    execve(command.argv[0], command.argv.data(), command.envp.data());
    _exit(127);
  }
  if (pid < 0) return run;
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  run.status = StatusOf(wstatus);
  if (WIFSIGNALED(wstatus)) run.signal = WTERMSIG(wstatus);
  run.out = ReadText(outPath);
  run.err = ReadText(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return run;
}

ZarRun RunZarOnTerminal(const std::vector<std::string>& args, const std::string& dir) {
  Command command(args, {});
  ZarRun run;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    execve(command.argv[0], command.argv.data(), command.envp.data());
    _exit(127);
  }
  if (pid < 0) return run;
  char buf[4096];
  for (;;) {
    const ssize_t got = read(master, buf, sizeof buf);
    if (got <= 0) break;  // EIO once the child has gone
    run.out.append(buf, size_t(got));
  }
  close(master);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  run.status = StatusOf(wstatus);
  return run;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void WritePng(const std::string& path, const host::Picture& picture) {
  static const png_uint_32 kFormats[] = {0, PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_RGB,
                                         PNG_FORMAT_RGBA};
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(picture.width);
  png.height = png_uint_32(picture.height);
  png.format = kFormats[picture.planes];
  ASSERT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, picture.pixels.data(),
                                      picture.rowBytes, nullptr))
      << png.message;
}

void WritePalettePng(const std::string& path, const host::Picture& picture) {
  ASSERT_EQ(picture.planes, 3);
  std::vector<uint8_t> colours;  // RGB triples
  host::Picture indices(picture.width, picture.height, 1);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.At(x, y);
      size_t k = 0;
      while (k < colours.size() / 3 && std::memcmp(&colours[3 * k], p, 3) != 0) ++k;
      if (k == colours.size() / 3) colours.insert(colours.end(), p, p + 3);
      ASSERT_LT(k, 256u);
      *indices.At(x, y) = uint8_t(k);
    }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(picture.width);
  png.height = png_uint_32(picture.height);
  png.format = PNG_FORMAT_RGB_COLORMAP;
  png.colormap_entries = png_uint_32(colours.size() / 3);
  ASSERT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, indices.pixels.data(),
                                      indices.rowBytes, colours.data()))
      << png.message;
}

void WritePng16(const std::string& path, const host::Picture& picture, int extra) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    FAIL() << "libpng failed";
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), 16,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(picture.width) * 6);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const int v = std::min(picture.At(x, y)[c] * 257 + extra, 65535);
        row[size_t(x) * 6 + 2 * c] = uint8_t(v >> 8);  // big-endian samples
        row[size_t(x) * 6 + 2 * c + 1] = uint8_t(v);
      }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

host::Picture ReadPng(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
  // Only what zar writes: 8-bit RGB or RGBA, read as stored.
  if (png.format != PNG_FORMAT_RGB && png.format != PNG_FORMAT_RGBA) {
    png_image_free(&png);
    return {};
  }
  host::Picture picture(int(png.width), int(png.height), png.format == PNG_FORMAT_RGBA ? 4 : 3);
  if (!png_image_finish_read(&png, nullptr, picture.pixels.data(), picture.rowBytes, nullptr))
    return {};
  return picture;
}

host::Picture ReadPam(const std::string& path) {
  host::Picture picture;
  std::string error;
  EXPECT_TRUE(host::ReadPnmFile(path, &picture, &error)) << path << ": " << error;
  return picture;
}

void WritePam(const std::string& path, const host::Picture& picture) {
  std::string error;
  ASSERT_TRUE(host::WritePamFile(path, picture, &error)) << error;
}

host::Picture Photo(int planes) {
  const Image photo = SamplePhoto();
  host::Picture picture(photo.width, photo.height, planes);
  for (int y = 0; y < photo.height; ++y)
    for (int x = 0; x < photo.width; ++x)
      for (int c = 0; c < planes; ++c)
        picture.At(x, y)[c] = c < 3 ? photo.At(x, y)[c] : uint8_t(x * 255 / photo.width + 40 * c);
  return picture;
}

host::Picture Ellipse(int width, int height) {
  const Image ellipse = EllipseMask(width, height);
  host::Picture mask(width, height, 1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) *mask.At(x, y) = *ellipse.At(x, y);
  return mask;
}

bool SamePixels(const host::Picture& a, const host::Picture& b) {
  if (a.empty() || a.width != b.width || a.height != b.height || a.planes != b.planes) return false;
  for (int y = 0; y < a.height; ++y)
    if (!std::equal(a.Row(y), a.Row(y) + a.width * a.planes, b.Row(y))) return false;
  return true;
}

std::string ModulePath(const PluginTable& table) {
  static const std::map<std::string, std::string> kFiles = {{"combustion", "ZarCombustion"},
                                                            {"ice", "ZarIce"},
                                                            {"candle", "ZarCandle"},
                                                            {"fire", "ZarFire"},
                                                            {"cryo", "ZarCryo"}};
  return std::string(ZAR_MODULE_DIR) + "/" + kFiles.at(table.name) + ".so";
}

host::Picture DirectRun(const PluginTable& table, const WorkingParameters& params,
                        host::Picture picture, const host::Picture* mask) {
  std::string error;
  const auto module = host::PluginModule::Load(ModulePath(table), &error);
  EXPECT_TRUE(module) << error;
  if (!module) return {};
  std::vector<uint8_t> bytes(table.layout.size, 0);
  ParameterBlock block(bytes.data(), table.layout);
  block.StoreFrom(params);
  block.setRowsPerStrip(1);
  block.setDisposition(kDispositionDefault);
  host::Host host(*module);
  host.SetParameterBlock(bytes);
  EXPECT_EQ(host.Filter(picture, mask, /*withDialog=*/false), 0) << host.LogText();
  EXPECT_TRUE(host.Messages().empty()) << host.LogText();
  return picture;
}

}  // namespace zar::testing
