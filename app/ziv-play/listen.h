// What the desktop plays, captured for the show: a thread reads mono samples
// at 44100 Hz from the sound server, and the frame loop takes what came since
// its last frame and feeds it to the show (libziv's ziv_feed_f32), which hears
// it as any host's samples.
//
//   Listener listener;
//   if (!startListening(listener, "", &why)) ...      // the default output's monitor
//   std::vector<float> mono;
//   takeCaptured(listener, mono);                       // once per frame: appended, oldest first
//   if (listenerLost(listener, &why)) ...               // the server went away: nothing more comes
//   stopListening(listener);
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct PulseCapture;

struct Listener {
    PulseCapture* capture = nullptr;
    std::string source;    // as asked for: empty for the default output's monitor
    std::thread reader;
    std::atomic<bool> quit{false};
    std::atomic<bool> failed{false};
    std::string lostWhy;   // written by the reader before failed is set, read only after
    std::mutex taking;     // guards captured
    std::vector<float> captured;   // samples not taken yet
};

bool startListening(Listener& listener, const std::string& source, std::string* why);
// Appends to mono every sample captured since the last call.
void takeCaptured(Listener& listener, std::vector<float>& mono);
// True once the capture has failed (the server went away); why says how.
bool listenerLost(const Listener& listener, std::string* why);
void stopListening(Listener& listener);
