#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

#include "doubles/console_recorder.h"
#include "doubles/test_support.h"
#include "platform/console_fit.h"
#include "platform/pixel_console.h"
#include "doubles/console_memory.h"

namespace {

using ziv::test::ConsoleRecorder;
using ziv::test::countOf;
using ziv::test::ScopedEnv;
using Log = std::vector<std::string>;

struct OpenConsole {
    explicit OpenConsole(const char* mode = "windowed output") {
        console.option(mode);
        console.open("ziv", 640, 480, format, 0);
    }
    PixelConsole console;
    ConsoleFormat format{32, 0xFF0000, 0xFF00, 0xFF, 0};
};

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ptc::DynamicError& error) {
        return error.message();
    }
    return "";
}

// --- the library over its memory device

TEST(Console, NewSurfaceIsBlackKeepsItsPixelsAndShowsOnlyColour) {
    Log log;
    ConsoleRecorder recorder(&log);
    OpenConsole c;
    EXPECT_EQ(c.console.width(), 640);
    EXPECT_EQ(c.console.height(), 480);
    ConsoleSurface surface(c.console.width(), c.console.height(), c.format);
    auto* pixels = static_cast<uint32_t*>(surface.lock());
    for (int i = 0; i < 640 * 480; ++i) ASSERT_EQ(pixels[i], 0u) << "pixel " << i;
    for (int i = 0; i < 640 * 480; ++i) pixels[i] = 0xAB000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    surface.unlock();

    // The same memory comes back with every lock: nothing clears it.
    auto* again = static_cast<uint32_t*>(surface.lock());
    EXPECT_EQ(again, pixels);
    EXPECT_EQ(again[640 * 479 + 639], 0xAB000000u | ((640u * 479u + 639u) * 2654435761u >> 8));
    // Rows are 640 pixels (2560 bytes) apart.
    again[1 * 640 + 0] = 0x00123456u;
    surface.unlock();

    surface.copy(c.console);
    c.console.update();
    int w = 0, h = 0;
    const uint32_t* shown = memoryConsoleFrame(&w, &h);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    EXPECT_EQ(shown[640], 0x00123456u);
    for (int i = 0; i < 640 * 480; ++i) ASSERT_EQ(shown[i] >> 24, 0u) << "pixel " << i;
    EXPECT_EQ(shown[5], (5u * 2654435761u >> 8) & 0xFFFFFFu);
    EXPECT_EQ(memoryConsolePresentCount(), 1);
}

TEST(Console, KeysComeInArrivalOrderWithTheirFlagsAndOnlyOnce) {
    Log log;
    ConsoleRecorder recorder(&log);
    memoryConsolePressKey('z', false, false, false);  // before the console opened: not its key
    OpenConsole c;
    EXPECT_FALSE(c.console.key());
    memoryConsolePressKey('a', true, false, false);
    memoryConsolePressKey('b', false, true, true);
    memoryConsolePressKey(27, false, false, false);
    std::vector<int> codes;
    ConsoleKey last;
    while (c.console.key()) {
        last = c.console.read();
        codes.push_back(last.code());
        if (codes.size() == 1) {
            EXPECT_TRUE(last.shift());
            EXPECT_FALSE(last.control());
        }
        if (codes.size() == 2) {
            EXPECT_TRUE(last.control());
            EXPECT_TRUE(last.alt());
            EXPECT_FALSE(last.shift());
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{'a', 'b', 27}));
    EXPECT_FALSE(c.console.key());
    // Reading with nothing waiting is an error, never a made-up key or a wait.
    EXPECT_NE(errorOf([&] { c.console.read(); }), "");
}

