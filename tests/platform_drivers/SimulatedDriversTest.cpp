// The simulated hardware behind "BAK1:", "IIC1:", "FMT1:" and "FLS1:": its
// journal lines, its state files and its switches.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/WinBase.h"
#include "platform/drivers/FlashLayout.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::testing::ScopedDeviceRoot;

constexpr DWORD kReadWrite = 0xC0000000u;
constexpr DWORD kEraseBlock = 0x2040;

HANDLE OpenDevice(const wchar_t* name) {
    return CreateFileW(name, kReadWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

BOOL Control(HANDLE h, DWORD code, std::vector<BYTE> input) {
    return DeviceIoControl(h, code, input.empty() ? nullptr : input.data(),
                           static_cast<DWORD>(input.size()), nullptr, 0, nullptr, nullptr);
}

class SimulatedDrivers : public ::testing::Test {
protected:
    std::string Journal(const std::string& device) const {
        return root.ReadFile("dev/" + device + ".log");
    }
    ScopedDeviceRoot root;
};

TEST_F(SimulatedDrivers, BacklightJournalsEveryCallAndKeepsTheLevel) {
    HANDLE h = OpenDevice(L"BAK1:");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Control(h, 0x2000, {0x42}));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "66\n");
    SetLastError(0);
    EXPECT_FALSE(Control(h, 0x2000, {0x42, 0x00}));  // wrong size
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Control(h, 0x2001, {0x21}));  // wrong code
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "66\n");
    EXPECT_EQ(Journal("BAK1"),
              "open\n"
              "ioctl 0x00002000 in 42\n"
              "ioctl 0x00002000 in 42 00\n"
              "ioctl 0x00002001 in 21\n"
              "close\n");
}

