#include "LibraryLocking.h"

#include <dlfcn.h>
#include <libsmbclient.h>
#include <pthread.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace synvora {
namespace {

// Samba 4's table of thread functions (lib/util/smb_threads.h): a lock type of 2 unlocks.
struct SambaThreadFunctions {
    int (*createMutex)(const char* name, void** lock, const char* location);
    void (*destroyMutex)(void* lock, const char* location);
    int (*lockMutex)(void* lock, int lockType, const char* location);
    int (*createTls)(const char* name, void** key, const char* location);
    void (*destroyTls)(void** key, const char* location);
    int (*setTls)(void* key, const void* value, const char* location);
    void* (*getTls)(void* key, const char* location);
};

constexpr int kUnlock = 2;

int CreateMutex(const char*, void** lock, const char*) {
    auto* mutex = static_cast<pthread_mutex_t*>(std::malloc(sizeof(pthread_mutex_t)));
    if (mutex == nullptr) {
        return ENOMEM;
    }
    pthread_mutex_init(mutex, nullptr);
    *lock = mutex;
    return 0;
}

void DestroyMutex(void* lock, const char*) {
    pthread_mutex_destroy(static_cast<pthread_mutex_t*>(lock));
    std::free(lock);
}

int LockMutex(void* lock, int lockType, const char*) {
    auto* mutex = static_cast<pthread_mutex_t*>(lock);
    return lockType == kUnlock ? pthread_mutex_unlock(mutex) : pthread_mutex_lock(mutex);
}

int CreateTls(const char*, void** key, const char*) {
    auto* created = static_cast<pthread_key_t*>(std::malloc(sizeof(pthread_key_t)));
    if (created == nullptr) {
        return ENOMEM;
    }
    // A thread's value is the library's record of its frame stack, made with malloc; it goes
    // with the thread (its frames are gone by then).
    if (const int error = pthread_key_create(created, std::free); error != 0) {
        std::free(created);
        return error;
    }
    *key = created;
    return 0;
}

void DestroyTls(void** key, const char*) {
    if (*key != nullptr) {
        pthread_key_delete(*static_cast<pthread_key_t*>(*key));
        std::free(*key);
        *key = nullptr;
    }
}

// The library asks for a thread's value before it has made the key (its frame stack looks for
// the thread's stack first, and makes key and stack when there is none): no key, no value.
int SetTls(void* key, const void* value, const char*) {
    return key != nullptr ? pthread_setspecific(*static_cast<pthread_key_t*>(key), value) : EINVAL;
}

void* GetTls(void* key, const char*) {
    return key != nullptr ? pthread_getspecific(*static_cast<pthread_key_t*>(key)) : nullptr;
}

constexpr SambaThreadFunctions kPosixThreads = {CreateMutex, DestroyMutex, LockMutex, CreateTls,
                                                DestroyTls,  SetTls,       GetTls};

using SetFunctions = int (*)(const SambaThreadFunctions*);

bool Install() {
    // The table's layout is Samba 4's; another major version may lay it out differently.
    if (!std::string_view(smbc_version()).starts_with("4.")) {
        return false;
    }
    // Loaded with libsmbclient, which calls through the table it sets.
    const auto set = reinterpret_cast<SetFunctions>(::dlsym(RTLD_DEFAULT, "smb_thread_set_functions"));
    return set != nullptr && set(&kPosixThreads) == 0;
}

}  // namespace

bool InstallLibraryLocking() {
    static const bool installed = Install();
    return installed;
}

std::recursive_mutex& ContextLifecycleMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace synvora
