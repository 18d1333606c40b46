#include "server/DemoData.h"

#include <algorithm>
#include <cstdio>

namespace torvel::server {

namespace {

struct Variant {
    const char* label;
    std::int64_t cents;
};

struct Base {
    const char* name;
    const char* unit;
    Variant variants[2]; // a second variant with a null label is absent
};

const Base kBases[] = {
    {"ARROZ TIPO 1", "PCT", {{"1KG", 589}, {"5KG", 2490}}},
    {"ARROZ INTEGRAL", "PCT", {{"1KG", 799}}},
    {"FEIJ\xC3O CARIOCA", "PCT", {{"1KG", 849}}},
    {"FEIJ\xC3O PRETO", "PCT", {{"1KG", 899}}},
    {"A\xC7\xDA"
     "CAR CRISTAL",
     "PCT",
     {{"1KG", 479}, {"5KG", 2190}}},
    {"A\xC7\xDA"
     "CAR REFINADO",
     "PCT",
     {{"1KG", 519}}},
    {"CAF\xC9 TORRADO E MO\xCD"
     "DO",
     "PCT",
     {{"250G", 1190}, {"500G", 2190}}},
    {"MACARR\xC3O ESPAGUETE", "PCT", {{"500G", 459}}},
    {"MACARR\xC3O PARAFUSO", "PCT", {{"500G", 479}}},
    {"\xD3LEO DE SOJA", "GF", {{"900ML", 789}}},
    {"AZEITE DE OLIVA EXTRA VIRGEM", "GF", {{"500ML", 3490}}},
    {"FARINHA DE TRIGO", "PCT", {{"1KG", 549}}},
    {"FARINHA DE MANDIOCA", "PCT", {{"500G", 629}}},
    {"FUB\xC1 MIMOSO", "PCT", {{"1KG", 399}}},
    {"AMIDO DE MILHO", "CX", {{"200G", 549}}},
    {"SAL REFINADO", "PCT", {{"1KG", 249}}},
    {"LEITE LONGA VIDA INTEGRAL", "CX", {{"1L", 549}}},
    {"LEITE CONDENSADO", "CX", {{"395G", 729}}},
    {"CREME DE LEITE", "CX", {{"200G", 399}}},
    {"ACHOCOLATADO EM P\xD3", "LT", {{"400G", 899}}},
    {"BISCOITO \xC1GUA E SAL", "PCT", {{"400G", 549}}},
    {"BISCOITO MAISENA", "PCT", {{"400G", 579}}},
    {"BISCOITO RECHEADO CHOCOLATE", "PCT", {{"140G", 319}}},
    {"SARDINHA EM \xD3LEO", "LT", {{"125G", 649}}},
    {"ATUM RALADO", "LT", {{"170G", 899}}},
    {"MILHO VERDE EM CONSERVA", "LT", {{"200G", 379}}},
    {"ERVILHA EM CONSERVA", "LT", {{"200G", 359}}},
    {"EXTRATO DE TOMATE", "LT", {{"340G", 529}}},
    {"MOLHO DE TOMATE TRADICIONAL", "SC", {{"340G", 289}}},
    {"MAIONESE", "PT", {{"500G", 979}}},
    {"VINAGRE DE \xC1LCOOL", "GF", {{"750ML", 299}}},
    {"GELATINA EM P\xD3 MORANGO", "CX", {{"20G", 189}}},
    {"AVEIA EM FLOCOS", "CX", {{"200G", 549}}},
    {"CH\xC1 MATE NATURAL", "CX", {{"250G", 849}}},
    {"REFRIGERANTE GUARAN\xC1", "GF", {{"2L", 899}}},
    {"SUCO DE CAJU CONCENTRADO", "GF", {{"500ML", 699}}},
    {"\xC1GUA MINERAL SEM G\xC1S", "GF", {{"1,5L", 299}}},
    {"MARGARINA COM SAL", "PT", {{"500G", 849}}},
    {"SAB\xC3O EM P\xD3", "CX", {{"1KG", 1390}}},
    {"SAB\xC3O EM BARRA", "PCT", {{"5X200G", 1190}}},
    {"DETERGENTE L\xCDQUIDO NEUTRO", "FR", {{"500ML", 249}}},
    {"\xC1GUA SANIT\xC1RIA", "FR", {{"1L", 399}}},
    {"AMACIANTE DE ROUPAS", "FR", {{"2L", 1290}}},
    {"PAPEL HIGI\xCANICO FOLHA DUPLA", "FD", {{"12X30M", 2190}}},
    {"CREME DENTAL", "UN", {{"90G", 429}}},
    {"SABONETE GLICERINADO", "UN", {{"90G", 259}}},
    {"XAMPU ANTICASPA", "FR", {{"350ML", 1890}}},
    {"ESPONJA DE A\xC7O", "PCT", {{"8UN", 349}}},
    {"F\xD3SFORO", "PCT", {{"10CX", 399}}},
    {"GUARDANAPO DE PAPEL", "PCT", {{"50UN", 299}}},
};

const char* const kBrands[] = {"BOA SAFRA",      "CAMPO BELO",   "SERRA AZUL",  "VALE DO SOL",
                               "ESTRELA DO SUL", "S\xC3O BENTO", "TERRA NOSSA", "DONA C\xC2NDIDA",
                               "P\xC9 DE SERRA", "RECANTO",      "MARAJ\xD3",   "BOM JESUS"};
constexpr std::int64_t kBrandCount = std::size(kBrands);

struct Flat {
    const Base* base;
    const Variant* variant;
};

// Every base product in every size, in table order.
const std::vector<Flat>& Variants() {
    static const std::vector<Flat> flat = [] {
        std::vector<Flat> out;
        for (const Base& b : kBases)
            for (const Variant& v : b.variants)
                if (v.label)
                    out.push_back({&b, &v});
        return out;
    }();
    return flat;
}

// EAN-13 style reference: country prefix, a maker number per brand, the item, a check digit.
std::string Ean13(std::int64_t brand, std::int64_t item) {
    std::string digits = "789" + std::to_string(1000 + brand * 37) +
                         std::to_string(100000 + item % 100000).substr(1);
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
    return digits + char('0' + (10 - sum % 10) % 10);
}

int StoreSeed(std::string_view ctro) {
    unsigned h = 0;
    for (char c : ctro)
        h = h * 31 + static_cast<unsigned char>(c);
    return static_cast<int>(h % 7);
}

struct DemoOrder {
    const char* ctro;
    std::int64_t user;
    int monthsBack; // 0: the current month, 1: the one before
    int day;
    int hour;
    const char* situation;
    int code;
    const char* obs;
    int items;
};

const DemoOrder kOrders[] = {
    {"34", kDemoCnpjUser, 1, 3, 9, "Cancelado", kCancelled, "Pedido duplicado por engano", 2},
    {"34", kDemoCnpjUser, 1, 6, 10, "Concluida", kCompleted, "Entregar pela manh\xE3", 5},
    {"34", kDemoCnpjUser, 1, 14, 15, "Concluida", kCompleted, "", 3},
    {"34", kDemoCnpjUser, 1, 22, 11, "Normal", kOpen, "Reposi\xE7\xE3o quinzenal", 6},
    {"34", kDemoCnpjUser, 0, 1, 8, "Em Verificacao", kOpen, "Conferir validade dos latic\xEDnios",
     4},
    {"34", kDemoCnpjUser, 0, 2, 14, "Normal", kOpen, "Ligar antes da entrega", 3},
    {"34", kDemoCnpjUser, 0, 4, 9, "Aberto", kOpen, "Promo\xE7\xE3o de fim de m\xEAs", 4},
    {"34", kDemoCnpjUser, 0, 5, 16, "Aberto", kOpen, "", 2},
    {"34", kDemoCnpjUser, 0, 7, 13, "Cancelado", kCancelled, "Cancelado a pedido do gerente", 1},
    {"34", kDemoCnpjUser, 0, 9, 10, "Concluida", kCompleted, "Entrega no dep\xF3sito dos fundos",
     3},
    {"35", kDemoCnpjUser, 1, 18, 9, "Concluida", kCompleted, "Incluir nota fiscal em duas vias", 4},
    {"35", kDemoCnpjUser, 0, 3, 11, "Aberto", kOpen, "Urgente: estoque baixo", 3},
    {"35", kDemoCnpjUser, 0, 6, 15, "Em Verificacao", kOpen, "", 2},
    {"34", kDemoCpfUser, 0, 2, 17, "Aberto", kOpen, "Pedido de teste", 2},
};
constexpr std::int64_t kFirstDoc = 551;

int DaysIn(int year, int month) { // month 0..11
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month] + (month == 1 && leap ? 1 : 0);
}

// A date in the current or the previous month that is never later than now.
std::string DemoIssued(const std::tm& now, int monthsBack, int day, int hour) {
    int year = now.tm_year + 1900, month = now.tm_mon;
    if (monthsBack) {
        month = month == 0 ? 11 : month - 1;
        year -= now.tm_mon == 0 ? 1 : 0;
        day = 1 + (day - 1) % DaysIn(year, month);
    } else {
        day = 1 + (day - 1) % now.tm_mday;
        if (day == now.tm_mday)
            hour = std::min(hour, now.tm_hour);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", year, month + 1, day, hour,
                  (day * 7 + hour * 11) % 60);
    return buf;
}

} // namespace

