// The benchmark table: collects every run's figure as Google Benchmark reports it and prints one
// line per row of figure, reference, ratio and whether the row's goal was met.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace torvel::bench {

enum class Goal { None, RatioAtMost, MsBelow, MsBelowAndNotAboveRef };

struct TableRow {
    std::string label;
    std::string figure, reference; // benchmark names; several references joined by ";"
    std::string referenceLabel;
    Goal goal = Goal::None;
    double limit = 0;
    // For rows that are not timings: the counters holding figure and reference, and their unit.
    std::string figureCounter, referenceCounter, unit = "ms";
};

class TableReporter : public benchmark::ConsoleReporter {
public:
    // Rows are printed in the order they were added; a row whose benchmarks did not run (left
    // out by a filter) is not printed.
    void AddRow(TableRow row) { rows_.push_back(std::move(row)); }

    void ReportRuns(const std::vector<Run>& runs) override;

    std::string Table() const;
    // Whether any benchmark reported an error.
    bool AnyError() const { return anyError_; }

private:
    struct Result {
        double ms = 0; // real time per iteration
        std::map<std::string, double> counters;
        bool error = false;
        bool median = false;
        std::string message;
    };

    std::vector<TableRow> rows_;
    std::map<std::string, Result> results_;
    bool anyError_ = false;
};

} // namespace torvel::bench
