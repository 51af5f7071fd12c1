// Sound behaviour of the Ice and Candle engine.
#include "tests/ice/sound_suite.h"

namespace zar::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Ice, SoundBehaviour, IceModule);

}  // namespace zar::testing
