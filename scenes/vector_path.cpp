#include "scenes/vector_path.h"

namespace {
VectorPath detectBest() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? VectorPath::Avx2 : VectorPath::Sse2;
#else
    return VectorPath::Scalar;
#endif
}

struct {
    VectorPath best = detectBest();
    VectorPath current = best;
} vector_state;
}  // namespace

VectorPath bestVectorPath() { return vector_state.best; }
VectorPath vectorPath() { return vector_state.current; }

VectorPath setVectorPath(VectorPath wanted) {
    vector_state.current = wanted > vector_state.best ? vector_state.best : wanted;
    return vector_state.current;
}

const char* vectorPathName(VectorPath path) {
    switch (path) {
        case VectorPath::Scalar: return "scalar";
        case VectorPath::Sse2: return "sse2";
        case VectorPath::Avx2: return "avx2";
    }
    return "?";
}