TEST_F(SimulatedDrivers, IicWritesTheChipRegistersAndRefusesOtherAddresses) {
    HANDLE h = OpenDevice(L"IIC1:");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Control(h, 0, {0x8A, 0x70, 0x20}));
    EXPECT_TRUE(Control(h, 0, {0x8A, 0x74, 0xC0}));
    EXPECT_FALSE(Control(h, 0, {0x8C, 0x74, 0x11}));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_FALSE(Control(h, 0, {0x8A, 0x74}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(h);
    std::string regs = root.ReadFile("dev/IIC1.regs");
    ASSERT_EQ(regs.size(), 256u);
    EXPECT_EQ(static_cast<unsigned char>(regs[0x70]), 0x20);
    EXPECT_EQ(static_cast<unsigned char>(regs[0x74]), 0xC0);
    EXPECT_EQ(regs[0x75], 0);
    EXPECT_EQ(Journal("IIC1"),
              "open\n"
              "ioctl 0x00000000 in 8a 70 20\n"
              "ioctl 0x00000000 in 8a 74 c0\n"
              "ioctl 0x00000000 in 8c 74 11\n"
              "ioctl 0x00000000 in 8a 74\n"
              "close\n");
}

TEST_F(SimulatedDrivers, FmTransmitterKeepsStandbyAndFrequency) {
    HANDLE h = OpenDevice(L"FMT1:");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Control(h, 2, {0x00}));
    EXPECT_TRUE(Control(h, 1, {0x64, 0x03}));
    EXPECT_TRUE(Control(h, 2, {0x01}));
    EXPECT_FALSE(Control(h, 2, {0x07}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Control(h, 1, {0x64}));
    EXPECT_FALSE(Control(h, 3, {}));
    CloseHandle(h);
    EXPECT_EQ(root.ReadFile("dev/FMT1.state"), "standby 1\nfrequency 100.3\n");
    EXPECT_EQ(Journal("FMT1"),
              "open\n"
              "ioctl 0x00000002 in 00\n"
              "ioctl 0x00000001 in 64 03\n"
              "ioctl 0x00000002 in 01\n"
              "ioctl 0x00000002 in 07\n"
              "ioctl 0x00000001 in 64\n"
              "ioctl 0x00000003\n"
              "close\n");
}

TEST_F(SimulatedDrivers, ControlOnlyDevicesRefuseStreamCalls) {
    HANDLE h = OpenDevice(L"bak1:");  // device names ignore case
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BYTE b = 0;
    DWORD n = 9;
    EXPECT_FALSE(ReadFile(h, &b, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    CloseHandle(h);
    EXPECT_EQ(Journal("BAK1"), "open\nread 1\nseek 0\nclose\n");
}

TEST_F(SimulatedDrivers, AbsentDeviceFailsToOpenAndJournalsNothing) {
    root.MakeFolder("dev");
    for (const char* name : {"BAK1", "IIC1", "FMT1", "FLS1"}) {
        root.WriteFile(std::string("dev/") + name + ".absent", "");
    }
    for (const wchar_t* name : {L"BAK1:", L"IIC1:", L"FMT1:", L"FLS1:"}) {
        SetLastError(0);
        EXPECT_EQ(OpenDevice(name), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST);
    }
    EXPECT_EQ(OpenDevice(L"XYZ9:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST);
    for (const char* name : {"BAK1", "IIC1", "FMT1", "FLS1"}) {
        EXPECT_FALSE(root.Exists(std::string("dev/") + name + ".log")) << name;
    }
}

TEST_F(SimulatedDrivers, ControlOnAFileOrAClosedHandleFails) {
    root.WriteFile("plain.txt", "x");
    HANDLE f = CreateFileW(L"\\plain.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(Control(f, 0x2000, {1}));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    CloseHandle(f);
    EXPECT_FALSE(Control(f, 0x2000, {1}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    HANDLE h = OpenDevice(L"BAK1:");
    EXPECT_FALSE(DeviceIoControl(h, 0x2000, nullptr, 1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(h);
}

class Flash : public SimulatedDrivers {
protected:
    void SetUp() override {
        h = OpenDevice(L"FLS1:");
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
    std::string Image() const { return root.ReadFile("dev/FLS1.img"); }
    static std::vector<BYTE> BlockInput(uint32_t block) {
        return {static_cast<BYTE>(block), static_cast<BYTE>(block >> 8),
                static_cast<BYTE>(block >> 16), static_cast<BYTE>(block >> 24)};
    }
    void WriteSector(BYTE fill) {
        std::vector<BYTE> sector(512, fill);
        DWORD n = 0;
        ASSERT_EQ(SetFilePointer(h, 2112, nullptr, FILE_BEGIN), 2112u);
        ASSERT_TRUE(WriteFile(h, sector.data(), 512, &n, nullptr));
        ASSERT_EQ(n, 512u);
    }
    HANDLE h = INVALID_HANDLE_VALUE;
};

TEST_F(Flash, MissingImageIsABlankChip) {
    EXPECT_EQ(Image(), std::string(dv::flash::kImageSize, '\xFF'));
}

TEST_F(Flash, WriteCanOnlyClearBitsUntilTheBlockIsErased) {
    WriteSector(0x0F);
    WriteSector(0xF0);  // without an erase: 0x0F AND 0xF0
    EXPECT_EQ(Image().substr(2112, 512), std::string(512, '\x00'));
    ASSERT_TRUE(Control(h, kEraseBlock, BlockInput(66)));
    EXPECT_EQ(Image().substr(2112, 512), std::string(512, '\xFF'));
    // The erase does not move the position: the write lands at 2112 again.
    std::vector<BYTE> sector(512, 0xA5);
    DWORD n = 0;
    ASSERT_EQ(SetFilePointer(h, 2112, nullptr, FILE_BEGIN), 2112u);
    ASSERT_TRUE(Control(h, kEraseBlock, BlockInput(66)));
    ASSERT_TRUE(WriteFile(h, sector.data(), 512, &n, nullptr));
    std::string image = Image();
    EXPECT_EQ(image.substr(2112, 512), std::string(512, '\xA5'));
    EXPECT_EQ(image.substr(0, 2112), std::string(2112, '\xFF'));
    EXPECT_EQ(image.substr(2624), std::string(4096 - 2624, '\xFF'));
}

TEST_F(Flash, ReadsAtThePositionAndJournalsTheBootShareSequence) {
    WriteSector(0x11);
    ASSERT_EQ(SetFilePointer(h, 2112, nullptr, FILE_BEGIN), 2112u);
    std::vector<BYTE> buffer(512);
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(h, buffer.data(), 512, &n, nullptr));
    EXPECT_EQ(n, 512u);
    EXPECT_EQ(buffer, std::vector<BYTE>(512, 0x11));
    ASSERT_TRUE(Control(h, kEraseBlock, BlockInput(66)));
    ASSERT_TRUE(CloseHandle(h));
    h = INVALID_HANDLE_VALUE;
    EXPECT_EQ(Journal("FLS1"),
              "open\n"
              "seek 2112\n"
              "write 512\n"
              "seek 2112\n"
              "read 512\n"
              "ioctl 0x00002040 in 42 00 00 00\n"
              "close\n");
}

TEST_F(Flash, OtherBlocksWrongSizesAndTheEndOfTheChipAreRefused) {
    EXPECT_FALSE(Control(h, kEraseBlock, BlockInput(65)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Control(h, kEraseBlock, {66, 0}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Control(h, kEraseBlock, {}));
    EXPECT_EQ(SetFilePointer(h, 4097, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_END), 4086u);
    std::vector<BYTE> data(20, 0);
    DWORD n = 0;
    EXPECT_FALSE(WriteFile(h, data.data(), 20, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Image(), std::string(4096, '\xFF'));
    ASSERT_TRUE(ReadFile(h, data.data(), 20, &n, nullptr));
    EXPECT_EQ(n, 10u);  // only what is left of the chip
}

TEST_F(Flash, SwitchFilesFailEraseReadAndWriteAndShortenReads) {
    WriteSector(0x00);
    root.WriteFile("dev/FLS1.fail-erase", "");
    EXPECT_FALSE(Control(h, kEraseBlock, BlockInput(66)));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_EQ(Image().substr(2112, 512), std::string(512, '\0'));

    std::vector<BYTE> buffer(512, 0x77);
    DWORD n = 5;
    root.WriteFile("dev/FLS1.fail-read", "");
    ASSERT_EQ(SetFilePointer(h, 2112, nullptr, FILE_BEGIN), 2112u);
    EXPECT_FALSE(ReadFile(h, buffer.data(), 512, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    EXPECT_EQ(n, 0u);
    std::filesystem::remove(root / "dev/FLS1.fail-read");

    root.WriteFile("dev/FLS1.short-read", "");
    EXPECT_TRUE(ReadFile(h, buffer.data(), 512, &n, nullptr));
    EXPECT_EQ(n, 256u);
    root.WriteFile("dev/FLS1.short-read", "100\n");
    EXPECT_EQ(SetFilePointer(h, 2112, nullptr, FILE_BEGIN), 2112u);
    EXPECT_TRUE(ReadFile(h, buffer.data(), 512, &n, nullptr));
    EXPECT_EQ(n, 100u);

    root.WriteFile("dev/FLS1.fail-write", "");
    EXPECT_FALSE(WriteFile(h, buffer.data(), 512, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
    EXPECT_EQ(n, 0u);
    CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    // Failed calls are journaled all the same.
    std::string journal = Journal("FLS1");
    EXPECT_NE(journal.find("ioctl 0x00002040 in 42 00 00 00\nseek 2112\nread 512\n"),
              std::string::npos)
        << journal;
    EXPECT_TRUE(journal.ends_with("write 512\nclose\n")) << journal;
}

TEST_F(Flash, ShortImageIsMadeUpWithErasedBytes) {
    CloseHandle(h);
    root.WriteFile("dev/FLS1.img", std::string(100, '\0'));
    h = OpenDevice(L"FLS1:");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string image = Image();
    ASSERT_EQ(image.size(), 4096u);
    EXPECT_EQ(image.substr(0, 100), std::string(100, '\0'));
    EXPECT_EQ(image.substr(100), std::string(3996, '\xFF'));
}

}  // namespace
