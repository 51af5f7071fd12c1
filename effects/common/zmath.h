// The elementary functions every engine and the dialog use. The platforms' maths libraries differ
// in the last bit for some arguments, which flips pixels, so every build carries this one
// implementation, compiled identically everywhere.
#pragma once

namespace zar::zmath {

double Sin(double x);
double Cos(double x);
double Asin(double x);
double Acos(double x);
double Atan(double x);
double Sqrt(double x);

}  // namespace zar::zmath
