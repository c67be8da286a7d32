// The monitor of a build without interposition: available in name only, every call does nothing.
// Windows has no symbol interposition (a DLL binds its imports to the exporting DLL itself); a
// sanitizer build's runtime owns malloc and the lock functions.
#include "RealtimeMonitor.h"

#if !VORLUNDA_REALTIME_MONITOR

namespace vorlunda::validate {

bool RealtimeMonitor::Available() {
    return false;
}

const char* RealtimeMonitor::UnavailableReason() {
#ifdef _WIN32
    return "not applicable to this binary: allocation, lock and system-call interposition needs "
           "the Linux validator";
#else
    return "not applicable to this build: its sanitizer runtime owns malloc and the lock "
           "functions";
#endif
}

void RealtimeMonitor::Start() {}

RealtimeTally RealtimeMonitor::Stop() {
    return {};
}

void RealtimeMonitor::EnterPlugin() {}
void RealtimeMonitor::LeavePlugin() {}

} // namespace vorlunda::validate

#endif
