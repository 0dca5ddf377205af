// Reading and writing the .reg text.
#include <gtest/gtest.h>

#include "platform/WinReg.h"
#include "platform/registry/RegFileFormat.h"

namespace {

using dv::ParseRegFile;
using dv::RegValue;

TEST(RegFileFormat, ReadsTheFormsRegeditWrites) {
    auto result = ParseRegFile(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\A]\r\n"
        "@=\"default\"\r\n"
        "\"Wrapped\"=hex(7):61,00,\\\r\n"
        "  00,00,00,00\r\n"
        "\"Num\" = dword:1\r\n"
        "\"Expand\"=hex(2):25,00,00,00\r\n"
        "\"Gone\"=\"x\"\r\n"
        "\"Gone\"=-\r\n"
        "[HKEY_LOCAL_MACHINE\\A\\B]\r\n"
        "[-HKEY_LOCAL_MACHINE\\A\\B]\r\n");
    EXPECT_TRUE(result.problems.empty());
    const auto& tree = result.tree;
    EXPECT_FALSE(tree.HasKey("A\\B"));
    ASSERT_NE(tree.FindValue("a", ""), nullptr);
    EXPECT_EQ(*tree.FindValue("a", ""),
              (RegValue{REG_SZ, {'d', 0, 'e', 0, 'f', 0, 'a', 0, 'u', 0, 'l', 0, 't', 0, 0, 0}}));
    EXPECT_EQ(*tree.FindValue("A", "wrapped"), (RegValue{REG_MULTI_SZ, {0x61, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(*tree.FindValue("A", "Num"), (RegValue{REG_DWORD, {1, 0, 0, 0}}));
    EXPECT_EQ(tree.FindValue("A", "Expand")->type, REG_EXPAND_SZ);
    EXPECT_EQ(tree.FindValue("A", "Gone"), nullptr);
}

TEST(RegFileFormat, ReadsAFileSavedAsUtf16) {
    std::string text = "\xFF\xFE";
    std::u16string wide =
        u"Windows Registry Editor Version "
        u"5.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=\"\u00E9\u0100\"\r\n";
    for (char16_t u : wide) {
        text.push_back(static_cast<char>(u & 0xFF));
        text.push_back(static_cast<char>(u >> 8));
    }
    auto result = ParseRegFile(text);
    EXPECT_TRUE(result.problems.empty());
    ASSERT_NE(result.tree.FindValue("K", "V"), nullptr);
    EXPECT_EQ(result.tree.FindValue("K", "V")->data,
              (std::vector<BYTE>{0xE9, 0, 0x00, 0x01, 0, 0}));
}

// Strings that text cannot carry (no terminator, zeros inside, line breaks,
// odd sizes) are kept byte for byte as hex(1).
TEST(RegFileFormat, WritesUnusualStringsAsRawBytesAndReadsThemBack) {
    dv::RegistryTree tree;
    tree.CreateKey("K");
    tree.SetValue("K", "NoTerminator", RegValue{REG_SZ, {'a', 0}});
    tree.SetValue("K", "LineBreak", RegValue{REG_SZ, {'a', 0, '\n', 0, 0, 0}});
    tree.SetValue("K", "Odd", RegValue{REG_SZ, {'a'}});
    tree.SetValue("K", "Plain", RegValue{REG_SZ, {'a', 0, 0, 0}});
    tree.SetValue("K", "ShortDword", RegValue{REG_DWORD, {1, 2}});
    tree.SetValue("K", "Empty", RegValue{REG_BINARY, {}});
    std::string text = dv::FormatRegFile(tree);
    EXPECT_NE(text.find("\"NoTerminator\"=hex(1):61,00\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Plain\"=\"a\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"ShortDword\"=hex(4):01,02\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Empty\"=hex:\r\n"), std::string::npos);
    auto back = ParseRegFile(text);
    EXPECT_TRUE(back.problems.empty());
    EXPECT_TRUE(back.tree == tree);
}

TEST(RegFileFormat, ReportsEachBadLineByNumber) {
    auto result = ParseRegFile(
        "Windows Registry Editor Version 5.00\n"
        "\"Orphan\"=\"x\"\n"
        "[HKEY_LOCAL_MACHINE\\K]\n"
        "\"A\"=dword:123456789\n"
        "\"B\"=hex(zz):00\n"
        "\"C\"=hex;00\n"
        "\"D\"\"x\"\n"
        "\"E\"=something\n");
    EXPECT_EQ(result.problems,
              (std::vector<std::string>{
                  "line 2: value outside a section", "line 4: dword needs 1 to 8 hex digits",
                  "line 5: hex(N) needs a hex type number", "line 6: hex data must follow a colon",
                  "line 7: = missing after the value name",
                  "line 8: value is not a string, dword:, hex: or hex(N):"}));
    EXPECT_TRUE(result.tree.HasKey("K"));
}

}  // namespace
