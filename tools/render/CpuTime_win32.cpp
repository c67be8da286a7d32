#include "CpuTime.h"

#include <windows.h>

namespace vorlunda::render {

namespace {
double Seconds(const FILETIME& time) {
    const ULONGLONG ticks = (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<double>(ticks) * 1e-7; // FILETIME counts 100 ns
}
} // namespace

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0.0;
    return Seconds(kernel) + Seconds(user);
}

} // namespace vorlunda::render
