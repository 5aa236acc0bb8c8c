#pragma once

namespace synvora::test {

/// Makes one allocation through the global operator new fail with std::bad_alloc: the nth one
/// (counting from 1) made while the object lives; all others succeed. Only for a test program
/// that compiles FailingAllocation.cpp in, which replaces the global operator new and delete.
/// Single-threaded use.
class FailingAllocation {
public:
    explicit FailingAllocation(long nth);
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;
    ~FailingAllocation();

    /// True once the nth allocation was asked for (and refused).
    bool Happened() const;
};

}  // namespace synvora::test
