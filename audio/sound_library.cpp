// The sound library behind the nine FSOUND_* functions.
//
// Threads: the caller's (the nine functions, the spectrum), one decoder per
// open stream, and the output's (device callback or clock) that runs the
// mixer. A decoder reads its track ahead into a single-producer
// single-consumer ring of stereo frames and, as it goes, appends what it
// decoded to the stream's HeardSpectrum (audio/heard_spectrum.h). The mixer
// only copies out of the rings: it never blocks, allocates or touches a file.
// The spectrum is the HeardSpectrum's at the position being heard.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/audio_constants.h"
#include "audio/channel_mix.h"
#include "audio/heard_spectrum.h"
#include "audio/spectrum_analyser.h"
#include "audio/track_reader.h"
#include "audio/fsound.h"
#include "audio/heard_position.h"
#include "audio/sound_library.h"
#include "audio/sound_output.h"

struct SpectrumUnit {};

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRingFrames = 16384;         // about 370 ms decoded ahead
constexpr int kDecodeFrames = 1024;        // frames per decoder step
constexpr int kFadeFrames = 256;           // stop ramps down over 6 ms instead of clicking
constexpr auto kFadeWait = std::chrono::milliseconds(100);
constexpr auto kDecoderNap = std::chrono::milliseconds(3);
constexpr auto kIdleNap = std::chrono::milliseconds(20);

// The mixer's own CPU time, apart from the time it spent preempted.
int64_t threadCpuNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t nowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Single producer (the decoder), single consumer (the mixer).
struct StereoRing {
    float frames[2 * kRingFrames] = {};
    std::atomic<uint64_t> written{0};
    std::atomic<uint64_t> read{0};

    int space() const {
        return kRingFrames - static_cast<int>(written.load(std::memory_order_relaxed) - read.load(std::memory_order_acquire));
    }
    void write(const float* stereo, int n) {
        const uint64_t w = written.load(std::memory_order_relaxed);
        for (int i = 0; i < n; ++i) {
            const size_t at = static_cast<size_t>((w + i) % kRingFrames) * 2;
            frames[at] = stereo[2 * i];
            frames[at + 1] = stereo[2 * i + 1];
        }
        written.store(w + n, std::memory_order_release);
    }
    // Adds up to n frames into out, each scaled by gain(i); returns the frames taken.
    template <typename Gain>
    int mixInto(float* out, int n, Gain gain) {
        const uint64_t r = read.load(std::memory_order_relaxed);
        const int available = static_cast<int>(written.load(std::memory_order_acquire) - r);
        const int take = std::min(n, available);
        for (int i = 0; i < take; ++i) {
            const size_t at = static_cast<size_t>((r + i) % kRingFrames) * 2;
            const float g = gain(i);
            out[2 * i] += frames[at] * g;
            out[2 * i + 1] += frames[at + 1] * g;
        }
        read.store(r + take, std::memory_order_release);
        return take;
    }
};

enum StreamState : int { kIdle, kPlaying, kStopping, kStopped, kPaused };

}  // namespace

struct SoundStream {
    TrackReader* track = nullptr;
    int channels = 0;
    // Appended by the decoder; its spectrum is the caller's own.
    HeardSpectrum heardSpectrum;
    StereoRing ring;
    std::thread decoder;
    std::atomic<bool> quit{false};
    std::atomic<bool> exhausted{false};   // the track holds nothing more to play
    std::atomic<int> state{kIdle};

    // The mixer's own: stream frames handed out, and in the latest buffer.
    int64_t handed = 0;
    int lastBuffer = 0;
    // What is being heard, published by the mixer: the buffer handed out one
    // mix earlier plays from its time on.
    HeardPosition heard;
    int64_t lastHeard = 0;   // the spectrum's last position, should a publication stall
};

