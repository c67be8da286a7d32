#pragma once

#include <cstddef>

namespace vorlunda {

// The plug-in mutex: recursive, so that an operation holding it may call another that takes it
// again. A critical section on Windows, a recursive pthread mutex elsewhere. The storage is held
// inline so that portable code never sees the platform headers.
class RecursiveMutex {
public:
    RecursiveMutex();
    ~RecursiveMutex();
    RecursiveMutex(const RecursiveMutex&) = delete;
    RecursiveMutex& operator=(const RecursiveMutex&) = delete;

    void lock();
    void unlock();
    bool try_lock();

private:
    alignas(16) unsigned char storage[64];
};

} // namespace vorlunda
