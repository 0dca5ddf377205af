#include <gtest/gtest.h>

#include <thread>

#include "platform/WinBase.h"

namespace {

TEST(Event, AutomaticEventReleasesOneWaitAndResetsItself) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
}

TEST(Event, ManualEventStaysSignalledUntilReset) {
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
}

TEST(Event, WaitTimesOutAfterItsTimeoutAndWakesOnSetFromAnotherThread) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD start = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(event, 50), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount() - start, 49u);

    std::thread setter([event] {
        Sleep(30);
        SetEvent(event);
    });
    start = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    DWORD waited = GetTickCount() - start;
    setter.join();
    EXPECT_GE(waited, 25u);
    EXPECT_LT(waited, 4000u);
    CloseHandle(event);
}

TEST(Event, BadOrClosedHandleFailsEveryCall) {
    HANDLE event = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(event));
    for (HANDLE bad : {event, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(0x12345)}) {
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(SetEvent(bad));
        EXPECT_FALSE(ResetEvent(bad));
    }
    EXPECT_FALSE(CloseHandle(event));
}

TEST(Time, SleepLastsAtLeastItsTime) {
    DWORD start = GetTickCount();
    Sleep(40);
    EXPECT_GE(GetTickCount() - start, 39u);
    Sleep(0);
}

}  // namespace
