// Feeds arbitrary settings files to the dialog as \FlashMem\sysini\conf.ini: it loads one as it
// starts, shows the main menu and, through the preview, the page the file names (the advanced one
// with the FM transmitter off and on), and restores the hardware from the stored values. Loading
// takes the first 26 bytes or the factory record and leaves the file alone; the file ends as the
// record held. The stored page is a field of the file, so the inputs choose which page each shows:
// one page per run keeps a run short, and the corpus names every page. One dialog serves every
// input, brought back to the state it opens in (the harness's closing checks run where the system
// tests and fuzz_pen close it).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <tuple>
#include <utility>

#include "tests/system/DialogHarness.h"

using dvfuzz::Expect;

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    dvfuzz::Unit::Get();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    dvfuzz::Unit& unit = dvfuzz::Unit::Get();
    unit.log.Clear();
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    unit.root->WriteFile(dvfuzz::kSettingsFile, file);
    static const auto settingsFile = unit.root->Path() / dvfuzz::kSettingsFile;
    INIINFO expected = kFactoryIniInfo;
    if (size >= sizeof(INIINFO)) {
        std::memcpy(&expected, data, sizeof expected);
    }

    static auto* const run = new dvfuzz::DialogRun;  // lives to the process end
    // The levels sent are checked only when every field they come from is in range.
    auto bar = [](SHORT x) { return x >= BAR_KNOB_X_MIN && x <= BAR_KNOB_X_MAX; };
    const int tenths = expected.nFmtMhz * 10 + expected.nFmtDecimal;
    run->SetDriverChecks(bar(expected.nBright) && bar(expected.nContrast) &&
                         expected.nFmtDecimal >= 0 && expected.nFmtDecimal <= 9 && tenths >= 875 &&
                         tenths <= 1080);
    CSettingsDlg& dlg = run->IsOpen() ? run->Reset() : run->Open();
    Expect(dvfuzz::SameRecord(dlg.m_IniInfo, expected), "loaded record differs from the file");
    Expect(dlg.m_nSelIcon == expected.nPage, "selected icon is not the stored page");
    Expect(dlg.m_nCurPage == PAGE_MAIN, "dialog did not start on the main menu");
    Expect(dvfuzz::ReadWhole(settingsFile) == file, "loading changed the settings file");

    // The preview opens and commits the stored page; the touch page returns
    // to the main menu by itself once it is painted. The dialog is left on
    // the page: the next input's reset brings it back to the main menu.
    const SHORT page = expected.nPage;
    run->Tap(dvfuzz::kPreview);
    if (page == PAGE_ADVAN) {
        // The other FM state painted as well, then as it was.
        SHORT& fm = dlg.AdvanPageDAta.nFmtOn;
        const SHORT loaded = std::exchange(fm, fm == FMT_ON ? FMT_OFF : FMT_ON);
        run->Repaint();
        fm = loaded;
    }
    const bool opensPage = page >= PAGE_SOUND && page <= PAGE_TOUCH;
    Expect(dlg.m_nCurPage == (opensPage && page != PAGE_TOUCH ? page : PAGE_MAIN),
           "preview did not open the stored page");
    Expect(dlg.m_nSelIcon == page, "the stored page's icon is not selected");
    Expect(dlg.m_IniInfo.nPage == (opensPage ? page : PAGE_MAIN), "opened page not stored");

    // Every restore branch, with the stored values as they came from the file:
    // working values unlike the stored ones, then as they were.
    const auto working = std::tuple(dlg.SoundPageData, dlg.BasicPageData, dlg.AdvanPageDAta);
    const INIINFO& stored = dlg.m_IniInfo;
    dlg.SoundPageData.nNaviVolume = static_cast<SHORT>(~stored.nNaviVolume);
    dlg.BasicPageData.nBright = static_cast<SHORT>(~stored.nBright);
    dlg.BasicPageData.nContrast = static_cast<SHORT>(~stored.nContrast);
    dlg.AdvanPageDAta.nFmtOn = static_cast<SHORT>(~stored.nFmtOn);
    dlg.RestoreDevices();
    std::tie(dlg.SoundPageData, dlg.BasicPageData, dlg.AdvanPageDAta) = working;
    run->Pump();
    run->ForgetJournals();  // checked as they are taken
    const INIINFO& held = dlg.m_IniInfo;

    const std::string saved = dvfuzz::ReadWhole(settingsFile);
    Expect(saved.size() == sizeof(INIINFO), "settings file is not 26 bytes after a save");
    Expect(std::memcmp(saved.data(), &held, sizeof held) == 0,
           "settings file differs from the record the dialog held");
    return 0;
}
