#include "app/OnlineSchedule.h"

#include <gtest/gtest.h>

TEST(OnlineSchedule, ReportsAfterMoreThanADayInEitherDirection)
{
    const long long last = 1700000000;
    EXPECT_FALSE(IsStatisticsReportDue(last, last));
    EXPECT_FALSE(IsStatisticsReportDue(last + 86400, last));
    EXPECT_TRUE(IsStatisticsReportDue(last + 86401, last));
    // A clock set back by more than a day reports too.
    EXPECT_FALSE(IsStatisticsReportDue(last - 86400, last));
    EXPECT_TRUE(IsStatisticsReportDue(last - 86401, last));
    // Never reported: the stamp reads as 0.
    EXPECT_TRUE(IsStatisticsReportDue(last, 0));
}
