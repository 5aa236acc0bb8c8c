#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

// Plain globals: operator new may run before any constructor of this file.
bool g_armed = false;
bool g_happened = false;
long g_remaining = 0;

bool ThisAllocationFails() {
    if (!g_armed || g_happened) {
        return false;
    }
    if (--g_remaining > 0) {
        return false;
    }
    g_happened = true;
    return true;
}

}  // namespace

namespace synvora::test {

FailingAllocation::FailingAllocation(long nth) {
    g_happened = false;
    g_remaining = nth;
    g_armed = true;
}

FailingAllocation::~FailingAllocation() {
    g_armed = false;
}

bool FailingAllocation::Happened() const {
    return g_happened;
}

}  // namespace synvora::test

// The replacements stay on malloc and free, so the sanitizers still see every block.
void* operator new(std::size_t size) {
    if (ThisAllocationFails()) {
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
