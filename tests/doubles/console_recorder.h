// A console device double: the memory device, with every library call and
// device call written to a log, key presses delivered on a script, and
// device failures on request. Installed for its lifetime.
//
//   std::vector<std::string> log;
//   ConsoleRecorder console(&log);
//   console.keysAtPoll[3] = {'a', 27};   // arrive when the device is polled the 3rd time
//   console.failOpen = "no display here";
//   ... log: "console:open", "device:open fullscreen hide-cursor ziv 640x480", "device:present", ...
#pragma once
#include <map>
#include <string>
#include <vector>

#include "doubles/console_memory.h"
#include "platform/console.h"

namespace ziv::test {

class ConsoleRecorder {
public:
    explicit ConsoleRecorder(std::vector<std::string>* log);
    ~ConsoleRecorder();
    ConsoleRecorder(const ConsoleRecorder&) = delete;
    ConsoleRecorder& operator=(const ConsoleRecorder&) = delete;

    std::map<int, std::vector<int>> keysAtPoll;  // poll number (from 1) -> key codes
    std::string failOpen;                       // non-empty: opening fails with this message
    int failPresentNumber = 0;                  // >0: that present (from 1) fails
    int polls = 0;
    int presents = 0;
    std::vector<std::string> messageBoxes;      // "title: message" of every box shown
    ConsoleDisplaySettings lastSettings{};
    std::string lastTitle;

    std::vector<std::string>* log;
};

// How many entries of the log equal text.
int countOf(const std::vector<std::string>& log, const std::string& text);
// The entries of the log that start with one of the prefixes, in order.
std::vector<std::string> only(const std::vector<std::string>& log, const std::vector<std::string>& prefixes);

}  // namespace ziv::test
