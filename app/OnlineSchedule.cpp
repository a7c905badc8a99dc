#include "app/OnlineSchedule.h"

bool IsStatisticsReportDue(long long nowSeconds, long long lastReportSeconds)
{
    long long difference = nowSeconds - lastReportSeconds;
    if (difference < 0)
        difference = -difference;
    return difference > 86400;
}
