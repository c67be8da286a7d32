#include "RealtimeMonitor.h"

namespace vorlunda::validate {

// Windows has no symbol interposition: a DLL binds its imports to the exporting DLL itself.
bool RealtimeMonitor::Available() {
    return false;
}
const char* RealtimeMonitor::UnavailableReason() {
    return "not applicable to this binary: allocation, lock and system-call interposition needs "
           "the Linux validator";
}
void RealtimeMonitor::Start() {}
RealtimeTally RealtimeMonitor::Stop() {
    return {};
}
void RealtimeMonitor::EnterPlugin() {}
void RealtimeMonitor::LeavePlugin() {}

} // namespace vorlunda::validate
