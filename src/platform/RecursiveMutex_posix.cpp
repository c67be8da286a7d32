#include "platform/RecursiveMutex.h"

#include <new>
#include <pthread.h>

namespace vorlunda {

static_assert(sizeof(pthread_mutex_t) <= 64, "mutex storage too small");

static pthread_mutex_t* Native(unsigned char* storage) {
    return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}

RecursiveMutex::RecursiveMutex() {
    auto* m = new (storage) pthread_mutex_t;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(m, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

RecursiveMutex::~RecursiveMutex() {
    pthread_mutex_destroy(Native(storage));
}
void RecursiveMutex::lock() {
    pthread_mutex_lock(Native(storage));
}
void RecursiveMutex::unlock() {
    pthread_mutex_unlock(Native(storage));
}
bool RecursiveMutex::try_lock() {
    return pthread_mutex_trylock(Native(storage)) == 0;
}

} // namespace vorlunda
