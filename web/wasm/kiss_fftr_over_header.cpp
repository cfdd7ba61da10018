// kissfft's real-input C interface (kiss_fftr_alloc, kiss_fftr)
// over Debian's header-only C++ kissfft, for the WebAssembly build: the C
// library is only packaged for the host. The web build compiles this file
// only while the analyser still calls the C interface.
#include <kissfft/kiss_fftr.h>
#include <kissfft/kissfft.hh>

#include <complex>
#include <cstdlib>
#include <new>
#include <vector>

struct kiss_fftr_state {
    kissfft<float> half;                 // complex transform of nfft/2 points
    std::vector<std::complex<float>> out;
    explicit kiss_fftr_state(int nfft) : half(static_cast<size_t>(nfft / 2), false), out(static_cast<size_t>(nfft / 2)) {}
};

extern "C" kiss_fftr_cfg kiss_fftr_alloc(int nfft, int inverse_fft, void* mem, size_t* lenmem) {
    // Only what the analyser asks for: a forward transform it lets us allocate.
    if (inverse_fft || mem || lenmem || nfft < 2 || nfft % 2 != 0) return nullptr;
    // kiss_fftr_free is the C library's free(), so the state comes from malloc.
    void* place = std::malloc(sizeof(kiss_fftr_state));
    return place ? new (place) kiss_fftr_state(nfft) : nullptr;
}

extern "C" void kiss_fftr(kiss_fftr_cfg cfg, const kiss_fft_scalar* timedata, kiss_fft_cpx* freqdata) {
    const size_t n = cfg->out.size();
    cfg->half.transform_real(timedata, cfg->out.data());
    // The header packs the Nyquist band into band 0's imaginary part.
    freqdata[0] = {cfg->out[0].real(), 0.0f};
    freqdata[n] = {cfg->out[0].imag(), 0.0f};
    for (size_t k = 1; k < n; ++k) freqdata[k] = {cfg->out[k].real(), cfg->out[k].imag()};
}