TEST(Console, FullKeyQueueDropsLaterKeysButNeverAnEscape) {
    Log log;
    ConsoleRecorder recorder(&log);
    OpenConsole c;
    for (int i = 0; i < kConsoleKeyQueueSize + 40; ++i) memoryConsolePressKey('0' + i % 10, false, false, false);
    memoryConsoleRequestClose();
    std::vector<int> codes;
    while (c.console.key()) codes.push_back(c.console.read().code());
    ASSERT_EQ(codes.size(), static_cast<size_t>(kConsoleKeyQueueSize));
    EXPECT_EQ(codes.front(), '0');
    EXPECT_EQ(codes[kConsoleKeyQueueSize - 2], '0' + (kConsoleKeyQueueSize - 2) % 10);
    EXPECT_EQ(codes.back(), 27);
}

TEST(Console, OptionsChooseTheDisplayAndUnknownOnesAreIgnored) {
    Log log;
    ConsoleRecorder recorder(&log);
    {
        PixelConsole console;
        ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
        EXPECT_FALSE(console.option("sparkle mode"));
        EXPECT_FALSE(console.option(""));
        EXPECT_TRUE(console.option("fullscreen output"));
        EXPECT_TRUE(console.option("hide cursor"));
        console.open("ziv", 640, 480, format, 0);
    }
    {
        PixelConsole console;
        ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
        console.option("fullscreen output");
        console.option("windowed output");  // the last choice counts
        console.open("ziv", 640, 480, format, 0);
    }
    EXPECT_EQ(countOf(log, "device:open fullscreen hide-cursor ziv 640x480"), 1);
    EXPECT_EQ(countOf(log, "device:open windowed ziv 640x480"), 1);
    EXPECT_EQ(countOf(log, "device:close"), 2);  // releasing an open console closes its display
}

TEST(Console, MisuseRaisesTheLibraryErrorInsteadOfCrashing) {
    Log log;
    ConsoleRecorder recorder(&log);
    EXPECT_NE(errorOf([] { ConsoleFormat f(16, 0xF800, 0x7E0, 0x1F, 0); }), "");
    EXPECT_NE(errorOf([] { ConsoleFormat f(32, 0xFF, 0xFF00, 0xFF0000, 0); }), "");
    ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_NE(errorOf([&] { ConsoleSurface s(0, 480, format); }), "");
    EXPECT_NE(errorOf([&] { ConsoleSurface s(640, -1, format); }), "");
    EXPECT_NE(errorOf([&] { ConsoleSurface s(1 << 20, 1 << 20, format); }), "");

    PixelConsole closed;
    EXPECT_NE(errorOf([&] { closed.update(); }), "");
    EXPECT_NE(errorOf([&] { closed.key(); }), "");
    EXPECT_NE(errorOf([&] { closed.open("ziv", 0, 480, format, 0); }), "");

    OpenConsole c;
    EXPECT_NE(errorOf([&] { c.console.open("ziv", 640, 480, c.format, 0); }), "");
    EXPECT_NE(errorOf([&] { closed.open("ziv", 640, 480, format, 0); }), "");  // one open console at a time
    ConsoleSurface surface(640, 480, format);
    ConsoleSurface small(320, 200, format);
    EXPECT_NE(errorOf([&] { small.copy(c.console); }), "");
    EXPECT_NE(errorOf([&] { surface.unlock(); }), "");
    surface.lock();
    EXPECT_NE(errorOf([&] { surface.lock(); }), "");
    EXPECT_NE(errorOf([&] { surface.copy(c.console); }), "");
    surface.unlock();
    EXPECT_EQ(errorOf([&] { surface.copy(c.console); }), "");

    c.console.close();
    EXPECT_NE(errorOf([&] { surface.copy(c.console); }), "");
    EXPECT_EQ(errorOf([&] { c.console.close(); }), "");  // closing twice is harmless
}

TEST(Console, SurfacesCopyOntoEachOther) {
    Log log;
    ConsoleRecorder recorder(&log);
    ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    ConsoleSurface a(4, 3, format), b(4, 3, format);
    static_cast<uint32_t*>(a.lock())[11] = 0x00FF00FFu;
    a.unlock();
    a.copy(b);
    EXPECT_EQ(static_cast<uint32_t*>(b.lock())[11], 0x00FF00FFu);
    b.unlock();
}

