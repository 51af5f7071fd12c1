// Sound behaviour of the Fire and Cryo engine.
#include "tests/fire/fire_runs.h"
#include "tests/ice/sound_suite.h"

namespace zar::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Fire, SoundBehaviour, FireModule);

}  // namespace zar::testing
