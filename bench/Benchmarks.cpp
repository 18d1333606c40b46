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
#include "api/OrderApi.h"
#include "app/Central.h"
#include "app/Config.h"
#include "bench/DataSet.h"
#include "bench/Processes.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Procura_Prod.h"
#include "catalogue/ProductFilter.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "util/Dialogs.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace torvel::bench;
using torvel::SearchMode;

namespace {

std::string gSelf;    // this program, for the memory probe
int gRepetitions = 3; // the median of these is taken: the machine may be busy with others

// ---- Helpers ------------------------------------------------------------------------------

void ChangeDir(const std::string& dir) {
    if (chdir(dir.c_str()) != 0)
        throw std::runtime_error("cannot enter " + dir);
}

// Pending events handled until `done` holds (or a few seconds passed).
void ProcessUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Notes the first paint of a widget, i.e. when the user first sees it.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void ShowAndWaitForPaint(QWidget& widget) {
    PaintWatch watch(&widget);
    widget.show();
    ProcessUntil([&] { return watch.painted; });
    widget.removeEventFilter(&watch);
}

void WriteConfig(const std::string& dir, const std::string& ids, const std::string& hostPort) {
    fs::create_directories(dir);
    std::ofstream out(fs::path(dir) / torvel::kConfigFileName, std::ios::binary | std::ios::trunc);
    out << "[CONFIGURACAO]\r\nCRF=" << kCrf << "\r\nIDS=" << ids << "\r\nSERVIDOR=" << hostPort
        << "\r\n";
}

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

// ---- One data set and what the benchmarks share over it ----------------------------------------

struct SearchCase {
    SearchMode mode;
    std::string text;
    std::string sqlCondition; // the same condition for SQLite, ?1 the text pattern
};

class DataSet {
public:
    explicit DataSet(DataSetInfo info) : info_(std::move(info)) {
        work_ = (fs::path(info_.dir) / "work").string();
        fs::create_directories(work_);
    }

    const DataSetInfo& Info() const { return info_; }
    const std::string& Dir() const { return info_.dir; }
    const std::string& Work() const { return work_; }
    std::string Label() const { return std::to_string(info_.products); }

    ServerProcess& Server() {
        if (!server_)
            server_ = std::make_unique<ServerProcess>(TORVEL_SERVER_PATH,
                                                      (fs::path(Dir()) / kServerDbName).string());
        return *server_;
    }
    std::string Url(const std::string& query) {
        return "http://" + Server().HostPort() + "/api/torvel/pedidos.php?" + query;
    }
    std::string CatalogueUrl() {
        return Url("filtro=itens&valor=" + std::to_string(kUserId) + "&CTRO=" + kStore);
    }
    std::string OrdersUrl() {
        return Url("filtro=ctro&valor=" + std::to_string(kUserId) + "&CTRO=" + kStore);
    }

    // The main window of a run with no store chosen yet, then set as after an accepted check.
    TFCentral& Central() {
        if (!central_) {
            const std::string config = (fs::path(Work()) / "config-central").string();
            WriteConfig(config, "", Server().HostPort());
            torvel::SetConfigDirectoryForTesting(config);
            central_ = std::make_unique<TFCentral>();
            ShowAndWaitForPaint(*central_);
            // Showing the window sets the month filter to the current month: list every order.
            central_->ComboBox->setCurrentIndex(12);
            central_->qSituacao->setCurrentIndex(3);
            central_->Ctro = kStore;
            central_->UserId = kUserId;
        }
        return *central_;
    }

    // The search window over the data set's catalogue, open and shown.
    TFProcura_Prod& Search() {
        if (!search_) {
            ChangeDir(Dir());
            search_ = std::make_unique<TFProcura_Prod>();
            search_->StoreId = kStore;
            ShowAndWaitForPaint(*search_);
        }
        return *search_;
    }

