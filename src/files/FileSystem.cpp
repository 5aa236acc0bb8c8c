#include "FileSystem.h"

#include "LocalFileSystem.h"

namespace synvora {

FileSystem& TheFileSystem() {
    static LocalFileSystem local;
    return local;
}

}  // namespace synvora
