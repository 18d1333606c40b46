// Demo data of the reference order server and the deterministic product generator behind both
// the demo catalogues and the large catalogues of --products.
#pragma once

#include "server/ServerDb.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace torvel::server {

// The demo accepts these document numbers (any store that accepts orders accepts both users).
inline constexpr std::string_view kDemoCnpj = "12.345.678/0001-95";
inline constexpr std::int64_t kDemoCnpjUser = 1021;
inline constexpr std::string_view kDemoCpf = "111.444.777-35";
inline constexpr std::int64_t kDemoCpfUser = 1022;
// Stores "34" and "35" accept orders, "36" refuses them.
inline constexpr std::string_view kDemoStores[] = {"34", "35", "36"};
inline constexpr std::int64_t kDemoProducts34 = 300;
inline constexpr std::int64_t kDemoProducts35 = 180;

// Products number index .. index + count - 1 of the generator for a store. The same index gives
// the same product in every run; codes are 1001 + index, prices differ a little per store.
std::vector<Product> GenerateProducts(std::string_view ctro, std::int64_t index,
                                      std::int64_t count);

// Writes stores, users, catalogues and orders in every situation, dated in the month of now and
// the month before it.
void SeedDemo(Database& db, std::time_t now);

// Makes the store's catalogue hold exactly the first count generated products (creating the store,
// accepting orders, when it is missing). Does nothing when it already has that many.
void EnsureCatalogueSize(Database& db, std::string_view ctro, std::int64_t count);

// A few lines for the start-up message: which document numbers and stores the database accepts.
std::string DescribeAccess(Database& db);

} // namespace torvel::server