TEST(Console, ReportWritesOneLineUnderTheTitleAndABoxOnlyFromADesktop) {
    Log log;
    ConsoleRecorder recorder(&log);
    recorder.failOpen = "cannot create the window: out of luck";
    std::string message;
    auto openAndReport = [&] {
        try {
            PixelConsole console;
            ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
            console.open("ziv", 640, 480, format, 0);
        } catch (const ptc::DynamicError& error) {
            testing::internal::CaptureStderr();
            error.report();
            message = testing::internal::GetCapturedStderr();
        }
    };
    {
        ScopedEnv display("DISPLAY", ":77"), ci("CI", nullptr);
        openAndReport();  // stderr is captured into a file here: not a terminal
        EXPECT_EQ(message, "ziv: cannot create the window: out of luck\n");
        EXPECT_EQ(recorder.messageBoxes, (Log{"ziv: cannot create the window: out of luck"}));
    }
    recorder.messageBoxes.clear();
    {
        ScopedEnv display("DISPLAY", ":77"), ci("CI", "true");
        openAndReport();
        EXPECT_TRUE(recorder.messageBoxes.empty());
    }
    {
        ScopedEnv display("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr), ci("CI", nullptr);
        openAndReport();
        EXPECT_EQ(message, "ziv: cannot create the window: out of luck\n");
        EXPECT_TRUE(recorder.messageBoxes.empty());
    }
}

TEST(Console, IconReachesTheOpenWindowAndLaterOnes) {
    Log log;
    ConsoleRecorder recorder(&log);
    std::vector<uint8_t> icon(32 * 32 * 4, 0x80);
    EXPECT_FALSE(consoleSetIcon(icon.data(), 0, 32));
    {
        OpenConsole c;
        EXPECT_TRUE(consoleSetIcon(icon.data(), 32, 32));
    }
    EXPECT_EQ(countOf(log, "device:icon 32x32"), 1);
    OpenConsole c;
    EXPECT_EQ(recorder.lastSettings.iconWidth, 32);
    ASSERT_NE(recorder.lastSettings.iconRgba, nullptr);
    EXPECT_EQ(recorder.lastSettings.iconRgba[32 * 32 * 4 - 1], 0x80);
}

TEST(Console, FillsTheScreenSharplyUnlessToldToKeepWholeFactors) {
    Log log;
    ConsoleRecorder recorder(&log);
    {
        OpenConsole c("fullscreen output");
        EXPECT_TRUE(recorder.lastSettings.fill);  // the show sets no scale: fit is its full screen
    }
    {
        PixelConsole console;
        ConsoleFormat format{32, 0xFF0000, 0xFF00, 0xFF, 0};
        console.option("scale integer");
        console.open("ziv", 640, 480, format, 0);
        EXPECT_FALSE(recorder.lastSettings.fill);
    }
}

// --- where the picture lands on a larger or smaller display

TEST(ConsoleFit, WholeFactorsWhenTheDisplayHoldsTwoOrMore) {
    auto same = [](PictureRect a, PictureRect b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    };
    EXPECT_TRUE(same(fitPicture(640, 480, 640, 480), {0, 0, 640, 480}));
    EXPECT_TRUE(same(fitPicture(1280, 960, 640, 480), {0, 0, 1280, 960}));
    EXPECT_TRUE(same(fitPicture(1920, 1080, 640, 480), {320, 60, 1280, 960}));
    EXPECT_TRUE(same(fitPicture(3840, 2160, 640, 480), {640, 120, 2560, 1920}));
    EXPECT_TRUE(same(fitPicture(1600, 1000, 640, 480), {160, 20, 1280, 960}));
    // Less than twice: as large as the 4:3 aspect allows.
    EXPECT_TRUE(same(fitPicture(1024, 768, 640, 480), {0, 0, 1024, 768}));
    EXPECT_TRUE(same(fitPicture(1366, 768, 640, 480), {171, 0, 1024, 768}));
    EXPECT_TRUE(same(fitPicture(800, 1000, 640, 480), {0, 200, 800, 600}));
    EXPECT_TRUE(same(fitPicture(320, 240, 640, 480), {0, 0, 320, 240}));
    EXPECT_TRUE(same(fitPicture(0, 768, 640, 480), {0, 0, 0, 0}));
    // Told to fill: the largest 4:3 area, whole factor or not.
    EXPECT_TRUE(same(fitPicture(1920, 1080, 640, 480, false), {240, 0, 1440, 1080}));
    EXPECT_TRUE(same(fitPicture(1280, 960, 640, 480, false), {0, 0, 1280, 960}));
    EXPECT_TRUE(same(fitPicture(2560, 1600, 640, 480, false), {213, 0, 2133, 1600}));
}

// --- the SDL device, on SDL's dummy video driver

SDL_Window* windowTitled(const char* title) {
    for (Uint32 id = 1; id < 1000; ++id) {
        SDL_Window* w = SDL_GetWindowFromID(id);
        if (w && std::strcmp(SDL_GetWindowTitle(w), title) == 0) return w;
    }
    return nullptr;
}

void pushKey(Uint32 windowId, SDL_Keycode code, Uint8 repeat = 0) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = windowId;
    e.key.state = SDL_PRESSED;
    e.key.repeat = repeat;
    e.key.keysym.sym = code;
    e.key.keysym.mod = KMOD_NONE;
    SDL_PushEvent(&e);
}

