// The test double of a stream driver, reached through the ordinary calls.
#include <gtest/gtest.h>

#include "platform/WinBase.h"
#include "platform/testing/FakeDriverScope.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::testing::DriverOp;
using dv::testing::ScopedDeviceRoot;
using dv::testing::ScopedDriver;

HANDLE OpenDevice(const wchar_t* name) {
    return CreateFileW(name, 0xC0000000u, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(FakeStreamDriver, RecordsEveryCallInJournalFormatAndLeavesTheSimulationAlone) {
    ScopedDeviceRoot root;
    ScopedDriver fls(L"FLS1:");
    fls->SetMemory(2112, {1, 2, 3});
    HANDLE h = OpenDevice(L"FLS1:");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fls->OpenHandles(), 1);
    EXPECT_EQ(SetFilePointer(h, 2112, nullptr, FILE_BEGIN), 2112u);
    BYTE buffer[3] = {};
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(h, buffer, 3, &n, nullptr));
    EXPECT_EQ(buffer[2], 3);
    BYTE block[4] = {66, 0, 0, 0};
    EXPECT_TRUE(DeviceIoControl(h, 0x2040, block, 4, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_CURRENT), 2112u);
    BYTE data[2] = {9, 8};
    ASSERT_TRUE(WriteFile(h, data, 2, &n, nullptr));
    CloseHandle(h);
    EXPECT_EQ(fls->OpenHandles(), 0);
    EXPECT_EQ(fls->Lines(), (std::vector<std::string>{"open", "seek 2112", "read 3",
                                                      "ioctl 0x00002040 in 42 00 00 00",
                                                      "seek -3 current", "write 2", "close"}));
    EXPECT_EQ(fls->Memory(2112, 3), (std::vector<BYTE>{9, 8, 3}));
    EXPECT_EQ(fls->Calls()[3].input, (std::vector<BYTE>{66, 0, 0, 0}));
    EXPECT_FALSE(root.Exists("dev/FLS1.log"));
    EXPECT_FALSE(root.Exists("dev/FLS1.img"));
}

TEST(FakeStreamDriver, FailsTheOpenOrTheChosenCallOnly) {
    ScopedDeviceRoot root;
    ScopedDriver bak(L"BAK1:");
    bak->FailOperation(DriverOp::IoControl, ERROR_GEN_FAILURE, 2);
    HANDLE h = OpenDevice(L"BAK1:");
    BYTE level = 33;
    EXPECT_TRUE(DeviceIoControl(h, 0x2000, &level, 1, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(DeviceIoControl(h, 0x2000, &level, 1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_TRUE(DeviceIoControl(h, 0x2000, &level, 1, nullptr, 0, nullptr, nullptr));
    CloseHandle(h);
    EXPECT_EQ(bak->Count(DriverOp::IoControl), 3u);

    bak->FailOpen();
    bak->ClearCalls();
    EXPECT_EQ(OpenDevice(L"BAK1:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST);
    EXPECT_EQ(bak->Count(DriverOp::Open), 1u);
    EXPECT_TRUE(bak->Lines().empty());
    EXPECT_EQ(bak->Count(DriverOp::Close), 0u);
}

TEST(FakeStreamDriver, ShortReadsAndScopeEndBringsTheSimulationBack) {
    ScopedDeviceRoot root;
    {
        ScopedDriver fls(L"FLS1:");
        fls->LimitReads(100);
        HANDLE h = OpenDevice(L"FLS1:");
        BYTE buffer[512];
        DWORD n = 0;
        EXPECT_TRUE(ReadFile(h, buffer, 512, &n, nullptr));
        EXPECT_EQ(n, 100u);
        CloseHandle(h);
    }
    HANDLE h = OpenDevice(L"FLS1:");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(root.ReadFile("dev/FLS1.log"), "open\nclose\n");
}

TEST(FakeStreamDriver, NestedScopesRestoreTheOuterFake) {
    ScopedDeviceRoot root;
    ScopedDriver outer(L"IIC1:");
    {
        ScopedDriver inner(L"IIC1:");
        CloseHandle(OpenDevice(L"IIC1:"));
        EXPECT_EQ(inner->Count(DriverOp::Open), 1u);
    }
    CloseHandle(OpenDevice(L"IIC1:"));
    EXPECT_EQ(outer->Count(DriverOp::Open), 1u);
}

}  // namespace
