#include "core/Lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(ScopedLock, HoldsTheLockUntilUnlockedEarly)
{
    CLock lock;
    std::atomic<bool> entered{false};
    HANDLE locking = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CScopedLock guard(lock);
    CScopedLock again(lock); // re-entrant on the owning thread
    std::thread other([&] {
        SetEvent(locking);
        CScopedLock inner(&lock);
        entered = true;
    });
    // Running, the other thread is a few instructions from the lock.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(locking, 10000));
    Sleep(50);
    EXPECT_FALSE(entered);
    again.Unlock();
    guard.Unlock();
    guard.Unlock(); // a second unlock does nothing
    other.join();
    EXPECT_TRUE(entered);
    CloseHandle(locking);
}
