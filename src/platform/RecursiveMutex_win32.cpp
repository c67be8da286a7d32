#include "platform/RecursiveMutex.h"

#include <new>
#include <windows.h>

namespace vorlunda {

static_assert(sizeof(CRITICAL_SECTION) <= 64, "mutex storage too small");

static CRITICAL_SECTION* Native(unsigned char* storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

RecursiveMutex::RecursiveMutex() {
    InitializeCriticalSection(new (storage) CRITICAL_SECTION);
}
RecursiveMutex::~RecursiveMutex() {
    DeleteCriticalSection(Native(storage));
}
void RecursiveMutex::lock() {
    EnterCriticalSection(Native(storage));
}
void RecursiveMutex::unlock() {
    LeaveCriticalSection(Native(storage));
}
bool RecursiveMutex::try_lock() {
    return TryEnterCriticalSection(Native(storage)) != 0;
}

} // namespace vorlunda
