// The console's device in memory: no window, the presented picture kept
// for whoever looks, key presses injected by the caller.
#include <cstring>
#include <vector>

#include "doubles/console_memory.h"

#include "platform/console.h"

namespace {

struct PendingKey {
    int code;
    bool shift, control, alt;
};

struct {
    bool open = false;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> uploaded;
    std::vector<uint32_t> shown;
    int presents = 0;
    std::vector<PendingKey> keys;
} memory_state;

bool openDisplay(const ConsoleDisplaySettings& settings, std::string* /*error*/) {
    memory_state.open = true;
    memory_state.width = settings.width;
    memory_state.height = settings.height;
    const size_t size = static_cast<size_t>(settings.width) * static_cast<size_t>(settings.height);
    memory_state.uploaded.assign(size, 0u);
    memory_state.shown.assign(size, 0u);
    memory_state.presents = 0;
    memory_state.keys.clear();  // presses before the console opened are not its
    return true;
}

bool upload(const uint32_t* pixels, int width, int height, std::string* error) {
    if (width != memory_state.width || height != memory_state.height) {
        *error = "copy: the picture does not match the display's size";
        return false;
    }
    std::memcpy(memory_state.uploaded.data(), pixels, memory_state.uploaded.size() * sizeof(uint32_t));
    return true;
}

bool present(std::string* /*error*/) {
    // A display shows colour only: the top byte of a pixel never reaches it.
    for (size_t i = 0; i < memory_state.shown.size(); ++i) memory_state.shown[i] = memory_state.uploaded[i] & 0xFFFFFFu;
    ++memory_state.presents;
    return true;
}

void pollEvents(ConsoleKeySink sink) {
    const std::vector<PendingKey> keys = std::move(memory_state.keys);
    memory_state.keys.clear();
    for (const PendingKey& k : keys) sink(k.code, k.shift, k.control, k.alt);
}

void closeDisplay() { memory_state.open = false; }
void setIcon(const uint8_t*, int, int) {}
void showMessage(const char*, const char*) {}

const ConsoleBackend memory_backend = {"memory", openDisplay, upload, present, pollEvents, closeDisplay, setIcon,
                                       showMessage, nullptr, nullptr, nullptr};

}  // namespace

const ConsoleBackend* memoryConsoleBackend() { return &memory_backend; }

const uint32_t* memoryConsoleFrame(int* width, int* height) {
    *width = memory_state.width;
    *height = memory_state.height;
    return memory_state.shown.data();
}

int memoryConsolePresentCount() { return memory_state.presents; }
bool memoryConsoleIsOpen() { return memory_state.open; }

void memoryConsolePressKey(int code, bool shift, bool control, bool alt) {
    if (memory_state.open) memory_state.keys.push_back({code, shift, control, alt});
}

void memoryConsoleRequestClose() { memoryConsolePressKey(kConsoleEscapeCode, false, false, false); }

void memoryConsoleReset() { memory_state = {}; }