std::vector<Product> GenerateProducts(std::string_view ctro, std::int64_t index,
                                      std::int64_t count) {
    const auto& flat = Variants();
    const auto kinds = static_cast<std::int64_t>(flat.size());
    const int seed = StoreSeed(ctro);
    std::vector<Product> out;
    out.reserve(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
    for (std::int64_t i = index; i < index + count; ++i) {
        std::int64_t kind = i % kinds;
        std::int64_t round = i / kinds;
        std::int64_t brand = (round + kind * 5) % kBrandCount;
        std::int64_t pack = round / kBrandCount; // past every brand: boxes of the same item
        const Flat& f = flat[static_cast<std::size_t>(kind)];
        Product p;
        p.ctro = ctro;
        p.code = std::to_string(1001 + i);
        p.brand = kBrands[brand];
        p.name = std::string(f.base->name) + " " + f.variant->label;
        p.unit = f.base->unit;
        std::int64_t units = 1;
        if (pack > 0) {
            units = 6 * (1 + (pack - 1) % 4);
            p.name += " CX C/ " + std::to_string(units);
            p.unit = "CX";
        }
        p.reference = Ean13(brand, i);
        // Brands are priced from 85% to 118% of the base price; each store a little apart.
        std::int64_t percent = 85 + (brand * 3) + seed;
        p.priceCents = (f.variant->cents * units * percent + 50) / 100;
        p.suggestedCents = (p.priceCents * 13 / 10) / 100 * 100 + 90;
        out.push_back(std::move(p));
    }
    return out;
}

void SeedDemo(Database& db, std::time_t now) {
    std::tm tm{};
    localtime_r(&now, &tm);
    db.Transaction([&] {
        db.AddStore("34", "Loja Centro", true);
        db.AddStore("35", "Loja S\xE3o Jos\xE9", true);
        db.AddStore("36", "Loja Jardim Am\xE9rica (n\xE3o credenciada)", false);
        db.AddUser(kDemoCnpjUser, kDemoCnpj, "Distribuidora Tr\xEAs Irm\xE3os Ltda");
        db.AddUser(kDemoCpfUser, kDemoCpf, "Jos\xE9 da Concei\xE7\xE3o");
        db.AddProducts(GenerateProducts("34", 0, kDemoProducts34));
        db.AddProducts(GenerateProducts("35", 0, kDemoProducts35));
        db.AddProducts(GenerateProducts("36", 0, 60));
    });
    std::int64_t doc = kFirstDoc;
    for (const DemoOrder& d : kOrders) {
        Order order{doc,
                    d.ctro,
                    d.user,
                    d.obs,
                    d.situation,
                    d.code,
                    DemoIssued(tm, d.monthsBack, d.day, d.hour)};
        std::int64_t storeSize =
            d.ctro == std::string_view("34") ? kDemoProducts34 : kDemoProducts35;
        std::vector<OrderItem> items;
        for (int j = 0; j < d.items; ++j) {
            std::int64_t index = (doc * 37 + j * 17) % storeSize;
            Product p = GenerateProducts(d.ctro, index, 1).front();
            std::int64_t qty = 1000 * (1 + (doc + j) % 6);
            items.push_back(
                {j + 1, p.code, p.name, p.unit, p.priceCents, qty, p.priceCents * qty / 1000});
        }
        db.AddOrder(order, items);
        ++doc;
    }
}

void EnsureCatalogueSize(Database& db, std::string_view ctro, std::int64_t count) {
    if (!db.StoreAccepts(ctro).has_value())
        db.AddStore(ctro, "Loja " + std::string(ctro), true);
    if (db.CountProducts(ctro) == count)
        return;
    db.Transaction([&] {
        db.DeleteProducts(ctro);
        constexpr std::int64_t kChunk = 20000;
        for (std::int64_t at = 0; at < count; at += kChunk)
            db.AddProducts(GenerateProducts(ctro, at, std::min(kChunk, count - at)));
    });
}

std::string DescribeAccess(Database& db) {
    std::string out = "document numbers:";
    Statement users(db.Handle(), "SELECT crf, id FROM users ORDER BY id");
    while (users.Step())
        out.append(" ")
            .append(users.Text(0))
            .append(" (id ")
            .append(std::to_string(users.Int(1)))
            .append(")");
    Statement stores(db.Handle(), "SELECT s.ctro, s.accepts, (SELECT count(*) FROM products p "
                                  "WHERE p.ctro = s.ctro) FROM stores s ORDER BY s.ctro");
    out += "\nstores:";
    while (stores.Step()) {
        out.append(" ").append(stores.Text(0));
        out.append(stores.Int(1) ? " (accepts, " : " (refuses, ");
        out.append(std::to_string(stores.Int(2))).append(" products)");
    }
    return out;
}

} // namespace torvel::server
