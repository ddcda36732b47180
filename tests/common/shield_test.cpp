// The one shield of the C entry points: no exception gets through, and the failure value
// says what kind of fault it was when the entry point asks.
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "qms_shield.h"

namespace {

using qms::Fault;
using qms::Shield;

TEST(Shield, PassesResultsThroughAndTurnsEveryThrowIntoTheFailureValue)
{
    EXPECT_EQ(Shield(-1, [] { return 7; }), 7);
    EXPECT_EQ(Shield(-1, []() -> int { throw std::bad_alloc(); }), -1);
    EXPECT_EQ(Shield(-1, []() -> int { throw 42; }), -1);
}

TEST(Shield, TellsTheKindOfFaultAndItsReasonWhileTheExceptionLives)
{
    Fault seen = Fault::Failure;
    std::string reason;
    const auto record = [&](Fault fault, const char *what) {
        seen = fault;
        reason = what;
    };
    Shield(0, []() -> int { throw std::bad_alloc(); }, record);
    EXPECT_EQ(seen, Fault::OutOfMemory);
    Shield(0, []() -> int { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); },
           record);
    EXPECT_EQ(seen, Fault::OutOfResources);
    Shield(0, []() -> int { throw std::runtime_error("scenario refused"); }, record);
    EXPECT_EQ(seen, Fault::Failure);
    EXPECT_EQ(reason, "scenario refused");
}

TEST(Shield, AnOnFaultThatAnswersPicksTheValueAndOneThatThrowsStillGivesTheFailure)
{
    const auto pick = [](Fault fault, const char *) { return fault == Fault::OutOfMemory ? 14 : 31; };
    EXPECT_EQ(Shield(0, []() -> int { throw std::bad_alloc(); }, pick), 14);
    EXPECT_EQ(Shield(0, []() -> int { throw std::logic_error("x"); }, pick), 31);
    EXPECT_EQ(Shield(99, []() -> int { throw 1; }, [](Fault, const char *) -> int { throw std::bad_alloc(); }), 99);
}

} // namespace
