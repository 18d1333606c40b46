#include "bench/DataSetFixture.h"

#include "app/Config.h"
#include "bench/FirstPaint.h"
#include "bench/MainWindow.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Procura_Prod.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace torvel::bench {

void ChangeDir(const std::string& dir) {
    if (chdir(dir.c_str()) != 0)
        throw std::runtime_error("cannot enter " + dir);
}

void WriteConfig(const std::string& dir, const std::string& ids, const std::string& hostPort) {
    fs::create_directories(dir);
    std::ofstream out(fs::path(dir) / torvel::kConfigFileName, std::ios::binary | std::ios::trunc);
    out << "[CONFIGURACAO]\r\nCRF=" << kCrf << "\r\nIDS=" << ids << "\r\nSERVIDOR=" << hostPort
        << "\r\n";
}

DataSetFixture::DataSetFixture(DataSetInfo info) : info_(std::move(info)) {
    work_ = (fs::path(info_.dir) / "work").string();
    fs::create_directories(work_);
}

DataSetFixture::~DataSetFixture() {
    Close();
}

ServerProcess& DataSetFixture::Server() {
    if (!server_)
        server_ = std::make_unique<ServerProcess>(TORVEL_SERVER_PATH,
                                                  (fs::path(Dir()) / kServerDbName).string());
    return *server_;
}

std::string DataSetFixture::Url(const std::string& query) {
    return "http://" + Server().HostPort() + "/api/torvel/pedidos.php?" + query;
}

std::string DataSetFixture::CatalogueUrl() {
    return Url("filtro=itens&valor=" + std::to_string(kUserId) + "&CTRO=" + kStore);
}

std::string DataSetFixture::OrdersUrl() {
    return Url("filtro=ctro&valor=" + std::to_string(kUserId) + "&CTRO=" + kStore);
}

QWidget& DataSetFixture::Central() {
    if (!central_) {
        // One store configured: the start-up checks it at once, as a user's run does, and
        // downloads the catalogue into the current directory.
        const std::string config = (fs::path(Work()) / "config-central").string();
        WriteConfig(config, kStoreEntry, Server().HostPort());
        config_ = std::make_unique<test::ConfigDirGuard>(config);
        ChangeDir(Work());
        central_ = NewMainWindow();
        ShowAndWaitForPaint(*central_);
        if (Control<QLabel>(*central_, "Label3").text() != QString("Seu ID : %1").arg(kUserId) ||
            !Control<QPushButton>(*central_, "B_Novo").isEnabled())
            throw std::runtime_error("the store check did not accept the store");
        // Showing the window sets the month filter to the current month: list every order.
        Control<QComboBox>(*central_, "ComboBox").setCurrentIndex(12);
        Control<QComboBox>(*central_, "qSituacao").setCurrentIndex(3);
    }
    return *central_;
}

TFProcura_Prod& DataSetFixture::Search() {
    if (!search_) {
        ChangeDir(Dir());
        search_ = std::make_unique<TFProcura_Prod>();
        search_->StoreId = kStore;
        ShowAndWaitForPaint(*search_);
    }
    return *search_;
}

sqlite3* DataSetFixture::Sqlite() {
    if (!sqlite_)
        sqlite_ = LoadIntoSqlite();
    return sqlite_;
}

sqlite3* DataSetFixture::LoadIntoSqlite() {
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

int64_t DataSetFixture::SqliteRows(sqlite3* db, const std::string& sql, const std::string& text) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    sqlite3_bind_text(st, 1, text.data(), int(text.size()), SQLITE_STATIC);
    int64_t rows = 0;
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int k = 0; k < 7; ++k)
            bytes += size_t(sqlite3_column_bytes(st, k)) + (sqlite3_column_text(st, k) != nullptr);
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(bytes);
    return rows;
}

std::vector<SearchCase> DataSetFixture::SearchCases() const {
    return {
        {SearchMode::Descricao, "BISCOITO", "upper(nome) LIKE ?1 || '%'"},
        {SearchMode::Semelhanca, "LEITE", "upper(nome) LIKE '%' || ?1 || '%'"},
        {SearchMode::Marca, "SANTA", "upper(marca) LIKE ?1 || '%'"},
        {SearchMode::Referencia, "7891", "referencia LIKE ?1 || '%'"},
        {SearchMode::Codigo, info_.lookupCode, "id = ?1"},
    };
}

void DataSetFixture::Close() {
    search_.reset();
    central_.reset();
    config_.reset();
    server_.reset();
    if (sqlite_)
        sqlite3_close(sqlite_);
    sqlite_ = nullptr;
}

} // namespace torvel::bench
