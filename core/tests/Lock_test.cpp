#include "core/Lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(ScopedLock, HoldsTheLockUntilUnlockedEarly)
{
    CLock lock;
    std::atomic<bool> entered{false};
    CScopedLock guard(lock);
    CScopedLock again(lock); // re-entrant on the owning thread
    std::thread other([&] {
        CScopedLock inner(&lock);
        entered = true;
    });
    Sleep(50);
    EXPECT_FALSE(entered);
    again.Unlock();
    guard.Unlock();
    guard.Unlock(); // a second unlock does nothing
    other.join();
    EXPECT_TRUE(entered);
}
