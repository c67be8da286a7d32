// The audio path must not allocate: this file replaces the global allocation functions of the
// test binary and counts what the current thread allocates while counting is switched on.
#include "engine/ParameterTable.h"
#include "support/InstrumentHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;

void* Allocate(std::size_t size) {
    if (counting)
        ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting)
        ++allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (counting)
        ++allocations;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace vorlunda {
namespace {

TEST(Realtime, RenderingWithNotesControllersAndParameterChangesNeverAllocates) {
    test::InstrumentHarness synth(48000.0, 256);
    std::vector<double> l(256), r(256);
    double* outs[2] = {l.data(), r.data()};
    synth.RenderBlock(nullptr, outs, 256); // warm-up

    counting = true;
    allocations = 0;
    for (int block = 0; block < 4000; ++block) {
        const int note = 36 + (block * 7) % 60;
        synth.Midi(0x90, note, 1 + block % 127, block % 256);
        synth.Midi(0xB0, 1, block % 128, (block * 3) % 256);
        synth.Midi(0xE0, block % 128, (block / 3) % 128, 17);
        if (block % 5 == 0)
            synth.Midi(0x80, 36 + ((block - 35) * 7) % 60, 0, 100);
        if (block % 50 == 0)
            synth.Midi(0xB0, 64, (block / 50) % 2 ? 127 : 0);
        if (block % 10 == 0) {
            const int index = (block / 10) % kParamCount;
            if (index != kVoices) {
                PlugParam* p = synth.Parameter(index);
                p->SetFromNormalised((block % 7) / 6.0);
                synth.ParameterChanged(index);
            }
        }
        synth.RenderBlock(nullptr, outs, 1 + block % 256);
    }
    counting = false;
    EXPECT_EQ(allocations, 0);
}

} // namespace
} // namespace vorlunda
