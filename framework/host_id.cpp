#include "framework/host_id.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "framework/handles.h"
#include "platform/platform.h"

namespace zar {

namespace {

struct HostName {
  const char* name;
  OSType signature;
};

constexpr HostName kHostNames[] = {
    {"CorelDrw", FourCC("Cdrw")},
    {"PhotoPnt", FourCC("Mprn")},
    {"DeBabelizer Pro", FourCC("BABL")},
    {"Adobe After Effects", FourCC("FXTC")},
    {"Adobe Illustrator", FourCC("ART5")},
    {"PM5", FourCC("ALD5")},
    {"PM6", FourCC("ALD6")},
    {"PM65", FourCC("AD65")},
    {"PhotoDeluxe", FourCC("PHUT")},
    {"Photoshp", FourCC("8BIM")},
    {"Adobe Premiere", FourCC("PrMr")},
};

// Each family ends with 0.
constexpr OSType kFamilies[] = {
    FourCC("Cdrw"), 0,
    FourCC("Mprn"), 0,
    FourCC("BABL"), 0,
    FourCC("FXTC"), 0,
    FourCC("ART3"), FourCC("ARTZ"), FourCC("ARTY"), FourCC("ART5"), 0,
    FourCC("ALD5"), FourCC("ALD6"), FourCC("AD65"), 0,
    FourCC("PHUT"), 0,
    FourCC("8BIM"), 0,
    FourCC("PrMr"), 0,
};

// Fixed part of a version resource (VS_FIXEDFILEINFO).
struct FixedFileInfo {
  uint32_t signature, strucVersion, fileVersionMS, fileVersionLS, productVersionMS,
      productVersionLS, fileFlagsMask, fileFlags, fileOS, fileType, fileSubtype, fileDateMS,
      fileDateLS;
};

constexpr size_t kMaxPath = 256;
constexpr size_t kMaxName = 256;

bool StartsWithIgnoringCase(const char* name, const char* text) {
  for (; *text; ++text, ++name) {
    if (!*name) return false;
    if (std::tolower(static_cast<unsigned char>(*text)) !=
        std::tolower(static_cast<unsigned char>(*name)))
      return false;
  }
  return true;
}

}  // namespace

OSType MatchHostName(const char* internalName) {
  if (!internalName || !*internalName) return 0;
  for (const HostName& row : kHostNames)
    if (StartsWithIgnoringCase(row.name, internalName)) return row.signature;
  return 0;
}

const OSType* SignatureFamilyFrom(OSType signature) {
  if (signature == 0) return nullptr;
  for (const OSType& entry : kFamilies)
    if (entry == signature) return &entry;
  return nullptr;
}

void FormatStringFileInfoPrefix(uint32_t key, char* out, size_t outSize) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", key);
  std::snprintf(out, outSize, "\\StringFileInfo\\%s%s\\", std::strlen(hex) < 8 ? "0" : "", hex);
}

bool FindRawInternalName(const uint8_t* data, size_t size, char* out, size_t outSize) {
  static const char kKey[] = "InternalName";
  const size_t keyLength = sizeof kKey - 1;
  if (!data || outSize == 0) return false;
  for (size_t at = 0; at + keyLength <= size; ++at) {
    if (std::memcmp(data + at, kKey, keyLength) != 0) continue;
    size_t start = at + 14;
    if (start + 1 < size && data[start + 1] == 0) start += 2;
    if (start >= size) return false;
    size_t n = 0;
    while (start + n < size && data[start + n] && n + 1 < outSize) {
      out[n] = char(data[start + n]);
      ++n;
    }
    out[n] = '\0';
    return true;
  }
  return false;
}

uint8_t PlatformCodeFromFileOS(uint32_t fileOS) {
  if (fileOS == 1) return 11;
  if (fileOS == 0x00040000) return 10;
  return 12;
}

const VersionSource& PlatformVersionSource() {
  static const VersionSource source{platform::ExecutablePath, platform::VersionInfoSize,
                                    platform::ReadVersionInfo, platform::QueryVersionValue};
  return source;
}

void IdentifyHost(const HandleProcs* procs, HostInfo* info, const VersionSource& source) {
  *info = HostInfo{};
  char path[kMaxPath + 1];
  if (!source.executablePath(path, sizeof path)) return;
  const uint32_t size = source.infoSize(path);
  if (size == 0 || size > 0x7FFFFFFF) return;

  Handle buffer = HostNewHandle(procs, int32(size));
  if (!buffer) return;
  auto* block = reinterpret_cast<uint8_t*>(HostLockHandle(procs, buffer, 0));
  if (block && source.read(path, size, block)) {
    const void* value = nullptr;
    unsigned length = 0;
    if (source.query(block, "\\", &value, &length) && length >= sizeof(FixedFileInfo)) {
      FixedFileInfo fixed;
      std::memcpy(&fixed, value, sizeof fixed);
      info->platform = PlatformCodeFromFileOS(fixed.fileOS);
      info->versionMajor = uint16_t(fixed.fileVersionMS >> 16);
      info->versionMinor = uint16_t(fixed.fileVersionMS);
    }

    uint32_t key = 0x04090000;
    if (source.query(block, "\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
      uint16_t pair[2];
      std::memcpy(pair, value, sizeof pair);
      key = uint32_t(pair[0]) * 65536u + pair[1];
    }
    char query[64];
    FormatStringFileInfoPrefix(key, query, sizeof query);
    std::strncat(query, "InternalName", sizeof query - std::strlen(query) - 1);

    char name[kMaxName];
    if (source.query(block, query, &value, &length) && value) {
      // Copy at most the reported length, always terminated.
      size_t n = 0;
      const char* text = static_cast<const char*>(value);
      while (n < length && n + 1 < sizeof name && text[n]) {
        name[n] = text[n];
        ++n;
      }
      name[n] = '\0';
      info->signature = MatchHostName(name);
    } else if (FindRawInternalName(block, size, name, sizeof name)) {
      info->signature = MatchHostName(name);
    }
  }
  HostUnlockHandle(procs, buffer);
  HostDisposeHandle(procs, buffer);
}

uint32_t HostVersionIfSignature(const HandleProcs* procs, const OSType* list,
                                const VersionSource& source) {
  HostInfo info;
  IdentifyHost(procs, &info, source);
  if (info.signature == 0 || !list) return 0;
  for (; *list; ++list) {
    if (*list == info.signature)
      return (uint32_t(info.versionMajor & 0xFF) << 24) |
             (uint32_t(info.versionMinor & 0xFF) << 16) | info.platform;
  }
  return 0;
}

uint32_t HostIsSignature(const HandleProcs* procs, OSType signature, const VersionSource& source) {
  const OSType* family = SignatureFamilyFrom(signature);
  return family ? HostVersionIfSignature(procs, family, source) : 0;
}

}  // namespace zar
