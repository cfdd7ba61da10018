// Small helpers shared by the unit tests.
//
//   ScopedEnv env("SDL_AUDIODRIVER", "dummy");   // restored when env leaves scope
//   TempDir dir("render-run");                   // /tmp/ziv-render-run-XXXXXX, removed with all it holds
//   std::string out = dir / "out.raw";
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

// A fresh folder under /tmp for one test, removed with its contents at the end.
struct TempDir {
    std::filesystem::path path;
    explicit TempDir(const std::string& name);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // The names in the folder (or in its subfolder sub), sorted.
    std::vector<std::string> names(const std::string& sub = "") const;
};

}  // namespace ziv::test
