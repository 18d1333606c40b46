// The benchmarks of one data set, each figure registered with Google Benchmark beside the
// reference it is compared with, and the table row that puts the two side by side.
#pragma once

#include <string>

namespace torvel::bench {

class DataSetFixture;
class TableReporter;

struct BenchOptions {
    std::string self;    // this program, for the memory probe
    int repetitions = 3; // the median of these is taken: the machine may be busy with others
};

// Registers every benchmark over `set` and adds its rows to `table`; both must outlive the run.
void RegisterDataSet(DataSetFixture& set, TableReporter& table, const BenchOptions& options);

} // namespace torvel::bench
