// The panel's behaviour as tables: each row is a starting state, a pen and message script, and
// everything the other parts of the unit see happen. Whatever a row does not name must not happen:
// the settings file keeps the starting record, no launcher message, no sound, no driver call, no
// change of page, boot flag or calibration file.
#include <cstdlib>
#include <filesystem>
#include <span>

#include "platform/gdi/Screen.h"
#include "tests/system/SystemFixture.h"

namespace {

constexpr int kUnchanged = -100;
constexpr int kClosed = -1;

// More driver journals.
#define FLS_READ "open|seek 2112|read 512|close"
#define FLS_WRITE "open|seek 2112|ioctl 0x00002040 in 42 00 00 00|write 512|close"
#define BOOT_BANNER "\r\n\r\n=============== WRITE Shared Memory with BootLoader ==============="
// What every calibration from the main menu ends in.
#define CALIBRATED                                                                  \
    .page = PAGE_MAIN, .file = "nPage=3", .launcher = "T1 S3 T0", .audio = "click", \
    .calibrations = 1
#define FACTORY                                                                  \
    "nPage=0 nNaviVolume=6 nDmbVolume=6 nAvInVolume=6 nAutoStart=0 nBright=405 " \
    "nContrast=295 nAutoPowerOn=4 nRearCamera=3 nFmtOn=4 nFmtMhz=87 nFmtDecimal=5 PiKoMute=0"

struct Expect {
    int page = kUnchanged;  // m_nCurPage at the end, or kClosed
    int selIcon = kUnchanged;
    const char* file = "";  // the starting record with these fields changed; or "none"
    // What the launcher was sent, the audio device did, and the drivers' journals.
    const char *launcher = "", *audio = "";
    int calibrations = 0;  // how often the calibration screen ran
    const char *bak1 = "", *iic1 = "", *fmt1 = "", *fls1 = "";
    int bootFlag = kUnchanged;
    std::optional<std::string> touchcal{};  // unchanged when not given
    std::vector<const char*> log{};  // in this order; "\r\n" added unless a line ends in '\n'
    std::vector<const char*> nolog{"unknown bar id"};  // by default, no pen move drew a bar
    std::vector<const char*> startLog{};
    const char* screen = nullptr;  // the picture tests/system/golden/NAME.png
};

struct Row {
    const char *name, *setup, *script;
    Expect expect;
};

// clang-format off
const Row kRows[] = {
    // Start-up and the settings file.
    {"FirstStartWritesTheFactoryRecord", "nofile", "",
     {.selIcon = 0, .startLog = {"Build Version - QX-9 V1.20 (2008.4.19)", "IniReadString Open Error!!"},
      .screen = "main-sound"}},
    {"ShortFileIsReplacedByTheFactoryRecordAtTheNextSave", "conf 01 00 02 00 03", "tap 110 145",
     {.page = PAGE_BASIC, .file = "nPage=1", .launcher = "S1", .audio = "click", .bak1 = BAK("64"),
     .iic1 = IIC("80"), .startLog = {"Read Size Error ReadByte : 5, INIINFO Size : 26",
     "IniWriteString Open Error!!", "IniRead Success"}}},
    {"LongFileIsCutBackAtTheNextSave",
     "conf 02 00 01 00 02 00 03 00 01 00 00 01 00 01 03 00 02 00 05 00 64 00 03 00 01 00 ff ff",
     "tap 300 170", {.page = PAGE_ADVAN,
     .file = "nPage=2 nNaviVolume=1 nDmbVolume=2 nAvInVolume=3 nAutoStart=1 nBright=256 "
     "nContrast=256 nAutoPowerOn=3 nRearCamera=2 nFmtOn=5 nFmtMhz=100 nFmtDecimal=3 " "PiKoMute=1",
     .launcher = "S2", .audio = "click", .log = {"PIKOMUTEON"}, .screen = "advanced-fm-100"}},
    {"MissingSysiniFolderIsNeverMade", "nosysini", "tap 44 175", {.page = PAGE_SOUND, .selIcon = 0,
     .file = "none", .launcher = "S0", .audio = "click", .log = {"IniWriteString Open Error!!"},
     .startLog = {"IniReadString Open Error!!", "IniWriteString Open Error!!"}}},
    {"StoredBasicPageSelectsItsIconAndPreview", "nPage=1", "",
     {.page = PAGE_MAIN, .selIcon = 1, .screen = "main-basic"}},
    {"StoredAdvancedPageSelectsItsIconAndPreview", "nPage=2", "",
     {.page = PAGE_MAIN, .selIcon = 2, .screen = "main-advanced"}},
    {"StoredPageOutsideTheMenuFallsBackToTheMenu", "nPage=7",
     "tap 300 170", {.page = PAGE_MAIN, .file = "nPage=4", .launcher = "S4", .audio = "click",
     .screen = "main-none"}},

    // Main menu.
    {"SoundIconOpensItsPage", "nPage=2", "tap 44 175", {.page = PAGE_SOUND, .selIcon = 0,
     .file = "nPage=0", .launcher = "S0", .audio = "click", .screen = "sound-factory"}},
    {"BasicIconOpensItsPageDrivingBothBars", "", "tap 110 145", {.page = PAGE_BASIC,
     .selIcon = 1, .file = "nPage=1", .launcher = "S1", .audio = "click", .bak1 = BAK("64"),
     .iic1 = IIC("80"), .log = {"++++++++++++++++++++++Dialvane OnPaint", "ConTrast : 0X80 "},
     .screen = "basic-factory"}},
    {"BasicPagePaintedFromTheStoredValues",
     "nAutoStart=1; nAutoPowerOn=3; nBright=226; nContrast=341", "tap 110 145", {.page = PAGE_BASIC,
     .file = "nPage=1", .launcher = "S1", .audio = "click", .bak1 = BAK("34"), .iic1 = IIC("9b"),
     .log = {"ConTrast : 0X9b "}, .screen = "basic-stored"}},
    {"AdvancedIconOpensItsPage", "", "tap 169 103", {.page = PAGE_ADVAN, .selIcon = 2,
     .file = "nPage=2", .launcher = "S2", .audio = "click",
     .log = {"\r\n\r\nAdvanPageDAta.PiKoMute = 0", "AdvanPageDAta PiKoMute PIKOMUTEOFF"},
     .screen = "advanced-factory"}},
    {"SoundPagePaintedFromTheStoredSteps", "nNaviVolume=2; nDmbVolume=7; nAvInVolume=10",
     "tap 44 175",
     {.page = PAGE_SOUND, .launcher = "S0", .audio = "click", .screen = "sound-stored"}},
    {"TouchIconRunsTheCalibration", "cal 11,22 33,44 55,66 77,88 99,111",
     "tap 230 63", {.page = PAGE_MAIN, .selIcon = 3, .file = "nPage=3", .launcher = "T1 S3 T0",
     .audio = "click", .calibrations = 1, .touchcal = "11,22 33,44 55,66 77,88 99,111",
     .log = {"touchcal.ini File Save OK!!!!", "Send Power Touch Out", "OnBtOk"},
     .screen = "main-touch"}},
    {"PreviewOpensTheSelectedPageAtItsTopLeftCorner", "nPage=0", "tap 216 111", {.page = PAGE_SOUND,
     .launcher = "S0", .audio = "click"}},
    {"PreviewOpensTheSelectedPageAtItsBottomRightCorner", "nPage=2", "tap 405 234",
     {.page = PAGE_ADVAN, .launcher = "S2", .audio = "click"}},
    {"PreviewMissesJustOutsideItsZone", "nPage=1", "tap 215 150; tap 406 150; tap 300 110", {}},
    {"PreviewWithTheTouchIconSelectedCalibrates", "nPage=3; cal 1,1 2,2 3,3 4,4 5,5", "tap 300 170",
     {CALIBRATED, .touchcal = "1,1 2,2 3,3 4,4 5,5"}},
    {"IconHeldShowsItsPressedLook", "", "down 110 145",
     {.audio = "click", .screen = "main-basic-held"}},
    {"IconSlidOffStaysReleased", "", "down 110 145; move 300 60; move 110 145; up 110 145",
     {.audio = "click", .screen = "main-sound"}},
    {"SelectedIconSlidOffKeepsItsSelectedLook", "", "down 44 175; move 300 60; up 300 60",
     {.audio = "click", .screen = "main-sound"}},
    {"CloseButtonEndsTheProgram", "", "tap 435 19",
     {.page = kClosed, .audio = "click", .screen = "main-sound"}},
    {"OkCancelAndDefaultAreDeadOnTheMenu", "", "tap 85 212; tap 130 212; tap 98 197; tap 428 212", {}},
    // The four icons' areas, away from the sliders, bars and options.
    {"IconsCancelDefaultAndEnterAreDeadOnTheSoundPage", "page sound",
     "tap 44 175; tap 90 180; tap 150 70; tap 250 30; tap 428 212; tap 130 212; tap 176 227; "
     "key 13", {}},
    // Every pen down on the basic page saves and tells the launcher, and only that.
    {"IconsCancelAndDefaultAreDeadOnTheBasicPage", "page basic",
     "tap 44 175; tap 90 180; tap 150 70; tap 250 30; tap 130 212; tap 428 212",
     {.launcher = "S1 S1 S1 S1 S1 S1"}},
    {"IconsCancelAndOtherTimersAreDeadOnTheAdvancedPage", "page advanced",
     "tap 44 175; tap 90 180; tap 150 70; tap 250 30; tap 130 212; timer 32768; timer 1", {}},

    // Sound page.
    // Each slider pressed just inside a corner of its zone.
    {"NavigationSliderDraggedAboveItsTrackStoresTheTopStep", "page sound",
     "down 106 80; move 116 40; move 116 40; up 116 40", {.file = "nNaviVolume=10",
     .launcher = "S0", .audio = "vol:0xffffffff click", .screen = "sound-navi-top"}},
    {"DmbSliderDraggedBelowItsTrackSetsNoVolume", "page sound",
     "down 233 160; move 223 300; up 223 300", {.file = "nDmbVolume=0", .launcher = "S0", .audio = "click", .screen = "sound-dmb-bottom"}},
    {"AvInSliderFollowsThePenUpY", "page sound", "down 320 80; move 330 95; up 340 100",
     {.file = "nAvInVolume=8", .launcher = "S0", .audio = "click", .screen = "sound-avin-100"}},
    {"SliderZonesEndJustOutside", "page sound",
     "tap 105 100; tap 127 100; tap 116 161; tap 116 79; tap 212 100; tap 341 100", {}},
    {"OkReturnsToTheMenuWithoutSaving", "page sound", "tap 50 212",
     {.page = PAGE_MAIN, .audio = "click", .log = {"OnBtOk"}, .screen = "main-sound"}},
    {"OkHeldShowsItsPressedLook", "page sound", "down 50 212",
     {.audio = "click", .screen = "sound-ok-held"}},
    {"OkSlidOffAndBackDoesNothing", "page sound",
     "down 50 212; move 200 20; move 50 212; up 50 212",
     {.audio = "click", .nolog = {"OnBtOk"}, .screen = "sound-factory"}},
    {"SecondPenDownOnOkLetsTheHeldSliderGoFirst", "page sound",
     "down 116 150; move 116 90; down 50 212; up 50 212", {.page = PAGE_MAIN,
     .file = "nNaviVolume=0", .launcher = "S0", .audio = "click vol:0x00000000 click"}},
    {"CloseMessageWhileASliderIsHeldLeavesTheVolume", "page sound",
     "down 116 150; move 116 90; close", {.page = kClosed}},

    // Basic page.
    {"AutoStartNavigationAndDmb", "page basic", "tap 250 80; tap 360 85",
     {.file = "nAutoStart=2", .launcher = "S1 S1", .audio = "click click", .screen = "basic-dmb"}},
    {"PowerOnOffWritesTheBootFlag", "page basic", "tap 160 110", {.file = "nAutoPowerOn=3",
     .launcher = "S1", .audio = "click", .fls1 = FLS_READ "|" FLS_WRITE, .bootFlag = 0,
     .log = {"### Save Shared Boot Nand Memory ###", "nCurrentFP : 2112", "Read Size : 512",
     BOOT_BANNER, "nCurrentFP : 2112", "EraseBlock : 66, [8256]", "Write Size : 512"},
     .screen = "basic-power-off"}},
    {"FileIsSavedWithTheFlashMissing", "absent FLS1; page basic", "tap 160 110",
     {.file = "nAutoPowerOn=3", .launcher = "S1", .audio = "click",
     .log = {"### Save Shared Boot Nand Memory ###", "!!!!!!!!!!! Cannot open FLS1 "},
     .nolog = {"nCurrentFP", "not read whole"}}},
    {"ShortReadWritesNothingBack", "switch FLS1.short-read; page basic", "tap 160 110",
     {.file = "nAutoPowerOn=3", .launcher = "S1", .audio = "click", .fls1 = FLS_READ,
     .log = {"Read Size : 256",
     "!!!!!!!!!!! Boot sector not read whole (256 of 512 bytes), not written"}}},
    {"RefusedEraseWritesNothing", "switch FLS1.fail-erase; page basic", "tap 160 110",
     {.file = "nAutoPowerOn=3", .launcher = "S1", .audio = "click",
     .fls1 = FLS_READ "|open|seek 2112|ioctl 0x00002040 in 42 00 00 00|close"}},
    {"OkOnTheBasicPageCommitsAtPenDown", "page basic", "tap 50 212",
     {.page = PAGE_MAIN, .launcher = "S1", .audio = "click", .log = {"OnBtOk"}}},
    {"CloseOnTheBasicPage", "page basic", "tap 435 19",
     {.page = kClosed, .launcher = "S1", .audio = "click"}},
    {"BrightnessDraggedPastTheLeftEndAndBackOne", "page basic", "down 420 140; move 100 140; move 157 140; up 157 140",
     {.file = "nBright=157", .launcher = "S1 S1", .audio = "click", .bak1 = SAME "|" BAK("21") "|" SAME,
     .screen = "basic-bright-left"}},
    {"DamagedBrightnessIsDrawnAtTheLeftEndWithNoFill", "nBright=-300; page basic", "",
     {.startLog = {"DrawBar: knob x -300 left of the bar, drawn at 156"},
     .screen = "basic-bright-damaged"}},
    {"ContrastDraggedDrivesTheDisplayChip", "page basic", "down 300 165; move 190 165; up 190 165",
     {.file = "nContrast=190", .launcher = "S1 S1", .audio = "click",
     .iic1 = IIC("83") "|" IIC("44"), .log = {"ConTrast : 0X83 ", "ConTrast : 0X44 "},
     .screen = "basic-contrast-190"}},
    {"BarRowsHoldBothEnds", "page basic", "tap 200 129; tap 200 148; tap 156 156; tap 426 174",
     {.file = "nBright=200 nContrast=405", .launcher = "S1 S1 S1 S1 S1 S1 S1 S1",
     .audio = "click click click click", .bak1 = BAK("2d") "|" SAME,
     .iic1 = IIC("30") "|" IIC("c0"), .log = {"ConTrast : 0X30 ", "ConTrast : 0Xc0 "},
     .nolog = {"DrawBar"}}},
    {"BarRowsEndJustOutside", "page basic",
     "tap 200 128; tap 200 149; tap 200 155; tap 200 175; tap 155 140; tap 427 165",
     {.launcher = "S1 S1 S1 S1 S1 S1"}},
    {"RepaintReappliesBothLevels", "page basic", "repaint",
     {.bak1 = SAME, .iic1 = SAME, .log = {"ConTrast : 0X80 "}}},
    {"BarsAreStoredWithTheirDriversMissing", "absent BAK1; absent IIC1; page basic",
     "down 300 140; up 300 140; down 300 165; up 300 165", {.file = "nBright=300 nContrast=300",
     .launcher = "S1 S1 S1 S1", .audio = "click click",
     .log = {"Cannot open BackLight ", "Cannot open IIC1 "}, .nolog = {"ConTrast"}}},
    {"CloseWhileTheBarIsHeldPutsTheBacklightBack", "page basic",
     "down 200 138; move 250 138; close", {.page = kClosed, .launcher = "S1", .audio = "click",
     .bak1 = BAK("2d") "|" BAK("3a") "|" BAK("64"), .log = {"Repare Bright Repare"}}},
    {"SecondPenDownOnOkLetsTheHeldBarGoFirst", "page basic", "down 200 138; down 50 212; up 50 212",
     {.page = PAGE_MAIN, .file = "nBright=200", .launcher = "S1 S1 S1", .audio = "click click",
     .bak1 = BAK("2d")}},
    {"DoubleTapOnAnOptionActsOnce", "page basic", "tap 250 80; dbl 250 80; up 250 80",
     {.file = "nAutoStart=1", .launcher = "S1", .audio = "click"}},

    // Advanced page.
    {"VoiceGuidanceNavigationOnlyAndCameraOff", "page advanced", "tap 160 90; tap 160 120",
     {.file = "nRearCamera=2 PiKoMute=1", .launcher = "S2 S2", .audio = "click click",
     .log = {"point.x = 160, point.y = 90", "Advan Check Select i : 0",
     "AdvanPageDAta.PiKoMute = 1", "AdvanPageDAta PiKoMute PIKOMUTEON",
     "point.x = 160, point.y = 120", "Advan Check Select i : 2"},
     .screen = "advanced-mute-camera-off"}},
    {"VoiceGuidanceWithMusicAndCameraOn", "PiKoMute=1; nRearCamera=2; page advanced",
     "tap 300 90; tap 240 120", {.file = "nRearCamera=3 PiKoMute=0", .launcher = "S2 S2",
     .audio = "click click", .log = {"Advan Check Select i : 1", "PIKOMUTEOFF",
     "Advan Check Select i : 3"}, .screen = "advanced-factory"}},
    {"FmTransmitterRectanglesAreNeverAccepted", "page advanced", "tap 160 150; tap 240 150",
     {.log = {"point.x = 160, point.y = 150", "point.x = 240, point.y = 150"},
     .nolog = {"Advan Check", "PiKoMute ="}}},
    {"DefaultPutsEveryPageBack",
     "nNaviVolume=2; nBright=300; nContrast=200; nAutoPowerOn=3; bootflag 0; nFmtOn=5; "
     "nFmtMhz=99; nFmtDecimal=1; nRearCamera=2; page advanced", "tap 428 212", {.file = FACTORY,
     .launcher = "S0", .audio = "click vol:0xbfffbfff", .bak1 = BAK("64"), .iic1 = IIC("80"),
     .fmt1 = "open|ioctl 0x00000002 in 01|close", .fls1 = FLS_READ "|" FLS_WRITE, .bootFlag = 1,
     .log = {"OnBtDefault", "Repare Main Volume", "Repare Bright Repare", "Repare Contrast Repare",
     "Repare Fmt Repare", "### OnBtDefault Save Shared Boot Nand Memory ###",
     "EraseBlock : 66, [8256]"}, .screen = "advanced-factory"}},
    {"DefaultWithFactoryValuesRestoresNothing", "page advanced", "tap 428 212", {.file = "nPage=0",
     .launcher = "S0", .audio = "click", .log = {"OnBtDefault"},
     .nolog = {"Repare", "OnBtDefault Save Shared"}}},
    {"DefaultHeldShowsItsPressedLook", "page advanced", "down 428 212",
     {.audio = "click", .screen = "advanced-default-held"}},

    // Touch calibration.
    {"NoCalibrationKeyExportsNothing", "regkey none", "tap 230 63",
     {CALIBRATED, .nolog = {"touchcal.ini"}}},
    {"CalibrationOf49CharactersIsExportedWhole",
     "reg 1234567890123456789012345678901234567890123456789", "tap 230 63",
     {CALIBRATED, .touchcal = "1234567890123456789012345678901234567890123456789"}},
    {"CalibrationOf50CharactersLeavesTheOldFile",
     "reg 12345678901234567890123456789012345678901234567890; file FlashMem/sysini/touchcal.ini "
     "old", "tap 230 63", {CALIBRATED, .nolog = {"touchcal.ini"}}},
    {"UnopenableCalibrationFileIsLogged", "dir FlashMem/sysini/touchcal.ini", "tap 230 63",
     {CALIBRATED, .log = {"touchcal.ini File Open Fail"}}},
    {"QuickSecondTapDuringCalibrationActsOnce", "calpost 230 63", "tap 230 63",
     {CALIBRATED, .touchcal = "2030,2045 3605,3540 3598,560 490,552 502,3531"}},

    // A damaged record is kept as read, drawn within the panels and never
    // indexes a table out of range.
    {"DamagedRecordNeverReadsPastATable",
     "nPage=-5; nNaviVolume=99; nDmbVolume=-1; nAvInVolume=32767; nAutoStart=7; nBright=-300; "
     "nContrast=9999; nAutoPowerOn=0; nRearCamera=-2; nFmtOn=5; nFmtMhz=300; nFmtDecimal=-9; PiKoMute=2",
     "tap 44 175; tap 50 212; tap 110 145; tap 50 212; tap 169 103; tap 50 212; close",
     {.page = kClosed, .file = "nPage=2 nBright=156 nContrast=405", .launcher = "S0 S1 S1 S2",
      .audio = "click click click click click click", .bak1 = BAK("21"), .iic1 = IIC("c0"),
      .log = {"DrawBar: knob x -300 left of the bar, drawn at 156", "ConTrast : 0Xc0 ",
              "AdvanPageDAta.PiKoMute = 2"}, .nolog = {"PIKOMUTE", "Repare"}}},

    // Keys and the close message.
    {"EscapeCancelsTheDialog", "", "key 27", {.page = kClosed}},
};
// clang-format on

class ScenarioTest : public SystemTest, public ::testing::WithParamInterface<Row> {};

void ExpectLinesInOrder(const std::string& log, const std::vector<const char*>& lines) {
    std::size_t at = 0;
    for (const char* line : lines) {
        const std::string text(line);
        const std::size_t found = log.find(text.ends_with('\n') ? text : text + "\r\n", at);
        EXPECT_NE(found, std::string::npos) << "missing in order: " << line << "\nlog:\n" << log;
        at = found == std::string::npos ? at : found + 1;
    }
}

// Text depends on the fonts installed (ScreenTest measures it), so the pictures leave
// out the version label's box and the FM frequency's (shown with the transmitter on).
void MaskText(dv::testing::PixelSnapshot& picture, const CSettingsDlg& dlg) {
    constexpr RECT kMasks[] = {{158, 141, 361, 154}, {361, 142, 411, 158}};
    const int count = dlg.m_nCurPage != PAGE_ADVAN ? 0 : 1 + (dlg.AdvanPageDAta.nFmtOn == FMT_ON);
    for (const RECT& r : std::span(kMasks, count)) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            std::fill_n(&picture.pixels[static_cast<std::size_t>(y * picture.width + r.left)],
                        r.right - r.left, 0);
        }
    }
}

