// When the main frame's timers hand work to the online tasks.
#pragma once

const unsigned FirstOnlineTimerId = 100; // once, after start-up
const unsigned FirstOnlineTimerDelayMs = 300000;
const unsigned HourlyOnlineTimerId = 101;
const unsigned HourlyOnlineTimerDelayMs = 3600000;

// True when more than a day lies between now and the last statistics report,
// in either direction: a clock set back must not stop the reports.
bool IsStatisticsReportDue(long long nowSeconds, long long lastReportSeconds);
