// The elementary functions every engine and the dialog use. The platforms' maths libraries differ
// in the last bit for some arguments, which flips pixels, so every build carries this one
// implementation, compiled identically everywhere.
//
// Sin, Cos, Asin, Acos and Atan return the exact value rounded to the nearest double (ties to
// even) for every argument: Sin and Cos over the whole double range, Asin and Acos on [-1, 1],
// Atan everywhere (Atan(+-inf) = +-pi/2 rounded). Sqrt is the IEEE square root. A NaN argument
// gives the same NaN, quieted; arguments outside the domain (Sin/Cos of an infinity, Asin/Acos
// beyond [-1, 1], Sqrt of a negative number) give a quiet NaN. Signed zeros pass through where
// IEEE 754 says so (Sin(-0) = Asin(-0) = Atan(-0) = Sqrt(-0) = -0). These cases raise no
// floating-point exception flag.
#pragma once

namespace zar::zmath {

double Sin(double x);
double Cos(double x);
double Asin(double x);
double Acos(double x);
double Atan(double x);
double Sqrt(double x);

}  // namespace zar::zmath
