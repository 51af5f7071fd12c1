// Robustness of the Ice and Candle engine.
#include "tests/ice/robustness_suite.h"

namespace zar::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Ice, Robustness, IceModule);

}  // namespace zar::testing
