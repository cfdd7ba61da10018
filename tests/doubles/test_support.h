// Small helpers shared by the unit tests.
//
//   ScopedEnv env("SDL_AUDIODRIVER", "dummy");   // restored when env leaves scope
#pragma once
#include <optional>
#include <string>

namespace ziv::test {

// Sets (or with nullptr, unsets) one environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
private:
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace ziv::test
