#pragma once

#include <memory>

namespace synvora::odbc {

/// Frees an ODBC handle of the given handle type (environment, connection or statement). Never
/// throws: a failure to free is ignored, there is nothing left to do with the handle.
struct HandleDeleter {
    short type = 0;
    void operator()(void* handle) const noexcept;
};

/// An owned ODBC handle; SQLHANDLE is a plain pointer, so unique_ptr holds it directly.
using Handle = std::unique_ptr<void, HandleDeleter>;

}  // namespace synvora::odbc
