// `zar animate`: an effect as a moving picture. Ice, Candle, Fire and Cryo give the frames of
// their dialog's live preview (the module's dialog stand-in runs the preview and paints each
// tick through the host's displayPixels); any effect gives a sweep, one final rendering per frame
// with a field moved from one value to another (Combustion sweeps phase 0..100 by default).
// Written as an animated WebP or GIF, or as a numbered PNG sequence.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/plugin_table.h"
#include "hosts/cli/batch.h"
#include "hosts/core/picture.h"

namespace zar::cli {

// A batch: every picture in `files`, each animated to outDir (when given) under its own name with
// `suffix` after it, as `format` (webp, the default; gif; png: a directory of frames).
struct AnimateArgs : BatchOptions {
  std::string effect, in, out, params;
  std::vector<std::string> settings;
  std::string sweep;  // "FIELD=FROM..TO"
  int frames = 24;
  double fps = 20;   // the dialog's preview ticks every 50 ms
  std::string size;  // "WxH"
  double scale = 0;  // 0: not given
  bool noLoop = false, force = false;
  std::string format;
};
// One picture, in to out.
int Animate(const AnimateArgs& args);
// The batch of args.files, with the failure lines, counting line and status of zar render's.
int AnimateBatch(const AnimateArgs& args);

// The first `count` frames of the module's live preview of `picture` with the settings in `block`,
// for a preview area of areaWidth x areaHeight (0: the whole picture, unreduced). `tick` is told
// each frame's number. False with the reason when the module shows no preview.
bool PreviewFrames(const PluginTable& table, const std::string& modulePath,
                   const std::vector<uint8_t>& block, const host::Picture& picture, int count,
                   int areaWidth, int areaHeight, const std::function<void(int)>& tick,
                   std::vector<host::Picture>* frames, std::string* error);

// A sweep: the field and its value at each of `count` frames (FROM at the first, TO at the last,
// evenly between, rounded to the nearest whole number).
struct Sweep {
  std::string field;
  int64_t from = 0, to = 0;
  int64_t ValueAt(int frame, int count) const;
};
bool ParseSweep(const PluginTable& table, const std::string& text, Sweep* sweep, std::string* error);

// Where frame k (from 1) of a PNG sequence goes: OUT a directory gives OUT/frame-0001.png...,
// OUT a pattern with one %d (with an optional zero-padded width) gives that.
bool SequencePattern(const std::string& out, std::string* pattern, std::string* error);
std::string SequenceFile(const std::string& pattern, int frame);

}  // namespace zar::cli