class ConsoleSdl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }
    ScopedEnv driver{"SDL_VIDEODRIVER", "dummy"};
};

TEST_F(ConsoleSdl, OnlyKeysForItsOwnWindowAfterOpeningCount) {
    pushKey(0, 'e');  // pressed before the console opened, in a dialog say
    OpenConsole c;
    SDL_Window* window = windowTitled("ziv");
    ASSERT_NE(window, nullptr);
    const Uint32 id = SDL_GetWindowID(window);
    EXPECT_FALSE(c.console.key());

    pushKey(id + 100, 'x');           // another window's key
    pushKey(id, 'a');
    pushKey(id, 'a', 1);              // held down: repeats count
    pushKey(id, SDLK_ESCAPE);
    std::vector<int> codes;
    while (c.console.key()) codes.push_back(c.console.read().code());
    EXPECT_EQ(codes, (std::vector<int>{'a', 'a', 27}));
}

TEST_F(ConsoleSdl, ClosingTheWindowArrivesAsOneEscape) {
    OpenConsole c;
    SDL_Window* window = windowTitled("ziv");
    ASSERT_NE(window, nullptr);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(window);
    SDL_PushEvent(&close);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    ASSERT_TRUE(c.console.key());
    EXPECT_EQ(c.console.read().code(), 27);
    EXPECT_FALSE(c.console.key());

    SDL_PushEvent(&quit);  // a quit request alone (a signal) too
    ASSERT_TRUE(c.console.key());
    EXPECT_EQ(c.console.read().code(), 27);
}

TEST_F(ConsoleSdl, PresentsFramesWindowedAndFullScreen) {
    for (const char* mode : {"windowed output", "fullscreen output"}) {
        OpenConsole c(mode);
        c.console.option("hide cursor");
        ConsoleSurface surface(640, 480, c.format);
        for (int frame = 0; frame < 3; ++frame) {
            static_cast<uint32_t*>(surface.lock())[frame] = 0xFFFFFFFFu;
            surface.unlock();
            surface.copy(c.console);
            EXPECT_EQ(errorOf([&] { c.console.update(); }), "") << mode;
        }
        c.console.close();
        EXPECT_EQ(windowTitled("ziv"), nullptr) << "closing removes the window";
    }
}

TEST_F(ConsoleSdl, LandingOnAnInvisibleDriverUnaskedFailsClearly) {
    ScopedEnv unasked("SDL_VIDEODRIVER", nullptr);
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");  // what SDL picks by itself when no display answers
    PixelConsole console;
    ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const std::string error = errorOf([&] { console.open("ziv", 640, 480, format, 0); });
    SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_NE(errorOf([&] { console.update(); }), "");
}

}  // namespace
