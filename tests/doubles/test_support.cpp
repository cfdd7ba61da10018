#include "doubles/test_support.h"

#include <cstdlib>

namespace ziv::test {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value) setenv(name, value, 1); else unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (saved_) setenv(name_.c_str(), saved_->c_str(), 1); else unsetenv(name_.c_str());
}

}  // namespace ziv::test