    // The same rows in an in-memory SQLite table with an index on the name.
    sqlite3* Sqlite() {
        if (!sqlite_)
            sqlite_ = LoadIntoSqlite();
        return sqlite_;
    }
    static sqlite3* LoadIntoSqlite() {
        const torvel::CatalogueRecords records = torvel::CatalogueLoad();
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db,
                     "CREATE TABLE produtos(ctro TEXT, id TEXT, marca TEXT, nome TEXT, "
                     "referencia TEXT, und TEXT, preco TEXT, vsugerido TEXT);"
                     "BEGIN;",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO produtos VALUES(?1,?2,?3,?4,?5,?6,?7,?8)", -1, &insert,
                           nullptr);
        for (const torvel::CatalogueRecord record : records) {
            if (record.size() < 8)
                break;
            for (int k = 0; k < 8; ++k) {
                const std::string_view field = record[size_t(k)];
                sqlite3_bind_text(insert, k + 1, field.data(), int(field.size()), SQLITE_STATIC);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT; CREATE INDEX produtos_nome ON produtos(nome);", nullptr, nullptr,
                     nullptr);
        return db;
    }
    // Rows of a query, every column read, as a list would take them.
    static int64_t SqliteRows(sqlite3* db, const std::string& sql, const std::string& text) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_bind_text(st, 1, text.data(), int(text.size()), SQLITE_STATIC);
        int64_t rows = 0;
        size_t bytes = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            for (int k = 0; k < 7; ++k)
                bytes +=
                    size_t(sqlite3_column_bytes(st, k)) + (sqlite3_column_text(st, k) != nullptr);
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(bytes);
        return rows;
    }

    std::vector<SearchCase> SearchCases() const {
        return {
            {SearchMode::Descricao, "BISCOITO", "upper(nome) LIKE ?1 || '%'"},
            {SearchMode::Semelhanca, "LEITE", "upper(nome) LIKE '%' || ?1 || '%'"},
            {SearchMode::Marca, "SANTA", "upper(marca) LIKE ?1 || '%'"},
            {SearchMode::Referencia, "7891", "referencia LIKE ?1 || '%'"},
            {SearchMode::Codigo, info_.lookupCode, "id = ?1"},
        };
    }

    void Close() {
        search_.reset();
        central_.reset();
        server_.reset();
        if (sqlite_)
            sqlite3_close(sqlite_);
        sqlite_ = nullptr;
    }

private:
    DataSetInfo info_;
    std::string work_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<TFCentral> central_;
    std::unique_ptr<TFProcura_Prod> search_;
    sqlite3* sqlite_ = nullptr;
};

std::vector<std::unique_ptr<DataSet>> gDataSets;

// ---- The table --------------------------------------------------------------------------------

struct Result {
    double ms = 0; // real time per iteration
    std::map<std::string, double> counters;
    bool error = false;
    bool median = false;
    std::string message;
};

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

std::vector<TableRow> gTable;
std::map<std::string, Result> gResults;
bool gAnyError = false;

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions the median stands for the benchmark: the machine may be busy.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median)
                continue;
            // The name as registered, without the suffixes the library adds (real_time,
            // iterations).
            Result& r = gResults[run.run_name.function_name];
            if (r.median && !median)
                continue;
            r.median = median;
            r.error = run.error_occurred;
            r.message = run.error_message;
            r.ms = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond   ? 1.0
                                                : run.time_unit == benchmark::kMicrosecond ? 1e-3
                                                : run.time_unit == benchmark::kNanosecond  ? 1e-6
                                                                                           : 1e3);
            for (const auto& [name, counter] : run.counters)
                r.counters[name] = counter.value;
            gAnyError = gAnyError || run.error_occurred;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string Format(double value, const std::string& unit) {
    char buffer[64];
    const char* format = value >= 100  ? "%.0f %s"
                         : value >= 10 ? "%.1f %s"
                         : value >= 1  ? "%.2f %s"
                                       : "%.3f %s";
    std::snprintf(buffer, sizeof buffer, format, value, unit.c_str());
    return buffer;
}

