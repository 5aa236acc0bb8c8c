#include "support/TestDrive.h"

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "files/posix/LocalFileSystem.h"
#include "files/posix/RoutingFileSystem.h"
#include "support/TempDir.h"

namespace synvora::test {

TestDrive::TestDrive() : m_folder(MakeTemporaryFolder("synvora-drive")) {
    MountDrive('Y', std::make_shared<LocalFileSystem>(m_folder));
}

TestDrive::~TestDrive() {
    UnmountDrive('Y');
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::uint64_t FileIdOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_ino) : 0;
}

}  // namespace synvora::test