TEST_P(ScenarioTest, Runs) {
    const Row& row = GetParam();
    Start(row.setup);
    Run(row.script);
    const Expect& e = row.expect;
    EXPECT_EQ(Closed() ? kClosed : Dlg().m_nCurPage, e.page == kUnchanged ? m_start.page : e.page);
    EXPECT_TRUE(e.selIcon == kUnchanged || Dlg().m_nSelIcon == e.selIcon) << Dlg().m_nSelIcon;
    const auto stored = StoredRecord();
    const char* missing = Exists(dvfuzz::kSettingsFile) ? "not 26 bytes" : "none";
    EXPECT_EQ(
        stored ? Describe(*stored) : missing,
        std::string(e.file) == "none" ? "none" : Describe(ParseRecord(m_start.record, e.file)));
    // The launcher, the audio device and the drivers' journals, in that order.
    EXPECT_EQ((std::vector<std::string>{Launcher(), Audio(), Journal("BAK1"), Journal("IIC1"),
                                        Journal("FMT1"), Journal("FLS1")}),
              (std::vector<std::string>{e.launcher, e.audio, e.bak1, e.iic1, e.fmt1, e.fls1}));
    EXPECT_EQ(std::tuple(BootFlag(), TouchCal(), m_calibrations),
              std::tuple(e.bootFlag == kUnchanged ? m_start.bootFlag : e.bootFlag,
                         e.touchcal ? e.touchcal : m_start.touchCal, e.calibrations));
    ExpectLinesInOrder(m_start.log, e.startLog);
    ExpectLinesInOrder(Log(), e.log);
    for (const char* text : e.nolog) {
        EXPECT_EQ(Log().find(text), std::string::npos) << "logged: " << text;
    }
    if (e.screen != nullptr) {
        const std::string file = std::string(e.screen) + ".png";
        const auto golden = std::filesystem::path(DV_SOURCE_DIR) / "tests/system/golden" / file;
        auto shot = dv::testing::SnapshotScreen();
        if (std::getenv("DV_UPDATE_GOLDEN") != nullptr) {
            ASSERT_TRUE(dv::gdi::SaveScreenPng(golden.c_str()));
            return;
        }
        auto want = dv::testing::LoadPng(golden);
        ASSERT_TRUE(want.has_value()) << golden << " is missing; DV_UPDATE_GOLDEN=1 makes it";
        MaskText(shot, Dlg());
        MaskText(*want, Dlg());
        if (shot != *want) {
            const auto actual = std::filesystem::temp_directory_path() / file;
            dv::gdi::SaveScreenPng(actual.c_str());
            ADD_FAILURE() << "the screen differs from " << golden << "; it is in " << actual;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Panel, ScenarioTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
