#include "effects/combustion/combustion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/combustion/propagate.h"
#include "base/zmath.h"
#include "platform/platform.h"

namespace zar::combustion {

namespace {

constexpr int16_t kImageModeRgb = 3;

// The smallest page size of the systems we run on.
constexpr size_t kPageBytes = 4096;

bool IsRowEdge(int direction) { return direction == kLeft || direction == kRight; }

// Converts a real front value to the front's integer result: trunc(value) when it lies in
// 0 .. limit - 1, -1 below, -2 at or past the limit. NaN counts as below.
int FrontResult(double value, double limit) {
  const double k = std::trunc(value);
  if (!(k >= 0)) return -1;
  if (k >= limit) return -2;
  return int(k);
}

// ---- pixel access with the host's row strides ---------------------------------------------------

const uint8_t* SourcePixel(const FrameView& f, int row, int col) {
  return f.in + ptrdiff_t(row) * f.inRowBytes + ptrdiff_t(col) * f.planes;
}

uint8_t* DestPixel(const FrameView& f, int row, int col) {
  return f.out + ptrdiff_t(row) * f.outRowBytes + ptrdiff_t(col) * f.planes;
}

size_t RowBytes(const FrameView& f) {
  return f.planes > 0 ? size_t(f.width) * size_t(f.planes) : 0;
}

// The destination as a copy of the source.
void CopyPicture(const FrameView& f) {
  if (f.width <= 0 || f.height <= 0 || !f.in || !f.out) return;
  const size_t bytes = RowBytes(f);
  for (int r = 0; r < f.height; ++r) std::memmove(DestPixel(f, r, 0), SourcePixel(f, r, 0), bytes);
}

void ClearPicture(const FrameView& f) {
  if (f.width <= 0 || f.height <= 0 || !f.out) return;
  const size_t bytes = RowBytes(f);
  for (int r = 0; r < f.height; ++r) std::memset(DestPixel(f, r, 0), 0, bytes);
}

// Eight bytes as one word (for testing them all at once).
inline uint64_t Bytes8(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// ---- transition masks ---------------------------------------------------------------------------

// Every pixel of the transition mask is either taken from the source or cleared. The decisions for
// a stretch of one row are collected first and then written as runs.
void WriteRow(const FrameView& f, int row, int col, const uint8_t* keep, int count) {
  const size_t planes = size_t(f.planes);
  for (int k = 0; k < count;) {
    int end = k + 1;
    // Eight decisions at a time while they all agree with this run's, then one at a time.
    const uint64_t run = keep[k] * 0x0101010101010101ull;
    while (end + 8 <= count && Bytes8(keep + end) == run) end += 8;
    while (end < count && keep[end] == keep[k]) ++end;
    uint8_t* dst = DestPixel(f, row, col + k);
    const size_t bytes = size_t(end - k) * planes;
    if (keep[k])
      std::memmove(dst, SourcePixel(f, row, col + k), bytes);
    else
      std::memset(dst, 0, bytes);
    k = end;
  }
}

// The pixels a front keeps along its column (or row): those at positions in [lo1, hi1) or
// [lo2, hi2).
struct KeptSpans {
  int lo1, hi1, lo2, hi2;
  bool Keeps(int x) const { return (x >= lo1 && x < hi1) | (x >= lo2 && x < hi2); }
};

constexpr int kFar = 1 << 30;
constexpr KeptSpans kKeepAll = {0, kFar, 0, 0};
constexpr KeptSpans kKeepNone = {0, 0, 0, 0};

// "Page": the side of the front v that survives, by effectDirection.
KeptSpans PageSpans(int direction, int v) {
  switch (direction) {
    case kTop:
    case kLeft:  // x <= v
      return v >= 0 ? KeptSpans{0, v + 1, 0, 0} : v == -2 ? kKeepAll : kKeepNone;
    case kLeftTop:
    case kRightTop:  // x < v
      return v >= 0 ? KeptSpans{0, v, 0, 0} : v == -2 ? kKeepAll : kKeepNone;
    case kLeftBtm:
    case kBottom:
    case kRightBtm:  // x >= v
      return v >= 0 ? KeptSpans{v, kFar, 0, 0} : v == -1 ? kKeepAll : kKeepNone;
    default:  // Right: x > v
      return v >= 0 ? KeptSpans{v + 1, kFar, 0, 0} : v == -1 ? kKeepAll : kKeepNone;
  }
}

// "Blend": the pixels outside the band between the fronts a and b (x > a or x < b). For fronts
// taken per column two equal special values keep everything; for fronts per row nothing.
KeptSpans BlendSpans(int a, int b, bool perColumn) {
  if (a >= 0) return {0, b, a + 1, kFar};
  if (b >= 0) return {0, b, 0, 0};
  return perColumn && a == b ? kKeepAll : kKeepNone;
}

// Fronts taken per column are worked in blocks of columns, so the picture is still written row
// by row.
constexpr int kColumnBlock = 256;

template <typename SpansOfColumn>
void MaskByColumns(const FrameView& f, SpansOfColumn spansOf) {
  // The block's spans by bound, so a row's decisions are one loop of plain comparisons over the
  // whole block (columns past the picture keep nothing and are not written).
  int lo1[kColumnBlock], hi1[kColumnBlock], lo2[kColumnBlock], hi2[kColumnBlock];
  uint8_t keep[kColumnBlock];
  for (int i0 = 0; i0 < f.width; i0 += kColumnBlock) {
    const int count = std::min(kColumnBlock, f.width - i0);
    for (int k = 0; k < kColumnBlock; ++k) {
      const KeptSpans spans = k < count ? spansOf(i0 + k) : kKeepNone;
      lo1[k] = spans.lo1;
      hi1[k] = spans.hi1;
      lo2[k] = spans.lo2;
      hi2[k] = spans.hi2;
    }
    for (int n = 0; n < f.height; ++n) {
      for (int k = 0; k < kColumnBlock; ++k)
        keep[k] = uint8_t(((n >= lo1[k]) & (n < hi1[k])) | ((n >= lo2[k]) & (n < hi2[k])));
      WriteRow(f, n, i0, keep, count);
    }
  }
}

template <typename SpansOfRow>
void MaskByRows(const FrameView& f, SpansOfRow spansOf) {
  uint8_t keep[kColumnBlock];
  for (int n = 0; n < f.height; ++n) {
    const KeptSpans spans = spansOf(n);
    for (int i0 = 0; i0 < f.width; i0 += kColumnBlock) {
      const int count = std::min(kColumnBlock, f.width - i0);
      for (int k = 0; k < count; ++k) keep[k] = spans.Keeps(i0 + k);
      WriteRow(f, n, i0, keep, count);
    }
  }
}

void PageMask(const FrameView& f, int direction, float m) {
  if (direction < 0 || direction > 7) return;  // other directions keep the first fill
  const int W = f.width, H = f.height;
  if (IsRowEdge(direction)) {
    MaskByRows(
        f, [&](int n) { return PageSpans(direction, EdgeFrontPosition(n, m, W, H, direction)); });
  } else {
    MaskByColumns(
        f, [&](int i) { return PageSpans(direction, EdgeFrontPosition(i, m, W, H, direction)); });
  }
}

// Both fronts of a position come from the same terms of the position.
void BlendMask(const FrameView& f, int direction, float m) {
  const int W = f.width, H = f.height;
  const double p1 = 0.5 + 0.5 * m, p2 = 0.5 - 0.5 * m;
  const bool perColumn = !IsRowEdge(direction);
  const int d = perColumn ? direction : kLeft;  // both sides use the "Left" front
  const EdgeFront front1 = PrepareEdgeFront(p1, W, H, d), front2 = PrepareEdgeFront(p2, W, H, d);
  auto spansAt = [&](int p) {
    const EdgeTerms terms = EdgeFrontTermsAt(p, W, d);
    return BlendSpans(EdgeFrontAt(terms, front1), EdgeFrontAt(terms, front2), perColumn);
  };
  if (perColumn)
    MaskByColumns(f, spansAt);
  else
    MaskByRows(f, spansAt);
}

// "Hole" clears the inside of the iris, "Gate" keeps only the inside.
void IrisMask(const FrameView& f, bool hole, float m) {
  const int W = f.width, H = f.height;
  const int cx = W / 2, cy = H / 2;
  const double r0 = std::trunc(cx * double(m));
  // The radius factor lies between 0.843 and max(1, 1.0112 m), so far inside and far outside the
  // answer is known without the trigonometry; only a ring around the flower is measured. A radius
  // below 1 reaches no pixel (every distance is at least 1).
  double surelyInside = -1, surelyOutside = -1;  // as squared distances
  if (r0 >= 1) {
    const double lo = std::trunc(0.843 * r0);
    const double hi = std::trunc(std::max(1.0, 1.0112 * m) * r0);
    if (lo >= 1) surelyInside = lo * lo;
    surelyOutside = (hi + 1) * (hi + 1);
  }
  uint8_t keep[kColumnBlock];
  for (int n = 0; n < H; ++n) {
    const double dy = n - cy;
    for (int i0 = 0; i0 < W; i0 += kColumnBlock) {
      const int count = std::min(kColumnBlock, W - i0);
      for (int k = 0; k < count; ++k) {
        const int i = i0 + k;
        const double dx = i - cx;
        const double squared = dx * dx + dy * dy;
        bool inside = squared <= surelyInside;
        if (!inside && squared <= surelyOutside) {
          double d = float(zmath::Sqrt(squared));
          if (d == 0) d = 1;
          const double sine = std::clamp(dy / d, -1.0, 1.0);
          const double theta = i > cx ? zmath::Asin(sine) : kPi - zmath::Asin(sine);
          inside = std::trunc(IrisRadiusFactor(theta, m) * r0) >= d;
        }
        keep[k] = inside != hole;
      }
      WriteRow(f, n, i0, keep, count);
    }
  }
}

// ---- seeding ------------------------------------------------------------------------------------

// Whether a new flame may be written into heat cell (y, x): with 4 or 5 planes only over a
// selected pixel (when the host gave a selection) whose transparency byte is non-zero. The pixel
// tested is the one under the cell, image row y - 1 and column x - 2, the pixel the compositing
// colours from that cell.
bool SeedAllowed(const FrameView& f, int y, int x) {
  if (f.planes < 4) return true;
  const int row = y - 1, col = x - 2;
  if (f.mask && f.mask[ptrdiff_t(row) * f.maskRowBytes + col] == 0) return false;
  return SourcePixel(f, row, col)[3] != 0;
}

bool FieldMatchesFrame(const HeatField& field, const FrameView& f) {
  return field.cells && field.width == f.width + 4 && field.height == f.height + 5 && f.in;
}

// ---- compositing --------------------------------------------------------------------------------

struct Shade {
  uint8_t red, green, blue;
  uint8_t cover;         // trunc(255 w)
  uint8_t coverRounded;  // trunc(255 w + 0.5)
  double keep;           // 1 - w, the strength w left to the old colour
  double tint[3];        // red w, green w, blue w: the palette colour's part of a blend
};

// trunc(old (1 - w) + colour w), the colour's part worked out once per heat value.
inline uint8_t Blend(uint8_t old, double keep, double tint) { return uint8_t(old * keep + tint); }

inline void BlendRgb(uint8_t* px, const Shade& s) {
  px[0] = Blend(px[0], s.keep, s.tint[0]);
  px[1] = Blend(px[1], s.keep, s.tint[1]);
  px[2] = Blend(px[2], s.keep, s.tint[2]);
}

inline void SetRgb(uint8_t* px, const Shade& s) {
  px[0] = s.red;
  px[1] = s.green;
  px[2] = s.blue;
}

template <int kPlanes, CompositeForm kForm>
void CompositeRows(const FrameView& f, const HeatField& field, const Shade (&shades)[256]) {
  for (int r = 1; r < f.height; ++r) {
    const uint8_t* heat = field.Row(r + 1) + 2;
    uint8_t* const row = DestPixel(f, r, 0);
    for (int c = 0; c < f.width; ++c) {
      // Most cells are cold: they are passed over eight at a time.
      if (c + 8 <= f.width && Bytes8(heat + c) == 0) {
        c += 7;
        continue;
      }
      const int h = heat[c];
      if (h == 0) continue;
      uint8_t* const px = row + ptrdiff_t(c) * kPlanes;
      const Shade& s = shades[h];
      if constexpr (kPlanes == 3) {
        BlendRgb(px, s);
      } else if constexpr (kPlanes == 4) {
        if (px[3] != 0) {
          BlendRgb(px, s);
        } else {
          SetRgb(px, s);
          px[3] = s.cover;
        }
      } else {
        if (px[3] != 0) {
          SetRgb(px, s);
          if constexpr (kForm == CompositeForm::kFirst) px[3] = s.coverRounded;
        } else {
          BlendRgb(px, s);
          px[3] = s.coverRounded;
        }
        px[4] = 255;
      }
    }
  }
}

}  // namespace

// ---- phase and fronts ---------------------------------------------------------------------------

float PhaseFactor(int effectMode, int phase) {
  return effectMode == kGate ? float(1.0 - phase * 0.01) : float(phase * 0.01);
}

EdgeTerms EdgeFrontTermsAt(int p, int A, int direction) {
  if (A <= 0) return {0, 0, 0, 0, 0};
  const double t = float(double(p) / A);
  double s = zmath::Sin(kEdgeWave * t);
  double curl = zmath::Sin(kPi + kTwoPi * p / A);
  double bulge = 1 - zmath::Cos(kTwoPi * t);
  double cv = zmath::Cos(p / (0.02 * A));
  if (IsRowEdge(direction)) {
    s *= 0.5;
    curl *= 0.5;
    cv *= 0.5;
  } else if (!(A / 4 <= p && p <= A - A / 4)) {
    bulge = 0;  // the bulge only lifts the middle half of the edge
  }
  return {t, s, curl, bulge, cv};
}

EdgeFront PrepareEdgeFront(double m, int A, int B, int direction) {
  EdgeFront f{};
  f.direction = direction;
  f.empty = A <= 0;
  f.m = m;
  f.m2 = m * m;
  f.a = float(0.2 * B);
  f.ripple = f.a / 35;
  f.B = B;
  switch (direction) {
    case kLeft:
    case kRight:
      f.lift = (f.a + A) * m;
      f.limit = A;
      break;
    case kTop:
    case kBottom:
      f.lift = (f.a + B) * m;
      f.limit = B;
      break;
    default:
      f.lift = (2.0 * B + f.a) * m;
      f.limit = B;
      break;
  }
  return f;
}

int EdgeFrontAt(const EdgeTerms& terms, const EdgeFront& f) {
  if (f.direction < 0 || f.direction > 7) return 0;
  if (f.empty) return -1;
  const double curl = float(f.m2 * terms.p);
  const double bulge = float(f.m2 * terms.q);
  const double y = std::max({terms.s, curl, bulge});
  const double wave = f.a * y - f.a + f.ripple * terms.cv;
  switch (f.direction) {
    case kLeft:
    case kRight:
    case kTop:
    case kBottom: return FrontResult(wave + f.lift + 0.5, f.limit);
    case kLeftBtm:
    case kRightTop: return FrontResult(double(float(wave + f.lift)) - terms.t * f.B + 0.5, f.limit);
    default:  // Left Top, Right Btm
      return FrontResult(double(float(wave + f.lift)) - (1 - terms.t) * f.B + 0.5, f.limit);
  }
}

int EdgeFrontFromTerms(const EdgeTerms& terms, double m, int A, int B, int direction) {
  return EdgeFrontAt(terms, PrepareEdgeFront(m, A, B, direction));
}

int EdgeFrontPosition(int p, double m, int A, int B, int direction) {
  if (direction < 0 || direction > 7) return 0;
  return EdgeFrontFromTerms(EdgeFrontTermsAt(p, A, direction), m, A, B, direction);
}

double IrisRadiusFactor(double theta, double m) {
  const double petals = 0.92 + zmath::Sin(6 * theta) / 13;
  const double bloom = float((0.9 + zmath::Sin(5 * theta) / 9) * m);
  const double round = float((1 + zmath::Cos(4 * theta)) / 2);
  return std::max({petals, bloom, round});
}

void ApplyTransitionMask(const FrameView& f, int effectMode, int effectDirection, float m) {
  if (f.width <= 0 || f.height <= 0 || !f.in || !f.out) return;
  if (m <= 0)
    CopyPicture(f);
  else if (m >= 1)
    ClearPicture(f);
  if (f.planes < 3 || f.planes > 5) return;
  switch (effectMode) {
    case kBlend: BlendMask(f, effectDirection, m); break;
    case kPage: PageMask(f, effectDirection, m); break;
    case kHole:
    case kGate: IrisMask(f, effectMode == kHole, m); break;
  }
}

// ---- the field ----------------------------------------------------------------------------------

bool AllocateHeatField(HeatField& field, int32_t W, int32_t H) {
  field = HeatField{};
  if (W < 0 || H < 0 || W > kMaxFieldSide || H > kMaxFieldSide) return false;
  const uint64_t cells = uint64_t(W + 4) * uint64_t(H + 5);
  if (cells > uint64_t(SIZE_MAX)) return false;
  void* pages = platform::PageAlloc(size_t(cells));
  if (!pages) return false;
  field.cells = static_cast<uint8_t*>(pages);
  field.width = W + 4;
  field.height = H + 5;
  field.bytes = size_t(cells);
  // The pages come cleared. Writing each once now costs one fault per page; the first sweep reads
  // rows before it writes them, and a page read first is faulted in twice (once to be read as
  // zeros, once more at its first write).
  for (size_t i = 0; i < field.bytes; i += kPageBytes) field.cells[i] = 0;
  return true;
}

void ReleaseHeatField(HeatField& field) {
  platform::PageFree(field.cells, field.bytes);
  field = HeatField{};
}

void ClearHeatField(HeatField& field) {
  if (field.cells) std::memset(field.cells, 0, field.bytes);
}

void ClearHeatFieldFrame(HeatField& field) {
  if (!field.cells) return;
  const int H = field.height - 5, W = field.width - 4;
  for (int y : {0, 1, 2, H + 3, H + 4}) std::memset(field.Row(y), 0, size_t(field.width));
  for (int y = 0; y < field.height; ++y) {
    uint8_t* row = field.Row(y);
    row[0] = row[1] = row[W + 2] = row[W + 3] = 0;
  }
}

FlameSettings FlameSettingsFrom(const WorkingParameters& params) {
  FlameSettings s;
  s.oxygen = params.oxygen;
  s.gravity = params.gravity;
  s.viscosity = params.viscosity;
  s.fuel = params.fuel;
  s.effectDirection = params.effectDirection;
  s.flameDirection = params.flameDirection;
  return s;
}

// Our choice: the threshold follows the "Gravility" slider as a percentage of oxygen, so it is 0
// near gravity 0 and equals oxygen at 100, and every setting in between changes the flames.
int LowerCoolingThreshold(int gravity, int oxygen) { return gravity * oxygen / 100; }

void PropagateFlames(HeatField& field, const FlameSettings& settings, Rng& rng) {
  const int r0 = rng.Next();
  if (!field.cells || settings.flameDirection > 7) return;
  const int coolB = LowerCoolingThreshold(settings.gravity, settings.oxygen);
  detail::Sweep(field, settings.flameDirection, detail::MakeCooling(settings.oxygen, coolB, r0));
}

bool BuildEdgeProfile(EdgeProfile& profile, int32_t W, int32_t H, int effectDirection) {
  profile = EdgeProfile{};
  if (effectDirection < 0 || effectDirection > 7) return true;  // such fronts are all 0
  const int32_t count = IsRowEdge(effectDirection) ? H : W;
  if (count <= 0) return true;
  static_assert(sizeof(EdgeTerms) % alignof(int32_t) == 0);
  const uint64_t bytes = uint64_t(count) * (sizeof(EdgeTerms) + sizeof(int32_t));
  if (bytes > uint64_t(SIZE_MAX)) return false;
  void* pages = platform::PageAlloc(size_t(bytes));
  if (!pages) return false;
  profile.terms = static_cast<EdgeTerms*>(pages);
  profile.fixedPositions = reinterpret_cast<int32_t*>(profile.terms + count);
  profile.count = count;
  profile.bytes = size_t(bytes);
  for (int32_t p = 0; p < count; ++p)
    profile.terms[p] = EdgeFrontTermsAt(p, W + 4, effectDirection);
  return true;
}

void FixEdgeFront(EdgeProfile& profile, double front, int32_t W, int32_t H, int effectDirection) {
  if (!profile.terms) return;
  const EdgeFront f = PrepareEdgeFront(front, W + 4, H + 5, effectDirection);
  for (int32_t p = 0; p < profile.count; ++p)
    profile.fixedPositions[p] = EdgeFrontAt(profile.terms[p], f);
  profile.fixedFront = front;
  profile.hasFixedFront = true;
}

void ReleaseEdgeProfile(EdgeProfile& profile) {
  platform::PageFree(profile.terms, profile.bytes);
  profile = EdgeProfile{};
}

void FlameStepEdge(HeatField& field, double front, const FlameSettings& settings,
                   const FrameView& frame, Rng& rng, const EdgeProfile* profile) {
  PropagateFlames(field, settings, rng);
  const int G = settings.fuel / (rng.Next() % 4 + 1) + 1;  // segment step
  if (!FieldMatchesFrame(field, frame)) return;
  const int W = field.width - 4, H = field.height - 5;
  const int direction = settings.effectDirection;
  const bool rowEdge = IsRowEdge(direction);
  const int limitP = rowEdge ? H : W, limitM = rowEdge ? W : H;
  const int A = field.width, B = field.height;
  const bool viscous = settings.viscosity == 255;
  // trunc(((viscosity div 2) + 127) * (1/255) * heat), 1/255 in single precision.
  const double thinning = (settings.viscosity / 2 + 127) * double(1.0f / 255.0f);
  // The front's position at p: from the profile's table when this is its fixed front, from its
  // terms otherwise, or on the spot without a profile.
  const EdgeFront prepared = PrepareEdgeFront(front, A, B, direction);
  const bool fixed = profile && profile->hasFixedFront && profile->fixedFront == front;
  auto positionAt = [&](int p) {
    if (!profile || p >= profile->count) return EdgeFrontPosition(p, front, A, B, direction);
    return fixed ? int(profile->fixedPositions[p]) : EdgeFrontAt(profile->terms[p], prepared);
  };

  for (int s = 2; s < limitP; s += G) {
    const int L = rng.Next() % G + 1;
    const int half = std::max(L / 2, 1);
    if (rng.Next() % 2 != 1) continue;
    for (int c = 0; c <= L; ++c) {
      const int p = s + c;
      if (p >= limitP) break;
      const int M = positionAt(p);
      if (M < 2 || M >= limitM) continue;
      const int y = rowEdge ? p : M, x = rowEdge ? M : p;
      const int heat =
          c <= half ? 255 : int(std::min(255.0, std::trunc(double(c - half) / half * 500)));
      // The viscosity rule rewrites the intensity just written, so the cell is written once, with
      // the result; where the pixel rule forbids the writes only the draw happens.
      const int settled = viscous ? heat * (rng.Next() % 2) : int(thinning * heat);
      if (SeedAllowed(frame, y, x)) field.Row(y)[x] = uint8_t(settled);
    }
  }
}

void FlameStepIris(HeatField& field, float m, const FlameSettings& settings, const FrameView& frame,
                   Rng& rng) {
  PropagateFlames(field, settings, rng);
  const int G = settings.fuel / (rng.Next() % 4 + 1) + 1;
  if (!field.cells) return;
  const int W = field.width - 4, H = field.height - 5;
  const int cx = field.width / 2, cy = field.height / 2;
  const int R = int(std::trunc(cx * double(m)));
  const double delta = R > 1 ? zmath::Asin(1.0 / R) : 1.0;
  const double segment = (settings.fuel / (rng.Next() % 4 + 1) + 1) * delta;
  const bool viscous = settings.viscosity == 255;
  const bool canSeed = FieldMatchesFrame(field, frame);

  for (int k = 0;; ++k) {
    const double theta0 = k * segment;
    if (!(theta0 < kTwoPi)) break;
    const int q = rng.Next() % G + 1;
    const double N = q * segment / G;
    if (rng.Next() % 2 != 1 || !(N > 0)) continue;
    for (int j = 0;; ++j) {
      const double e = j * delta;
      if (!(e < N)) break;
      const double theta = float(theta0 + e);
      const double rho = std::trunc(IrisRadiusFactor(theta, m) * R);
      const double x = std::trunc(rho * zmath::Cos(theta) + cx + 0.5);
      const double y = std::trunc(rho * zmath::Sin(theta) + cy + 0.5);
      const int heat = viscous ? 255 * (rng.Next() % 2) : 255;
      if (!(x >= 2 && x < W && y >= 2 && y < H) || !canSeed) continue;
      if (SeedAllowed(frame, int(y), int(x))) field.Row(int(y))[int(x)] = uint8_t(heat);
    }
  }
}

void CompositeHeat(const FrameView& frame, const HeatField& field, const FirePalette& palette,
                   int alpha, CompositeForm form) {
  if (!frame.out || frame.width <= 0 || frame.height <= 0) return;
  if (field.width != frame.width + 4 || field.height != frame.height + 5 || !field.cells) return;
  Shade shades[256] = {};
  for (int h = 1; h < 256; ++h) {
    const HeatColour colour = SelectHeatColour(h, palette, alpha);
    const double w =
        form == CompositeForm::kSecond ? double(float(colour.strength)) : colour.strength;
    shades[h] = {colour.red,
                 colour.green,
                 colour.blue,
                 uint8_t(255 * w),
                 uint8_t(255 * w + 0.5),
                 1 - w,
                 {colour.red * w, colour.green * w, colour.blue * w}};
  }
  const bool first = form == CompositeForm::kFirst;
  switch (frame.planes) {
    case 3: CompositeRows<3, CompositeForm::kFirst>(frame, field, shades); break;
    case 4: CompositeRows<4, CompositeForm::kFirst>(frame, field, shades); break;
    case 5:
      if (first)
        CompositeRows<5, CompositeForm::kFirst>(frame, field, shades);
      else
        CompositeRows<5, CompositeForm::kSecond>(frame, field, shades);
      break;
  }
}

// ---- the whole effect ---------------------------------------------------------------------------

void RunCombustion(const FrameView& frame, const WorkingParameters& params, ColorRamp& ramp,
                   Rng& rng) {
  if (frame.imageMode != kImageModeRgb) {
    frame.WarnNotRgb();
    CopyPicture(frame);
    return;
  }
  const int W = frame.width, H = frame.height;
  if (W <= 0 || H <= 0 || !frame.in || !frame.out) return;

  const float m = PhaseFactor(params.effectMode, params.phase);
  ApplyTransitionMask(frame, params.effectMode, params.effectDirection, m);

  FirePalette palette;
  BuildFirePalette(palette, ramp, params.colorMode, params.rampColors, params.rampPosition1,
                   params.rampPosition2);

  // Other pixel sizes and unknown modes keep what the mask step left.
  if (frame.planes < 3 || frame.planes > 5 || params.effectMode > kGate) return;

  HeatField field;
  if (!AllocateHeatField(field, W, H)) {
    frame.OutOfMemory();
    return;
  }
  EdgeProfile profile;
  const bool edge = params.effectMode == kBlend || params.effectMode == kPage;
  if (edge && !BuildEdgeProfile(profile, W, H, params.effectDirection)) {
    ReleaseHeatField(field);
    frame.OutOfMemory();
    return;
  }

  const FlameSettings settings = FlameSettingsFrom(params);
  // Progress counts down; a run with no steps reports nothing.
  auto progress = [&frame](int done, int total) {
    if (total > 0) frame.ReportProgress(done, total);
  };

  // A cancelled run stops at the step and composites nothing: the host keeps its picture.
  bool cancelled = false;
  switch (params.effectMode) {
    case kHole:
    case kGate: {
      // The generator is not reseeded: every run burns differently.
      const int n = int(std::trunc(H * double(m))) + 10;
      for (int k = n; k >= 0; --k) {
        progress(n + k, 2 * n);
        if ((cancelled = frame.Cancelled())) break;
        FlameStepIris(field, m, settings, frame, rng);
        ClearHeatFieldFrame(field);
      }
      if (cancelled) break;
      CompositeHeat(frame, field, palette, params.alpha, CompositeForm::kFirst);
      break;
    }
    case kPage: {
      rng.Seed(0);
      FixEdgeFront(profile, m, W, H, params.effectDirection);
      const int n = int(std::trunc(H * double(m))) + 10;
      for (int k = n; k >= 0; --k) {
        progress(2 * k, 2 * n);
        if ((cancelled = frame.Cancelled())) break;
        FlameStepEdge(field, m, settings, frame, rng, &profile);
        ClearHeatFieldFrame(field);
      }
      if (cancelled) break;
      CompositeHeat(frame, field, palette, params.alpha, CompositeForm::kFirst);
      break;
    }
    case kBlend: {
      // The band's leading front sweeps out from the middle while the trailing one burns in
      // place; then the other side, composited in the second form.
      rng.Seed(0);
      FixEdgeFront(profile, 0.5 - 0.5 * m, W, H, params.effectDirection);
      const int n = 10 + int(std::trunc(0.5 * H * m));
      const double s = 0.5 * m / n;
      for (int k = n; k >= 0; --k) {
        progress(n + k, 2 * n);
        if ((cancelled = frame.Cancelled())) break;
        FlameStepEdge(field, 0.5 + (n - k) * s, settings, frame, rng, &profile);
        FlameStepEdge(field, 0.5 - 0.5 * m, settings, frame, rng, &profile);
        ClearHeatFieldFrame(field);
      }
      if (cancelled) break;
      CompositeHeat(frame, field, palette, params.alpha, CompositeForm::kFirst);

      ClearHeatField(field);
      rng.Seed(0);
      FixEdgeFront(profile, 0.5 + 0.5 * m, W, H, params.effectDirection);
      const int n2 = 10 + int(std::trunc(0.5 * H * m));
      const double s2 = 0.5 * m / n2;
      for (int k = n2; k >= 0; --k) {
        progress(k, 2 * n);
        if ((cancelled = frame.Cancelled())) break;
        FlameStepEdge(field, 0.5 - (n2 - k) * s2, settings, frame, rng, &profile);
        FlameStepEdge(field, 0.5 + 0.5 * m, settings, frame, rng, &profile);
        ClearHeatFieldFrame(field);
      }
      if (cancelled) break;
      CompositeHeat(frame, field, palette, params.alpha, CompositeForm::kSecond);
      break;
    }
  }

  ReleaseEdgeProfile(profile);
  ReleaseHeatField(field);
}

}  // namespace zar::combustion
