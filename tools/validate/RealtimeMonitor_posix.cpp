// The Linux real-time monitor: the validator executable defines the C library's allocation,
// lock, wait, file and system functions itself. The dynamic linker resolves a plug-in's calls
// to the executable first (it exports these names), so every such call passes through here,
// is noted when the calling thread is recording inside a plug-in call, and goes on to the C
// library's own function. Nothing here may allocate, lock or call anything that is interposed,
// or the monitor would observe (and recurse into) itself.
#undef _FORTIFY_SOURCE // the fortified inline wrappers would clash with these definitions

#include "RealtimeMonitor.h"

#if VORLUNDA_REALTIME_MONITOR

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#define VORLUNDA_INTERPOSE __attribute__((visibility("default")))

// glibc's own allocator entry points, which the definitions below forward to.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace vorlunda::validate {

namespace {

enum class Offence { Allocation, Release, Lock, File, System };

struct ThreadRecord {
    bool recording = false;
    bool inPlugin = false;
    const void* ownMutex = nullptr;
    int ownDepth = 0;      // how deep this thread holds the own mutex
    int blockingLocks = 0; // depth-0 locks of the own mutex in the current call
    long switchesAtStart = 0;
    long calls = 0;
    long allocations = 0;
    long releases = 0;
    long ownLocks = 0;
    long ownRecursive = 0;
    long otherLocks = 0;
    long fileCalls = 0;
    long systemCalls = 0;
    const char* first = nullptr;
};

// Initial-exec TLS of the executable: reading it never allocates.
thread_local ThreadRecord record;

bool Watching() {
    return record.recording && record.inPlugin;
}

void Note(Offence offence, const char* name) {
    if (!Watching())
        return;
    switch (offence) {
    case Offence::Allocation:
        ++record.allocations;
        break;
    case Offence::Release:
        ++record.releases;
        break;
    case Offence::Lock:
        ++record.otherLocks;
        break;
    case Offence::File:
        ++record.fileCalls;
        break;
    case Offence::System:
        ++record.systemCalls;
        break;
    }
    if (!record.first)
        record.first = name;
}

void NoteLock(const void* mutex, const char* name) {
    if (!Watching())
        return;
    if (!record.ownMutex)
        record.ownMutex = mutex;
    if (mutex != record.ownMutex) {
        Note(Offence::Lock, name);
        return;
    }
    if (record.ownDepth > 0) {
        ++record.ownRecursive;
    } else if (record.blockingLocks++ == 0) {
        ++record.ownLocks;
    } else {
        Note(Offence::Lock, "pthread_mutex_lock (the plug-in's mutex a second time in one call)");
    }
    ++record.ownDepth;
}

void NoteUnlock(const void* mutex) {
    if (Watching() && mutex == record.ownMutex && record.ownDepth > 0)
        --record.ownDepth;
}

long VoluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// The C library's definition of `name`, looked up once.
void* Next(std::atomic<void*>& cache, const char* name) {
    void* function = cache.load(std::memory_order_acquire);
    if (!function) {
        function = dlsym(RTLD_NEXT, name);
        cache.store(function, std::memory_order_release);
    }
    return function;
}

} // namespace

bool RealtimeMonitor::Available() {
    return true;
}

const char* RealtimeMonitor::UnavailableReason() {
    return "";
}

void RealtimeMonitor::Start() {
    record = ThreadRecord{};
    record.switchesAtStart = VoluntarySwitches();
    record.recording = true;
}

RealtimeTally RealtimeMonitor::Stop() {
    record.recording = false;
    RealtimeTally tally;
    tally.calls = record.calls;
    tally.allocations = record.allocations;
    tally.releases = record.releases;
    tally.ownLocks = record.ownLocks;
    tally.ownRecursive = record.ownRecursive;
    tally.otherLocks = record.otherLocks;
    tally.fileCalls = record.fileCalls;
    tally.systemCalls = record.systemCalls;
    tally.blockingSwitches = VoluntarySwitches() - record.switchesAtStart;
    if (record.first)
        tally.first = record.first;
    else if (tally.blockingSwitches > 0)
        tally.first = "the thread blocked (voluntary context switch)";
    return tally;
}

void RealtimeMonitor::EnterPlugin() {
    record.inPlugin = true;
    record.blockingLocks = 0;
}

void RealtimeMonitor::LeavePlugin() {
    record.inPlugin = false;
    if (record.recording)
        ++record.calls;
}

} // namespace vorlunda::validate

using vorlunda::validate::Next;
using vorlunda::validate::Note;
using vorlunda::validate::NoteLock;
using vorlunda::validate::NoteUnlock;
using vorlunda::validate::Offence;

