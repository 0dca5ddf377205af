// Drives the dialog with arbitrary sequences of pen events, timer messages, keys and close
// requests, mostly at what each page reacts to but also anywhere on or off the screen. The first
// byte picks the starting settings file; each event takes an opcode byte and its operands. Besides
// the harness's checks, the file must stay 26 bytes and the working copies must equal the stored
// record after a pen-up that ends an interaction; a dialog that closes is opened again on the file
// it saved. A dialog still open at an input's end serves the next, brought back to the state it
// opens in.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "tests/system/DialogHarness.h"

namespace {

using dvfuzz::Expect;

// Events an input may run, dialogs it may open, mouse moves a drag makes.
constexpr int kMaxEvents = 256, kMaxOpens = 2, kMaxDragSteps = 8;
// Opcode bytes below this take a point from the table, with jitter.
constexpr uint8_t kRawPointSelector = 0xF0;
constexpr int kJitterCentre = 8;
constexpr uint8_t kDoubleClickBit = 0x80;

// Points the pen aims at: what each page reacts to, its edges, and beyond.
// clang-format off
constexpr POINT kTargets[] = {
    // Main menu: icons, preview and the corners of its zone, close button; OK, Cancel, Default.
    {44, 175}, {110, 145}, {169, 103}, {230, 63}, {300, 170}, {216, 111}, {405, 234}, {215, 150},
    {406, 150}, {435, 19}, {50, 212}, {130, 212}, {428, 212},
    // Sliders: middle, zone corners, above and below; brightness and contrast rows: ends, beyond.
    {116, 120}, {223, 120}, {330, 120}, {106, 80}, {126, 160}, {213, 80}, {233, 160}, {320, 80},
    {340, 160}, {116, 40}, {116, 200}, {156, 138}, {300, 138}, {405, 138}, {426, 138}, {100, 138},
    {156, 165}, {300, 165}, {420, 165}, {470, 165},
    // Basic options 0..4, advanced options 5..10, the FM panel; screen corners and past them.
    {190, 82}, {286, 82}, {382, 82}, {190, 110}, {273, 110}, {198, 92}, {342, 92}, {188, 122},
    {261, 122}, {188, 151}, {261, 151}, {385, 150}, {0, 0}, {479, 233}, {480, 234}, {-1, -1},
};
// clang-format on

// Start records, all in range: factory, the other end of every field, two between.
constexpr INIINFO kStartRecords[] = {
    kFactoryIniInfo,
    {PAGE_ADVAN, 0, 10, 3, 2, 156, 405, AUTOPOWER_OFF, REARCAM_OFF, FMT_ON, 108, 0, PIKOMUTE_ON},
    {PAGE_TOUCH, 10, 0, 5, 1, 300, 156, AUTOPOWER_ON, REARCAM_ON, FMT_ON, 87, 5, PIKOMUTE_OFF},
    {PAGE_BASIC, 3, 7, 10, 0, 405, 200, AUTOPOWER_OFF, REARCAM_ON, FMT_OFF, 99, 9, PIKOMUTE_ON},
};

enum class Op : uint8_t { Down, Move, Up, Tap, Drag, Timer, Close, Key, DoubleTap, Count };

class Input {
public:
    Input(const uint8_t* data, std::size_t size) : m_data(data, size) {}
    bool Empty() const { return m_pos >= m_data.size(); }
    uint8_t Byte() { return Empty() ? 0 : m_data[m_pos++]; }
    POINT Point() {
        const uint8_t selector = Byte();
        if (selector >= kRawPointSelector) {
            const uint8_t b[] = {Byte(), Byte(), Byte(), Byte()};  // a braced list runs in order
            return {static_cast<SHORT>(b[0] | b[1] << 8), static_cast<SHORT>(b[2] | b[3] << 8)};
        }
        const POINT& base = kTargets[selector % std::size(kTargets)];
        const uint8_t jitter = Byte();
        return {base.x + (jitter & 0x0F) - kJitterCentre, base.y + (jitter >> 4) - kJitterCentre};
    }

private:
    std::span<const uint8_t> m_data;
    std::size_t m_pos = 0;
};

class Session {
public:
    explicit Session(const INIINFO& start) {
        m_unit.root->WriteFile(dvfuzz::kSettingsFile,
                               {reinterpret_cast<const char*>(&start), sizeof start});
        m_run.SetDriverChecks(true);
        Open();
    }
    ~Session() { m_run.ForgetJournals(); }  // checked as they are taken

    bool Done() const { return !m_run.IsOpen(); }

