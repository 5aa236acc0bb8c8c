#include "support/OwnerOnly.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/FileTree.h"

namespace synvora::test {

void ExpectOwnerOnly(const std::string& path) {
    EXPECT_EQ(PermissionsOf(path), 0600) << path;
}

void LetOthersRead(const std::string& path) {
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0) << path;
}

}  // namespace synvora::test
