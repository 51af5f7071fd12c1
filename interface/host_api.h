// Our own declarations of the filter plug-in host interface (version 4.0): the records the host
// hands us, the callbacks we call, the selectors and the result codes. The layouts must match what
// real 32-bit and 64-bit Windows hosts pass, so every offset the plug-in relies on is pinned below.
//
// On Windows the callbacks use the C calling convention (cdecl on x86, the one x64 convention on
// x64). The native Linux build uses the same declarations with the platform's natural layout; only
// our own host calls those modules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/four_cc.h"

namespace zar {

using int16 = int16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using Boolean = unsigned char;  // one byte; only the low byte of a returned Boolean is meaningful
using Fixed = int32_t;          // 16.16 fixed point
using OSType = uint32_t;        // four-character code, first character in the most significant byte
using OSErr = int16_t;
using Ptr = char*;
using Handle = char**;

#if defined(_WIN32) && !defined(_WIN64)
#define ZAR_CDECL __cdecl
#else
#define ZAR_CDECL
#endif

// ---- selectors and result codes ------------------------------------------------------------

enum Selector : int16 {
  kSelectorAbout = 0,
  kSelectorParameters = 1,
  kSelectorPrepare = 2,
  kSelectorStart = 3,
  kSelectorContinue = 4,
  kSelectorFinish = 5,
};

constexpr int16 kNoErr = 0;
constexpr int16 kMemFullErr = -108;    // out of memory
constexpr int16 kNilHandleErr = -109;  // a handle argument was empty
constexpr int16 kUserCanceledErr = -128;
constexpr int16 kFilterBadParameters = -30100;

constexpr int16 kImageModeRGB = 3;

// ---- basic records -------------------------------------------------------------------------

struct Point16 {
  int16 v, h;
};

struct Rect16 {
  int16 top, left, bottom, right;
};

struct VRect {
  int32 top, left, bottom, right;
};

struct RGBColor16 {
  uint16_t red, green, blue;
};

struct PlugInMonitor {
  Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

struct PlatformData {
  intptr_t hwnd;  // the host's main window
};

// ---- callbacks -----------------------------------------------------------------------------

using TestAbortProc = Boolean(ZAR_CDECL*)();
using ProgressProc = void(ZAR_CDECL*)(int32 done, int32 total);
using AdvanceStateProc = OSErr(ZAR_CDECL*)();

struct PSPixelMask;
struct PSPixelMap;
using DisplayPixelsProc = OSErr(ZAR_CDECL*)(const PSPixelMap* source, const VRect* srcRect,
                                            int32 dstRow, int32 dstCol, void* platformContext);

using NewPIHandleProc = Handle(ZAR_CDECL*)(int32 size);
using DisposePIHandleProc = void(ZAR_CDECL*)(Handle h);
using GetPIHandleSizeProc = int32(ZAR_CDECL*)(Handle h);
using SetPIHandleSizeProc = OSErr(ZAR_CDECL*)(Handle h, int32 newSize);
using LockPIHandleProc = Ptr(ZAR_CDECL*)(Handle h, Boolean moveHigh);
using UnlockPIHandleProc = void(ZAR_CDECL*)(Handle h);
using RecoverSpaceProc = void(ZAR_CDECL*)(int32 size);
using DisposeRegularHandlePIHandleProc = void(ZAR_CDECL*)(Handle h);

using GenericProc = void(ZAR_CDECL*)();  // callbacks we never call: a pointer-sized slot

// Handle suite. Natural alignment on both targets (no packing).
struct HandleProcs {
  int16 handleProcsVersion;
  int16 numHandleProcs;
  NewPIHandleProc newProc;
  DisposePIHandleProc disposeProc;
  GetPIHandleSizeProc getSizeProc;
  SetPIHandleSizeProc setSizeProc;
  LockPIHandleProc lockProc;
  UnlockPIHandleProc unlockProc;
  RecoverSpaceProc recoverSpaceProc;
  DisposeRegularHandlePIHandleProc disposeRegularHandleProc;  // present only when numHandleProcs >= 8
};

constexpr int16 kCurrentHandleProcsVersion = 1;

// Pixel map of version 1 and its mask description, for displayPixels. Natural alignment.
struct PSPixelMask {
  PSPixelMask* next;
  void* maskData;
  int32 rowBytes;
  int32 colBytes;
  int32 maskDescription;  // 0: simple mask, 255 opaque, 0 transparent
};

struct PSPixelMap {
  int32 version;
  VRect bounds;
  int32 imageMode;
  int32 rowBytes;
  int32 colBytes;
  int32 planeBytes;
  void* baseAddr;
  PSPixelMask* mat;
  PSPixelMask* masks;
  int32 maskPhaseRow;
  int32 maskPhaseCol;
};

// The about selector's record: only the platform data is read.
struct AboutRecord {
  void* platformData;  // -> PlatformData
  void* sSPBasic;
  void* plugInRef;
  char reserved[244];
};

// ---- the filter record ---------------------------------------------------------------------
// Windows hosts pack this one record to 4 bytes: on x64 a pointer that follows a 4-byte field is
// not padded to 8. The fields end with the 4.0 interface; hosts pass larger records, of which we
// never read anything past documentInfo. Our own Linux host and modules use the natural layout.

#if defined(_WIN32)
#pragma pack(push, 4)
#endif
struct FilterRecord {
  int32 serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;
  Point16 imageSize;
  int16 planes;
  Rect16 filterRect;
  RGBColor16 background;
  RGBColor16 foreground;
  int32 maxSpace;  // the space limit: granted by the host, then what the plug-in wants
  int32 bufferSpace;
  Rect16 inRect;
  int16 inLoPlane;
  int16 inHiPlane;
  Rect16 outRect;
  int16 outLoPlane;
  int16 outHiPlane;
  void* inData;
  int32 inRowBytes;
  void* outData;
  int32 outRowBytes;
  Boolean isFloating;
  Boolean haveMask;
  Boolean autoMask;
  Rect16 maskRect;
  void* maskData;
  int32 maskRowBytes;
  uint8_t backColor[4];
  uint8_t foreColor[4];
  OSType hostSig;
  GenericProc hostProc;
  int16 imageMode;
  Fixed imageHRes;
  Fixed imageVRes;
  Point16 floatCoord;
  Point16 wholeSize;
  PlugInMonitor monitor;
  void* platformData;  // -> PlatformData
  void* bufferProcs;
  void* resourceProcs;
  GenericProc processEvent;
  DisplayPixelsProc displayPixels;
  HandleProcs* handleProcs;
  // 3.0
  Boolean supportsDummyChannels;
  Boolean supportsAlternateLayouts;
  int16 wantLayout;
  int16 filterCase;
  int16 dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
  Boolean supportsAbsolute;
  Boolean wantsAbsolute;
  GenericProc getPropertyObsolete;
  Boolean cannotUndo;
  Boolean supportsPadding;
  int16 inputPadding;
  int16 outputPadding;
  int16 maskPadding;
  char samplingSupport;
  char reservedByte;
  Fixed inputRate;
  Fixed maskRate;
  GenericProc colorServices;
  int16 inLayerPlanes;
  int16 inTransparencyMask;
  int16 inLayerMasks;
  int16 inInvertedLayerMasks;
  int16 inNonLayerPlanes;
  int16 outLayerPlanes;
  int16 outTransparencyMask;
  int16 outLayerMasks;
  int16 outInvertedLayerMasks;
  int16 outNonLayerPlanes;
  int16 absLayerPlanes;
  int16 absTransparencyMask;
  int16 absLayerMasks;
  int16 absInvertedLayerMasks;
  int16 absNonLayerPlanes;
  int16 inPreDummyPlanes;
  int16 inPostDummyPlanes;
  int16 outPreDummyPlanes;
  int16 outPostDummyPlanes;
  int32 inColumnBytes;
  int32 inPlaneBytes;
  int32 outColumnBytes;
  int32 outPlaneBytes;
  // 3.0.4
  void* imageServicesProcs;
  void* propertyProcs;
  int16 inTileHeight;
  int16 inTileWidth;
  Point16 inTileOrigin;
  int16 absTileHeight;
  int16 absTileWidth;
  Point16 absTileOrigin;
  int16 outTileHeight;
  int16 outTileWidth;
  Point16 outTileOrigin;
  int16 maskTileHeight;
  int16 maskTileWidth;
  Point16 maskTileOrigin;
  // 4.0
  void* descriptorParameters;
  void* errorString;
  void* channelPortProcs;
  void* documentInfo;
  char reserved[78];  // the 4.0 record's tail; later hosts put their additions here
};
#if defined(_WIN32)
#pragma pack(pop)
#endif

using PluginMainProc = void(ZAR_CDECL*)(int16 selector, void* record, intptr_t* data,
                                        int16* result);

// ---- layout pins -----------------------------------------------------------------------------

static_assert(sizeof(Boolean) == 1);
static_assert(sizeof(Rect16) == 8 && alignof(Rect16) == 2);
static_assert(sizeof(VRect) == 16);
static_assert(sizeof(PlugInMonitor) == 40);

#if defined(_WIN32)
#define ZAR_PIN(rec, field, x86, x64) \
  static_assert(offsetof(rec, field) == (sizeof(void*) == 4 ? (x86) : (x64)), #rec "." #field)

ZAR_PIN(FilterRecord, serialNumber, 0, 0);
ZAR_PIN(FilterRecord, abortProc, 4, 4);
ZAR_PIN(FilterRecord, progressProc, 8, 12);
ZAR_PIN(FilterRecord, parameters, 12, 20);
ZAR_PIN(FilterRecord, imageSize, 16, 28);
ZAR_PIN(FilterRecord, planes, 20, 32);
ZAR_PIN(FilterRecord, filterRect, 22, 34);
ZAR_PIN(FilterRecord, background, 30, 42);
ZAR_PIN(FilterRecord, foreground, 36, 48);
ZAR_PIN(FilterRecord, maxSpace, 44, 56);
ZAR_PIN(FilterRecord, bufferSpace, 48, 60);
ZAR_PIN(FilterRecord, inRect, 52, 64);
ZAR_PIN(FilterRecord, inLoPlane, 60, 72);
ZAR_PIN(FilterRecord, inHiPlane, 62, 74);
ZAR_PIN(FilterRecord, outRect, 64, 76);
ZAR_PIN(FilterRecord, outLoPlane, 72, 84);
ZAR_PIN(FilterRecord, outHiPlane, 74, 86);
ZAR_PIN(FilterRecord, inData, 76, 88);
ZAR_PIN(FilterRecord, inRowBytes, 80, 96);
ZAR_PIN(FilterRecord, outData, 84, 100);
ZAR_PIN(FilterRecord, outRowBytes, 88, 108);
ZAR_PIN(FilterRecord, isFloating, 92, 112);
ZAR_PIN(FilterRecord, haveMask, 93, 113);
ZAR_PIN(FilterRecord, autoMask, 94, 114);
ZAR_PIN(FilterRecord, maskRect, 96, 116);
ZAR_PIN(FilterRecord, maskData, 104, 124);
ZAR_PIN(FilterRecord, maskRowBytes, 108, 132);
ZAR_PIN(FilterRecord, backColor, 112, 136);
ZAR_PIN(FilterRecord, foreColor, 116, 140);
ZAR_PIN(FilterRecord, hostSig, 120, 144);
ZAR_PIN(FilterRecord, hostProc, 124, 148);
ZAR_PIN(FilterRecord, imageMode, 128, 156);
ZAR_PIN(FilterRecord, imageHRes, 132, 160);
ZAR_PIN(FilterRecord, imageVRes, 136, 164);
ZAR_PIN(FilterRecord, floatCoord, 140, 168);
ZAR_PIN(FilterRecord, wholeSize, 144, 172);
ZAR_PIN(FilterRecord, monitor, 148, 176);
ZAR_PIN(FilterRecord, platformData, 188, 216);
ZAR_PIN(FilterRecord, bufferProcs, 192, 224);
ZAR_PIN(FilterRecord, resourceProcs, 196, 232);
ZAR_PIN(FilterRecord, processEvent, 200, 240);
ZAR_PIN(FilterRecord, displayPixels, 204, 248);
ZAR_PIN(FilterRecord, handleProcs, 208, 256);
ZAR_PIN(FilterRecord, supportsDummyChannels, 212, 264);
ZAR_PIN(FilterRecord, supportsAlternateLayouts, 213, 265);
ZAR_PIN(FilterRecord, wantLayout, 214, 266);
ZAR_PIN(FilterRecord, filterCase, 216, 268);
ZAR_PIN(FilterRecord, dummyPlaneValue, 218, 270);
ZAR_PIN(FilterRecord, premiereHook, 220, 272);
ZAR_PIN(FilterRecord, advanceState, 224, 280);
ZAR_PIN(FilterRecord, supportsAbsolute, 228, 288);
ZAR_PIN(FilterRecord, wantsAbsolute, 229, 289);
ZAR_PIN(FilterRecord, getPropertyObsolete, 232, 292);
ZAR_PIN(FilterRecord, cannotUndo, 236, 300);
ZAR_PIN(FilterRecord, supportsPadding, 237, 301);
ZAR_PIN(FilterRecord, inputPadding, 238, 302);
ZAR_PIN(FilterRecord, outputPadding, 240, 304);
ZAR_PIN(FilterRecord, maskPadding, 242, 306);
ZAR_PIN(FilterRecord, samplingSupport, 244, 308);
ZAR_PIN(FilterRecord, reservedByte, 245, 309);
ZAR_PIN(FilterRecord, inputRate, 248, 312);
ZAR_PIN(FilterRecord, maskRate, 252, 316);
ZAR_PIN(FilterRecord, colorServices, 256, 320);
ZAR_PIN(FilterRecord, inLayerPlanes, 260, 328);
ZAR_PIN(FilterRecord, inTransparencyMask, 262, 330);
ZAR_PIN(FilterRecord, outPostDummyPlanes, 296, 364);
ZAR_PIN(FilterRecord, inColumnBytes, 300, 368);
ZAR_PIN(FilterRecord, inPlaneBytes, 304, 372);
ZAR_PIN(FilterRecord, outColumnBytes, 308, 376);
ZAR_PIN(FilterRecord, outPlaneBytes, 312, 380);
ZAR_PIN(FilterRecord, imageServicesProcs, 316, 384);
ZAR_PIN(FilterRecord, propertyProcs, 320, 392);
ZAR_PIN(FilterRecord, inTileHeight, 324, 400);
ZAR_PIN(FilterRecord, absTileHeight, 332, 408);
ZAR_PIN(FilterRecord, outTileHeight, 340, 416);
ZAR_PIN(FilterRecord, maskTileHeight, 348, 424);
ZAR_PIN(FilterRecord, descriptorParameters, 356, 432);
ZAR_PIN(FilterRecord, errorString, 360, 440);
ZAR_PIN(FilterRecord, channelPortProcs, 364, 448);
ZAR_PIN(FilterRecord, documentInfo, 368, 456);
ZAR_PIN(FilterRecord, reserved, 372, 464);
static_assert(sizeof(FilterRecord) == (sizeof(void*) == 4 ? 452 : 544), "4.0 FilterRecord size");

ZAR_PIN(HandleProcs, handleProcsVersion, 0, 0);
ZAR_PIN(HandleProcs, numHandleProcs, 2, 2);
ZAR_PIN(HandleProcs, newProc, 4, 8);
ZAR_PIN(HandleProcs, disposeProc, 8, 16);
ZAR_PIN(HandleProcs, getSizeProc, 12, 24);
ZAR_PIN(HandleProcs, setSizeProc, 16, 32);
ZAR_PIN(HandleProcs, lockProc, 20, 40);
ZAR_PIN(HandleProcs, unlockProc, 24, 48);
ZAR_PIN(HandleProcs, recoverSpaceProc, 28, 56);
ZAR_PIN(HandleProcs, disposeRegularHandleProc, 32, 64);
static_assert(sizeof(HandleProcs) == (sizeof(void*) == 4 ? 36 : 72));

ZAR_PIN(PSPixelMap, version, 0, 0);
ZAR_PIN(PSPixelMap, bounds, 4, 4);
ZAR_PIN(PSPixelMap, imageMode, 20, 20);
ZAR_PIN(PSPixelMap, rowBytes, 24, 24);
ZAR_PIN(PSPixelMap, colBytes, 28, 28);
ZAR_PIN(PSPixelMap, planeBytes, 32, 32);
ZAR_PIN(PSPixelMap, baseAddr, 36, 40);
ZAR_PIN(PSPixelMap, mat, 40, 48);
ZAR_PIN(PSPixelMap, masks, 44, 56);
ZAR_PIN(PSPixelMap, maskPhaseRow, 48, 64);
ZAR_PIN(PSPixelMap, maskPhaseCol, 52, 68);
static_assert(sizeof(PSPixelMap) == (sizeof(void*) == 4 ? 56 : 72));

ZAR_PIN(PSPixelMask, next, 0, 0);
ZAR_PIN(PSPixelMask, maskData, 4, 8);
ZAR_PIN(PSPixelMask, rowBytes, 8, 16);
ZAR_PIN(PSPixelMask, colBytes, 12, 20);
ZAR_PIN(PSPixelMask, maskDescription, 16, 24);
static_assert(sizeof(PSPixelMask) == (sizeof(void*) == 4 ? 20 : 32));

ZAR_PIN(AboutRecord, platformData, 0, 0);
static_assert(sizeof(AboutRecord) == (sizeof(void*) == 4 ? 256 : 272));
static_assert(sizeof(PlatformData) == sizeof(void*));
#undef ZAR_PIN
#endif

}  // namespace zar
