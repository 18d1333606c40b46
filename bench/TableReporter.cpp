#include "bench/TableReporter.h"

#include <cstdio>

namespace torvel::bench {
namespace {

std::string Format(double value, const std::string& unit) {
    char buffer[64];
    const char* format = value >= 100  ? "%.0f %s"
                         : value >= 10 ? "%.1f %s"
                         : value >= 1  ? "%.2f %s"
                                       : "%.3f %s";
    std::snprintf(buffer, sizeof buffer, format, value, unit.c_str());
    return buffer;
}

// Whether the run failed (SkipWithError), and why: Google Benchmark 1.8 calls a failure a skip.
bool Failed(const benchmark::BenchmarkReporter::Run& run) {
#ifdef TORVEL_BENCHMARK_SKIPPED
    return run.skipped == benchmark::internal::SkippedWithError;
#else
    return run.error_occurred;
#endif
}

std::string FailureMessage(const benchmark::BenchmarkReporter::Run& run) {
#ifdef TORVEL_BENCHMARK_SKIPPED
    return run.skip_message;
#else
    return run.error_message;
#endif
}

} // namespace

void TableReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        // With repetitions the median stands for the benchmark: the machine may be busy.
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type != Run::RT_Iteration && !median)
            continue;
        // The name as registered, without the suffixes the library adds (real_time,
        // iterations).
        Result& r = results_[run.run_name.function_name];
        if (r.median && !median)
            continue;
        r.median = median;
        r.error = Failed(run);
        r.message = FailureMessage(run);
        r.ms = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond   ? 1.0
                                            : run.time_unit == benchmark::kMicrosecond ? 1e-3
                                            : run.time_unit == benchmark::kNanosecond  ? 1e-6
                                                                                       : 1e3);
        for (const auto& [name, counter] : run.counters)
            r.counters[name] = counter.value;
        anyError_ = anyError_ || r.error;
    }
    ConsoleReporter::ReportRuns(runs);
}

std::string TableReporter::Table() const {
    std::string out;
    char line[512];
    std::snprintf(line, sizeof line, "%-46s %11s  %-34s %11s %7s  %s\n", "figure", "value",
                  "reference", "value", "ratio", "goal");
    out += line;
    out += std::string(130, '-') + "\n";
    for (const TableRow& row : rows_) {
        const auto f = results_.find(row.figure);
        // Several references ("a;b"): the fastest of them, e.g. SQLite's better query plan.
        auto r = results_.end();
        for (size_t start = 0; start <= row.reference.size();) {
            size_t end = row.reference.find(';', start);
            if (end == std::string::npos)
                end = row.reference.size();
            const auto it = results_.find(row.reference.substr(start, end - start));
            const auto better = [&](const Result& a, const Result& b) {
                return a.error != b.error ? !a.error : a.ms < b.ms;
            };
            if (it != results_.end() && (r == results_.end() || better(it->second, r->second)))
                r = it;
            start = end + 1;
        }
        if (f == results_.end() || r == results_.end())
            continue; // filtered out
        auto value = [&](const Result& res, const std::string& counter) {
            if (counter.empty())
                return res.ms;
            auto it = res.counters.find(counter);
            return it == res.counters.end() ? 0.0 : it->second;
        };
        const double fv = value(f->second, row.figureCounter);
        const double rv = value(r->second, row.referenceCounter);
        const double ratio = rv > 0 ? fv / rv : 0;
        std::string goal = "-";
        char text[96];
        switch (row.goal) {
        case Goal::None:
            break;
        case Goal::RatioAtMost:
            std::snprintf(text, sizeof text, "ratio <= %.1f: %s", row.limit,
                          ratio <= row.limit ? "met" : "MISSED");
            goal = text;
            break;
        case Goal::MsBelow:
            std::snprintf(text, sizeof text, "< %.0f ms: %s", row.limit,
                          fv < row.limit ? "met" : "MISSED");
            goal = text;
            break;
        case Goal::MsBelowAndNotAboveRef:
            std::snprintf(text, sizeof text, "< %.0f ms and ratio <= 1: %s", row.limit,
                          fv < row.limit && ratio <= 1.0 ? "met" : "MISSED");
            goal = text;
            break;
        }
        if (f->second.error || r->second.error)
            goal = "ERROR: " + (f->second.error ? f->second.message : r->second.message);
        std::snprintf(line, sizeof line, "%-46s %11s  %-34s %11s %7.2f  %s\n", row.label.c_str(),
                      Format(fv, row.unit).c_str(), row.referenceLabel.c_str(),
                      Format(rv, row.unit).c_str(), ratio, goal.c_str());
        out += line;
    }
    return out;
}

} // namespace torvel::bench
