#include "app/ziv-play/play_run.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/run_constants.h"
#include "app/ziv-play/listen.h"
#include "app/ziv-play/play_list.h"
#include "app/ziv-play/play_options.h"
#include "audio/audio_constants.h"
#include "audio/fsound.h"
#include "audio/heard_spectrum.h"
#include "audio/music.h"
#include "audio/sound_library.h"
#include "audio/track_reader.h"
#include "output/output_constants.h"
#include "output/printable_name.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/pixel_console.h"
#include "platform/sound_devices.h"
#include "ziv/ziv.h"
#include "ziv_version.h"

namespace {

constexpr const char* kProgram = "ziv-play";
constexpr unsigned kPlayOnce = 0;   // open mode: one pass, no loop
// While paused nothing is drawn; the loop only presents and reads keys.
constexpr auto kPausedNap = std::chrono::milliseconds(15);
// A server that goes away while listening ends the show as one that never answered does.
constexpr int kStatusServerLost = 1;

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void say(const std::string& line) { std::fprintf(stderr, "%s: %s\n", kProgram, line.c_str()); }

// Decodes the start of the file; why says what is wrong when it cannot be played.
bool playable(const std::string& path, std::string* why) {
    TrackReader* t = openTrack(path.c_str(), why);
    closeTrack(t);
    return t != nullptr;
}

// The file playing, and what happens when it changes.
class Player {
public:
    explicit Player(PlayList& list) : list_(list) {}
    ~Player() { stop(); }
    // Starts the current file, skipping those that cannot be played; false when none follows.
    bool start() {
        for (;;) {
            std::string why;
            const std::string& file = list_.current();
            if (playable(file, &why)) stream_ = FSOUND_Stream_OpenFile(file.c_str(), kPlayOnce, 0);
            else stream_ = nullptr;
            if (stream_) break;
            say("skipping '" + printableName(file) + "': " + (why.empty() ? "cannot be played" : why));
            if (!list_.dropCurrent()) return false;
        }
        FSOUND_Stream_PlayEx(-1, stream_, nullptr, 0);
        taken_ = 0;
        if (paused_) pauseSoundStream(stream_, true);
        played_ = true;
        return true;
    }
    void stop() {
        if (!stream_) return;
        FSOUND_Stream_Stop(stream_);
        FSOUND_Stream_Close(stream_);
        stream_ = nullptr;
    }
    bool forward() {
        stop();
        return list_.next() && start();
    }
    bool back() {
        stop();
        list_.previous();
        return start();
    }
    void pause(bool paused) {
        paused_ = paused;
        pauseSoundStream(stream_, paused);
    }
    bool finished() const { return stream_ && soundStreamFinished(stream_); }
    // The file's samples heard since the last call (its own positions restart with each file),
    // appended to mono.
    void takeHeard(std::vector<float>& mono) {
        if (!stream_) return;
        const int64_t heard = soundStreamHeard(stream_);
        if (heard <= taken_) return;
        // After a long stall only the newest samples are still held; older ones would be zeros.
        taken_ = std::max(taken_, heard - MonoTimeline::kCapacity);
        const size_t at = mono.size();
        mono.resize(at + static_cast<size_t>(heard - taken_));
        soundStreamSamples(stream_, taken_, static_cast<int>(heard - taken_), mono.data() + at);
        taken_ = heard;
    }
    bool played() const { return played_; }
    std::string title() const {
        std::string t = std::string(kProgram) + ": " + printableName(baseName(list_.current())) + " (" +
                        std::to_string(list_.position() + 1) + "/" + std::to_string(list_.size()) + ")";
        return paused_ ? t + " (paused)" : t;
    }
private:
    PlayList& list_;
    SoundStream* stream_ = nullptr;
    int64_t taken_ = 0;   // samples of the current file handed on
    bool paused_ = false;
    bool played_ = false;
};

uint32_t millisecondsSince(uint32_t mark) { return timeGetTime() - mark; }

// The show, hosted through libziv: fed what is heard, it draws straight into the console's surface.
struct HostedShow {
    ziv_show* show = nullptr;
    std::vector<float> heard;   // one frame's new samples, mono at the show's rate
    ~HostedShow() { ziv_destroy(show); }
};

// The show's frames until Escape, the end of the list, or (listening) the sound server going away.
int runFrames(PixelConsole& console, ConsoleSurface& surface, HostedShow& hosted, Player* player, Listener* listener) {
    const uint32_t start = timeGetTime();
    uint32_t pausedSince = 0, pausedTotal = 0;
    bool paused = false;
    auto setTitle = [&] {
        if (player) console.setTitle(player->title().c_str());
        else console.setTitle(paused ? "ziv-play: listening (paused)" : "ziv-play: listening");
    };
    setTitle();
    for (;;) {
        bool changeFile = false, forward = true;
        while (console.key()) {
            const int code = console.read().code();
            if (code == kConsoleEscapeCode) return kStatusShowEnded;
            if (code == kConsoleSpaceCode) {
                paused = !paused;
                if (paused) pausedSince = timeGetTime();
                else pausedTotal += millisecondsSince(pausedSince);
                if (player) player->pause(paused);
                setTitle();
            } else if (code == kConsoleRightCode || code == kConsoleLeftCode) {
                changeFile = player != nullptr;
                forward = code == kConsoleRightCode;
            } else if (code == kConsoleLetterFCode) {
                try {
                    console.setFullscreen(!console.fullscreen());
                } catch (const ptc::DynamicError& error) {
                    say(error.message());
                }
            }
        }
        if (player && (changeFile || (!paused && player->finished()))) {
            if (!(forward ? player->forward() : player->back())) return player->played() ? kStatusShowEnded : 1;
            setTitle();
        }
        std::string lost;
        if (listener && listenerLost(*listener, &lost)) {
            const std::string& source = listener->source;
            say("lost the sound server while listening" + (source.empty() ? "" : " to '" + printableName(source) + "'") +
                ": " + printableName(lost) + "; the show ends");
            return kStatusServerLost;
        }
        // Everything heard since the frame before goes to the show. A paused file is heard on
        // when it plays again; listening while paused, what was captured is let go, so the show
        // comes back to what plays now.
        hosted.heard.clear();
        if (listener) takeCaptured(*listener, hosted.heard);
        else if (!paused) player->takeHeard(hosted.heard);
        if (!paused) {
            const auto elapsedMs = static_cast<int32_t>(millisecondsSince(start) - pausedTotal);
            int64_t position = 0;
            if (ziv_feed_f32(hosted.show, hosted.heard.data(), hosted.heard.size(), kMixRate, 1) != ZIV_OK ||
                ziv_fed_samples(hosted.show, &position) != ZIV_OK ||
                ziv_set_position(hosted.show, position, elapsedMs) != ZIV_OK ||
                ziv_draw_frame(hosted.show, static_cast<uint32_t*>(surface.lock())) != ZIV_OK) {
                surface.unlock();
                say(ziv_last_error());
                return 1;
            }
            surface.unlock();
            surface.copy(console);
        }
        console.update();
        if (paused) std::this_thread::sleep_for(kPausedNap);
    }
}

int show(const PlayOptions& o, Player* player, Listener* listener) {
    HostedShow hosted;
    if (ziv_create(nullptr, &hosted.show) != ZIV_OK || ziv_set_surface(hosted.show, ZIV_SURFACE_CALLER) != ZIV_OK) {
        say(ziv_last_error());
        return 1;
    }
    try {
        PixelConsole console;
        ConsoleFormat format(kConsoleBits, kRedMask, kGreenMask, kBlueMask, kAlphaMask);
        console.option(o.window ? kWindowedOption : kFullscreenOption);
        console.option(kHideCursorOption);
        console.option(o.fill ? "scale fit" : "scale integer");
        console.open(kProgram, kSurfaceWidth, kSurfaceHeight, format, kConsolePages);
        ConsoleSurface surface(console.width(), console.height(), format);
        const int status = runFrames(console, surface, hosted, player, listener);
        console.close();
        return status;
    } catch (const ptc::DynamicError& error) {
        error.report();
        return kStatusConsoleFailed;
    }
}

}  // namespace

