#pragma once

#include <string>

// Interposition needs glibc's dynamic linker and a build whose runtime does not own malloc and
// the lock functions itself (the sanitizer builds' runtimes do).
#if defined(__linux__) && defined(__GLIBC__) && !defined(VORLUNDA_VALIDATE_NO_INTERPOSE)
#define VORLUNDA_REALTIME_MONITOR 1
#else
#define VORLUNDA_REALTIME_MONITOR 0
#endif

namespace vorlunda::validate {

// What one thread did inside plug-in calls while the monitor recorded.
struct RealtimeTally {
    long calls = 0;            // plug-in calls watched
    long allocations = 0;      // malloc, calloc, realloc, aligned forms, operator new
    long releases = 0;         // free, operator delete
    long ownLocks = 0;         // the plug-in's own mutex, taken once per call
    long ownRecursive = 0;     // the same mutex taken again while held (cannot block)
    long otherLocks = 0;       // any other mutex, a second blocking lock in one call, waits
    long fileCalls = 0;        // open, read, write, stdio, stat, directories
    long systemCalls = 0;      // sleeps, memory mapping, raw system calls, thread functions
    long blockingSwitches = 0; // voluntary context switches of the thread (it blocked)
    std::string first;         // the first offence, by function name

    long Offences() const {
        return allocations + releases + otherLocks + fileCalls + systemCalls + blockingSwitches;
    }
};

// Watches a thread for what must not happen on a real-time audio thread: heap allocation,
// locks other than the plug-in's own mutex, file access and other system calls. On Linux the
// validator itself defines malloc, free, operator new and delete, the pthread lock and wait
// functions and the file and system functions, so the plug-in's calls land here first; each
// notes the call when the calling thread is recording and inside a plug-in call, then forwards
// to the C library. Elsewhere (Windows, or a sanitizer build whose runtime owns malloc) the
// monitor is not available.
//
// The plug-in's own mutex: the first mutex the thread locks inside a plug-in call. A call may
// take it once (the lock that can block while the host's other threads hold it) and take it
// again recursively while holding it (which cannot block); any other mutex, or a second
// blocking lock within one call, is an offence.
class RealtimeMonitor {
public:
    static bool Available();
    static const char* UnavailableReason();

    // Starts recording on the calling thread; Stop answers what was recorded.
    static void Start();
    static RealtimeTally Stop();

    // Bracket every call into the plug-in (PluginInstance does this).
    static void EnterPlugin();
    static void LeavePlugin();
};

} // namespace vorlunda::validate
