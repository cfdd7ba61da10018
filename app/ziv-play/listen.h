// What the desktop plays, as the show's spectrum: a thread captures mono
// samples into a timeline, and each frame analyses the newest window, so the
// show reacts to what is heard now.
//
//   Listener listener;
//   if (!startListening(listener, "", &why)) ...      // the default output's monitor
//   const float* spectrum = listenerSpectrum(listener);  // once per frame
//   stopListening(listener);
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "audio/spectrum_analyser.h"
#include "scenes/spectrum.h"
#include "audio/track_reader.h"

struct PulseCapture;

struct Listener {
    PulseCapture* capture = nullptr;
    std::unique_ptr<MonoTimeline> timeline;
    std::thread reader;
    std::atomic<bool> quit{false};
    std::atomic<bool> failed{false};
    AnalyserState analyser;
    int64_t lastSpectrumNs = 0;
    float window[kAnalysisWindow] = {};
    float bands[kSpectrumBands] = {};
    float spectrum[kSpectrumBands] = {};
};

bool startListening(Listener& listener, const std::string& source, std::string* why);
const float* listenerSpectrum(Listener& listener);
void stopListening(Listener& listener);
