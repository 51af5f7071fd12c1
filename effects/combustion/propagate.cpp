#include "effects/combustion/propagate.h"

namespace zar::combustion::detail {

Cooling MakeCooling(int oxygen, int coolB, int r0) {
  // A lower threshold at or above oxygen never applies: every cell above it is above oxygen too.
  if (coolB >= oxygen || coolB >= 255) return {uint8_t(oxygen), 255, 0};
  return {uint8_t(oxygen), uint8_t(coolB), uint8_t(r0 % (coolB + 1))};
}

namespace {

bool ProcessorHasAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

const RowKernels& RowsOf(SweepIsa isa) {
  switch (isa) {
    case SweepIsa::kAvx2: return *kAvx2Rows;
    case SweepIsa::kSse2: return *kSse2Rows;
    default: return kPortableRows;
  }
}

// A rising or sinking sweep: rows visited away from the movement (kMoveRow -1 rises, +1 sinks),
// each writing into the row it moves to, shifted by the movement's column.
template <int kMoveRow, int kMoveCol>
void SweepVertical(HeatField& field, Cooling k, const RowKernels& rows) {
  const int last = field.width - 2;  // interior columns 1 .. last
  const int lastRow = field.height - 2;
  const auto row = kMoveCol <= 0 ? rows.ascending[k.drop != 0] : rows.descending[k.drop != 0];
  for (int i = 1; i <= lastRow; ++i) {
    const int y = kMoveRow < 0 ? i : lastRow + 1 - i;
    row(field.Row(y), field.Row(y - kMoveRow), field.Row(y + kMoveRow) + kMoveCol, last, k);
  }
}

// Left and Right: rows from the top, each working in place beside the finished row above.
void SweepAcross(HeatField& field, Cooling k,
                 void (*row)(uint8_t*, const uint8_t*, const uint8_t*, int, Cooling)) {
  const int last = field.width - 2;
  for (int y = 1; y <= field.height - 2; ++y)
    row(field.Row(y), field.Row(y - 1), field.Row(y + 1), last, k);
}

}  // namespace

bool SweepIsaAvailable(SweepIsa isa) {
  switch (isa) {
    case SweepIsa::kAvx2: return kAvx2Rows != nullptr && ProcessorHasAvx2();
    case SweepIsa::kSse2: return kSse2Rows != nullptr;
    default: return true;
  }
}

SweepIsa BestSweepIsa() {
  static const SweepIsa best = SweepIsaAvailable(SweepIsa::kAvx2)   ? SweepIsa::kAvx2
                               : SweepIsaAvailable(SweepIsa::kSse2) ? SweepIsa::kSse2
                                                                    : SweepIsa::kPortable;
  return best;
}

namespace {
SweepIsa& ActiveIsa() {
  static SweepIsa isa = BestSweepIsa();
  return isa;
}
}  // namespace

SweepIsa ActiveSweepIsa() { return ActiveIsa(); }
void UseSweepIsa(SweepIsa isa) { ActiveIsa() = isa; }

void Sweep(HeatField& field, int flameDirection, Cooling k) {
  Sweep(field, flameDirection, k, ActiveIsa());
}

void Sweep(HeatField& field, int flameDirection, Cooling k, SweepIsa isa) {
  const RowKernels& rows = RowsOf(isa);
  switch (flameDirection) {
    case kTop: SweepVertical<-1, 0>(field, k, rows); break;
    case kLeftTop: SweepVertical<-1, -1>(field, k, rows); break;
    case kLeft: SweepAcross(field, k, rows.left); break;
    case kLeftBtm: SweepVertical<1, -1>(field, k, rows); break;
    case kBottom: SweepVertical<1, 0>(field, k, rows); break;
    case kRightBtm: SweepVertical<1, 1>(field, k, rows); break;
    case kRight: SweepAcross(field, k, rows.right); break;
    case kRightTop: SweepVertical<-1, 1>(field, k, rows); break;
  }
}

}  // namespace zar::combustion::detail
