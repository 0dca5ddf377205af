#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "devices/LauncherLink.h"
#include "platform/afx/CFile.h"
#include "tests/common/DeviceTestRoot.h"

namespace {

const std::vector<unsigned char> kFactoryBytes = {
    0x00, 0x00, 0x06, 0x00, 0x06, 0x00, 0x06, 0x00, 0x00, 0x00, 0x95, 0x01, 0x27,
    0x01, 0x04, 0x00, 0x03, 0x00, 0x04, 0x00, 0x57, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr const char* kConf = "FlashMem/sysini/conf.ini";

bool IsFactory(const INIINFO& info) {
    return std::memcmp(&info, &kFactoryIniInfo, sizeof info) == 0;
}

using SettingsFileTest = DeviceTestRoot;

TEST_F(SettingsFileTest, FactoryRecordHasTheDocumentedBytes) {
    std::vector<unsigned char> bytes(sizeof(INIINFO));
    std::memcpy(bytes.data(), &kFactoryIniInfo, bytes.size());
    EXPECT_EQ(bytes, kFactoryBytes);
}

TEST_F(SettingsFileTest, MissingFileIsCreatedWithTheFactoryRecord) {
    CLauncherLink link;
    INIINFO info;
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(link.IniReadString(&info, kSettingsFilePath), 0);
    EXPECT_EQ(m_log.Text(), "IniReadString Open Error!!\r\n");
    EXPECT_TRUE(IsFactory(info));
    EXPECT_EQ(ReadBytes(kConf), kFactoryBytes);
}

TEST_F(SettingsFileTest, EmptyFileFallsBackToFactoryValuesAndStaysEmpty) {
    WriteBytes(kConf, {});
    CLauncherLink link;
    INIINFO info{};
    EXPECT_EQ(link.IniReadString(&info, kSettingsFilePath), 1);
    // The default write cannot open the file while the read still holds it.
    EXPECT_EQ(m_log.Text(),
              "Read Size Error ReadByte : 0, INIINFO Size : 26\r\n"
              "IniWriteString Open Error!!\r\n"
              "IniRead Success\r\n");
    EXPECT_TRUE(IsFactory(info));
    EXPECT_TRUE(ReadBytes(kConf).empty());
}

TEST_F(SettingsFileTest, ShortFileKeepsItsBytesUntilTheNextSave) {
    WriteBytes(kConf, {1, 2, 3, 4, 5});
    CLauncherLink link;
    INIINFO info{};
    EXPECT_EQ(link.IniReadString(&info, kSettingsFilePath), 1);
    EXPECT_TRUE(m_log.Contains("Read Size Error ReadByte : 5, INIINFO Size : 26\r\n"));
    EXPECT_EQ(ReadBytes(kConf).size(), 5u);
    EXPECT_EQ(link.IniWriteString(&info, kSettingsFilePath), 1);
    EXPECT_EQ(ReadBytes(kConf), kFactoryBytes);
}

TEST_F(SettingsFileTest, LongFileIsReadFromItsStartAndCutBackOnSave) {
    std::vector<unsigned char> bytes(40, 0);
    bytes[0] = 2;      // nPage: advanced
    bytes[10] = 0x2C;  // nBright 300
    bytes[11] = 0x01;
    WriteBytes(kConf, bytes);
    CLauncherLink link;
    INIINFO info{};
    EXPECT_EQ(link.IniReadString(&info, kSettingsFilePath), 1);
    EXPECT_EQ(m_log.Text(), "IniRead Success\r\n");
    EXPECT_EQ(info.nPage, 2);
    EXPECT_EQ(info.nBright, 300);
    EXPECT_EQ(link.IniWriteString(&info, kSettingsFilePath), 1);
    EXPECT_EQ(ReadBytes(kConf), std::vector<unsigned char>(bytes.begin(), bytes.begin() + 26));
}

TEST_F(SettingsFileTest, SavedFieldsAreLittleEndian) {
    CLauncherLink link;
    INIINFO info = kFactoryIniInfo;
    info.nBright = 300;
    info.nAutoPowerOn = AUTOPOWER_OFF;
    ASSERT_EQ(link.IniWriteString(&info, kSettingsFilePath), 1);
    auto bytes = ReadBytes(kConf);
    ASSERT_EQ(bytes.size(), 26u);
    EXPECT_EQ(bytes[10], 0x2C);
    EXPECT_EQ(bytes[11], 0x01);
    EXPECT_EQ(bytes[14], 0x03);
    EXPECT_EQ(bytes[15], 0x00);
}

TEST_F(SettingsFileTest, MissingFolderFailsBothOpensAndKeepsFactoryValuesInMemory) {
    std::filesystem::remove_all(Root() / "FlashMem");
    CLauncherLink link;
    INIINFO info{};
    EXPECT_EQ(link.IniReadString(&info, kSettingsFilePath), 0);
    EXPECT_EQ(m_log.Text(), "IniReadString Open Error!!\r\nIniWriteString Open Error!!\r\n");
    EXPECT_TRUE(IsFactory(info));
    EXPECT_FALSE(std::filesystem::exists(Root() / "FlashMem"));
}

TEST_F(SettingsFileTest, FileHeldOpenElsewhereCannotBeReadOrWritten) {
    WriteBytes(kConf, kFactoryBytes);
    CFile holder;
    ASSERT_TRUE(holder.Open(kSettingsFilePath, CFile::modeRead));
    CLauncherLink link;
    INIINFO info = kFactoryIniInfo;
    info.nBright = 200;
    // Another thread, as another program would be.
    int result = -1;
    std::thread([&] { result = link.IniWriteString(&info, kSettingsFilePath); }).join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m_log.Text(), "IniWriteString Open Error!!\r\n");
    holder.Close();
    EXPECT_EQ(ReadBytes(kConf), kFactoryBytes);
    EXPECT_EQ(link.IniWriteString(&info, kSettingsFilePath), 1);
    EXPECT_EQ(ReadBytes(kConf)[10], 200);
}

TEST_F(SettingsFileTest, SetDefaultWritesTheFactoryRecord) {
    CLauncherLink link;
    INIINFO info{};
    info.nPage = 3;
    EXPECT_EQ(link.IniSetDefault(&info), 1);
    EXPECT_TRUE(IsFactory(info));
    EXPECT_EQ(ReadBytes(kConf), kFactoryBytes);
}

}  // namespace
