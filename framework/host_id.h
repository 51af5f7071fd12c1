// Identification of the running host application from its executable's version resource.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/host_api.h"

namespace zar {

struct HostInfo {
  OSType signature;   // from the host-name table, 0 when not recognised
  uint8_t platform;   // 11 16-bit Windows, 10 Windows NT, 12 any other, 0 without a fixed part
  uint16_t versionMajor, versionMinor;  // from the fixed part's file version (nobody reads them)
};

// Where the version resource comes from: the platform's calls, or a stand-in in tests.
struct VersionSource {
  bool (*executablePath)(char* buf, size_t bufSize);
  uint32_t (*infoSize)(const char* path);
  bool (*read)(const char* path, uint32_t size, void* buf);
  bool (*query)(const void* block, const char* subBlock, const void** value, unsigned* length);
};
const VersionSource& PlatformVersionSource();

void IdentifyHost(const HandleProcs* procs, HostInfo* info,
                  const VersionSource& source = PlatformVersionSource());

// 0 when the running host's signature is not in `list` (ended by 0); otherwise the platform code
// in the low byte and the host's version numbers above it.
uint32_t HostVersionIfSignature(const HandleProcs* procs, const OSType* list,
                                const VersionSource& source = PlatformVersionSource());
// HostVersionIfSignature with the family list that holds `signature` (0 when in no family).
uint32_t HostIsSignature(const HandleProcs* procs, OSType signature,
                         const VersionSource& source = PlatformVersionSource());

// ---- the pieces, exposed for tests ------------------------------------------------------------

// The signature of the first host-name row that `internalName` matches: equal to the name, or a
// non-empty beginning part of it, without regard to letter case. 0 when none matches.
OSType MatchHostName(const char* internalName);

// The family list (ended by 0) that begins at `signature`, or null when it is in no family.
const OSType* SignatureFamilyFrom(OSType signature);

// "\StringFileInfo\<key>\" for the translation key, written in lower-case hexadecimal with one
// leading 0 when it has fewer than eight digits.
void FormatStringFileInfoPrefix(uint32_t key, char* out, size_t outSize);

// The fallback when the "InternalName" query fails: finds the text "InternalName" in the raw
// version data and copies the string that starts 14 bytes after it (2 bytes further when the
// second byte there is zero) into out. Never reads past the data. False when not found.
bool FindRawInternalName(const uint8_t* data, size_t size, char* out, size_t outSize);

// Platform code from the fixed part's operating-system field.
uint8_t PlatformCodeFromFileOS(uint32_t fileOS);

}  // namespace zar
