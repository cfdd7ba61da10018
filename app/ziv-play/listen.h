// What the desktop plays, as the show's spectrum: a thread captures mono
// samples into a HeardSpectrum (audio/heard_spectrum.h), and each frame asks
// for the spectrum at the newest sample captured, so the show reacts to what
// is heard now.
//
//   Listener listener;
//   if (!startListening(listener, "", &why)) ...      // the default output's monitor
//   const float* spectrum = listenerSpectrum(listener);  // once per frame
//   if (listenerLost(listener, &why)) ...               // the server went away: nothing more comes
//   stopListening(listener);
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "audio/heard_spectrum.h"
#include "scenes/spectrum.h"

struct PulseCapture;

struct Listener {
    PulseCapture* capture = nullptr;
    std::string source;    // as asked for: empty for the default output's monitor
    std::unique_ptr<HeardSpectrum> heardSpectrum;
    std::thread reader;
    std::atomic<bool> quit{false};
    std::atomic<bool> failed{false};
    std::string lostWhy;   // written by the reader before failed is set, read only after
    int64_t lastSpectrumNs = 0;
    int64_t heard = 0;     // the position the last spectrum was analysed at
    float spectrum[kSpectrumBands] = {};
};

bool startListening(Listener& listener, const std::string& source, std::string* why);
const float* listenerSpectrum(Listener& listener);
// True once the capture has failed (the server went away); why says how.
bool listenerLost(const Listener& listener, std::string* why);
void stopListening(Listener& listener);
