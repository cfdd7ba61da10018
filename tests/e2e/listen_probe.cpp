// Listens as ziv-play --listen does and reports when a band first reacts:
// "ready" once capturing, then "heard <band> <level> <epoch ms>", or "silent"
// after the given seconds. Driven by tests/e2e/listen.sh.
//
//   listen_probe BAND SECONDS [SOURCE]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/ziv-play/listen.h"
#include "audio/spectrum_analyser.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: listen_probe BAND SECONDS [SOURCE]\n");
        return 2;
    }
    const int band = std::atoi(argv[1]);
    const int seconds = std::atoi(argv[2]);
    if (band < 0 || band >= kSpectrumBands || seconds <= 0) return 2;
    Listener listener;
    std::string why;
    if (!startListening(listener, argc > 3 ? argv[3] : "", &why)) {
        std::fprintf(stderr, "listen_probe: %s\n", why.c_str());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 3;
    static float bands[kSpectrumBands];
    std::vector<float> heard(kAnalysisWindow, 0.0f);
    while (std::chrono::steady_clock::now() < until) {
        takeCaptured(listener, heard);
        heard.erase(heard.begin(), heard.end() - kAnalysisWindow);
        // The plain band level of the newest window, the one a frame would be shaped
        // from: a sine of amplitude a centred on the band reads a.
        measureBands(heard.data(), bands);
        if (bands[band] > 0.2f) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::now().time_since_epoch()).count();
            std::printf("heard %d %.3f %lld\n", band, static_cast<double>(bands[band]), static_cast<long long>(ms));
            status = 0;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (status != 0) std::printf("silent\n");
    std::fflush(stdout);
    stopListening(listener);
    return status;
}
