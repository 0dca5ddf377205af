// dialvane-bench: Google Benchmark's command line, with the floor table
// printed after the usual report.
#include <benchmark/benchmark.h>

#include "bench/FloorTable.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    CFloorTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
