// Prints Google Benchmark's usual lines and, at the end, the table this suite
// exists for: each figure's median beside the floor it is judged against, the
// ratio, and the goal.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CFloorTableReporter : public benchmark::ConsoleReporter {
public:
    explicit CFloorTableReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    // Benchmark name → seconds per iteration (the median when repeated).
    std::map<std::string, double> m_seconds;
};
