#include "core/Lock.h"
#include "framework/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(ScopedLock, HoldsTheLockUntilUnlockedEarly)
{
    CLock lock;
    std::atomic<bool> entered{false};
    CScopedLock guard(lock);
    CScopedLock again(lock); // re-entrant on the owning thread
    EXPECT_EQ(0, lock.Waiting());
    std::thread other([&] {
        CScopedLock inner(&lock);
        entered = true;
    });
    // The other thread waits in the lock.
    EXPECT_TRUE(TestSupport::WaitFor([&] { return lock.Waiting() == 1; }, 10000, 1))
        << "the other thread never reached the lock";
    EXPECT_FALSE(entered);
    again.Unlock();
    guard.Unlock();
    guard.Unlock(); // a second unlock does nothing
    other.join();
    EXPECT_TRUE(entered);
    EXPECT_EQ(0, lock.Waiting());
}
