// Shared main of the test binaries: tests run against an in-memory registry, plug no
// simulated module of their own accord and leave real modules alone; an explicit environment
// still wins. The state folder (where the demo module keeps its memory) is always one of the
// process's own, removed at the end: a test never sees nor changes what a user's demo module
// remembers.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    setenv("QMS_REGISTRY", ":memory:", 0);
    setenv("QMS_SIM", "none", 0);
    setenv("QMS_USB", "off", 0);
    std::string state = (std::filesystem::temp_directory_path() / "qms-test-state-XXXXXX").string();
    if (!mkdtemp(state.data()))
        return 1;
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(state, ignored);
    return result;
}
