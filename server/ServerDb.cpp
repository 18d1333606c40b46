#include "server/ServerDb.h"

#include <sqlite3.h>

#include <cstdio>

namespace torvel::server {

namespace {

const char* const kSchema = R"sql(
CREATE TABLE stores(ctro TEXT PRIMARY KEY, name TEXT NOT NULL, accepts INTEGER NOT NULL);
CREATE TABLE users(id INTEGER PRIMARY KEY, crf TEXT NOT NULL UNIQUE, digits TEXT NOT NULL,
                   name TEXT NOT NULL);
CREATE TABLE products(ctro TEXT NOT NULL, code TEXT NOT NULL, brand TEXT NOT NULL,
                      name TEXT NOT NULL, reference TEXT NOT NULL, unit TEXT NOT NULL,
                      price_cents INTEGER NOT NULL, suggested_cents INTEGER NOT NULL,
                      seq INTEGER NOT NULL, PRIMARY KEY(ctro, code));
CREATE INDEX products_order ON products(ctro, seq);
CREATE TABLE orders(doc INTEGER PRIMARY KEY, ctro TEXT NOT NULL, user_id INTEGER NOT NULL,
                    obs TEXT NOT NULL, situation TEXT NOT NULL, code INTEGER NOT NULL,
                    issued TEXT NOT NULL);
CREATE INDEX orders_store ON orders(ctro, user_id, issued);
CREATE TABLE order_items(doc INTEGER NOT NULL, pos INTEGER NOT NULL, item_no INTEGER NOT NULL,
                         code TEXT NOT NULL, description TEXT NOT NULL, unit TEXT NOT NULL,
                         price_cents INTEGER NOT NULL, qty_milli INTEGER NOT NULL,
                         total_cents INTEGER NOT NULL, PRIMARY KEY(doc, pos));
)sql";

std::string Digits(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c >= '0' && c <= '9')
            out += c;
    return out;
}

Order ReadOrder(const Statement& st) {
    Order o;
    o.doc = st.Int(0);
    o.ctro = st.Text(1);
    o.userId = st.Int(2);
    o.obs = st.Text(3);
    o.situation = st.Text(4);
    o.code = static_cast<int>(st.Int(5));
    o.issued = st.Text(6);
    return o;
}

} // namespace

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
        throw DbError(sqlite3_errmsg(db));
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, std::string_view text) {
    // SQLITE_TRANSIENT: SQLite copies the bytes, which are stored unchanged (no UTF-8 check).
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        throw DbError(sqlite3_errmsg(db_));
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        throw DbError(sqlite3_errmsg(db_));
    return *this;
}

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw DbError(sqlite3_errmsg(db_));
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string_view Statement::Text(int column) const {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p)
        return {};
    return {p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

Database::Database(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("cannot open " + path + ": " + message);
    }
    try {
        sqlite3_busy_timeout(db_, 2000);
        Statement st(db_, "SELECT count(*) FROM sqlite_master WHERE name='orders'");
        st.Step();
        isNew_ = st.Int(0) == 0;
        if (isNew_)
            Transaction([&] { Exec(kSchema); });
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database() {
    sqlite3_close(db_);
}

void Database::Exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw DbError(message);
    }
}

void Database::AddStore(std::string_view ctro, std::string_view name, bool accepts) {
    Statement st(db_, "INSERT OR REPLACE INTO stores(ctro, name, accepts) VALUES(?, ?, ?)");
    st.Bind(1, ctro).Bind(2, name).Bind(3, std::int64_t{accepts}).Step();
}

void Database::AddUser(std::int64_t id, std::string_view crf, std::string_view name) {
    Statement st(db_, "INSERT INTO users(id, crf, digits, name) VALUES(?, ?, ?, ?)");
    st.Bind(1, id).Bind(2, crf).Bind(3, Digits(crf)).Bind(4, name).Step();
}