// Forwards a function of the C library after noting it.
#define VORLUNDA_FORWARD(kind, result, name, params, args, ...)                                    \
    extern "C" VORLUNDA_INTERPOSE result name params __VA_ARGS__ {                                 \
        Note(Offence::kind, #name);                                                                \
        static std::atomic<void*> next{nullptr};                                                   \
        using Function = result(*) params;                                                         \
        return reinterpret_cast<Function>(Next(next, #name)) args;                                 \
    }

// --- Heap ---

extern "C" VORLUNDA_INTERPOSE void* malloc(std::size_t size) noexcept {
    Note(Offence::Allocation, "malloc");
    return __libc_malloc(size);
}

extern "C" VORLUNDA_INTERPOSE void* calloc(std::size_t count, std::size_t size) noexcept {
    Note(Offence::Allocation, "calloc");
    return __libc_calloc(count, size);
}

extern "C" VORLUNDA_INTERPOSE void* realloc(void* pointer, std::size_t size) noexcept {
    Note(Offence::Allocation, "realloc");
    return __libc_realloc(pointer, size);
}

extern "C" VORLUNDA_INTERPOSE void free(void* pointer) noexcept {
    if (pointer)
        Note(Offence::Release, "free");
    __libc_free(pointer);
}

extern "C" VORLUNDA_INTERPOSE void* memalign(std::size_t alignment, std::size_t size) noexcept {
    Note(Offence::Allocation, "memalign");
    return __libc_memalign(alignment, size);
}

extern "C" VORLUNDA_INTERPOSE void* aligned_alloc(std::size_t alignment,
                                                  std::size_t size) noexcept {
    Note(Offence::Allocation, "aligned_alloc");
    return __libc_memalign(alignment, size);
}

extern "C" VORLUNDA_INTERPOSE int posix_memalign(void** out, std::size_t alignment,
                                                 std::size_t size) noexcept {
    Note(Offence::Allocation, "posix_memalign");
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* pointer = __libc_memalign(alignment, size);
    if (!pointer)
        return ENOMEM;
    *out = pointer;
    return 0;
}

extern "C" VORLUNDA_INTERPOSE void* valloc(std::size_t size) noexcept {
    Note(Offence::Allocation, "valloc");
    return __libc_memalign(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), size);
}

namespace {

void* NewBytes(std::size_t size, std::size_t alignment, const char* name) {
    Note(Offence::Allocation, name);
    if (size == 0)
        size = 1;
    return alignment > alignof(std::max_align_t) ? __libc_memalign(alignment, size)
                                                 : __libc_malloc(size);
}

void* NewOrThrow(std::size_t size, std::size_t alignment, const char* name) {
    void* pointer = NewBytes(size, alignment, name);
    if (!pointer)
        throw std::bad_alloc();
    return pointer;
}

void DeleteBytes(void* pointer) {
    if (pointer)
        Note(Offence::Release, "operator delete");
    __libc_free(pointer);
}

} // namespace

VORLUNDA_INTERPOSE void* operator new(std::size_t size) {
    return NewOrThrow(size, 0, "operator new");
}
VORLUNDA_INTERPOSE void* operator new[](std::size_t size) {
    return NewOrThrow(size, 0, "operator new[]");
}
VORLUNDA_INTERPOSE void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return NewBytes(size, 0, "operator new");
}
VORLUNDA_INTERPOSE void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return NewBytes(size, 0, "operator new[]");
}
VORLUNDA_INTERPOSE void* operator new(std::size_t size, std::align_val_t alignment) {
    return NewOrThrow(size, static_cast<std::size_t>(alignment), "operator new");
}
VORLUNDA_INTERPOSE void* operator new[](std::size_t size, std::align_val_t alignment) {
    return NewOrThrow(size, static_cast<std::size_t>(alignment), "operator new[]");
}
VORLUNDA_INTERPOSE void* operator new(std::size_t size, std::align_val_t alignment,
                                      const std::nothrow_t&) noexcept {
    return NewBytes(size, static_cast<std::size_t>(alignment), "operator new");
}
VORLUNDA_INTERPOSE void* operator new[](std::size_t size, std::align_val_t alignment,
                                        const std::nothrow_t&) noexcept {
    return NewBytes(size, static_cast<std::size_t>(alignment), "operator new[]");
}
VORLUNDA_INTERPOSE void operator delete(void* pointer) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete[](void* pointer) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete(void* pointer, std::size_t) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete[](void* pointer, std::size_t) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete(void* pointer, std::align_val_t) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete[](void* pointer, std::align_val_t) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete(void* pointer, std::align_val_t,
                                        const std::nothrow_t&) noexcept {
    DeleteBytes(pointer);
}
VORLUNDA_INTERPOSE void operator delete[](void* pointer, std::align_val_t,
                                          const std::nothrow_t&) noexcept {
    DeleteBytes(pointer);
}