namespace {

// Decodes one step into the ring and the timeline; false when nothing more will come.
bool decodeStep(SoundStream* s, std::vector<float>& decoded, std::vector<float>& stereo) {
    const int got = readTrack(s->track, decoded.data(), kDecodeFrames);
    if (got <= 0) return false;
    s->heardSpectrum.append(decoded.data(), got, s->channels);
    downmixToStereo(decoded.data(), s->channels, got, stereo.data());
    s->ring.write(stereo.data(), got);
    return true;
}

void decodeAhead(SoundStream* s) {
    std::vector<float> decoded(static_cast<size_t>(kDecodeFrames) * s->channels);
    std::vector<float> stereo(2 * kDecodeFrames);
    while (!s->quit.load(std::memory_order_acquire)) {
        if (s->exhausted.load(std::memory_order_relaxed)) {
            std::this_thread::sleep_for(kIdleNap);   // a track without audio: wait for close, never spin
        } else if (s->ring.space() < kDecodeFrames) {
            std::this_thread::sleep_for(kDecoderNap);
        } else if (!decodeStep(s, decoded, stereo)) {
            s->exhausted.store(true, std::memory_order_release);
        }
    }
}

struct Library {
    std::mutex calls;                     // the nine functions may come from any thread
    int outputType = -1;                  // 0: no sound; anything else: the device
    const SoundOutput* output = nullptr;  // non-null once initialised
    const SoundOutput* deviceOutput = nullptr;  // installed by the platform (useSoundOutputs)
    const SoundOutput* silentOutput = nullptr;
    bool exitHookSet = false;
    std::vector<SoundStream*> streams;    // every open stream
    std::atomic<SoundStream*> channels[kSoftwareChannels] = {};
    SpectrumUnit unit;
    bool unitActive = false;
    SoundStream* spectrumStream = nullptr;   // the stream the spectrum follows
    float spectrum[kSpectrumBands] = {};
    bool spectrumLive = false;   // the last spectrum was analysed, not silence