int playMain(int argc, const char* const* argv) {
    PlayOptions o;
    std::string error;
    if (!parsePlayOptions(argc, argv, o, &error)) {
        std::fprintf(stderr, "%s: %s\n%s", kProgram, error.c_str(), playUsage());
        return 2;
    }
    if (o.help) {
        std::fputs(playHelp(), stdout);
        return 0;
    }
    if (o.version) return printVersion(kProgram);
    if (o.listen) {
        Listener listener;
        if (!startListening(listener, o.source, &error)) {
            say("cannot listen: " + error);
            return 1;
        }
        const int status = show(o, nullptr, &listener);
        stopListening(listener);
        return status;
    }

    // Everything that cannot be played is named now, before the show starts.
    std::vector<std::string> files;
    for (const std::string& f : o.files) {
        std::string why;
        if (playable(f, &why)) files.push_back(f);
        else say("skipping '" + printableName(f) + "': " + why);
    }
    if (files.empty()) {
        say(o.files.size() == 1 ? "nothing to play" : "none of the files can be played");
        return 1;
    }
    PlayList list(files, o.loop);
    if (o.shuffle) list.shuffle(std::random_device{}());

    usePlatformSoundOutputs();
    if (o.mute) FSOUND_SetOutput(kOutputNoSound);
    if (!FSOUND_Init(kMixRate, kSoftwareChannels, 0)) {
        say("cannot open a sound device (play with --mute, or choose one with SDL_AUDIODRIVER)");
        return 1;
    }
    Player player(list);
    if (!player.start()) {
        say("none of the files can be played");
        return 1;
    }
    return show(o, &player, nullptr);
}
