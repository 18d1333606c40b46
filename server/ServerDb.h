// Storage of the reference order server: stores, users, products and orders in one SQLite file.
// Texts are stored and returned as the Windows-1252 bytes they arrived as.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace torvel::server {

struct DbError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Situation codes as the order list filter sends them.
enum SituationCode : int { kOpen = 0, kCompleted = 1, kCancelled = 2 };

struct Product {
    std::string ctro, code, brand, name, reference, unit;
    std::int64_t priceCents = 0, suggestedCents = 0;
};

struct Order {
    std::int64_t doc = 0;
    std::string ctro;
    std::int64_t userId = 0;
    std::string obs;
    std::string situation; // "Aberto", "Em Verificacao", "Normal", "Concluida", "Cancelado"
    int code = kOpen;
    std::string issued; // "YYYY-MM-DD HH:MM", sorts as text
};

struct OrderItem {
    std::int64_t itemNo = 0;
    std::string code, description, unit;
    std::int64_t priceCents = 0, qtyMilli = 0, totalCents = 0;
};

// One prepared statement; columns and parameters are numbered as SQLite does (bind from 1,
// columns from 0).
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::string_view text);
    Statement& Bind(int index, std::int64_t value);
    bool Step(); // true while a row is available
    void Reset();
    std::string_view Text(int column) const;
    std::int64_t Int(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class Database {
public:
    // Opens (creating when missing) the database at path; ":memory:" gives a private one.
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // True when the file had no schema yet, i.e. the demo data still has to be written.
    bool IsNew() const { return isNew_; }

    void Exec(const char* sql);
    sqlite3* Handle() const { return db_; }

    // Runs work inside one transaction; rolls back when it throws.
    template <class F> void Transaction(F&& work) {
        Exec("BEGIN");
        try {
            work();
            Exec("COMMIT");
        } catch (...) {
            Exec("ROLLBACK");
            throw;
        }
    }

    void AddStore(std::string_view ctro, std::string_view name, bool accepts);
    void AddUser(std::int64_t id, std::string_view crf, std::string_view name);
    // Appends products to their stores' catalogues, after the products already there.
    void AddProducts(const std::vector<Product>& products);
    void DeleteProducts(std::string_view ctro);
    std::int64_t CountProducts(std::string_view ctro);
    // Stores an order with its items; a doc of 0 takes the next free number. Returns the doc.
    std::int64_t AddOrder(const Order& order, const std::vector<OrderItem>& items);

    // The user whose document number is crf, compared exactly, or else by its digits alone.
    std::optional<std::int64_t> FindUserByCrf(std::string_view crf);
    bool UserExists(std::int64_t id);
    // nullopt for an unknown store; otherwise whether it may place orders.
    std::optional<bool> StoreAccepts(std::string_view ctro);
    std::vector<std::string> StoreIds();
    std::optional<Product> FindProduct(std::string_view ctro, std::string_view code);

    // Appends one catalogue record per product of the store to out, each ended by ";".
    void AppendCatalogue(std::string_view ctro, std::string& out);
    // Orders of a store and user, newest first. monthPrefix ("YYYY-MM") and code filter when set.
    std::vector<Order> ListOrders(std::string_view ctro, std::int64_t userId,
                                  std::optional<std::string> monthPrefix, std::optional<int> code);
    std::optional<Order> FindOrder(std::int64_t doc);
    std::vector<OrderItem> OrderItems(std::int64_t doc);
    void SetSituation(std::int64_t doc, std::string_view situation, int code);

private:
    sqlite3* db_ = nullptr;
    bool isNew_ = false;
};

// Fixed-point texts: cents as "21.90" (catalogue) or "21,90" (orders); thousandths of a unit as
// "2", "1,5" or "0,125" (no trailing zeros).
std::string FormatCents(std::int64_t cents, char decimalSeparator);
std::string FormatMilli(std::int64_t milli);
// "YYYY-MM-DD HH:MM" <-> "DD/MM/YYYY HH:MM"; nullopt when the text is not such a date.
std::string IssuedToWire(std::string_view issued);
std::optional<std::string> WireToIssued(std::string_view wire);
std::string IssuedFromTime(std::time_t when);

} // namespace torvel::server
