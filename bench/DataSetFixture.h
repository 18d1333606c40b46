// One generated data set as the benchmarks use it: its folders, the reference server over its
// database, the main window and the search window over its catalogue, and the same rows in
// SQLite, each made on first use and kept until Close.
#pragma once

#include "bench/DataSet.h"
#include "bench/Processes.h"
#include "catalogue/ProductFilter.h"
#include "tests/support/ConfigGuards.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class TFProcura_Prod;
struct sqlite3;

namespace torvel::bench {

// Enters a folder; the benchmarks run where the program would find its files.
void ChangeDir(const std::string& dir);

// A Config.Ini in `dir` with the benchmarks' document number, these store entries and server.
void WriteConfig(const std::string& dir, const std::string& ids, const std::string& hostPort);

struct SearchCase {
    SearchMode mode;
    std::string text;
    std::string sqlCondition; // the same condition for SQLite, ?1 the text pattern
};

class DataSetFixture {
public:
    explicit DataSetFixture(DataSetInfo info);
    ~DataSetFixture();
    DataSetFixture(const DataSetFixture&) = delete;
    DataSetFixture& operator=(const DataSetFixture&) = delete;

    const DataSetInfo& Info() const { return info_; }
    const std::string& Dir() const { return info_.dir; }
    // A folder of the data set for what the benchmarks write.
    const std::string& Work() const { return work_; }
    std::string Label() const { return std::to_string(info_.products); }

    ServerProcess& Server();
    std::string CatalogueUrl();
    std::string OrdersUrl();

    // The main window of a run with no store chosen yet, then set as after an accepted check.
    QWidget& Central();
    // The search window over the data set's catalogue, open and shown.
    TFProcura_Prod& Search();
    // The same rows in an in-memory SQLite table with an index on the name.
    sqlite3* Sqlite();

    // The catalogue file of the current directory in a new in-memory SQLite table.
    static sqlite3* LoadIntoSqlite();
    // Rows of a query, every column read, as a list would take them.
    static int64_t SqliteRows(sqlite3* db, const std::string& sql, const std::string& text);

    std::vector<SearchCase> SearchCases() const;

    void Close();

private:
    std::string Url(const std::string& query);

    DataSetInfo info_;
    std::string work_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<test::ConfigDirGuard> config_; // while the main window lives
    std::unique_ptr<QWidget> central_;
    std::unique_ptr<TFProcura_Prod> search_;
    sqlite3* sqlite_ = nullptr;
};

} // namespace torvel::bench
