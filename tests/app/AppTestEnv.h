#pragma once

// Shared set-up of the application shell's tests: private configuration and
// runtime folders, so that nothing of the user's own is read or touched.

#include "support/TempDir.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace s::test {

/// Sets (or, with null, unsets) an environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old)
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_had ? ::setenv(m_name.c_str(), m_old.c_str(), 1) : ::unsetenv(m_name.c_str()); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

/// XDG_CONFIG_HOME and XDG_RUNTIME_DIR in a fresh temporary folder.
class AppTestEnv {
public:
    AppTestEnv()
        : m_made(::mkdir(m_dir.file("config").c_str(), 0700) == 0 &&
                 ::mkdir(m_dir.file("run").c_str(), 0700) == 0),
          m_config("XDG_CONFIG_HOME", m_dir.file("config").c_str()),
          m_runtime("XDG_RUNTIME_DIR", m_dir.file("run").c_str()) {}

    bool ok() const { return m_made; }
    const TempDir& dir() const { return m_dir; }

private:
    TempDir m_dir{"app"};
    bool m_made;
    ScopedEnv m_config;
    ScopedEnv m_runtime;
};

} // namespace s::test
