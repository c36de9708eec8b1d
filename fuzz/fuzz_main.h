#pragma once

// Start-up shared by the fuzz targets and the check that turns a broken
// promise into a crash libFuzzer saves.

#include "file_entries.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace velmofuzz {

// Text layers need fonts, and fonts need an application object. It lives
// for the whole run; the offscreen platform needs no display.
inline void startApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps references to argc and argv: both must outlive the object.
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
}

// VELMO_FUZZ_TOLERATE may hold text that a problem already reported
// contains (several separated by '|'): such problems do not stop the run,
// so a target goes on finding others while the first waits for its fix.
inline bool tolerated(const std::string& Problem) {
    const char* list = std::getenv("VELMO_FUZZ_TOLERATE");
    if (list == nullptr) return false;
    const std::string all = list;
    size_t start = 0;
    while (start <= all.size()) {
        const size_t end = std::min(all.find('|', start), all.size());
        const std::string part = all.substr(start, end - start);
        if (!part.empty() && Problem.find(part) != std::string::npos) return true;
        start = end + 1;
    }
    return false;
}

inline void check(const Result& r, const char* target) {
    if (r.Problem.empty() || tolerated(r.Problem)) return;
    std::fprintf(stderr, "%s: %s\n", target, r.Problem.c_str());
    std::abort();
}

} // namespace velmofuzz
