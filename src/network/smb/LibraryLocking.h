#pragma once

#include <mutex>

namespace synvora {

/// libsmbclient keeps state of its own outside its contexts: a stack of temporary memory frames
/// that every call pushes and pops, a count of its contexts, and its settings, loaded when its
/// first context starts. Without thread hooks the frame stack is one for the whole process, and
/// two calls on two threads at once free each other's frames. The hooks (the library's
/// `smbc_thread_posix`, which the library declares but does not export) give every thread a
/// stack of its own and the count a lock; they are installed through the Samba utility library's
/// `smb_thread_set_functions`, which the library itself uses, with the functions in the layout
/// of Samba 4 (checked against the installed library).
///
/// InstallLibraryLocking installs them before the library is used first; it answers whether
/// contexts may now be used on several threads at once (each context on one thread at a time).
/// Where the hooks cannot be installed, every connection's calls must keep to one at a time,
/// and a copy reads over one connection only.
bool InstallLibraryLocking();

/// Held while a context is made or freed: these calls read and write the library's settings and
/// count of contexts, which no other call may see half-changed. Logons and the ends of
/// connections go on beside it and beside each other. Recursive: a context that fails while it is
/// made is freed at once.
std::recursive_mutex& ContextLifecycleMutex();

}  // namespace synvora
