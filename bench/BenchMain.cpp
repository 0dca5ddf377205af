// dialvane-bench: Google Benchmark's command line, with the floor table
// printed after the usual report.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "bench/FloorTable.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // Colours only for a terminal: the table is often kept in a file.
    CFloorTableReporter reporter(::isatty(STDOUT_FILENO) != 0
                                     ? benchmark::ConsoleReporter::OO_Defaults
                                     : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
