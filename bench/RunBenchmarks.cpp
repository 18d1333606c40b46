// torvel_bench: this program's work on large data against the tools a user would compare it with,
// each figure and its reference measured in the same run on the same data, then one table of
// figure, reference and ratio.
//
//   torvel_bench --data ROOT [--table FILE] [--repetitions N] [google benchmark flags]
//   torvel_bench --memory-probe DATASET_DIR [--copied-rows]
//
// ROOT holds data sets written by torvel-benchgen, one per folder. The memory probe runs in a
// fresh process; --copied-rows makes it fill the list with copies of the rows, as the list did
// before it read them from the product table, for comparison.
#include "bench/DataSet.h"
#include "bench/DataSetBenchmarks.h"
#include "bench/DataSetFixture.h"
#include "bench/MemoryProbe.h"
#include "bench/TableReporter.h"
#include "tests/support/DialogGuards.h"
#include "util/Dialogs.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace torvel::bench;

int main(int argc, char** argv) {
    BenchOptions options;
    options.self = fs::canonical("/proc/self/exe").string();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("UniTorvel");

    if (argc >= 3 && std::strcmp(argv[1], "--memory-probe") == 0)
        return MemoryProbe(argv[2], argc >= 4 && std::strcmp(argv[3], "--copied-rows") == 0);

    benchmark::Initialize(&argc, argv);
    std::string root, tableFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--data" && i + 1 < argc)
            root = argv[++i];
        else if (arg == "--table" && i + 1 < argc)
            tableFile = fs::absolute(argv[++i]).string(); // the benchmarks change directory
        else if (arg == "--repetitions" && i + 1 < argc)
            options.repetitions = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr,
                         "usage: torvel_bench --data ROOT [--table FILE] [--repetitions N] "
                         "[benchmark flags]\n"
                         "       torvel_bench --memory-probe DATASET_DIR [--copied-rows]\n");
            return 2;
        }
    }
    if (root.empty() || !fs::is_directory(root)) {
        std::fprintf(stderr, "torvel_bench: --data names no folder of data sets\n");
        return 2;
    }
    std::vector<DataSetInfo> infos;
    for (const auto& entry : fs::directory_iterator(root))
        if (fs::exists(entry.path() / kInfoName))
            infos.push_back(ReadDataSetInfo(fs::absolute(entry.path()).string()));
    if (infos.empty()) {
        std::fprintf(stderr, "torvel_bench: no data set under %s\n", root.c_str());
        return 2;
    }
    std::sort(infos.begin(), infos.end(),
              [](const auto& a, const auto& b) { return a.products < b.products; });

    torvel::test::RecordBoxesGuard boxes(true);
    TableReporter reporter;
    std::vector<std::unique_ptr<DataSetFixture>> sets;
    for (const DataSetInfo& info : infos) {
        sets.push_back(std::make_unique<DataSetFixture>(info));
        RegisterDataSet(*sets.back(), reporter, options);
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // The windows go while the application still runs.
    sets.clear();

    const std::string table = reporter.Table();
    std::printf("\n%s", table.c_str());
    if (!tableFile.empty())
        std::ofstream(tableFile) << table;
    if (!torvel::testing::Boxes().empty())
        std::fprintf(stderr, "torvel_bench: a message box came up: %s\n",
                     qPrintable(torvel::testing::Boxes().front().text));
    benchmark::Shutdown();
    return reporter.AnyError() || !torvel::testing::Boxes().empty() ? 1 : 0;
}