// --- Locks and waits ---

extern "C" VORLUNDA_INTERPOSE int pthread_mutex_lock(pthread_mutex_t* mutex) noexcept {
    NoteLock(mutex, "pthread_mutex_lock");
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(pthread_mutex_t*);
    return reinterpret_cast<Function>(Next(next, "pthread_mutex_lock"))(mutex);
}

extern "C" VORLUNDA_INTERPOSE int pthread_mutex_trylock(pthread_mutex_t* mutex) noexcept {
    NoteLock(mutex, "pthread_mutex_trylock");
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(pthread_mutex_t*);
    const int result = reinterpret_cast<Function>(Next(next, "pthread_mutex_trylock"))(mutex);
    if (result != 0)
        NoteUnlock(mutex); // not taken after all
    return result;
}

extern "C" VORLUNDA_INTERPOSE int pthread_mutex_unlock(pthread_mutex_t* mutex) noexcept {
    NoteUnlock(mutex);
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(pthread_mutex_t*);
    return reinterpret_cast<Function>(Next(next, "pthread_mutex_unlock"))(mutex);
}

VORLUNDA_FORWARD(Lock, int, pthread_mutex_timedlock,
                 (pthread_mutex_t * mutex, const struct timespec* until), (mutex, until), noexcept)
VORLUNDA_FORWARD(Lock, int, pthread_rwlock_rdlock, (pthread_rwlock_t * lock), (lock), noexcept)
VORLUNDA_FORWARD(Lock, int, pthread_rwlock_wrlock, (pthread_rwlock_t * lock), (lock), noexcept)
VORLUNDA_FORWARD(Lock, int, pthread_rwlock_tryrdlock, (pthread_rwlock_t * lock), (lock), noexcept)
VORLUNDA_FORWARD(Lock, int, pthread_rwlock_trywrlock, (pthread_rwlock_t * lock), (lock), noexcept)
VORLUNDA_FORWARD(Lock, int, pthread_spin_lock, (pthread_spinlock_t * lock), (lock), noexcept)
VORLUNDA_FORWARD(Lock, int, pthread_cond_wait, (pthread_cond_t * cond, pthread_mutex_t* mutex),
                 (cond, mutex))
VORLUNDA_FORWARD(Lock, int, pthread_cond_timedwait,
                 (pthread_cond_t * cond, pthread_mutex_t* mutex, const struct timespec* until),
                 (cond, mutex, until))
VORLUNDA_FORWARD(System, int, pthread_cond_signal, (pthread_cond_t * cond), (cond), noexcept)
VORLUNDA_FORWARD(System, int, pthread_cond_broadcast, (pthread_cond_t * cond), (cond), noexcept)
VORLUNDA_FORWARD(Lock, int, sem_wait, (sem_t * semaphore), (semaphore))
VORLUNDA_FORWARD(Lock, int, sem_timedwait, (sem_t * semaphore, const struct timespec* until),
                 (semaphore, until))
VORLUNDA_FORWARD(System, int, sem_post, (sem_t * semaphore), (semaphore), noexcept)
VORLUNDA_FORWARD(System, int, pthread_create,
                 (pthread_t * thread, const pthread_attr_t* attributes, void* (*start)(void*),
                  void* argument),
                 (thread, attributes, start, argument), noexcept)
VORLUNDA_FORWARD(System, int, pthread_join, (pthread_t thread, void** result), (thread, result))

// --- Files ---

namespace {

// open's mode argument exists only when a file may be created.
bool TakesMode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

} // namespace

extern "C" VORLUNDA_INTERPOSE int open(const char* path, int flags, ...) {
    Note(Offence::File, "open");
    mode_t mode = 0;
    if (TakesMode(flags)) {
        va_list list;
        va_start(list, flags);
        mode = static_cast<mode_t>(va_arg(list, unsigned int));
        va_end(list);
    }
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(const char*, int, ...);
    return reinterpret_cast<Function>(Next(next, "open"))(path, flags, mode);
}

extern "C" VORLUNDA_INTERPOSE int open64(const char* path, int flags, ...) {
    Note(Offence::File, "open64");
    mode_t mode = 0;
    if (TakesMode(flags)) {
        va_list list;
        va_start(list, flags);
        mode = static_cast<mode_t>(va_arg(list, unsigned int));
        va_end(list);
    }
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(const char*, int, ...);
    return reinterpret_cast<Function>(Next(next, "open64"))(path, flags, mode);
}

