#include "tests/ice/reference_field.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/zmath.h"
#include "effects/ice/ice_engine.h"
#include "effects/palette/palette.h"

namespace zar::reference {

namespace {

uint8_t& At(uint8_t* field, int32_t P, int32_t c, int32_t r) { return field[ptrdiff_t(r) * P + c]; }
uint8_t At(const uint8_t* field, int32_t P, int32_t c, int32_t r) {
  return field[ptrdiff_t(r) * P + c];
}

// The direction table: target, the three cells averaged with the cell itself, scan order.
struct Scan {
  int tx, ty;
  int ax[3], ay[3];
  bool bottomUp, rightToLeft;
};

constexpr Scan kScans[8] = {
    {0, 1, {0, -1, 1}, {-1, 0, 0}, true, false},    // below; above, left, right
    {-1, 1, {0, -1, 1}, {-1, 0, 0}, true, false},   // below-left; above, left, right
    {-1, 0, {0, 0, 1}, {-1, 1, 0}, false, false},   // left; above, below, right
    {-1, -1, {0, -1, 1}, {1, 0, 0}, false, false},  // above-left; below, left, right
    {0, -1, {0, -1, 1}, {1, 0, 0}, false, false},   // above; below, left, right
    {1, -1, {0, -1, 1}, {1, 0, 0}, false, true},    // above-right; below, left, right
    {1, 0, {0, 0, -1}, {-1, 1, 0}, false, true},    // right; above, below, left
    {1, 1, {0, -1, 1}, {-1, 0, 0}, true, true},     // below-right; above, left, right
};

int32_t CellOffset(float d, int32_t limit) {
  const double v = std::trunc(double(d) + 0.5);
  if (std::isnan(v)) return 0;
  return int32_t(std::clamp<double>(v, -limit, limit));
}

bool Opaque(const uint8_t* px, int planes) {
  if (planes == 4) return px[3] != 0;
  if (planes == 5) return px[3] != 0 || px[4] != 0;
  return true;
}

void CopyRows(const FrameView& frame, int64_t rows, int64_t bytes) {
  if (bytes <= 0 || frame.in == nullptr || frame.out == nullptr) return;
  for (int64_t y = 0; y < rows; ++y)
    std::memmove(frame.out + y * frame.outRowBytes, frame.in + y * frame.inRowBytes, size_t(bytes));
}

}  // namespace

void DirectionalPass(uint8_t* field, int32_t P, int32_t R, int32_t N, int d, int64_t t, int64_t u,
                     int h) {
  if (d < 0 || d > 7) return;
  const Scan& s = kScans[d];
  for (int32_t k = 1; k <= R - 2; ++k) {
    const int32_t r = s.bottomUp ? R - 1 - k : k;
    for (int32_t n = 1; n <= N - 2; ++n) {
      const int32_t c = s.rightToLeft ? N - 1 - n : n;
      int sum = At(field, P, c, r);
      for (int i = 0; i < 3; ++i) sum += At(field, P, c + s.ax[i], r + s.ay[i]);
      At(field, P, c + s.tx, r + s.ty) = uint8_t(sum >> 2);
      const int v = At(field, P, c, r);
      if (v > t)
        At(field, P, c, r) = uint8_t(v - t);
      else if (v > u)
        At(field, P, c, r) = uint8_t(v - h % (u + 1));
    }
  }
}

void TraceContour(uint8_t* f, int32_t P, int32_t R) {
  for (int32_t r = 1; r <= R - 2; ++r)
    for (int32_t c = 1; c <= P - 2; ++c)
      if (At(f, P, c, r) > 1 && At(f, P, c + 1, r) > 1 && At(f, P, c, r + 1) > 1 &&
          At(f, P, c + 1, r + 1) > 1 && At(f, P, c - 1, r) != 0 && At(f, P, c, r - 1) != 0)
        At(f, P, c, r) = 1;
  for (int32_t r = 1; r <= R - 2; ++r)
    for (int32_t c = 1; c <= P - 2; ++c)
      if (At(f, P, c, r) == 1) At(f, P, c, r) = 0;
}

void DropDroplets(uint8_t* drops, const uint8_t* S, int32_t P, int32_t R, Rng& rng) {
  const int32_t a = P / 50 + 1, e = R / 30 + 1;
  const int32_t nx = P / a, ny = R / e;
  for (int n = 0; n < 4; ++n) {
    const int32_t gx = rng.Next() % nx;
    const int32_t gy = rng.Next() % ny;
    for (int32_t r = e * gy; r < e * gy + e; ++r)
      for (int32_t c = a * gx; c < a * gx + a; ++c)
        if (c > 1 && c < P - 2 && r > 1 && r < R - 2)
          At(drops, P, c, r) = std::min<uint8_t>(200, std::max(At(drops, P, c, r), At(S, P, c, r)));
  }
  for (int32_t r = R - 2; r >= 2; --r)
    for (int32_t c = 1; c <= P - 2; ++c)
      At(drops, P, c, r + 1) = uint8_t((At(drops, P, c, r - 1) + At(drops, P, c - 1, r) +
                                        At(drops, P, c + 1, r) + At(drops, P, c, r)) >>
                                       2);
}

void MergeDroplets(uint8_t* mainField, const uint8_t* drops, const FieldExtents& e) {
  for (int32_t r = 0; r < e.R; ++r)
    for (int32_t c = 0; c < e.N; ++c)
      if (At(drops, e.P, c, r) > 20) At(mainField, e.P, c, r) = At(drops, e.P, c, r);
}

void BuildSourceField(const FrameView& frame, const FieldExtents& e, uint8_t* sourceField, float dx,
                      float dy, bool maskInvert) {
  const int planes = frame.planes;
  if (planes < 3 || planes > 5) return;
  const int32_t ox = CellOffset(dx, e.P), oy = CellOffset(dy, e.R);
  auto write = [&](int32_t x, int32_t y, uint8_t value) {
    const int32_t c = x + ox + 2, r = y + oy + 3;
    if (c >= 0 && c < e.P && r >= 0 && r < e.R) At(sourceField, e.P, c, r) = value;
  };
  if (frame.mask != nullptr) {
    // Only what the host's rows hold is read: mask rows of maskWidth bytes, input rows of
    // inWidth pixels (only the mask is read with three planes).
    const int32_t x1 = std::min(e.maskWidth, planes == 3 ? e.w : e.inWidth);
    for (int32_t y = 0; y < e.H; ++y)
      for (int32_t x = 0; x < x1; ++x) {
        const uint8_t* px = frame.in + ptrdiff_t(y) * frame.inRowBytes + ptrdiff_t(x) * planes;
        if (frame.mask[ptrdiff_t(y) * frame.maskRowBytes + x] != 0 && Opaque(px, planes))
          write(x, y, 255);
      }
    return;
  }
  const int32_t x1 = std::min(e.W - 2, e.inWidth);
  for (int32_t y = 2; y <= e.H - 3; ++y)
    for (int32_t x = 2; x < x1; ++x) {
      const uint8_t* px = frame.in + ptrdiff_t(y) * frame.inRowBytes + ptrdiff_t(x) * planes;
      if (!Opaque(px, planes)) continue;
      const uint8_t bright = std::max({px[0], px[1], px[2]});
      write(x, y, maskInvert ? uint8_t(255 - bright) : bright);
    }
}

void FeedDiscs(uint8_t* mainField, const uint8_t* S, const FieldExtents& e,
               const WorkingParameters& p, Rng& rng, float& wobblePhase) {
  const IceStepConstants c = ComputeIceStepConstants(p, e.R);
  const int64_t R = e.R, N = e.N;
  for (int64_t F = 1; F < R;) {
    rng.Seed(0);
    int64_t M = c.E + rng.Next() % (c.E + 1);
    const float phi = wobblePhase;
    const int64_t A = int64_t(std::trunc((zmath::Sin(phi) + 1) * double(c.D)));
    const int64_t B = int64_t(std::trunc((zmath::Sin(1.1 * phi) + 1) * double(c.D)));
    wobblePhase = phi + c.dPhi;
    if (wobblePhase > 10000) wobblePhase = 0;
    if (M < 2) M = 2;  // radius 0 and radius 1 are taken as 2
    for (int64_t K = 1; K < N;) {
      int64_t L = c.E + rng.Next() % (c.E + 1);
      if (L == 0) L = 2;
      const int64_t r = std::min(M, L);
      for (int64_t i = F - M; i < F + M; ++i)
        for (int64_t j = K - L + B; j < K + A; ++j) {
          if (j <= 0 || j >= N - 1 || i <= 0 || i >= R - 1) continue;
          const uint8_t s = At(S, e.P, int32_t(j), int32_t(i));
          if (s != 0 && (j - K) * (j - K) + (i - F) * (i - F) < r * r)
            At(mainField, e.P, int32_t(j), int32_t(i)) = s;
        }
      K = K + L + L * p.space / 33;
    }
    F = int64_t(std::trunc(double(F) + 1.2 * double(M)));
  }
}

void IceStep(uint8_t* mainField, const uint8_t* S, const uint8_t* drops, const FieldExtents& e,
             int d, const WorkingParameters& p, Rng& rng, float& wobblePhase) {
  const IceStepConstants c = ComputeIceStepConstants(p, e.R);
  const int h = rng.Next();
  reference::DirectionalPass(mainField, e.P, e.R, e.N, d, c.t, c.u, h);
  reference::FeedDiscs(mainField, S, e, p, rng, wobblePhase);
  if (p.maskDroplet != 0) reference::MergeDroplets(mainField, drops, e);
}

void FeedBlobs(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int fuel, Rng& rng) {
  const int32_t G = fuel / (rng.Next() % 5 + 1) + 1, Gc = std::max(G / 4, 1);
  for (int32_t y0 = 0; y0 < e.R; y0 += G)
    for (int32_t x0 = 0; x0 < e.N; x0 += Gc) {
      const int rho = std::max((rng.Next() % G + 1) >> 1, 1);
      if (rng.Next() % 2 == 0) continue;
      for (int32_t i = y0; i < y0 + 2 * rho; ++i)
        for (int32_t j = x0; j < x0 + 2 * rho; ++j) {
          if (j >= e.N || i >= e.R) continue;
          const int a = j - (x0 + rho), b = i - (y0 + rho);
          const int k1 = int(double(rho - std::abs(a)) / rho * 255);
          const int value = int(double(k1 * (rho - std::abs(b))) / rho);
          if (At(S, e.P, j, i) != 0 && At(mainField, e.P, j, i) < value)
            At(mainField, e.P, j, i) = uint8_t(value);
        }
    }
}

void SourcePass(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int viscosity,
                Rng& rng) {
  for (int32_t x = 0; x < e.N; ++x)
    for (int32_t y = 0; y < e.R; ++y) {
      int candidate;
      if (viscosity == 255)
        candidate = rng.Next() % 2 * At(S, e.P, x, y);
      else
        candidate = int(((viscosity >> 1) + 127) * 0.003921568859368563 * At(mainField, e.P, x, y));
      if (At(S, e.P, x, y) != 0) At(mainField, e.P, x, y) = uint8_t(candidate);
    }
}

void FireStep(uint8_t* mainField, const uint8_t* S, const uint8_t* drops, const FieldExtents& e,
              int d, const WorkingParameters& p, Rng& rng) {
  const int h = rng.Next();
  reference::DirectionalPass(mainField, e.P, e.R, e.N, d, p.oxygen, p.gravity, h);
  reference::FeedBlobs(mainField, S, e, p.fuel, rng);
  reference::SourcePass(mainField, S, e, p.viscosity, rng);
  if (p.maskDroplet != 0) reference::MergeDroplets(mainField, drops, e);
}

void Run(Module& m, const FrameView& frame, const WorkingParameters& params,
         int32_t iterationCount) {
  if (frame.imageMode != 3) {
    frame.WarnNotRgb();
    CopyRows(frame, frame.height,
             std::min({int64_t(frame.width) * frame.planes, int64_t(frame.outRowBytes),
                       int64_t(frame.inRowBytes)}));
    return;
  }
  FieldExtents e;
  const ExtentsResult extents = ComputeExtents(frame, e);
  if (extents == ExtentsResult::kNothing) return;
  CopyRows(frame, e.H, int64_t(e.inWidth) * frame.planes);
  FirePalette palette;
  BuildFirePalette(palette, m.colorRamp, params.colorMode, params.rampColors, params.rampPosition1,
                   params.rampPosition2);

  const bool held = !m.mainField.empty();
  if (m.previewState != 1 || (held && (m.P != e.P || m.R != e.R))) {
    for (auto* f : {&m.sourceField, &m.mainField, &m.dropletField, &m.contourField}) f->clear();
    if (m.previewState == 2) m.previewState = 1;
    if (extents != ExtentsResult::kRender) return;
    m.P = e.P;
    m.R = e.R;
    for (auto* f : {&m.sourceField, &m.mainField, &m.dropletField, &m.contourField})
      f->assign(size_t(e.P) * size_t(e.R), 0);
  } else if (!held) {
    return;
  }

  const int d = StepDirection(params.flameDirection);
  auto feed = [&](float dx, float dy) -> const uint8_t* {
    reference::BuildSourceField(frame, e, m.sourceField.data(), dx, dy, params.maskInvert != 0);
    if (params.maskMode == 3) reference::TraceContour(m.sourceField.data(), e.P, e.R);
    if (params.maskMode != 0) return m.sourceField.data();
    m.contourField = m.sourceField;
    reference::TraceContour(m.contourField.data(), e.P, e.R);
    return m.contourField.data();
  };
  auto drop = [&](int32_t k, const uint8_t* S) {
    if (params.maskDroplet == 0) return;
    if (m.ice) m.rng.Seed(uint32_t(k));
    reference::DropDroplets(m.dropletField.data(), S, e.P, e.R, m.rng);
  };
  auto step = [&](const uint8_t* S) {
    if (m.ice)
      reference::IceStep(m.mainField.data(), S, m.dropletField.data(), e, d, params, m.rng,
                         m.wobblePhase);
    else
      reference::FireStep(m.mainField.data(), S, m.dropletField.data(), e, d, params, m.rng);
  };
  for (int32_t k = 0; k < iterationCount; ++k) {
    std::fill(m.sourceField.begin(), m.sourceField.end(), 0);
    const SourceShift shift = DisplacementOfStep(params, e, iterationCount, k, m.previewState == 1);
    const uint8_t* S = feed(shift.dx, shift.dy);
    drop(k, S);
    step(S);
    if (m.previewState == 1) {
      S = feed(0, 0);
      drop(k, S);
      step(S);
      step(S);
    }
    ClearBorder(m.mainField.data(), e.P, e.R);
  }
  CompositeField(frame, e, m.mainField.data(), m.sourceField.data(), palette, params.alpha,
                 params.maskMode);
  if (m.previewState != 1)
    for (auto* f : {&m.sourceField, &m.mainField, &m.dropletField, &m.contourField}) f->clear();
}

}  // namespace zar::reference
