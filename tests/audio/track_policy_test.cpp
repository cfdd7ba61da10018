// A music file opens nothing but itself: playlists, session descriptions and
// pictures named like songs are refused without touching what they name, and
// the program's stop request ends an open or a read.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/track_reader.h"
#include "doubles/test_tracks.h"

namespace {

using ziv::test::toneSamples;
using ziv::test::TrackFolder;

std::vector<char> textBytes(const std::string& text) { return std::vector<char>(text.begin(), text.end()); }

// A 16-bit PCM WAV file: not Ogg Vorbis, so it goes through the demuxers.
std::vector<char> wavBytes(const std::vector<float>& samples, int channels, int rate) {
    std::vector<char> b;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    tag("RIFF"), put(36 + data, 4), tag("WAVE");
    tag("fmt "), put(16, 4), put(1, 2), put(static_cast<uint32_t>(channels), 2), put(static_cast<uint32_t>(rate), 4);
    put(static_cast<uint32_t>(rate * channels * 2), 4), put(static_cast<uint32_t>(channels * 2), 2), put(16, 2);
    tag("data"), put(data, 4);
    for (float s : samples) put(static_cast<uint16_t>(static_cast<int16_t>(s * 32767.0f)), 2);
    return b;
}

// Opens and reports why it failed, and how long it took.
struct Attempt {
    bool opened = false;
    std::string why;
    double seconds = 0.0;
};

Attempt attemptOpen(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    Attempt a;
    TrackReader* t = openTrack(path.c_str(), &a.why);
    a.opened = t != nullptr;
    closeTrack(t);
    a.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return a;
}

// A server on 127.0.0.1 that accepts and never answers; it counts the connections.
class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&at), size) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size) != 0)
            return;
        port_ = ntohs(at.sin_port);
        thread_ = std::thread([this] {
            std::vector<int> held;
            while (!done_.load()) {
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 50) <= 0) continue;
                const int c = ::accept(fd_, nullptr, nullptr);
                if (c >= 0) held.push_back(c), accepted_.fetch_add(1);
            }
            for (int c : held) ::close(c);
        });
    }
    ~SilentServer() {
        done_.store(true);
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
    }
    int port() const { return port_; }
    int accepted() const { return accepted_.load(); }

private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> done_{false};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

std::string hlsPlaylist(const std::string& entry) {
    return "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:4\n#EXTINF:4.0,\n" + entry + "\n#EXT-X-ENDLIST\n";
}

TEST(TrackPolicy, APlaylistNamedLikeASongIsRefusedAndNotFollowed) {
    TrackFolder folder("policy-local");
    const auto tone = toneSamples(44100, 2, 44100, 440.0, 0.5);
    const std::string privateFile = folder.writeBytes("private.wav", wavBytes(tone, 2, 44100));
    ASSERT_TRUE(attemptOpen(privateFile).opened) << "the listed file itself is a playable track";

    const Attempt hls = attemptOpen(folder.writeBytes("holiday.mp3", textBytes(hlsPlaylist(privateFile))));
    EXPECT_FALSE(hls.opened);
    EXPECT_EQ(hls.why, "is a playlist, not an audio file");

    // Without the tags that mark it as HLS, the same list is no audio file either.
    const Attempt plain = attemptOpen(folder.writeBytes(
        "plain.mp3", textBytes("#EXTM3U\n#EXTINF:4.0,\n" + privateFile + "\n#EXT-X-ENDLIST\n")));
    EXPECT_FALSE(plain.opened);
    EXPECT_FALSE(plain.why.empty());

    // A transport stream is what such a playlist normally lists, and what it would read.
    if (std::system("command -v ffmpeg >/dev/null 2>&1") == 0) {
        const std::string ts = folder.path("private.ts");
        const std::string make = "ffmpeg -nostdin -v error -y -i '" + privateFile + "' -c:a mp2 '" + ts + "'";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        ASSERT_TRUE(attemptOpen(ts).opened);
        const Attempt leak = attemptOpen(folder.writeBytes("leak.mp3", textBytes(hlsPlaylist(ts))));
        EXPECT_FALSE(leak.opened) << "the playlist played the file it lists";
        EXPECT_EQ(leak.why, "is a playlist, not an audio file");
    }

    // A playlist naming a FIFO would wait for a writer that never comes.
    const std::string fifo = folder.path("pipe.ts");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Attempt piped = attemptOpen(folder.writeBytes("piped.mp3", textBytes(hlsPlaylist(fifo))));
    EXPECT_FALSE(piped.opened);
    EXPECT_EQ(piped.why, "is a playlist, not an audio file");
    EXPECT_LT(piped.seconds, 2.0);

    const Attempt concat = attemptOpen(folder.writeBytes(
        "list.ogg", textBytes("ffconcat version 1.0\nfile '" + privateFile + "'\n")));
    EXPECT_FALSE(concat.opened);
    EXPECT_EQ(concat.why, "is a playlist, not an audio file");
}

TEST(TrackPolicy, APlaylistOfNetworkAddressesSendsNoRequest) {
    SilentServer server;
    ASSERT_GT(server.port(), 0) << "no local server";
    TrackFolder folder("policy-net");
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/seg.ts";
    for (const char* name : {"list.m3u8", "song.mp3"}) {
        const Attempt a = attemptOpen(folder.writeBytes(name, textBytes(hlsPlaylist(url))));
        EXPECT_FALSE(a.opened) << name;
        EXPECT_EQ(a.why, "is a playlist, not an audio file") << name;
        EXPECT_LT(a.seconds, 2.0) << name << " waited on the server";
    }
    // Whatever would connect has had its chance by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(server.accepted(), 0);
}