    std::atomic<int64_t> mixes{0}, underruns{0}, worstMix{0}, worstMixCpu{0}, outputFrames{0}, lastStartFrame{-1};
    std::atomic<int> bufferFrames{0};
};

// Never destroyed: the output thread may still be mixing while the process
// exits, and everything it reads must stay valid until it is stopped.
Library& lib() {
    static Library* library = new Library;
    return *library;
}

void mixStereo(float* out, int frames) {
    Library& l = lib();
    const int64_t began = nowNanoseconds();
    const int64_t cpuBegan = threadCpuNanoseconds();
    std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
    const int64_t outputFrame = l.outputFrames.load(std::memory_order_relaxed);
    bool short_ = false;
    for (auto& channel : l.channels) {
        SoundStream* s = channel.load(std::memory_order_acquire);
        if (!s) continue;
        const int state = s->state.load(std::memory_order_acquire);
        int got = 0;
        if (state == kPlaying) {
            got = s->ring.mixInto(out, frames, [](int) { return 1.0f; });
            if (got < frames && !s->exhausted.load(std::memory_order_acquire)) short_ = true;
            if (s->handed + s->lastBuffer == 0 && got > 0) l.lastStartFrame.store(outputFrame, std::memory_order_relaxed);
        } else if (state == kStopping) {
            got = s->ring.mixInto(out, std::min(frames, kFadeFrames),
                                  [](int i) { return 1.0f - static_cast<float>(i) / kFadeFrames; });
            int expected = kStopping;
            s->state.compare_exchange_strong(expected, kStopped, std::memory_order_acq_rel);
        } else {
            continue;
        }
        publishHeard(s->heard, s->handed, s->lastBuffer, began);
        s->handed += s->lastBuffer;
        s->lastBuffer = got;
    }
    for (int i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
    if (short_) l.underruns.fetch_add(1, std::memory_order_relaxed);
    l.outputFrames.fetch_add(frames, std::memory_order_relaxed);
    l.mixes.fetch_add(1, std::memory_order_relaxed);
    const int64_t took = nowNanoseconds() - began;
    if (took > l.worstMix.load(std::memory_order_relaxed)) l.worstMix.store(took, std::memory_order_relaxed);
    const int64_t cpu = threadCpuNanoseconds() - cpuBegan;
    if (cpu > l.worstMixCpu.load(std::memory_order_relaxed)) l.worstMixCpu.store(cpu, std::memory_order_relaxed);
}

bool isOpen(const Library& l, SoundStream* s) {
    return s && std::find(l.streams.begin(), l.streams.end(), s) != l.streams.end();
}

// Waits until the mixer has faded the stream out (or cannot be waited for).
void awaitFade(SoundStream* s) {
    const auto until = Clock::now() + kFadeWait;
    while (s->state.load(std::memory_order_acquire) == kStopping && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void releaseStream(Library& l, SoundStream* s) {
    if (s->state.load() == kPlaying) s->state.store(kStopping, std::memory_order_release);
    awaitFade(s);
    for (auto& channel : l.channels)
        if (channel.load() == s) channel.store(nullptr, std::memory_order_release);
    // Once the output has been locked and released no mix can still hold s.
    if (l.output) {
        l.output->lock();
        l.output->unlock();
    }
    s->quit.store(true, std::memory_order_release);
    interruptTrack(s->track);   // a read under way ends now, not when its block is done
    if (s->decoder.joinable()) s->decoder.join();
    closeTrack(s->track);
    if (l.spectrumStream == s) l.spectrumStream = nullptr;
    l.streams.erase(std::find(l.streams.begin(), l.streams.end(), s));
    delete s;
}

void closeEverything(Library& l) {
    // Fade every stream together, then release them one by one.
    for (SoundStream* s : l.streams) {
        int expected = kPlaying;
        s->state.compare_exchange_strong(expected, kStopping);
    }
    while (!l.streams.empty()) releaseStream(l, l.streams.back());
    if (l.output) l.output->close();
    l.output = nullptr;
    l.outputType = -1;
    l.unitActive = false;
}

// The show never shuts the library down; at process exit the output and the
// decoders stop here, so no thread runs on into a half-destroyed process.
void closeAtExit() {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    closeEverything(l);
}

signed char setOutput(int outputType) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (l.output) return 0;   // only before initialisation
    l.outputType = outputType;
    return 1;
}

signed char init(int mixRate, int, unsigned) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (l.output) return 1;
    if (mixRate != kMixRate) return 0;   // everything is mixed at one rate
    const SoundOutput* output = l.outputType == kOutputNoSound ? l.silentOutput : l.deviceOutput;
    if (!output) return 0;
    int bufferFrames = 0;
    l.outputFrames.store(0);
    l.lastStartFrame.store(-1);
    if (!output->open(mixStereo, &bufferFrames)) return 0;
    l.output = output;
    l.bufferFrames.store(bufferFrames);
    if (!l.exitHookSet) l.exitHookSet = std::atexit(closeAtExit) == 0;
    return 1;
}

SoundStream* openFile(const char* name, unsigned mode, int length) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    // A length would mean the name is in-memory data, which is not supported.
    if (!l.output || length != 0) return nullptr;
    TrackReader* track = openTrack(name, nullptr);
    if (!track) return nullptr;
    // The other mode bits describe raw sample formats; a compressed file plays as it is.
    setTrackLooping(track, (mode & kModeLoopNormal) != 0);
    auto* s = new SoundStream;
    s->track = track;
    s->channels = trackChannels(track);
    s->heardSpectrum.reset();
    // The ring is filled here, so that play starts with sound at once.
    {
        std::vector<float> decoded(static_cast<size_t>(kDecodeFrames) * s->channels);
        std::vector<float> stereo(2 * kDecodeFrames);
        for (int i = 0; i < kRingFrames / kDecodeFrames && !s->exhausted.load(); ++i)
            if (!decodeStep(s, decoded, stereo)) s->exhausted.store(true);
    }
    s->decoder = std::thread(decodeAhead, s);
    l.streams.push_back(s);
    return s;
}

int playEx(int channel, SoundStream* s, SpectrumUnit*, signed char paused) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (!isOpen(l, s)) return -1;
    for (int c = 0; c < kSoftwareChannels; ++c)
        if (l.channels[c].load() == s) channel = c;
    if (channel < 0 || channel >= kSoftwareChannels || (l.channels[channel].load() && l.channels[channel].load() != s)) {
        channel = -1;
        for (int c = 0; c < kSoftwareChannels && channel < 0; ++c)
            if (!l.channels[c].load()) channel = c;
        if (channel < 0) return -1;
    }
    if (!paused && s->state.load() != kPlaying) {
        s->heardSpectrum.restartAnalysis();
        l.spectrumStream = s;
        s->state.store(kPlaying, std::memory_order_release);
    }
    l.channels[channel].store(s, std::memory_order_release);
    return channel;
}

SpectrumUnit* fftUnit() { return &lib().unit; }

