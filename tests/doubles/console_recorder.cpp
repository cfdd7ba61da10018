#include "doubles/console_recorder.h"

namespace ziv::test {

namespace {

ConsoleRecorder* active = nullptr;

void note(const std::string& entry) {
    if (active && active->log) active->log->push_back(entry);
}

bool open(const ConsoleDisplaySettings& settings, std::string* error) {
    active->lastSettings = settings;
    active->lastTitle = settings.title;
    note(std::string("device:open ") + (settings.fullscreen ? "fullscreen" : "windowed") +
         (settings.hideCursor ? " hide-cursor " : " ") + settings.title + " " + std::to_string(settings.width) + "x" +
         std::to_string(settings.height));
    if (!active->failOpen.empty()) {
        *error = active->failOpen;
        return false;
    }
    return memoryConsoleBackend()->open(settings, error);
}

bool upload(const uint32_t* pixels, int width, int height, std::string* error) {
    note("device:upload");
    return memoryConsoleBackend()->upload(pixels, width, height, error);
}

bool present(std::string* error) {
    ++active->presents;
    note("device:present");
    if (active->presents == active->failPresentNumber) {
        *error = "the display went away";
        return false;
    }
    return memoryConsoleBackend()->present(error);
}

void pollEvents(ConsoleKeySink sink) {
    ++active->polls;
    auto due = active->keysAtPoll.find(active->polls);
    if (due != active->keysAtPoll.end()) {
        for (int code : due->second) memoryConsolePressKey(code, false, false, false);
    }
    memoryConsoleBackend()->pollEvents(sink);
}

void close() {
    note("device:close");
    memoryConsoleBackend()->close();
}

void setIcon(const uint8_t* rgba, int width, int height) {
    note("device:icon " + std::to_string(width) + "x" + std::to_string(height));
    memoryConsoleBackend()->setIcon(rgba, width, height);
}

void showMessage(const char* title, const char* message) {
    active->messageBoxes.push_back(std::string(title) + ": " + message);
}

void trace(const char* operation) { note(std::string("console:") + operation); }

const ConsoleBackend recorder_backend = {"recorder", open, upload, present, pollEvents, close, setIcon, showMessage, trace,
                                           nullptr, nullptr};

}  // namespace

ConsoleRecorder::ConsoleRecorder(std::vector<std::string>* l) : log(l) {
    memoryConsoleReset();
    active = this;
    useConsoleBackend(&recorder_backend);
}

ConsoleRecorder::~ConsoleRecorder() {
    useConsoleBackend(nullptr);
    active = nullptr;
    memoryConsoleReset();
}

int countOf(const std::vector<std::string>& log, const std::string& text) {
    int n = 0;
    for (const auto& entry : log) n += entry == text ? 1 : 0;
    return n;
}

std::vector<std::string> only(const std::vector<std::string>& log, const std::vector<std::string>& prefixes) {
    std::vector<std::string> kept;
    for (const auto& entry : log) {
        for (const auto& prefix : prefixes) {
            if (entry.rfind(prefix, 0) == 0) {
                kept.push_back(entry);
                break;
            }
        }
    }
    return kept;
}

}  // namespace ziv::test
