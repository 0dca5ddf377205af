#include <gtest/gtest.h>

#include "settings/BootShare.h"
#include "tests/common/DeviceTestRoot.h"

namespace {

constexpr std::size_t kSector = 2112;
constexpr std::size_t kFlagOffset = kSector + 90;

class BootShareTest : public DeviceTestRoot {
protected:
    std::vector<unsigned char> Image() const { return ReadBytes("dev/FLS1.img"); }
    void SetFlag(unsigned char flag) {
        auto image = Image();
        image[kFlagOffset] = flag;
        WriteBytes("dev/FLS1.img", image);
        ClearJournal("FLS1");
    }
};

TEST_F(BootShareTest, UnchangedFlagIsReadOnceAndNotWritten) {
    SetFlag(1);
    auto before = Image();
    CBootShare share;
    share.WriteBootFlag(1);
    EXPECT_EQ(m_log.Text(),
              "nCurrentFP : 2112\r\n"
              "Read Size : 512\r\n"
              "\r\n\r\n=============== WRITE Shared Memory with BootLoader ===============\r\n"
              "!!!!!!! ReadNandMem.booting_flag == BootFlag\r\n");
    EXPECT_EQ(Journal("FLS1"), "open\nseek 2112\nread 512\nclose\n");
    EXPECT_EQ(Image(), before);
}

TEST_F(BootShareTest, ChangedFlagIsErasedAndRewrittenKeepingTheOtherBytes) {
    SetFlag(0);
    auto before = Image();
    CBootShare share;
    share.WriteBootFlag(1);
    EXPECT_EQ(Journal("FLS1"),
              "open\nseek 2112\nread 512\nclose\n"
              "open\nseek 2112\nioctl 0x00002040 in 42 00 00 00\nwrite 512\nclose\n");
    EXPECT_EQ(m_log.Text(),
              "nCurrentFP : 2112\r\n"
              "Read Size : 512\r\n"
              "\r\n\r\n=============== WRITE Shared Memory with BootLoader ===============\r\n"
              "nCurrentFP : 2112\r\n"
              "EraseBlock : 66, [8256]\r\n"
              "Write Size : 512\r\n");
    auto after = Image();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (i != kFlagOffset) {
            ASSERT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(after[kFlagOffset], 1);
}

TEST_F(BootShareTest, MissingFlashLogsOnceAndDoesNothingElse) {
    TouchFile("dev/FLS1.absent");
    CBootShare share;
    share.WriteBootFlag(0);
    EXPECT_EQ(m_log.Text(), "!!!!!!!!!!! Cannot open FLS1 \r\n");
    EXPECT_EQ(Journal("FLS1"), "");
}

TEST_F(BootShareTest, RefusedEraseWritesNothingAndClosesTheDevice) {
    SetFlag(1);
    auto before = Image();
    TouchFile("dev/FLS1.fail-erase");
    CBootShare share;
    share.WriteBootFlag(0);
    EXPECT_TRUE(m_log.Contains("!!!!!!!!!!! DeviceIoControl EraseBlock Fail\r\n"));
    EXPECT_FALSE(m_log.Contains("Write Size"));
    EXPECT_EQ(Journal("FLS1"),
              "open\nseek 2112\nread 512\nclose\n"
              "open\nseek 2112\nioctl 0x00002040 in 42 00 00 00\nclose\n");
    EXPECT_EQ(Image(), before);
}

TEST_F(BootShareTest, FailedOrShortReadNeverWipesTheBootLoaderBytes) {
    for (const char* fault : {"dev/FLS1.fail-read", "dev/FLS1.short-read"}) {
        SetFlag(1);
        auto before = Image();
        TouchFile(fault);
        m_log.Clear();
        CBootShare share;
        share.WriteBootFlag(0);
        EXPECT_TRUE(m_log.Contains("not written")) << fault << ": " << m_log.Text();
        EXPECT_EQ(Journal("FLS1").find("write"), std::string::npos) << fault;
        EXPECT_EQ(Image(), before) << fault;
        std::filesystem::remove(Root() / fault);
    }
}

TEST_F(BootShareTest, ReadModeReturnsTheSector) {
    SetFlag(1);
    CBootShare share;
    BYTE buffer[BOOT_SECTOR_SIZE] = {};
    EXPECT_EQ(share.AccessBootShare(buffer, BOOT_ACCESS_READ), 1);
    auto image = Image();
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + BOOT_SECTOR_SIZE),
              std::vector<unsigned char>(image.begin() + kSector, image.begin() + kSector + 512));
}

}  // namespace
