#pragma once

#include "core/row_bands.h"

// Sets how many threads share out banded work, and the size from which they
// do, for as long as it lives; the defaults come back however a test ends.
struct RowBandSettings {
    RowBandSettings(int threads, qint64 minimumWork) {
        lx::setRowBandThreads(threads);
        lx::setRowBandMinimumWork(minimumWork);
    }
    ~RowBandSettings() {
        lx::setRowBandThreads(0);
        lx::setRowBandMinimumWork(0);
    }
    RowBandSettings(const RowBandSettings&) = delete;
    RowBandSettings& operator=(const RowBandSettings&) = delete;
};
