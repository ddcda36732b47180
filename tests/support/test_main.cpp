// Shared main of the test binaries: tests run against an in-memory registry, plug no
// simulated module of their own accord and leave real modules alone; an explicit
// environment still wins.
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    setenv("QMS_REGISTRY", ":memory:", 0);
    setenv("QMS_SIM", "none", 0);
    setenv("QMS_USB", "off", 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
