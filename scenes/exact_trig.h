// Sine and cosine that give the same bits on every platform the show is
// built for: the correctly rounded result, computed from IEEE additions,
// subtractions, multiplications and divisions alone (no maths library, no
// fused multiply-add), each of which every conforming build rounds alike.
// Maths libraries differ in the last bit (the host's and WebAssembly's sin
// disagree on about 3 % of a show's angles), which would let the rotating
// scene's frames depend on where they are computed.
//
//   double s = exactSin(theta);   // = sin(theta) rounded to the nearest double
//   double c = exactCos(theta);
//
// Finite arguments up to 1e9 in magnitude (every angle an int32 elapsedMs
// gives) have the same bits everywhere; within a show's course (|x| < 140)
// they are the correctly rounded values, which is what the tests hold them
// to. Beyond 1e9, and for NaN and infinities, the result is NaN.
#pragma once

double exactSin(double x);
double exactCos(double x);
