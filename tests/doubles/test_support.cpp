#include "doubles/test_support.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <system_error>

namespace ziv::test {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value) setenv(name, value, 1); else unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (saved_) setenv(name_.c_str(), saved_->c_str(), 1); else unsetenv(name_.c_str());
}

TempDir::TempDir(const std::string& name) {
    std::string pattern = "/tmp/ziv-" + name + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::filesystem::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> TempDir::names(const std::string& sub) const {
    std::vector<std::string> n;
    for (const auto& e : std::filesystem::directory_iterator(sub.empty() ? path : path / sub)) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
}

}  // namespace ziv::test