TEST(TrackPolicy, ASessionDescriptionNamedLikeASongOpensNoSocket) {
    TrackFolder folder("policy-sdp");
    const std::string sdp =
        "v=0\no=- 0 0 IN IP4 127.0.0.1\ns=No Name\nc=IN IP4 0.0.0.0\nt=0 0\n"
        "m=audio 5004 RTP/AVP 97\na=rtpmap:97 L16/44100/2\n";
    const Attempt a = attemptOpen(folder.writeBytes("song.mp3", textBytes(sdp)));
    EXPECT_FALSE(a.opened);
    EXPECT_EQ(a.why, "describes a network stream, not an audio file");
    EXPECT_LT(a.seconds, 2.0) << "waited for packets";
}

TEST(TrackPolicy, APictureIsRefusedAsAPicture) {
    TrackFolder folder("policy-picture");
    // A PNG's signature and header chunk are all its probe looks at.
    const unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                 0, 0, 0, 8, 0, 0, 0, 8, 8, 0, 0, 0, 0, 0x4B, 0x6D, 0x29, 0xDE};
    const Attempt a = attemptOpen(folder.writeBytes("cover.mp3", std::vector<char>(png, png + sizeof png)));
    EXPECT_FALSE(a.opened);
    EXPECT_EQ(a.why, "is a picture, not an audio file");
}

// Audio that decodes but lies beyond the reader's limits is refused by naming the limit.
TEST(TrackLimits, RatesAndChannelsBeyondTheLimitsAreNamed) {
    TrackFolder folder("policy-limits");
    const Attempt fast = attemptOpen(
        folder.writeBytes("fast.wav", wavBytes(toneSamples(7680, 1, 768000, 440.0, 0.5), 1, 768000)));
    EXPECT_FALSE(fast.opened);
    EXPECT_EQ(fast.why, "holds audio at 768000 Hz; tracks are read at 1000 to 384000 Hz");
    const Attempt wide = attemptOpen(
        folder.writeBytes("wide.wav", wavBytes(std::vector<float>(65 * 4410, 0.25f), 65, 44100)));
    EXPECT_FALSE(wide.opened);
    EXPECT_EQ(wide.why, "holds audio in 65 channels; tracks are read with 1 to 64");
    // The limits themselves are read.
    EXPECT_TRUE(attemptOpen(folder.writeBytes("edge.wav", wavBytes(toneSamples(3840, 1, 384000, 440.0, 0.5), 1, 384000))).opened);
    EXPECT_TRUE(attemptOpen(folder.writeBytes("many.wav", wavBytes(std::vector<float>(64 * 4410, 0.25f), 64, 44100))).opened);
}

std::atomic<bool> stop_asked{false};
bool stopAsked() { return stop_asked.load(); }

TEST(TrackPolicy, TheStopRequestEndsOpensAndReads) {
    TrackFolder folder("policy-stop");
    const std::string wav = folder.writeBytes("tone.wav", wavBytes(toneSamples(44100, 1, 44100, 440.0, 0.5), 1, 44100));
    setTrackStopCheck(stopAsked);
    stop_asked.store(true);
    const Attempt refused = attemptOpen(wav);
    EXPECT_FALSE(refused.opened);
    EXPECT_EQ(refused.why, "was not opened: stopped");

    stop_asked.store(false);
    std::string why;
    TrackReader* t = openTrack(wav.c_str(), &why);
    ASSERT_NE(t, nullptr) << why;
    std::vector<float> frames(4096);
    EXPECT_EQ(readTrack(t, frames.data(), 4096), 4096);
    // A looping track would play for ever; once a stop is asked for, its reads end.
    stop_asked.store(true);
    int total = 0;
    for (int i = 0; i < 100; ++i) {
        const int got = readTrack(t, frames.data(), 4096);
        total += got;
        if (got == 0) break;
    }
    EXPECT_EQ(readTrack(t, frames.data(), 4096), 0);
    EXPECT_LT(total, 2 * 44100) << "reads went on after the stop";
    closeTrack(t);
    setTrackStopCheck(nullptr);
    stop_asked.store(false);
}

// Closing a stream interrupts the read its decoder thread may be in; later reads give nothing.
TEST(TrackPolicy, AnInterruptedTrackGivesNothingMore) {
    TrackFolder folder("policy-interrupt");
    const std::string wav = folder.writeBytes("tone.wav", wavBytes(toneSamples(44100, 2, 44100, 440.0, 0.5), 2, 44100));
    std::string why;
    TrackReader* t = openTrack(wav.c_str(), &why);
    ASSERT_NE(t, nullptr) << why;
    std::vector<float> frames(2 * 4096);
    EXPECT_EQ(readTrack(t, frames.data(), 4096), 4096);
    std::thread other([t] { interruptTrack(t); });
    other.join();
    EXPECT_EQ(readTrack(t, frames.data(), 4096), 0);
    EXPECT_EQ(readTrack(t, frames.data(), 4096), 0);
    closeTrack(t);
}

}  // namespace
