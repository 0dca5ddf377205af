// A new device root is laid out as a unit leaves the factory; an existing one
// is never touched.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/Resources.h"
#include "platform/WinReg.h"
#include "platform/drivers/FlashLayout.h"
#include "platform/storage/DeviceRootProvisioning.h"
#include "platform/storage/FactoryBootRecord.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::testing::ScopedDeviceRoot;
namespace fs = std::filesystem;

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Provisioning, NewRootHasTheFactoryLayout) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Missing);
    dv::testing::LogCapture log;
    ASSERT_TRUE(dv::ProvisionDeviceRoot());
    const dv::EmbeddedResource* wav =
        dv::FindEmbeddedResource(dv::ResourceKind::Data, "question.wav");
    std::vector<std::string> expected = {"FlashMem",     "FlashMem/sysini", "dev",
                                         "dev/FLS1.img", "registry.reg",    "windows"};
    if (wav != nullptr) {
        expected.push_back("windows/question.wav");
        EXPECT_EQ(root.ReadFile("windows/question.wav"),
                  std::string(reinterpret_cast<const char*>(wav->data), wav->size));
    } else {
        EXPECT_TRUE(log.Contains("no built-in question.wav"));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(root.Path()), expected);
    // No staging folder is left beside the root.
    EXPECT_EQ(Entries(root.Path().parent_path()).size(), expected.size() + 1);
}

TEST(Provisioning, FlashImageHoldsAValidBootRecordWithAutoPowerOn) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Provisioned);
    std::string image = root.ReadFile("dev/FLS1.img");
    ASSERT_EQ(image.size(), dv::flash::kImageSize);
    std::string sector = image.substr(dv::flash::kBootSectorOffset, dv::flash::kBootSectorSize);
    EXPECT_EQ(sector.substr(0, 4), "DVBL");
    EXPECT_EQ(static_cast<unsigned char>(sector[dv::kBootingFlagOffset]), 1);
    std::vector<BYTE> record(sector.begin(), sector.begin() + dv::kBootRecordChecksumOffset);
    uint32_t stored = 0;
    for (int i = 3; i >= 0; --i) {
        stored =
            (stored << 8) | static_cast<unsigned char>(sector[dv::kBootRecordChecksumOffset + i]);
    }
    EXPECT_EQ(stored, dv::Crc32(record));
    // Everything outside the record is erased flash.
    for (std::size_t i = 0; i < image.size(); ++i) {
        bool inRecord = i >= dv::flash::kBootSectorOffset &&
                        i <= dv::flash::kBootSectorOffset + dv::kBootingFlagOffset;
        if (!inRecord) {
            ASSERT_EQ(static_cast<unsigned char>(image[i]), 0xFF) << "byte " << i;
        }
    }
}

TEST(Provisioning, Crc32MatchesTheStandardCheckValue) {
    const std::string check = "123456789";
    EXPECT_EQ(dv::Crc32({reinterpret_cast<const BYTE*>(check.data()), check.size()}), 0xCBF43926u);
}

TEST(Provisioning, RegistryHoldsTheFactoryCalibrationThatFitsTheQuery) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Provisioned);
    EXPECT_TRUE(root.ReadFile("registry.reg").starts_with("Windows Registry Editor Version 5.00"));
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH", 0, nullptr, 0, 0,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    char16_t data[100] = {};
    DWORD size = 100;
    DWORD type = REG_SZ;
    ASSERT_EQ(RegQueryValueExW(key, L"CalibrationData", nullptr, &type,
                               reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, REG_SZ);
    std::u16string text(data);
    EXPECT_EQ(size, (text.size() + 1) * 2);
    std::string expected = dv::kFactoryCalibration;
    EXPECT_EQ(text, std::u16string(expected.begin(), expected.end()));
    EXPECT_LE(text.size(), 49u);
}

TEST(Provisioning, ExistingRootIsNeverChanged) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Empty);
    root.WriteFile("marker", "x");
    EXPECT_TRUE(dv::ProvisionDeviceRoot());
    EXPECT_EQ(Entries(root.Path()), std::vector<std::string>{"marker"});
}

TEST(Provisioning, RootThatIsAFileIsLeftAndReported) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Missing);
    { std::ofstream(root.Path()) << "not a folder"; }
    dv::testing::LogCapture log;
    EXPECT_FALSE(dv::ProvisionDeviceRoot());
    EXPECT_TRUE(fs::is_regular_file(root.Path()));
    EXPECT_TRUE(log.Contains("exists but is not a folder"));
}

TEST(Provisioning, ClickSoundMissingLeavesItOut) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Missing);
    ASSERT_TRUE(dv::ProvisionDeviceRootAt(root.Path(), std::nullopt));
    EXPECT_TRUE(root.Exists("windows"));
    EXPECT_FALSE(root.Exists("windows/question.wav"));
}

TEST(Provisioning, UnusablePlaceFailsCleanly) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Missing);
    { std::ofstream(root.Path()) << "a file where a folder should be"; }
    dv::testing::LogCapture log;
    EXPECT_FALSE(dv::ProvisionDeviceRootAt(root.Path() / "unit", std::nullopt));
    EXPECT_TRUE(log.Contains("Device root: cannot make")) << log.Text();
}

// Several first starts at once: all succeed and the root is made once, whole.
TEST(Provisioning, ConcurrentFirstStartsSeeOneWholeRoot) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Missing);
    constexpr int kStarts = 6;
    std::vector<pid_t> children;
    for (int i = 0; i < kStarts; ++i) {
        pid_t pid = ::fork();
        if (pid == 0) {
            bool ok = dv::ProvisionDeviceRoot() && fs::exists(root.Path() / "registry.reg") &&
                      fs::file_size(root.Path() / "dev" / "FLS1.img") == dv::flash::kImageSize;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const auto& entry : fs::directory_iterator(root.Path().parent_path())) {
        EXPECT_EQ(entry.path(), root.Path()) << "left behind: " << entry.path();
    }
}

}  // namespace
