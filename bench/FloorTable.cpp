#include "bench/FloorTable.h"

#include <cstdio>
#include <ostream>

namespace {

struct FigureSpec {
    const char* name;   // the benchmark
    const char* label;  // what a reader calls it
    const char* floor;  // the benchmark it is judged against
    double goalRatio;   // at most this many floors (0: no goal)
    double goalMicros;  // and at most this long (0: no goal)
};

constexpr const char* kTwoScreens = "BM_FloorTwoScreens";

constexpr FigureSpec kFigures[] = {
    {"BM_SliderMove", "pen-move, volume slider", "BM_FloorPanel/slider_column", 10, 5},
    {"BM_BarMove", "pen-move, brightness bar, new level each move", "BM_FloorPanel/bar_row", 10, 5},
    {"BM_BarMoveMemoryDriver", "pen-move, brightness bar, driver in memory",
     "BM_FloorPanel/bar_row", 10, 5},
    {"BM_BarDragByPixel", "pen-move, brightness bar, 1-pixel drag", "BM_FloorPanel/bar_row", 10, 5},
    {"BM_Repaint/main", "repaint, main menu", kTwoScreens, 1.5, 0},
    {"BM_Repaint/sound", "repaint, sound page", kTwoScreens, 1.5, 0},
    {"BM_Repaint/basic", "repaint, basic page (bars drive BAK1/IIC1)", kTwoScreens, 1.5, 0},
    {"BM_Repaint/advanced_fm_on", "repaint, advanced page, FM on", kTwoScreens, 1.5, 0},
    {"BM_ButtonPressed", "button drawn pressed", "BM_FloorPanel/button", 0, 0},
    {"BM_MainPreview", "main-menu preview drawn", "BM_FloorPanel/preview", 0, 0},
    {"BM_Commit/sound", "commit, sound page", "BM_FloorDurableReplace", 0, 0},
    {"BM_Commit/basic", "commit, basic page", "BM_FloorDurableReplace", 0, 0},
    {"BM_Commit/advanced", "commit, advanced page", "BM_FloorDurableReplace", 0, 0},
    {"BM_ReadClickSound", "click sound read and parsed", "BM_FloorReadFile", 0, 0},
};

constexpr double kMicrosPerSecond = 1e6;

std::string Micros(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f µs", seconds * kMicrosPerSecond);
    return text;
}

std::string Goal(const FigureSpec& f) {
    char text[48] = "-";
    if (f.goalRatio > 0 && f.goalMicros > 0) {
        std::snprintf(text, sizeof text, "≤ %gx and ≤ %g µs", f.goalRatio, f.goalMicros);
    } else if (f.goalRatio > 0) {
        std::snprintf(text, sizeof text, "≤ %gx", f.goalRatio);
    }
    return text;
}

const char* Verdict(const FigureSpec& f, double seconds, double ratio) {
    if (f.goalRatio <= 0) {
        return "";
    }
    const bool met =
        ratio <= f.goalRatio && (f.goalMicros <= 0 || seconds * kMicrosPerSecond <= f.goalMicros);
    return met ? "met" : "MISSED";
}

}  // namespace

void CFloorTableReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) {
            continue;
        }
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (median || single) {
            m_seconds[run.run_name.str()] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
}

void CFloorTableReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    char line[256];
    std::snprintf(line, sizeof line, "\n%-48s %13s %13s %9s  %-22s\n", "figure (median)", "time",
                  "floor", "ratio", "goal");
    out << line;
    for (const FigureSpec& f : kFigures) {
        const auto figure = m_seconds.find(f.name);
        const auto floor = m_seconds.find(f.floor);
        if (figure == m_seconds.end() || floor == m_seconds.end() || floor->second <= 0) {
            continue;  // filtered out of this run
        }
        const double ratio = figure->second / floor->second;
        std::snprintf(line, sizeof line, "%-48s %14s %14s %8.1fx  %-22s %s\n", f.label,
                      Micros(figure->second).c_str(), Micros(floor->second).c_str(), ratio,
                      Goal(f).c_str(), Verdict(f, figure->second, ratio));
        out << line;
    }
    out << "floors: " << kTwoScreens
        << " copies two full screens; BM_FloorPanel/* copies the figure's own pixels;\n"
           "BM_FloorDurableReplace writes, flushes and renames 26 bytes; BM_FloorReadFile reads "
           "the click file.\n";
}