extern "C" VORLUNDA_INTERPOSE int openat(int directory, const char* path, int flags, ...) {
    Note(Offence::File, "openat");
    mode_t mode = 0;
    if (TakesMode(flags)) {
        va_list list;
        va_start(list, flags);
        mode = static_cast<mode_t>(va_arg(list, unsigned int));
        va_end(list);
    }
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(int, const char*, int, ...);
    return reinterpret_cast<Function>(Next(next, "openat"))(directory, path, flags, mode);
}

VORLUNDA_FORWARD(File, int, creat, (const char* path, mode_t mode), (path, mode))
VORLUNDA_FORWARD(File, ssize_t, read, (int fd, void* buffer, size_t size), (fd, buffer, size))
VORLUNDA_FORWARD(File, ssize_t, write, (int fd, const void* buffer, size_t size),
                 (fd, buffer, size))
VORLUNDA_FORWARD(File, ssize_t, pread, (int fd, void* buffer, size_t size, off_t at),
                 (fd, buffer, size, at))
VORLUNDA_FORWARD(File, ssize_t, pwrite, (int fd, const void* buffer, size_t size, off_t at),
                 (fd, buffer, size, at))
VORLUNDA_FORWARD(File, int, close, (int fd), (fd))
VORLUNDA_FORWARD(File, off_t, lseek, (int fd, off_t offset, int whence), (fd, offset, whence),
                 noexcept)
VORLUNDA_FORWARD(File, int, fsync, (int fd), (fd))
VORLUNDA_FORWARD(File, FILE*, fopen, (const char* path, const char* mode), (path, mode))
VORLUNDA_FORWARD(File, FILE*, fopen64, (const char* path, const char* mode), (path, mode))
VORLUNDA_FORWARD(File, FILE*, freopen, (const char* path, const char* mode, FILE* stream),
                 (path, mode, stream))
VORLUNDA_FORWARD(File, int, fclose, (FILE * stream), (stream))
VORLUNDA_FORWARD(File, size_t, fread, (void* buffer, size_t size, size_t count, FILE* stream),
                 (buffer, size, count, stream))
VORLUNDA_FORWARD(File, size_t, fwrite,
                 (const void* buffer, size_t size, size_t count, FILE* stream),
                 (buffer, size, count, stream))
VORLUNDA_FORWARD(File, int, fflush, (FILE * stream), (stream))
VORLUNDA_FORWARD(File, int, fseek, (FILE * stream, long offset, int whence),
                 (stream, offset, whence))
VORLUNDA_FORWARD(File, long, ftell, (FILE * stream), (stream))
VORLUNDA_FORWARD(File, char*, fgets, (char* text, int size, FILE* stream), (text, size, stream))
VORLUNDA_FORWARD(File, int, fputs, (const char* text, FILE* stream), (text, stream))
VORLUNDA_FORWARD(File, int, puts, (const char* text), (text))
VORLUNDA_FORWARD(File, int, fputc, (int c, FILE* stream), (c, stream))
VORLUNDA_FORWARD(File, int, vfprintf, (FILE * stream, const char* format, va_list list),
                 (stream, format, list))
VORLUNDA_FORWARD(File, int, vprintf, (const char* format, va_list list), (format, list))
VORLUNDA_FORWARD(File, int, stat, (const char* path, struct stat* out), (path, out), noexcept)
VORLUNDA_FORWARD(File, int, lstat, (const char* path, struct stat* out), (path, out), noexcept)
VORLUNDA_FORWARD(File, int, fstat, (int fd, struct stat* out), (fd, out), noexcept)
VORLUNDA_FORWARD(File, int, access, (const char* path, int mode), (path, mode), noexcept)
VORLUNDA_FORWARD(File, int, unlink, (const char* path), (path), noexcept)
VORLUNDA_FORWARD(File, int, rename, (const char* from, const char* to), (from, to), noexcept)
VORLUNDA_FORWARD(File, int, mkdir, (const char* path, mode_t mode), (path, mode), noexcept)
VORLUNDA_FORWARD(File, DIR*, opendir, (const char* path), (path))
VORLUNDA_FORWARD(File, struct dirent*, readdir, (DIR * directory), (directory))
VORLUNDA_FORWARD(File, int, closedir, (DIR * directory), (directory))

