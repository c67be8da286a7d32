#include "ThreadClock.h"

#include <windows.h>

namespace vorlunda::validate {

double ThreadSeconds() {
    static const double period = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1.0 / static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * period;
}

} // namespace vorlunda::validate