signed char setActive(SpectrumUnit* unit, signed char active) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (unit != &l.unit) return 0;
    l.unitActive = active != 0;
    return 1;
}

float* spectrum() {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    SoundStream* s = l.spectrumStream;
    if (!l.unitActive || !s || s->state.load(std::memory_order_acquire) != kPlaying) {
        std::fill(std::begin(l.spectrum), std::end(l.spectrum), 0.0f);
        l.spectrumLive = false;
        return l.spectrum;
    }
    const int64_t now = nowNanoseconds();
    s->lastHeard = readHeard(s->heard, now, s->lastHeard);
    s->heardSpectrum.spectrumAt(s->lastHeard, l.spectrum);
    l.spectrumLive = true;
    return l.spectrum;
}

signed char stop(SoundStream* s) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (!isOpen(l, s)) return 0;
    int expected = kPlaying;
    s->state.compare_exchange_strong(expected, kStopping, std::memory_order_acq_rel);
    return 1;
}

signed char close(SoundStream* s) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (!isOpen(l, s)) return 0;
    releaseStream(l, s);
    return 1;
}

const SoundLibrary sdl_sound_library = {setOutput, init, openFile, playEx, fftUnit, setActive, spectrum, stop, close};

}  // namespace

const SoundLibrary* realSoundLibrary() { return &sdl_sound_library; }

void useSoundOutputs(const SoundOutput* device, const SoundOutput* silent) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (l.output) return;
    l.deviceOutput = device;
    l.silentOutput = silent;
}

SoundLibraryStats soundLibraryStats() {
    const Library& l = lib();
    SoundLibraryStats s;
    s.mixes = l.mixes.load();
    s.underruns = l.underruns.load();
    s.worstMixNanoseconds = l.worstMix.load();
    s.worstMixCpuNanoseconds = l.worstMixCpu.load();
    s.outputFrames = l.outputFrames.load();
    s.lastStartOutputFrame = l.lastStartFrame.load();
    s.bufferFrames = l.bufferFrames.load();
    return s;
}

void resetSoundLibraryStats() {
    Library& l = lib();
    l.mixes.store(0);
    l.underruns.store(0);
    l.worstMix.store(0);
    l.worstMixCpu.store(0);
    l.lastStartFrame.store(-1);
}

void lastSpectrumAnalysis(float* bands, double* power) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    SoundStream* s = l.spectrumStream;
    // Measured only when asked: the show never asks, so its frames pay nothing for it.
    if (bands) {
        if (l.spectrumLive && s) {
            float window[kAnalysisWindow];
            s->heardSpectrum.windowAt(s->lastHeard, window);
            measureBands(window, bands);
        } else {
            std::fill(bands, bands + kSpectrumBands, 0.0f);
        }
    }
    if (power) *power = s ? s->heardSpectrum.overallLevel() : 0.0;
}

void closeSoundLibrary() {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    closeEverything(l);
}

void pauseSoundStream(SoundStream* s, bool paused) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (!isOpen(l, s)) return;
    int expected = paused ? kPlaying : kPaused;
    s->state.compare_exchange_strong(expected, paused ? kPaused : kPlaying, std::memory_order_acq_rel);
}

bool soundStreamFinished(SoundStream* s) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (!isOpen(l, s)) return true;
    return s->exhausted.load(std::memory_order_acquire) &&
           s->ring.written.load(std::memory_order_acquire) == s->ring.read.load(std::memory_order_acquire);
}

int64_t soundStreamHeard(SoundStream* s) {
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (!isOpen(l, s)) return 0;
    // Paused, the mixer publishes nothing more, and what it published never reads past its buffer's end.
    const int state = s->state.load(std::memory_order_acquire);
    if (state == kPlaying || state == kPaused) s->lastHeard = readHeard(s->heard, nowNanoseconds(), s->lastHeard);
    return s->lastHeard;
}

void soundStreamSamples(SoundStream* s, int64_t from, int count, float* mono) {
    if (count <= 0) return;
    Library& l = lib();
    std::lock_guard<std::mutex> guard(l.calls);
    if (isOpen(l, s)) s->heardSpectrum.samplesAt(from, count, mono);
    else std::fill(mono, mono + count, 0.0f);
}
