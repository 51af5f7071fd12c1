// Robustness of the Fire and Cryo engine.
#include "tests/fire/fire_runs.h"
#include "tests/ice/robustness_suite.h"

namespace zar::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Fire, Robustness, FireModule);

}  // namespace zar::testing
