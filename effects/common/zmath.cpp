// Placeholder: forwards to the C library until our own implementation lands.
#include "effects/common/zmath.h"

#include <cmath>

namespace zar::zmath {

double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Atan(double x) { return std::atan(x); }
double Sqrt(double x) { return std::sqrt(x); }

}  // namespace zar::zmath
