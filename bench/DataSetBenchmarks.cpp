#include "bench/DataSetBenchmarks.h"

#include "api/HttpTransport.h"
#include "api/OrderApi.h"
#include "bench/DataSetFixture.h"
#include "bench/FirstPaint.h"
#include "bench/MainWindow.h"
#include "bench/TableReporter.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/NameOrderMemo.h"
#include "catalogue/Procura_Prod.h"
#include "catalogue/ProductFilter.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "orders/OrderListPage.h"
#include "tests/support/ConfigGuards.h"
#include "util/Dialogs.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace torvel::bench {
namespace {

using Body = std::function<void(benchmark::State&, DataSetFixture&)>;

// Reads the whole file in one go into a buffer that is not cleared first and counts its lines:
// the least that any reader of the file must do.
size_t CountLinesOfFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0)
        throw std::runtime_error("cannot read " + path);
    const size_t size = size_t(st.st_size);
    std::unique_ptr<char[]> text(new char[size]);
    size_t done = 0;
    for (ssize_t n; done < size && (n = read(fd, text.get() + done, size - done)) > 0;)
        done += size_t(n);
    close(fd);
    size_t lines = 0;
    for (const char *p = text.get(), *end = p + done;
         (p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))); ++p)
        ++lines;
    return lines;
}

// `count` codes of kStore spread over the catalogue file of the current directory.
std::vector<std::string> ListCodes(size_t count) {
    const torvel::CatalogueRecords records = torvel::CatalogueLoad();
    std::vector<std::string> codes;
    const size_t step = std::max<size_t>(1, records.size() / count);
    for (size_t i = 0; i < records.size() && codes.size() < count; i += step)
        if (records[i].size() > 6 && records[i][0] == kStore)
            codes.emplace_back(records[i][1]);
    if (codes.size() < count)
        throw std::runtime_error("the catalogue has too few products of the store");
    return codes;
}

// Times one external command per iteration; fails when it does.
void TimeCommand(benchmark::State& state, const std::vector<std::string>& argv,
                 const std::string& out) {
    for (auto _ : state) {
        if (RunProcess(argv, out) > 1) // grep answers 1 for no match
            throw std::runtime_error(argv[0] + " failed");
    }
}

// Registers benchmarks and table rows of one data set.
class Registrar {
public:
    Registrar(DataSetFixture& set, TableReporter& table, const BenchOptions& options)
        : set_(set), table_(table), options_(options) {}

    std::string Register(const std::string& name, Body body, int iterations = 0) {
        DataSetFixture* s = &set_;
        auto* b = benchmark::RegisterBenchmark(name.c_str(), [s, body](benchmark::State& state) {
            try {
                body(state, *s);
            } catch (const std::exception& e) {
                state.SkipWithError(e.what());
            }
        });
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (iterations > 0)
            b->Iterations(iterations);
        if (options_.repetitions > 1)
            b->Repetitions(options_.repetitions)->ReportAggregatesOnly(true);
        return name;
    }

    void AddRow(const std::string& label, const std::string& figure, const std::string& reference,
                const std::string& referenceLabel, Goal goal = Goal::None, double limit = 0) {
        table_.AddRow({label, figure, reference, referenceLabel, goal, limit, "", "", "ms"});
    }

    void RegisterAll();

private:
    DataSetFixture& set_;
    TableReporter& table_;
    const BenchOptions& options_;
};

} // namespace

void RegisterDataSet(DataSetFixture& set, TableReporter& table, const BenchOptions& options) {
    Registrar(set, table, options).RegisterAll();
}

