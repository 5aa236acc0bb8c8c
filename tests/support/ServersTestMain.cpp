#include <gtest/gtest.h>

#include <memory>

#include "support/PostgresFixture.h"
#include "support/SambaFixture.h"

// main of test programs that talk to both the PostgreSQL and the Samba test server: one of each
// for the whole program, started before its first test.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The framework takes ownership of registered environments.
    ::testing::AddGlobalTestEnvironment(std::make_unique<synvora::test::PostgresEnvironment>().release());
    ::testing::AddGlobalTestEnvironment(std::make_unique<synvora::test::SambaEnvironment>().release());
    return RUN_ALL_TESTS();
}