    void Pen(UINT message, POINT pt) {
        if (Done()) {
            return;
        }
        const bool endsInteraction = message == WM_LBUTTONUP && m_penDown;
        m_penDown = message == WM_MOUSEMOVE ? m_penDown : message != WM_LBUTTONUP;
        m_run.Pen(message, pt);
        Expect(!endsInteraction || !m_run.IsOpen() || dvfuzz::WorkingMatchesStored(m_run.Dlg()),
               "working copies differ from the stored record after a pen-up");
        ReopenIfClosed();
    }
    void Tap(POINT pt, bool doubleClick = false) {
        Pen(doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, pt);
        Pen(WM_LBUTTONUP, pt);
    }

    // Every save replaces the file whole, so a wrong size stays until the
    // next save: a look after each event finds it.
    void CheckFileSize() const {
        std::error_code error;
        Expect(std::filesystem::file_size(m_settings, error) == sizeof(INIINFO),
               "settings file is not 26 bytes");
    }

    void Post(UINT message, WPARAM wParam) {
        if (!Done()) {
            m_run.Deliver(message, wParam);
            ReopenIfClosed();
        }
    }

private:
    void Open() {
        const INIINFO& loaded = (m_run.IsOpen() ? m_run.Reset() : m_run.Open()).m_IniInfo;
        Expect(m_opens == 0 || dvfuzz::SameRecord(loaded, m_saved),
               "reopened dialog did not load the record it saved");
        m_penDown = false;
        ++m_opens;
    }

    // A closed dialog is checked and, while the input may still open
    // dialogs, replaced by a new one on the file the old one saved.
    void ReopenIfClosed() {
        if (m_run.IsOpen()) {
            return;
        }
        m_saved = m_run.Dlg().m_IniInfo;
        m_run.Close();
        if (m_opens < kMaxOpens) {
            Open();
        }
    }

    dvfuzz::Unit& m_unit = dvfuzz::Unit::Get();
    const std::filesystem::path m_settings = m_unit.root->Path() / dvfuzz::kSettingsFile;
    inline static dvfuzz::DialogRun& m_run = *new dvfuzz::DialogRun;  // lives to the process end
    INIINFO m_saved{};
    bool m_penDown = false;
    int m_opens = 0;
};

void RunEvent(Session& s, Input& in) {
    static constexpr UINT kKeyMessages[] = {WM_KEYDOWN, WM_KEYUP, WM_CHAR};
    const uint8_t opcode = in.Byte();
    const Op op = static_cast<Op>(opcode % static_cast<uint8_t>(Op::Count));
    switch (op) {
        case Op::Down:
            s.Pen((opcode & kDoubleClickBit) != 0 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, in.Point());
            break;
        case Op::Move:
        case Op::Up:
            s.Pen(op == Op::Move ? WM_MOUSEMOVE : WM_LBUTTONUP, in.Point());
            break;
        case Op::Tap:
            s.Tap(in.Point());
            break;
        case Op::Drag: {
            const POINT from = in.Point(), to = in.Point();
            const int steps = 1 + in.Byte() % kMaxDragSteps;
            s.Pen(WM_LBUTTONDOWN, from);
            for (int i = 1; i <= steps && !s.Done(); ++i) {
                s.Pen(WM_MOUSEMOVE,
                      {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
            }
            s.Pen(WM_LBUTTONUP, to);
            break;
        }
        case Op::Timer: {
            const uint8_t b = in.Byte();
            s.Post(WM_TIMER, (b & 1) != 0 ? IDT_FM_REPEAT : b);
            break;
        }
        case Op::Close:
            s.Post(UM_CLOSE_SETTINGS, 0);
            break;
        case Op::Key: {
            const UINT message = kKeyMessages[in.Byte() % std::size(kKeyMessages)];
            // A quarter of the key bytes are Enter and an eighth Escape; the rest their own codes.
            const uint8_t b = in.Byte();
            s.Post(message, b < 0x40 ? VK_RETURN : b < 0x60 ? VK_ESCAPE : b);
            break;
        }
        case Op::DoubleTap: {
            const POINT pt = in.Point();
            s.Tap(pt);
            s.Tap(pt, true);
            break;
        }
        case Op::Count:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    dvfuzz::Unit::Get().log.Clear();
    Input in(data, size);
    Session session(kStartRecords[in.Byte() % std::size(kStartRecords)]);
    for (int i = 0; i < kMaxEvents && !in.Empty() && !session.Done(); ++i) {
        RunEvent(session, in);
        session.CheckFileSize();
    }
    return 0;
}
