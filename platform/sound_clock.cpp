#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound_devices.h"

namespace {

using Clock = std::chrono::steady_clock;

struct {
    std::thread thread;
    std::atomic<bool> quit{false};
    std::mutex mixing;
    MixStereo mix = nullptr;
    bool open = false;
} clock_output;

void run() {
    std::vector<float> discard(2 * kOutputBufferFrames);
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(kOutputBufferFrames) / kMixRate));
    auto next = Clock::now();
    while (!clock_output.quit.load(std::memory_order_acquire)) {
        {
            std::lock_guard<std::mutex> guard(clock_output.mixing);
            clock_output.mix(discard.data(), kOutputBufferFrames);
        }
        next += period;
        // After a long stall (a suspended machine) go on from now rather than
        // racing through the missed buffers.
        if (Clock::now() - next > 4 * period) next = Clock::now();
        std::this_thread::sleep_until(next);
    }
}

bool open(MixStereo mix, int* bufferFrames) {
    if (clock_output.open) return false;
    clock_output.mix = mix;
    clock_output.quit.store(false, std::memory_order_release);
    clock_output.thread = std::thread(run);
    clock_output.open = true;
    *bufferFrames = kOutputBufferFrames;
    return true;
}

void close() {
    if (!clock_output.open) return;
    clock_output.quit.store(true, std::memory_order_release);
    clock_output.thread.join();
    clock_output.open = false;
}

void lock() { clock_output.mixing.lock(); }
void unlock() { clock_output.mixing.unlock(); }

const SoundOutput clock_sound_output = {open, close, lock, unlock};

}  // namespace

const SoundOutput* clockSoundOutput() { return &clock_sound_output; }