void Database::AddProducts(const std::vector<Product>& products) {
    Statement top(db_, "SELECT ifnull(max(seq), 0) FROM products WHERE ctro = ?");
    Statement st(db_, "INSERT OR REPLACE INTO products(ctro, code, brand, name, reference, unit, "
                      "price_cents, suggested_cents, seq) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    std::string lastCtro;
    std::int64_t seq = 0;
    for (const Product& p : products) {
        if (seq == 0 || p.ctro != lastCtro) {
            top.Reset();
            top.Bind(1, p.ctro).Step();
            seq = top.Int(0);
            lastCtro = p.ctro;
        }
        st.Bind(1, p.ctro).Bind(2, p.code).Bind(3, p.brand).Bind(4, p.name).Bind(5, p.reference);
        st.Bind(6, p.unit).Bind(7, p.priceCents).Bind(8, p.suggestedCents).Bind(9, ++seq).Step();
        st.Reset();
    }
}

void Database::DeleteProducts(std::string_view ctro) {
    Statement st(db_, "DELETE FROM products WHERE ctro = ?");
    st.Bind(1, ctro).Step();
}

std::int64_t Database::CountProducts(std::string_view ctro) {
    Statement st(db_, "SELECT count(*) FROM products WHERE ctro = ?");
    st.Bind(1, ctro).Step();
    return st.Int(0);
}

std::int64_t Database::AddOrder(const Order& order, const std::vector<OrderItem>& items) {
    std::int64_t doc = order.doc;
    Transaction([&] {
        if (doc == 0) {
            Statement next(db_, "SELECT ifnull(max(doc), 0) + 1 FROM orders");
            next.Step();
            doc = next.Int(0);
        }
        Statement st(db_, "INSERT INTO orders(doc, ctro, user_id, obs, situation, code, issued) "
                          "VALUES(?, ?, ?, ?, ?, ?, ?)");
        st.Bind(1, doc).Bind(2, order.ctro).Bind(3, order.userId).Bind(4, order.obs);
        st.Bind(5, order.situation).Bind(6, std::int64_t{order.code}).Bind(7, order.issued);
        st.Step();
        Statement item(db_,
                       "INSERT INTO order_items(doc, pos, item_no, code, description, unit, "
                       "price_cents, qty_milli, total_cents) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
        std::int64_t pos = 0;
        for (const OrderItem& it : items) {
            item.Bind(1, doc).Bind(2, ++pos).Bind(3, it.itemNo).Bind(4, it.code);
            item.Bind(5, it.description).Bind(6, it.unit).Bind(7, it.priceCents);
            item.Bind(8, it.qtyMilli).Bind(9, it.totalCents).Step();
            item.Reset();
        }
    });
    return doc;
}

std::optional<std::int64_t> Database::FindUserByCrf(std::string_view crf) {
    Statement exact(db_, "SELECT id FROM users WHERE crf = ?");
    if (exact.Bind(1, crf).Step())
        return exact.Int(0);
    std::string digits = Digits(crf);
    if (digits.empty())
        return std::nullopt;
    Statement loose(db_, "SELECT id FROM users WHERE digits = ? ORDER BY id LIMIT 1");
    if (loose.Bind(1, digits).Step())
        return loose.Int(0);
    return std::nullopt;
}

bool Database::UserExists(std::int64_t id) {
    Statement st(db_, "SELECT 1 FROM users WHERE id = ?");
    return st.Bind(1, id).Step();
}

std::optional<bool> Database::StoreAccepts(std::string_view ctro) {
    Statement st(db_, "SELECT accepts FROM stores WHERE ctro = ?");
    if (!st.Bind(1, ctro).Step())
        return std::nullopt;
    return st.Int(0) != 0;
}

std::vector<std::string> Database::StoreIds() {
    Statement st(db_, "SELECT ctro FROM stores ORDER BY ctro");
    std::vector<std::string> ids;
    while (st.Step())
        ids.emplace_back(st.Text(0));
    return ids;
}

std::optional<Product> Database::FindProduct(std::string_view ctro, std::string_view code) {
    Statement st(db_, "SELECT brand, name, reference, unit, price_cents, suggested_cents "
                      "FROM products WHERE ctro = ? AND code = ?");
    if (!st.Bind(1, ctro).Bind(2, code).Step())
        return std::nullopt;
    Product p{std::string(ctro),
              std::string(code),
              std::string(st.Text(0)),
              std::string(st.Text(1)),
              std::string(st.Text(2)),
              std::string(st.Text(3)),
              st.Int(4),
              st.Int(5)};
    return p;
}

void Database::AppendCatalogue(std::string_view ctro, std::string& out) {
    Statement st(db_, "SELECT code, brand, name, reference, unit, price_cents, suggested_cents "
                      "FROM products WHERE ctro = ? ORDER BY seq");
    st.Bind(1, ctro);
    while (st.Step()) {
        out.append(ctro).push_back('|');
        for (int column = 0; column < 5; ++column)
            out.append(st.Text(column)).push_back('|');
        out.append(FormatCents(st.Int(5), '.')).push_back('|');
        out.append(FormatCents(st.Int(6), '.')).push_back(';');
    }
}

std::vector<Order> Database::ListOrders(std::string_view ctro, std::int64_t userId,
                                        std::optional<std::string> monthPrefix,
                                        std::optional<int> code) {
    Statement st(db_, "SELECT doc, ctro, user_id, obs, situation, code, issued FROM orders "
                      "WHERE ctro = ?1 AND user_id = ?2 "
                      "AND (?3 IS NULL OR substr(issued, 1, 7) = ?3) "
                      "AND (?4 IS NULL OR code = ?4) ORDER BY issued DESC, doc DESC");
    st.Bind(1, ctro).Bind(2, userId);
    if (monthPrefix)
        st.Bind(3, *monthPrefix);
    if (code)
        st.Bind(4, std::int64_t{*code});
    std::vector<Order> orders;
    while (st.Step())
        orders.push_back(ReadOrder(st));
    return orders;
}

std::optional<Order> Database::FindOrder(std::int64_t doc) {
    Statement st(db_, "SELECT doc, ctro, user_id, obs, situation, code, issued FROM orders "
                      "WHERE doc = ?");
    if (!st.Bind(1, doc).Step())
        return std::nullopt;
    return ReadOrder(st);
}

std::vector<OrderItem> Database::OrderItems(std::int64_t doc) {
    Statement st(db_, "SELECT item_no, code, description, unit, price_cents, qty_milli, "
                      "total_cents FROM order_items WHERE doc = ? ORDER BY pos");
    st.Bind(1, doc);
    std::vector<OrderItem> items;
    while (st.Step()) {
        items.push_back({st.Int(0), std::string(st.Text(1)), std::string(st.Text(2)),
                         std::string(st.Text(3)), st.Int(4), st.Int(5), st.Int(6)});
    }
    return items;
}

void Database::SetSituation(std::int64_t doc, std::string_view situation, int code) {
    Statement st(db_, "UPDATE orders SET situation = ?, code = ? WHERE doc = ?");
    st.Bind(1, situation).Bind(2, std::int64_t{code}).Bind(3, doc).Step();
}

std::string FormatCents(std::int64_t cents, char decimalSeparator) {
    std::string sign = cents < 0 ? "-" : "";
    std::uint64_t abs = cents < 0 ? 0 - static_cast<std::uint64_t>(cents) : cents;
    char frac[3];
    std::snprintf(frac, sizeof frac, "%02u", static_cast<unsigned>(abs % 100));
    return sign + std::to_string(abs / 100) + decimalSeparator + frac;
}

std::string FormatMilli(std::int64_t milli) {
    std::string sign = milli < 0 ? "-" : "";
    std::uint64_t abs = milli < 0 ? 0 - static_cast<std::uint64_t>(milli) : milli;
    std::string out = sign + std::to_string(abs / 1000);
    if (unsigned frac = abs % 1000) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%03u", frac);
        std::string f = digits;
        while (f.back() == '0')
            f.pop_back();
        out += ',' + f;
    }
    return out;
}

std::string IssuedToWire(std::string_view s) {
    if (s.size() != 16)
        return std::string(s);
    std::string out;
    out.append(s.substr(8, 2)).append("/").append(s.substr(5, 2)).append("/");
    out.append(s.substr(0, 4)).append(" ").append(s.substr(11, 5));
    return out;
}

std::optional<std::string> WireToIssued(std::string_view w) {
    // DD/MM/YYYY HH:MM
    static const char kPattern[] = "99/99/9999 99:99";
    if (w.size() != sizeof kPattern - 1)
        return std::nullopt;
    for (std::size_t i = 0; i < w.size(); ++i) {
        bool digit = w[i] >= '0' && w[i] <= '9';
        if (kPattern[i] == '9' ? !digit : w[i] != kPattern[i])
            return std::nullopt;
    }
    auto num = [&](std::size_t at, std::size_t n) {
        return std::stoi(std::string(w.substr(at, n)));
    };
    int day = num(0, 2), month = num(3, 2), year = num(6, 4), hour = num(11, 2), min = num(14, 2);
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] || hour > 23 || min > 59 ||
        year < 1900)
        return std::nullopt;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap)
        return std::nullopt;
    std::string out;
    out.append(w.substr(6, 4)).append("-").append(w.substr(3, 2)).append("-");
    out.append(w.substr(0, 2)).append(" ").append(w.substr(11, 5));
    return out;
}

std::string IssuedFromTime(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
    return buf;
}

} // namespace torvel::server