void Registrar::RegisterAll() {
    DataSetFixture& set = set_;
    const DataSetInfo& info = set.Info();
    const std::string n = set.Label();
    const bool main = info.products == 200000;

    // Catalogue download and write, against curl writing the same reply to a file.
    {
        const auto fig = Register("Download/" + n, [](benchmark::State& state, DataSetFixture& s) {
            auto& list = Control<orders::OrderListPage>(s.Central(), "Default");
            ChangeDir(s.Work());
            fs::remove(torvel::kCatalogueFileName);
            for (auto _ : state)
                list.BitBtn1Click();
            // The download is silent about failures: check that it wrote the whole catalogue.
            if (fs::file_size(torvel::kCatalogueFileName) != uintmax_t(s.Info().fileBytes))
                throw std::runtime_error("the download did not write the catalogue");
        });
        const auto ref =
            Register("Download/" + n + "/curl", [](benchmark::State& state, DataSetFixture& s) {
                const std::string out = (fs::path(s.Work()) / "Itens.curl").string();
                TimeCommand(state, {"curl", "-s", "-o", out, s.CatalogueUrl()}, "/dev/null");
            });
        AddRow("download and write, " + n + " products", fig, ref, "curl -s -o",
               main ? Goal::RatioAtMost : Goal::None, 1.3);
    }

    // Reading the catalogue file into records, against reading it and counting its lines.
    {
        const auto fig =
            Register("CatalogueLoad/" + n, [](benchmark::State& state, DataSetFixture& s) {
                ChangeDir(s.Dir());
                for (auto _ : state) {
                    auto records = torvel::CatalogueLoad();
                    benchmark::DoNotOptimize(records.size());
                }
            });
        const auto ref = Register(
            "CatalogueLoad/" + n + "/floor", [](benchmark::State& state, DataSetFixture& s) {
                const std::string path = (fs::path(s.Dir()) / torvel::kCatalogueFileName).string();
                for (auto _ : state)
                    benchmark::DoNotOptimize(CountLinesOfFile(path));
            });
        AddRow("CatalogueLoad, " + n + " products", fig, ref, "read + memchr line count",
               main ? Goal::RatioAtMost : Goal::None, 3.0);
    }

    // The code lookup of the order editor: a fresh read of the file and a scan for one code.
    {
        const auto fig =
            Register("LookupProduct/" + n, [](benchmark::State& state, DataSetFixture& s) {
                ChangeDir(s.Dir());
                torvel::CatalogueLookup match;
                for (auto _ : state)
                    match = torvel::LookupInCatalogue(kStore, s.Info().lookupCode);
                if (match.record.empty())
                    throw std::runtime_error("the lookup did not find its code");
            });
        const auto ref = Register("LookupProduct/" + n + "/grep", [](benchmark::State& state,
                                                                     DataSetFixture& s) {
            // Not /dev/null: grep stops at the first match when nobody reads its output.
            TimeCommand(state,
                        {"grep", "-F", "--", std::string(kStore) + "|" + s.Info().lookupCode + "|",
                         (fs::path(s.Dir()) / torvel::kCatalogueFileName).string()},
                        (fs::path(s.Work()) / "grep.out").string());
        });
        AddRow("LookupProduct scan, " + n + " products", fig, ref, "grep -F of the line start",
               main || info.products == 1000000 ? Goal::RatioAtMost : Goal::None, 1.5);
    }

    // An order from a pasted list of 1,000 codes, through the editor page, against 1,000 lookups
    // of one code each as "OK" makes them.
    if (main) {
        const auto fig =
            Register("OrderFromList/" + n, [](benchmark::State& state, DataSetFixture& s) {
                ChangeDir(s.Work());
                if (!fs::exists(torvel::kCatalogueFileName))
                    fs::copy_file(fs::path(s.Dir()) / torvel::kCatalogueFileName,
                                  torvel::kCatalogueFileName);
                std::string list;
                for (const std::string& code : ListCodes(1000))
                    list += code + "\t2\r\n";
                // No backup of an earlier run to offer.
                for (const auto& entry : fs::directory_iterator("."))
                    if (entry.path().filename().string().rfind("GProd_", 0) == 0)
                        fs::remove(entry.path());
                QWidget& window = s.Central();
                Control<QPushButton>(window, "B_Novo").click();
                torvel::testing::Boxes().clear();
                auto& cProd = Control<TFloatEdit>(window, "cProd");
                const auto& gProd = Control<TGListView>(window, "gProd");
                QGuiApplication::clipboard()->setText(QString::fromLatin1(list));
                for (auto _ : state) {
                    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
                    QApplication::sendEvent(&cProd, &paste);
                    state.PauseTiming();
                    const int rows = gProd.RowCount();
                    auto& boxes = torvel::testing::Boxes();
                    const bool answered =
                        boxes.size() == 2 && boxes[1].text.startsWith("1000 itens");
                    boxes.clear();
                    Control<QPushButton>(window, "B_Cancela").click();
                    if (rows != 1000 || !answered)
                        throw std::runtime_error("the list did not become 1000 rows");
                    state.ResumeTiming();
                }
            });
        const auto ref = Register(
            "OrderFromList/" + n + "/lookups",
            [](benchmark::State& state, DataSetFixture& s) {
                ChangeDir(s.Dir());
                const std::vector<std::string> codes = ListCodes(1000);
                for (auto _ : state)
                    for (const std::string& code : codes)
                        benchmark::DoNotOptimize(torvel::LookupInCatalogue(kStore, code));
            },
            1);
        AddRow("order from a list, 1000 lines, " + n + " products", fig, ref,
               "1000 lookups as \"OK\" does them", Goal::RatioAtMost, 0.1);
    }

    // Opening the search window: load, sort, show. The first opening of a run sorts; later
    // openings of the same file take the name order it kept. Over an empty catalogue what is
    // left is the window's own cost.
    auto openings = [](bool first, bool empty = false) {
        return [first, empty](benchmark::State& state, DataSetFixture& s) {
            if (empty) {
                const fs::path dir = fs::path(s.Work()) / "empty-catalogue";
                fs::create_directories(dir);
                std::ofstream(dir / torvel::kCatalogueFileName, std::ios::trunc);
                ChangeDir(dir.string());
            } else {
                ChangeDir(s.Dir());
            }
            const size_t products = empty ? 0 : size_t(s.Info().products);
            if (!first) // the opening that keeps the order
                TFProcura_Prod().Table();
            for (auto _ : state) {
                if (first) {
                    state.PauseTiming();
                    torvel::NameOrderMemo::OfThisRun().Forget();
                    state.ResumeTiming();
                }
                auto window = std::make_unique<TFProcura_Prod>();
                window->StoreId = kStore;
                ShowAndWaitForPaint(*window);
                state.PauseTiming();
                if (window->Table().size() != products)
                    throw std::runtime_error("the window did not load every product");
                window.reset();
                state.ResumeTiming();
            }
        };
    };
    {
        const auto fig = Register("SearchOpen/" + n, openings(true));
        const auto ref =
            Register("SearchOpen/" + n + "/sqlite", [](benchmark::State& state, DataSetFixture& s) {
                ChangeDir(s.Dir());
                for (auto _ : state) {
                    sqlite3* db = DataSetFixture::LoadIntoSqlite();
                    state.PauseTiming();
                    sqlite3_close(db);
                    state.ResumeTiming();
                }
            });
        Goal goal = Goal::None;
        double limit = 0;
        if (main)
            goal = Goal::MsBelow, limit = 100;
        if (info.products == 1000000)
            goal = Goal::MsBelow, limit = 400;
        AddRow("search window open, " + n + " products", fig, ref, "SQLite insert + index on name",
               goal, limit);
        // The same file opened a second time in the run, against reading it. At 20,000 products
        // the window's own construction outweighs the file, so the ratio is no goal there.
        const auto reopen = Register("SearchReopen/" + n, openings(false));
        AddRow("search window reopen, " + n + " products", reopen, "CatalogueLoad/" + n,
               "CatalogueLoad", info.products >= 200000 ? Goal::RatioAtMost : Goal::None, 3.0);
        // The window over an empty catalogue, against the smallest reopening: its share of it.
        if (info.products == 20000)
            AddRow("search window open, empty catalogue",
                   Register("SearchOpen/empty", openings(false, true)), reopen,
                   "search window reopen, " + n);
    }

    // Each search mode: the filter and the products it selects, in name order.
    for (const SearchCase& c : set.SearchCases()) {
        const std::string mode(torvel::SearchModeName(c.mode));
        const auto fig = Register("Search/" + n + "/" + mode, [c](benchmark::State& state,
                                                                  DataSetFixture& s) {
            const torvel::ProductTable& table = s.Search().Table();
            size_t found = 0;
            for (auto _ : state) {
                const std::string text = torvel::PrepareSearchText(c.mode, c.text);
                const torvel::ProductFilter filter(torvel::BuildSearchFilter(c.mode, text, kStore));
                found = table.Select(filter).size();
                benchmark::DoNotOptimize(found);
            }
            state.counters["rows"] = double(found);
        });
        std::string refs;
        for (const char* from : {"produtos", "produtos NOT INDEXED"}) {
            const std::string sql = "SELECT id, nome, referencia, marca, und, preco, vsugerido "
                                    "FROM " +
                                    std::string(from) + " WHERE " + c.sqlCondition +
                                    " AND ctro = '" + kStore + "' ORDER BY nome";
            const std::string name =
                "Search/" + n + "/" + mode + (refs.empty() ? "/sqlite" : "/sqlite_no_index");
            refs += (refs.empty() ? "" : ";") +
                    Register(name, [c, sql](benchmark::State& state, DataSetFixture& s) {
                        ChangeDir(s.Dir());
                        sqlite3* db = s.Sqlite();
                        int64_t rows = 0;
                        for (auto _ : state)
                            rows = DataSetFixture::SqliteRows(db, sql, c.text);
                        state.counters["rows"] = double(rows);
                    });
        }
        AddRow("search " + mode + " '" + c.text + "', " + n, fig, refs,
               "SQLite LIKE + ORDER BY, best plan", main ? Goal::MsBelowAndNotAboveRef : Goal::None,
               30);
    }

    // Filling the list with every product of the store (F2 with '%'), until it is drawn.
    {
        const auto fig = Register("FillList/" + n, [](benchmark::State& state, DataSetFixture& s) {
            TFProcura_Prod& window = s.Search();
            const std::vector<uint32_t> rows = window.Table().Select(torvel::ProductFilter(
                torvel::BuildSearchFilter(SearchMode::Semelhanca, "%", kStore)));
            for (auto _ : state) {
                window.FillList(rows);
                QCoreApplication::processEvents();
            }
            if (window.gLista->RowCount() != int(rows.size()) || window.gLista->SelectedRow() != 1)
                throw std::runtime_error("the list was not filled");
            state.counters["rows"] = double(rows.size());
        });
        std::string refs;
        for (const char* from : {"produtos", "produtos NOT INDEXED"}) {
            const std::string sql = "SELECT id, nome, referencia, marca, und, preco, vsugerido "
                                    "FROM " +
                                    std::string(from) + " WHERE ctro = ?1 ORDER BY nome";
            const std::string name =
                "FillList/" + n + (refs.empty() ? "/sqlite" : "/sqlite_no_index");
            refs += (refs.empty() ? "" : ";") +
                    Register(name, [sql](benchmark::State& state, DataSetFixture& s) {
                        ChangeDir(s.Dir());
                        sqlite3* db = s.Sqlite();
                        for (auto _ : state)
                            DataSetFixture::SqliteRows(db, sql, kStore);
                    });
        }
        AddRow("list fill, all " + n + " rows", fig, refs, "SQLite SELECT all ORDER BY, best plan",
               info.products == 20000 ? Goal::MsBelow : Goal::None, 100);
    }

    // The order list: request, split, fill gPedido.
    {
        const auto fig =
            Register("RefreshOrderList/" + n, [](benchmark::State& state, DataSetFixture& s) {
                auto& list = Control<orders::OrderListPage>(s.Central(), "Default");
                const TGListView& gPedido = Control<TGListView>(list, "gPedido");
                for (auto _ : state) {
                    list.RefreshOrderList();
                    QCoreApplication::processEvents();
                }
                if (gPedido.RowCount() != int(s.Info().orders)) {
                    // Say why: the refresh itself is silent about failures.
                    std::string why;
                    try {
                        HttpTransport transport;
                        why = std::to_string(OrderApi(transport, s.Server().HostPort())
                                                 .ListOrders(kUserId, kStore, "")
                                                 .size()) +
                              " records";
                    } catch (const std::exception& e) {
                        why = e.what();
                    }
                    throw std::runtime_error("the order list has " +
                                             std::to_string(gPedido.RowCount()) + " rows (" + why +
                                             ")");
                }
            });
        const auto ref = Register(
            "RefreshOrderList/" + n + "/curl", [](benchmark::State& state, DataSetFixture& s) {
                TimeCommand(state,
                            {"curl", "-s", "-o", (fs::path(s.Work()) / "orders.curl").string(),
                             s.OrdersUrl()},
                            "/dev/null");
            });
        AddRow("order list of " + std::to_string(info.orders) + " orders (" + n + ")", fig, ref,
               "curl -s -o of the same list", info.orders == 10000 ? Goal::MsBelow : Goal::None,
               150);
    }

    // Start-up to the first shown main window.
    {
        auto startup = [](bool oneStore) {
            return [oneStore](benchmark::State& state, DataSetFixture& s) {
                const std::string config =
                    (fs::path(s.Work()) / (oneStore ? "config-one" : "config-none")).string();
                WriteConfig(config, oneStore ? kStoreEntry : "", s.Server().HostPort());
                ChangeDir(s.Work());
                const test::ConfigDirGuard configDir(config);
                for (auto _ : state) {
                    auto central = NewMainWindow();
                    ShowAndWaitForPaint(*central);
                    state.PauseTiming();
                    if (oneStore &&
                        Control<TGListView>(*central, "gPedido").RowCount() != int(s.Info().orders))
                        throw std::runtime_error("the start-up did not list the orders");
                    central.reset();
                    state.ResumeTiming();
                }
            };
        };
        const auto fig = Register("Startup/" + n + "/one_store", startup(true));
        const auto ref = Register("Startup/" + n + "/no_store", startup(false));
        AddRow("start-up, one store (" + n + ")", fig, ref, "start-up, no store");
    }

    // Peak memory with the search window open and every product listed.
    {
        const auto fig = Register(
            "Memory/" + n,
            [self = options_.self](benchmark::State& state, DataSetFixture& s) {
                for (auto _ : state) {
                    int status = 0;
                    const std::string out =
                        RunProcessOutput({self, "--memory-probe", s.Dir()}, status);
                    long baseline = 0, peak = 0, openPeak = 0, rows = 0;
                    if (status != 0 ||
                        std::sscanf(out.c_str(),
                                    "baseline_kb=%ld peak_kb=%ld open_peak_kb=%ld rows=%ld",
                                    &baseline, &peak, &openPeak, &rows) != 4 ||
                        rows != s.Info().products)
                        throw std::runtime_error("the memory probe failed: " + out);
                    state.counters["growth_MB"] = double(peak - baseline) / 1024.0;
                    state.counters["open_growth_MB"] = double(openPeak - baseline) / 1024.0;
                    state.counters["peak_MB"] = double(peak) / 1024.0;
                    state.counters["file_MB"] = double(s.Info().fileBytes) / (1024.0 * 1024.0);
                }
            },
            1);
        TableRow row{"peak memory growth, opening + F2 '%', " + n,
                     fig,
                     fig,
                     "catalogue file size",
                     main ? Goal::RatioAtMost : Goal::None,
                     3.0,
                     "growth_MB",
                     "file_MB",
                     "MB"};
        table_.AddRow(row);
        table_.AddRow({"peak memory growth while open, F2 '%', " + n, fig, fig,
                       "catalogue file size", Goal::None, 0, "open_growth_MB", "file_MB", "MB"});
        table_.AddRow({"peak memory of the program, search window, " + n, fig, fig,
                       "catalogue file size", Goal::None, 0, "peak_MB", "file_MB", "MB"});
    }
}

} // namespace torvel::bench
