// Which instruction set the frame stages run on. Every path gives the same bits.
//
//   setVectorPath(VectorPath::Scalar);   // the plain per-pixel code, the readable definition
//   VectorPath p = vectorPath();         // in use; starts as bestVectorPath()
//   VectorPath b = bestVectorPath();     // Avx2 where the processor has it, else Sse2 (x86-64), else Scalar
//
// One build serves every machine: the AVX2 code is compiled beside the rest and chosen
// at run time. A request beyond what the processor runs is lowered to the best it runs.
#pragma once
#include <cstdint>

enum class VectorPath : int8_t { Scalar = 0, Sse2 = 1, Avx2 = 2 };

VectorPath bestVectorPath();
VectorPath vectorPath();
VectorPath setVectorPath(VectorPath wanted);  // returns the path now in use
const char* vectorPathName(VectorPath path);
