// IIC1:, FMT1: and FLS1: bound to kernel interfaces: the bindings lines, the modulator's units,
// where the boot sector may lie and how a NAND page is written, and the open of a bound device
// that cannot be used. The devices themselves are driven in tests/e2e against emulated nodes.

#include <gmock/gmock.h>

#include <cstdlib>

#include "Support.h"
#include "platform/core/DeviceBindings.h"
#include "platform/drivers/MtdPartition.h"
#include "platform/drivers/V4l2Modulator.h"

namespace dv::test {
namespace {

using KernelBindings = PlatformTest;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

TEST_F(KernelBindings, EachLineNamesItsKindOrIsRefusedByNumber) {
    std::vector<std::string> refused;
    const auto bindings = ParseDeviceBindings(
        "IIC1 = i2c:/dev/i2c-1\nFMT1 = v4l2:/dev/radio0\nFLS1 = mtd:/dev/mtd0\n"
        "FLS1 = mtd:/dev/mtd0@0x84zz\nFMT1 = i2c:/dev/i2c-1\nFLS1 = mtd:@0x840800\n"
        "FLS1 = mtd:/dev/mtd3@8653312\nTOUCH = evdev\nTOUCH = sysfs:/dev/input/event1\n"
        "TOUCH = evdev:/dev/input/event3\n",
        [&](int line, std::string_view why) {
            refused.push_back(std::to_string(line) + " " + std::string(why));
        });
    EXPECT_EQ(
        refused,
        (std::vector<std::string>{
            "3 expected FLS1 = mtd:/dev/mtdN@OFFSET", "4 expected FLS1 = mtd:/dev/mtdN@OFFSET",
            "5 FMT1 cannot be bound to \"i2c\"", "6 expected FLS1 = mtd:/dev/mtdN@OFFSET",
            "8 expected DEVICE = KIND:TARGET", "9 TOUCH cannot be bound to \"sysfs\""}));
    ASSERT_EQ(bindings.size(), 4u);
    EXPECT_EQ(std::tuple(bindings.at("IIC1").target, bindings.at("TOUCH").target,
                         bindings.at("FMT1").kind, bindings.at("FLS1").where),
              std::tuple("/dev/i2c-1", "/dev/input/event3", "v4l2", ":7"));
    EXPECT_EQ(SplitNodeAndOffset(bindings.at("FLS1").target),
              (std::pair<std::string, uint64_t>{"/dev/mtd3", 0x840a00}));
    EXPECT_EQ(SplitNodeAndOffset("/dev/mtd0@0X840A00")->second, 0x840a00u);
    EXPECT_FALSE(SplitNodeAndOffset("/dev/mtd0@"));
    EXPECT_FALSE(SplitNodeAndOffset("/dev/mtd0@-1"));
}

// 62.5 Hz units are exact; 62.5 kHz units are whole at .0 and .5 only, the rest rounds to nearest.
TEST_F(KernelBindings, FrequenciesAreInTheModulatorsUnitsRoundedToTheNearest) {
    std::vector<uint32_t> units;
    for (const bool fine : {true, false}) {
        for (auto [mhz, tenths] : {std::pair{87, 5}, {108, 0}, {99, 1}, {100, 2}}) {
            units.push_back(ModulatorUnits(mhz, tenths, fine));
        }
    }
    EXPECT_EQ(units,
              (std::vector<uint32_t>{1400000, 1728000, 1585600, 1603200, 1400, 1728, 1586, 1603}));
}

TEST_F(KernelBindings, TheSectorMustLieInBlock66InsideThePartitionAndOneNandPage) {
    constexpr uint32_t kErase = 128 << 10, kPage = 2048;
    const mtd_info_user nand{MTD_NANDFLASH, 0, 68 * kErase, kErase, kPage, 64, 0};
    const uint64_t block = 66ull * kErase;
    // One below the block is hw_flash.py's: refused by the open, its log line checked there.
    for (const uint64_t fits : {block, block + kErase - 512}) {
        EXPECT_EQ(MtdSectorRefusal(fits, nand), "") << fits;
    }
    EXPECT_EQ(MtdSectorRefusal(block + kErase, nand),
              "offset 0x860000 lies outside erase block 66 (0x840000..0x85ffff)");
    EXPECT_EQ(MtdSectorRefusal(block + kPage - 256, nand),
              "the sector at 0x840700 crosses a page of 2048 bytes");
    mtd_info_user shortPartition = nand;
    shortPartition.size = 66 * kErase + 1024;
    EXPECT_EQ(MtdSectorRefusal(block + 768, shortPartition),
              "the sector at 0x840300 runs past the partition's end (0x840400)");
    const mtd_info_user nor{MTD_NORFLASH, 0, 68 * 4096, 4096, 1, 0, 0};
    EXPECT_EQ(MtdSectorRefusal(66 * 4096 + 100, nor), "");  // NOR has no pages to cross
}

// A node that is no such device fails the open with the kernel's error, nothing simulated behind
// it (missing, busy and forbidden nodes are the e2e tests').
TEST_F(KernelBindings, ABoundNodeThatIsNoSuchDeviceFailsTheOpenWithNothingSimulated) {
    root.MakeFolder("dev");
    root.WriteFile("plain", "not a device");
    const std::string plain = (root.Path() / "plain").string();
    // device, binding, as the log shows it, the call that found no such device
    const std::tuple<std::string, std::string, std::string, const char*> cases[] = {
        {"IIC1", "i2c:" + plain, "i2c:" + plain, "I2C_SLAVE 0x45"},
        {"FMT1", "v4l2:" + plain, "v4l2:" + plain, "VIDIOC_QUERYCAP"},
        {"FLS1", "mtd:" + plain + "@8653312", "mtd:" + plain + "@0x840a00", "MEMGETINFO"}};
    for (const auto& [device, binding, shown, call] : cases) {
        SCOPED_TRACE(binding);
        root.WriteFile("dev/bindings", device + " = " + binding + "\n");
        log.Clear();
        const HANDLE h = CreateFileW(Utf8ToWide(device + ":").c_str(), kReadWrite, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(std::pair(h, GetLastError()),
                  std::pair(INVALID_HANDLE_VALUE, DWORD{ERROR_GEN_FAILURE}));
        // The kernel answers ENOTTY; qemu-user answers ENOSYS for an ioctl it does not know.
        const std::string head = device + ": cannot open " + shown + " (" + call + ": ";
        EXPECT_THAT(log.Text(), ::testing::AnyOf(head + "Inappropriate ioctl for device)\r\n",
                                                 head + "Function not implemented)\r\n"));
        EXPECT_FALSE(root.Exists("dev/" + device + ".log"));
    }
    EXPECT_FALSE(root.Exists("dev/FLS1.img"));
}

// The panel only ever writes to 0x8A: tests/e2e/hw_i2c.py runs this against its emulated bus.
TEST_F(KernelBindings, ABoundBusRefusesATransferToAnotherAddress) {
    const char* node = std::getenv("DIALVANE_TEST_I2C_NODE");
    if (node == nullptr) {
        GTEST_SKIP() << "needs an i2c-dev node (tests/e2e/hw_i2c.py)";
    }
    root.MakeFolder("dev");
    root.WriteFile("dev/bindings", "IIC1 = i2c:" + std::string(node) + "\n");
    HANDLE h = CreateFileW(L"IIC1:", kReadWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BYTE transfer[] = {0x8C, 0x74, 0x11};
    EXPECT_FALSE(DeviceIoControl(h, 0, transfer, 3, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(h);
    EXPECT_EQ(root.ReadFile("dev/IIC1.log"), "open\nioctl 0x00000000 in 8c 74 11\nclose\n");
    EXPECT_FALSE(root.Exists("dev/IIC1.regs"));
}

}  // namespace
}  // namespace dv::test