std::string PrintTable() {
    std::string out;
    char line[512];
    std::snprintf(line, sizeof line, "%-46s %11s  %-34s %11s %7s  %s\n", "figure", "value",
                  "reference", "value", "ratio", "goal");
    out += line;
    out += std::string(130, '-') + "\n";
    for (const TableRow& row : gTable) {
        const auto f = gResults.find(row.figure);
        // Several references ("a;b"): the fastest of them, e.g. SQLite's better query plan.
        auto r = gResults.end();
        for (size_t start = 0; start <= row.reference.size();) {
            size_t end = row.reference.find(';', start);
            if (end == std::string::npos)
                end = row.reference.size();
            const auto it = gResults.find(row.reference.substr(start, end - start));
            const auto better = [&](const Result& a, const Result& b) {
                return a.error != b.error ? !a.error : a.ms < b.ms;
            };
            if (it != gResults.end() && (r == gResults.end() || better(it->second, r->second)))
                r = it;
            start = end + 1;
        }
        if (f == gResults.end() || r == gResults.end())
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

// ---- Benchmarks ---------------------------------------------------------------------------------

using Body = std::function<void(benchmark::State&, DataSet&)>;

std::string Register(const std::string& name, DataSet& set, Body body, int iterations = 0) {
    DataSet* s = &set;
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
    if (gRepetitions > 1)
        b->Repetitions(gRepetitions)->ReportAggregatesOnly(true);
    return name;
}

void AddRow(const std::string& label, const std::string& figure, const std::string& reference,
            const std::string& referenceLabel, Goal goal = Goal::None, double limit = 0) {
    gTable.push_back({label, figure, reference, referenceLabel, goal, limit, "", "", "ms"});
}

// Times one external command per iteration; fails when it does.
void TimeCommand(benchmark::State& state, const std::vector<std::string>& argv,
                 const std::string& out) {
    for (auto _ : state) {
        if (RunProcess(argv, out) > 1) // grep answers 1 for no match
            throw std::runtime_error(argv[0] + " failed");
    }
}

void RegisterDataSet(DataSet& set) {
    const DataSetInfo& info = set.Info();
    const std::string n = set.Label();
    const bool main = info.products == 200000;

    // Catalogue download and write, against curl writing the same reply to a file.
    {
        const auto fig = Register("Download/" + n, set, [](benchmark::State& state, DataSet& s) {
            TFCentral& central = s.Central();
            ChangeDir(s.Work());
            fs::remove(torvel::kCatalogueFileName);
            for (auto _ : state)
                central.BitBtn1Click();
            // The download is silent about failures: check that it wrote the whole catalogue.
            if (fs::file_size(torvel::kCatalogueFileName) != uintmax_t(s.Info().fileBytes))
                throw std::runtime_error("the download did not write the catalogue");
        });
        const auto ref =
            Register("Download/" + n + "/curl", set, [](benchmark::State& state, DataSet& s) {
                const std::string out = (fs::path(s.Work()) / "Itens.curl").string();
                TimeCommand(state, {"curl", "-s", "-o", out, s.CatalogueUrl()}, "/dev/null");
            });
        AddRow("download and write, " + n + " products", fig, ref, "curl -s -o",
               main ? Goal::RatioAtMost : Goal::None, 1.3);
    }

    // Reading the catalogue file into records, against reading it and counting its lines.
    {
        const auto fig =
            Register("CatalogueLoad/" + n, set, [](benchmark::State& state, DataSet& s) {
                ChangeDir(s.Dir());
                for (auto _ : state) {
                    auto records = torvel::CatalogueLoad();
                    benchmark::DoNotOptimize(records.size());
                }
            });
        const auto ref =
            Register("CatalogueLoad/" + n + "/floor", set, [](benchmark::State& state, DataSet& s) {
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
            Register("LookupProduct/" + n, set, [](benchmark::State& state, DataSet& s) {
                TFCentral& central = s.Central();
                ChangeDir(s.Dir());
                central.cProd->SetText(s.Info().lookupCode);
                for (auto _ : state)
                    central.LookupProduct();
                if (central.Descricao->text() == "Produto Nao Encontrado")
                    throw std::runtime_error("the lookup did not find its code");
            });
        const auto ref =
            Register("LookupProduct/" + n + "/grep", set, [](benchmark::State& state, DataSet& s) {
                // Not /dev/null: grep stops at the first match when nobody reads its output.
                TimeCommand(state,
                            {"grep", "-F", "--",
                             std::string(kStore) + "|" + s.Info().lookupCode + "|",
                             (fs::path(s.Dir()) / torvel::kCatalogueFileName).string()},
                            (fs::path(s.Work()) / "grep.out").string());
            });
        AddRow("LookupProduct scan, " + n + " products", fig, ref, "grep -F of the line start",
               main ? Goal::RatioAtMost : Goal::None, 1.5);
    }

    // Opening the search window: load, sort, show.
    {
        const auto fig = Register("SearchOpen/" + n, set, [](benchmark::State& state, DataSet& s) {
            ChangeDir(s.Dir());
            for (auto _ : state) {
                auto window = std::make_unique<TFProcura_Prod>();
                window->StoreId = kStore;
                ShowAndWaitForPaint(*window);
                state.PauseTiming();
                if (window->Table().size() != size_t(s.Info().products))
                    throw std::runtime_error("the window did not load every product");
                window.reset();
                state.ResumeTiming();
            }
        });
        const auto ref =
            Register("SearchOpen/" + n + "/sqlite", set, [](benchmark::State& state, DataSet& s) {
                ChangeDir(s.Dir());
                for (auto _ : state) {
                    sqlite3* db = DataSet::LoadIntoSqlite();
                    state.PauseTiming();
                    sqlite3_close(db);
                    state.ResumeTiming();
                }
            });
        Goal goal = Goal::None;
        double limit = 0;
        if (main)
            goal = Goal::MsBelow, limit = 400;
        if (info.products == 1000000)
            goal = Goal::MsBelow, limit = 2000;
        AddRow("search window open, " + n + " products", fig, ref, "SQLite insert + index on name",
               goal, limit);
    }

    // Each search mode: the filter and the products it selects, in name order.
    for (const SearchCase& c : set.SearchCases()) {
        const std::string mode(torvel::SearchModeName(c.mode));
        const auto fig =
            Register("Search/" + n + "/" + mode, set, [c](benchmark::State& state, DataSet& s) {
                const torvel::ProductTable& table = s.Search().Table();
                size_t found = 0;
                for (auto _ : state) {
                    const std::string text = torvel::PrepareSearchText(c.mode, c.text);
                    const torvel::ProductFilter filter(
                        torvel::BuildSearchFilter(c.mode, text, kStore));
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
                    Register(name, set, [c, sql](benchmark::State& state, DataSet& s) {
                        ChangeDir(s.Dir());
                        sqlite3* db = s.Sqlite();
                        int64_t rows = 0;
                        for (auto _ : state)
                            rows = DataSet::SqliteRows(db, sql, c.text);
                        state.counters["rows"] = double(rows);
                    });
        }
        AddRow("search " + mode + " '" + c.text + "', " + n, fig, refs,
               "SQLite LIKE + ORDER BY, best plan", main ? Goal::MsBelowAndNotAboveRef : Goal::None,
               30);
    }

    // Filling the list with every product of the store (F2 with '%'), until it is drawn.
    {
        const auto fig = Register("FillList/" + n, set, [](benchmark::State& state, DataSet& s) {
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
                    Register(name, set, [sql](benchmark::State& state, DataSet& s) {
                        ChangeDir(s.Dir());
                        sqlite3* db = s.Sqlite();
                        for (auto _ : state)
                            DataSet::SqliteRows(db, sql, kStore);
                    });
        }
        AddRow("list fill, all " + n + " rows", fig, refs, "SQLite SELECT all ORDER BY, best plan",
               info.products == 20000 ? Goal::MsBelow : Goal::None, 100);
    }

    // The order list: request, split, fill gPedido.
    {
        const auto fig =
            Register("RefreshOrderList/" + n, set, [](benchmark::State& state, DataSet& s) {
                TFCentral& central = s.Central();
                for (auto _ : state) {
                    central.RefreshOrderList();
                    QCoreApplication::processEvents();
                }
                if (central.gPedido->RowCount() != int(s.Info().orders)) {
                    // Say why: the refresh itself is silent about failures.
                    std::string why = "filter '" + central.OrderListFilter() + "'";
                    try {
                        why += ", " +
                               std::to_string(
                                   central.Api()
                                       .ListOrders(kUserId, kStore, central.OrderListFilter())
                                       .size()) +
                               " records";
                    } catch (const std::exception& e) {
                        why += ", " + std::string(e.what());
                    }
                    throw std::runtime_error("the order list has " +
                                             std::to_string(central.gPedido->RowCount()) +
                                             " rows (" + why + ")");
                }
            });
        const auto ref = Register(
            "RefreshOrderList/" + n + "/curl", set, [](benchmark::State& state, DataSet& s) {
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
            return [oneStore](benchmark::State& state, DataSet& s) {
                const std::string config =
                    (fs::path(s.Work()) / (oneStore ? "config-one" : "config-none")).string();
                WriteConfig(config, oneStore ? kStoreEntry : "", s.Server().HostPort());
                ChangeDir(s.Work());
                for (auto _ : state) {
                    torvel::SetConfigDirectoryForTesting(config);
                    auto central = std::make_unique<TFCentral>();
                    ShowAndWaitForPaint(*central);
                    state.PauseTiming();
                    if (oneStore && central->gPedido->RowCount() != int(s.Info().orders))
                        throw std::runtime_error("the start-up did not list the orders");
                    central.reset();
                    state.ResumeTiming();
                }
            };
        };
        const auto fig = Register("Startup/" + n + "/one_store", set, startup(true));
        const auto ref = Register("Startup/" + n + "/no_store", set, startup(false));
        AddRow("start-up, one store (" + n + ")", fig, ref, "start-up, no store");
    }

    // Peak memory with the search window open and every product listed.
    {
        const auto fig = Register(
            "Memory/" + n, set,
            [](benchmark::State& state, DataSet& s) {
                for (auto _ : state) {
                    int status = 0;
                    const std::string out =
                        RunProcessOutput({gSelf, "--memory-probe", s.Dir()}, status);
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
        gTable.push_back(row);
        gTable.push_back({"peak memory growth while open, F2 '%', " + n, fig, fig,
                          "catalogue file size", Goal::None, 0, "open_growth_MB", "file_MB", "MB"});
        gTable.push_back({"peak memory of the program, search window, " + n, fig, fig,
                          "catalogue file size", Goal::None, 0, "peak_MB", "file_MB", "MB"});
    }
}

// ---- The memory probe (a fresh process) --------------------------------------------------------

int MemoryProbe(const std::string& dir, bool copiedRows) {
    torvel::testing::RecordBoxes(true);
    ChangeDir(dir);
    const std::string config = (fs::path(dir) / "work" / "config-probe").string();
    WriteConfig(config, "", "127.0.0.1:9");
    torvel::SetConfigDirectoryForTesting(config);
    // The program at rest: its main window shown, no store chosen.
    TFCentral central;
    ShowAndWaitForPaint(central);
    const long baseline = ResidentKb();
    long rows = 0, loadPeak = 0, openPeak = 0;
    {
        TFProcura_Prod search(&central);
        search.StoreId = kStore;
        ShowAndWaitForPaint(search);
        // From here on the window is open: its own peak, apart from the one of the loading.
        loadPeak = PeakResidentKb();
        ResetPeakResident();
        search.SetSearchMode(SearchMode::Semelhanca);
        search.FProcura->SetText("%");
        if (copiedRows) {
            // How the list held its rows before: seven strings per row.
            const auto selected = search.Table().Select(torvel::ProductFilter(
                torvel::BuildSearchFilter(SearchMode::Semelhanca, "%", kStore)));
            std::vector<torvel::ListRow> copies(selected.size());
            for (size_t i = 0; i < selected.size(); ++i)
                for (auto f : {torvel::ProductField::Id, torvel::ProductField::Nome,
                               torvel::ProductField::Referencia, torvel::ProductField::Marca,
                               torvel::ProductField::Und, torvel::ProductField::Preco,
                               torvel::ProductField::VSugerido})
                    copies[i].cells.emplace_back(search.Table().Field(selected[i], f));
            search.SetSearchMode(SearchMode::None);
            search.gLista->SetRows(std::move(copies));
        } else {
            search.ApplySearch();
        }
        QCoreApplication::processEvents();
        // Scroll through to the end, as a user looking at the list would.
        QScrollBar* bar = search.gLista->verticalScrollBar();
        for (int step = 0; step <= 20; ++step) {
            bar->setValue(bar->maximum() * step / 20);
            QCoreApplication::processEvents();
        }
        rows = search.gLista->RowCount();
        openPeak = PeakResidentKb();
    }
    std::printf("baseline_kb=%ld peak_kb=%ld open_peak_kb=%ld rows=%ld\n", baseline,
                std::max(loadPeak, openPeak), openPeak, rows);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    gSelf = fs::canonical("/proc/self/exe").string();
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
            gRepetitions = std::max(1, std::atoi(argv[++i]));
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

    torvel::testing::RecordBoxes(true);
    for (const DataSetInfo& info : infos) {
        gDataSets.push_back(std::make_unique<DataSet>(info));
        RegisterDataSet(*gDataSets.back());
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (auto& set : gDataSets)
        set->Close();

    const std::string table = PrintTable();
    std::printf("\n%s", table.c_str());
    if (!tableFile.empty())
        std::ofstream(tableFile) << table;
    if (!torvel::testing::Boxes().empty())
        std::fprintf(stderr, "torvel_bench: a message box came up: %s\n",
                     qPrintable(torvel::testing::Boxes().front().text));
    benchmark::Shutdown();
    return gAnyError || !torvel::testing::Boxes().empty() ? 1 : 0;
}