extern "C" VORLUNDA_INTERPOSE int fprintf(FILE* stream, const char* format, ...) {
    Note(Offence::File, "fprintf");
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(FILE*, const char*, va_list);
    va_list list;
    va_start(list, format);
    const int result = reinterpret_cast<Function>(Next(next, "vfprintf"))(stream, format, list);
    va_end(list);
    return result;
}

extern "C" VORLUNDA_INTERPOSE int printf(const char* format, ...) {
    Note(Offence::File, "printf");
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(const char*, va_list);
    va_list list;
    va_start(list, format);
    const int result = reinterpret_cast<Function>(Next(next, "vprintf"))(format, list);
    va_end(list);
    return result;
}

// The fortified forms that distribution builds (-D_FORTIFY_SOURCE) call instead.
VORLUNDA_FORWARD(File, int, __open_2, (const char* path, int flags), (path, flags))
VORLUNDA_FORWARD(File, int, __open64_2, (const char* path, int flags), (path, flags))
VORLUNDA_FORWARD(File, ssize_t, __read_chk, (int fd, void* buffer, size_t size, size_t room),
                 (fd, buffer, size, room))
VORLUNDA_FORWARD(File, size_t, __fread_chk,
                 (void* buffer, size_t room, size_t size, size_t count, FILE* stream),
                 (buffer, room, size, count, stream))
VORLUNDA_FORWARD(File, int, __vfprintf_chk,
                 (FILE * stream, int flag, const char* format, va_list list),
                 (stream, flag, format, list))
VORLUNDA_FORWARD(File, int, __vprintf_chk, (int flag, const char* format, va_list list),
                 (flag, format, list))

extern "C" VORLUNDA_INTERPOSE int __fprintf_chk(FILE* stream, int flag, const char* format, ...) {
    Note(Offence::File, "__fprintf_chk");
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(FILE*, int, const char*, va_list);
    va_list list;
    va_start(list, format);
    const int result =
        reinterpret_cast<Function>(Next(next, "__vfprintf_chk"))(stream, flag, format, list);
    va_end(list);
    return result;
}

extern "C" VORLUNDA_INTERPOSE int __printf_chk(int flag, const char* format, ...) {
    Note(Offence::File, "__printf_chk");
    static std::atomic<void*> next{nullptr};
    using Function = int (*)(int, const char*, va_list);
    va_list list;
    va_start(list, format);
    const int result = reinterpret_cast<Function>(Next(next, "__vprintf_chk"))(flag, format, list);
    va_end(list);
    return result;
}

// --- Other system calls ---

VORLUNDA_FORWARD(System, int, nanosleep, (const struct timespec* wanted, struct timespec* left),
                 (wanted, left))
VORLUNDA_FORWARD(System, int, clock_nanosleep,
                 (clockid_t clock, int flags, const struct timespec* wanted, struct timespec* left),
                 (clock, flags, wanted, left))
VORLUNDA_FORWARD(System, int, usleep, (useconds_t microseconds), (microseconds))
VORLUNDA_FORWARD(System, unsigned int, sleep, (unsigned int seconds), (seconds))
VORLUNDA_FORWARD(System, int, sched_yield, (), (), noexcept)
VORLUNDA_FORWARD(System, void*, mmap,
                 (void* address, size_t size, int protection, int flags, int fd, off_t offset),
                 (address, size, protection, flags, fd, offset), noexcept)
VORLUNDA_FORWARD(System, int, munmap, (void* address, size_t size), (address, size), noexcept)
VORLUNDA_FORWARD(System, int, mprotect, (void* address, size_t size, int protection),
                 (address, size, protection), noexcept)
VORLUNDA_FORWARD(System, int, madvise, (void* address, size_t size, int advice),
                 (address, size, advice), noexcept)
VORLUNDA_FORWARD(System, int, poll, (struct pollfd * fds, nfds_t count, int timeout),
                 (fds, count, timeout))
VORLUNDA_FORWARD(System, int, select,
                 (int count, fd_set* reading, fd_set* writing, fd_set* failing,
                  struct timeval* timeout),
                 (count, reading, writing, failing, timeout))

extern "C" VORLUNDA_INTERPOSE long syscall(long number, ...) noexcept {
    Note(Offence::System, "syscall");
    // Six argument words are what the kernel takes; passing unused ones along is harmless.
    va_list list;
    va_start(list, number);
    long words[6];
    for (long& word : words)
        word = va_arg(list, long);
    va_end(list);
    static std::atomic<void*> next{nullptr};
    using Function = long (*)(long, ...);
    return reinterpret_cast<Function>(Next(next, "syscall"))(number, words[0], words[1], words[2],
                                                             words[3], words[4], words[5]);
}

#endif
