// Large, realistic data for the benchmarks: a reference-server database with several stores, a
// big catalogue for one of them and thousands of its orders, plus that store's catalogue file as
// a download writes it. The same options and seed give the same bytes on every machine.
#pragma once

#include <cstdint>
#include <string>

namespace torvel::bench {

// The store, user and document number that the benchmarks act as.
inline constexpr const char* kStore = "34";
inline constexpr const char* kStoreEntry = "34 - LOJA CENTRO";
inline constexpr const char* kCrf = "12.345.678/0001-95";
inline constexpr std::int32_t kUserId = 1021;

struct DataSetOptions {
    std::int64_t products = 20000; // in the catalogue of kStore
    std::int64_t orders = 10000;   // of kStore and kUserId
    std::uint64_t seed = 1;
};

// What the benchmarks need to know about a generated data set (the file "dataset.txt").
struct DataSetInfo {
    std::string dir;
    std::int64_t products = 0;
    std::int64_t orders = 0;
    std::uint64_t seed = 0;
    std::string lookupCode;     // a code of kStore's catalogue, from the middle of the file
    std::int64_t fileBytes = 0; // of the catalogue file
};

inline constexpr const char* kServerDbName = "torvel-server.db";
inline constexpr const char* kInfoName = "dataset.txt";

// Writes kServerDbName, the catalogue file (kCatalogueFileName) and, last, kInfoName into dir,
// which must exist; files of an earlier run are replaced. Throws std::exception on failure.
DataSetInfo GenerateDataSet(const std::string& dir, const DataSetOptions& options);

// Reads kInfoName of a data set; throws std::runtime_error when it is missing or unreadable.
DataSetInfo ReadDataSetInfo(const std::string& dir);

} // namespace torvel::bench
