#include "bench/DataSet.h"

#include "catalogue/CatalogueFile.h"
#include "server/ServerDb.h"
#include "util/SafeFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace torvel::bench {
namespace {

using server::Product;

// splitmix64: tiny, and the same numbers on every platform and library (std distributions are not).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    std::int64_t Below(std::int64_t n) {
        return static_cast<std::int64_t>(Next() % std::uint64_t(n));
    }
    bool Percent(int p) { return Below(100) < p; }
    template <class T, size_t N> const T& Pick(const std::array<T, N>& items) {
        return items[size_t(Below(std::int64_t(N)))];
    }

private:
    std::uint64_t state_;
};

struct Category {
    std::vector<const char*> bases;
    std::vector<const char*> kinds;
    std::vector<const char*> sizes;
    const char* unit;
    std::int64_t cents; // typical price of the smallest size
};

// Windows-1252 text: accented capitals written as escapes.
const std::vector<Category>& Categories() {
    static const std::vector<Category> categories = {
        {{"ARROZ", "ARROZ PARBOILIZADO", "ARROZ INTEGRAL", "ARROZ ARB\xD3RIO"},
         {"TIPO 1", "TIPO 2", "AGULHINHA", "LONGO FINO", "ORG\xC2NICO"},
         {"1KG", "2KG", "5KG"},
         "PCT",
         589},
        {{"FEIJ\xC3O", "FEIJ\xC3O CARIOCA", "FEIJ\xC3O PRETO", "FEIJ\xC3O FRADINHO", "LENTILHA",
          "GR\xC3O DE BICO"},
         {"TIPO 1", "SELECIONADO", "ESPECIAL", "ORG\xC2NICO"},
         {"500G", "1KG", "2KG"},
         "PCT",
         699},
        {{"CAF\xC9 TORRADO E MO\xCD"
          "DO",
          "CAF\xC9 EM GR\xC3OS", "CAF\xC9 SOL\xDAVEL", "CAF\xC9 EM C\xC1PSULAS"},
         {"TRADICIONAL", "EXTRAFORTE", "GOURMET", "DESCAFEINADO", "VACUO", "ORG\xC2NICO"},
         {"250G", "500G", "1KG", "10UN"},
         "PCT",
         1190},
        {{"LEITE LONGA VIDA", "LEITE EM P\xD3", "LEITE CONDENSADO", "CREME DE LEITE",
          "BEBIDA L\xC1"
          "CTEA",
          "IOGURTE"},
         {"INTEGRAL", "DESNATADO", "SEMIDESNATADO", "ZERO LACTOSE", "MORANGO", "CHOCOLATE", "COCO",
          "AMEIXA"},
         {"200G", "395G", "1L", "400G", "900ML"},
         "CX",
         549},
        {{"BISCOITO RECHEADO", "BISCOITO \xC1GUA E SAL", "BISCOITO MAISENA", "BISCOITO WAFER",
          "BOLACHA CREAM CRACKER", "COOKIES", "ROSQUINHA"},
         {"CHOCOLATE", "MORANGO", "BAUNILHA", "LIM\xC3O", "COCO", "LEITE", "INTEGRAL",
          "DOCE DE LEITE", "AMENDOIM"},
         {"100G", "140G", "200G", "400G"},
         "PCT",
         319},
        {{"MACARR\xC3O ESPAGUETE", "MACARR\xC3O PARAFUSO", "MACARR\xC3O PENNE", "LASANHA",
          "MACARR\xC3O INSTANT\xC2NEO", "TALHARIM"},
         {"COM OVOS", "S\xC9MOLA", "INTEGRAL", "GALINHA", "CARNE", "LEGUMES"},
         {"85G", "500G", "1KG"},
         "PCT",
         459},
        {{"\xD3LEO DE SOJA", "\xD3LEO DE GIRASSOL", "\xD3LEO DE MILHO", "AZEITE DE OLIVA",
          "AZEITE"},
         {"REFINADO", "EXTRA VIRGEM", "TRADICIONAL", "COMPOSTO"},
         {"500ML", "900ML", "1L", "5L"},
         "GF",
         789},
        {{"REFRIGERANTE", "SUCO",
          "N\xC9"
          "CTAR",
          "\xC1GUA MINERAL", "CH\xC1 GELADO", "ENERG\xC9TICO", "ISOT\xD4NICO"},
         {"GUARAN\xC1", "COLA", "LARANJA", "UVA", "CAJU", "MARACUJ\xC1", "P\xCASSEGO", "LIM\xC3O",
          "SEM G\xC1S", "COM G\xC1S", "ZERO"},
         {"350ML", "600ML", "1L", "1,5L", "2L"},
         "GF",
         399},
        {{"SAB\xC3O EM P\xD3", "SAB\xC3O L\xCDQUIDO", "SAB\xC3O EM BARRA", "DETERGENTE",
          "AMACIANTE", "\xC1GUA SANIT\xC1RIA", "DESINFETANTE", "LIMPADOR MULTIUSO"},
         {"NEUTRO", "LIM\xC3O", "LAVANDA", "CONCENTRADO", "COCO", "FLORAL", "PINHO", "ERVA-DOCE"},
         {"500ML", "1L", "2L", "1KG", "5X200G"},
         "FR",
         249},
        {{"SABONETE", "XAMPU", "CONDICIONADOR", "CREME DENTAL", "DESODORANTE", "HIDRATANTE",
          "ABSORVENTE", "FRALDA DESCART\xC1VEL"},
         {"GLICERINADO", "ANTICASPA", "CACHOS", "MENTA", "AEROSOL", "ROLL-ON", "NOTURNO",
          "TAMANHO M", "TAMANHO G", "ERVA-DOCE"},
         {"90G", "200ML", "350ML", "8UN", "30UN"},
         "UN",
         259},
        {{"PAPEL HIGI\xCANICO", "PAPEL TOALHA", "GUARDANAPO", "LEN\xC7O DE PAPEL", "SACO DE LIXO"},
         {"FOLHA DUPLA", "FOLHA SIMPLES", "NEUTRO", "PERFUMADO",
          "REFOR\xC7"
          "ADO"},
         {"4X30M", "12X30M", "2UN", "50UN", "30L", "100L"},
         "FD",
         599},
        {{"SARDINHA", "ATUM", "MILHO VERDE", "ERVILHA", "SELETA DE LEGUMES", "EXTRATO DE TOMATE",
          "MOLHO DE TOMATE", "AZEITONA"},
         {"EM \xD3LEO", "AO NATURAL", "RALADO", "EM PEDA\xC7OS", "TRADICIONAL", "MANJERIC\xC3O",
          "VERDE", "PRETA"},
         {"125G", "170G", "200G", "340G", "500G"},
         "LT",
         379},
        {{"CARNE MO\xCD"
          "DA",
          "FRANGO",
          "LING\xDCI\xC7"
          "A",
          "SALSICHA", "PRESUNTO", "MORTADELA",
          "QUEIJO MU\xC7"
          "ARELA",
          "HAMB\xDARGUER"},
         {"CONGELADO", "RESFRIADO", "FATIADO", "DEFUMADO", "TOSCANA", "CALABRESA", "PEITO",
          "COXA E SOBRECOXA"},
         {"500G", "1KG", "2KG", "180G"},
         "KG",
         1599},
        {{"A\xC7\xDA"
          "CAR",
          "SAL", "FARINHA DE TRIGO", "FARINHA DE MANDIOCA", "FUB\xC1", "AMIDO DE MILHO", "AVEIA",
          "GRANOLA"},
         {"REFINADO", "CRISTAL", "MASCAVO", "TEMPERADO", "GROSSO", "EM FLOCOS", "TRADICIONAL",
          "COM MEL"},
         {"500G", "1KG", "5KG", "200G"},
         "PCT",
         479},
        {{"CHOCOLATE", "BOMBOM", "BALA", "PIRULITO", "GOMA DE MASCAR", "ACHOCOLATADO", "GELATINA",
          "PUDIM"},
         {"AO LEITE", "MEIO AMARGO", "BRANCO", "SORTIDO", "MENTA", "MORANGO", "UVA", "FRAMBOESA"},
         {"20G", "90G", "250G", "400G", "1KG"},
         "UN",
         189},
    };
    return categories;
}

const std::array<const char*, 18> kBrandFirst = {
    "BOA", "BOM",  "SANTA", "S\xC3O", "NOVA", "VALE",  "SERRA", "CAMPO", "DONA",
    "SEU", "VILA", "PORTO", "MAR",    "SOL",  "TERRA", "RIO",   "ALTO",  "FLOR"};
const std::array<const char*, 19> kBrandSecond = {
    "SAFRA", "GOSTO", "CLARA",    "JORGE",    "ERA",       "VERDE",    "AZUL",
    "BELO",  "BENTA", "JOAQUIM",  "RICA",     "NORTE",     "NASCENTE", "DOURADO",
    "MINAS", "PAMPA", "DA SERRA", "DO CAMPO", "BRASILEIRA"};
const std::array<const char*, 8> kExtras = {
    "EMBALAGEM ECON\xD4MICA", "LEVE 3 PAGUE 2", "PRE\xC7O ESPECIAL",    "KIT COM 2 UNIDADES",
    "EDI\xC7\xC3O LIMITADA",  "REFIL",          "VERS\xC3O FAM\xCDLIA", "SACHET"};
const std::array<const char*, 12> kObservations = {"",
                                                   "",
                                                   "Entregar pela manh\xE3",
                                                   "Reposi\xE7\xE3o quinzenal",
                                                   "Ligar antes da entrega",
                                                   "Promo\xE7\xE3o de fim de m\xEAs",
                                                   "Conferir validade dos latic\xEDnios",
                                                   "Urgente: estoque baixo",
                                                   "Entrega no dep\xF3sito dos fundos",
                                                   "Incluir nota fiscal em duas vias",
                                                   "Pedido semanal",
                                                   "Cancelado a pedido do gerente"};
struct Situation {
    const char* text;
    int code;
};
const std::array<Situation, 8> kSituations = {{{"Aberto", server::kOpen},
                                               {"Em Verificacao", server::kOpen},
                                               {"Normal", server::kOpen},
                                               {"Concluida", server::kCompleted},
                                               {"Concluida", server::kCompleted},
                                               {"Concluida", server::kCompleted},
                                               {"Cancelado", server::kCancelled},
                                               {"Normal", server::kOpen}}};

// Capitals of the first letter of each word, small letters elsewhere (Windows-1252).
std::string TitleCase(std::string_view text) {
    std::string out(text);
    bool first = true;
    for (char& ch : out) {
        auto c = static_cast<unsigned char>(ch);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
        if (letter && !first)
            ch = static_cast<char>(c + 0x20);
        first = !(letter || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c >= 0xDF);
    }
    return out;
}

std::string Ean13(Random& random) {
    std::string digits = random.Percent(80) ? "789" : "790";
    while (digits.size() < 12)
        digits += char('0' + random.Below(10));
    int sum = 0;
    for (size_t i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
    return digits + char('0' + (10 - sum % 10) % 10);
}

std::string SupplierReference(Random& random, bool small) {
    std::string ref;
    const char base = small ? 'a' : 'A';
    for (int i = 0, n = 2 + int(random.Below(2)); i < n; ++i)
        ref += char(base + random.Below(26));
    ref += '-';
    for (int i = 0, n = 3 + int(random.Below(4)); i < n; ++i)
        ref += char('0' + random.Below(10));
    if (small && random.Percent(50))
        ref += char('a' + random.Below(26));
    return ref;
}

// Products of one store, codes rising from 1001 with small gaps, names in no particular order.
class ProductMaker {
public:
    ProductMaker(std::string ctro, std::uint64_t seed) : ctro_(std::move(ctro)), random_(seed) {}

    Product Next() {
        const auto& categories = Categories();
        const Category& cat = categories[size_t(random_.Below(std::int64_t(categories.size())))];
        Product p;
        p.ctro = ctro_;
        code_ += 1 + random_.Below(3);
        p.code = std::to_string(code_);
        std::string name = cat.bases[size_t(random_.Below(std::int64_t(cat.bases.size())))];
        name += ' ';
        name += cat.kinds[size_t(random_.Below(std::int64_t(cat.kinds.size())))];
        const std::int64_t sizeIndex = random_.Below(std::int64_t(cat.sizes.size()));
        name += ' ';
        name += cat.sizes[size_t(sizeIndex)];
        std::int64_t units = 1;
        p.unit = cat.unit;
        if (random_.Percent(12)) {
            units = 6 * (1 + random_.Below(4));
            name += " CX C/ " + std::to_string(units);
            p.unit = "CX";
        }
        if (random_.Percent(4)) // some descriptions run past what the search window keeps
            name += std::string(" ") + random_.Pick(kExtras) + " " + random_.Pick(kExtras);
        if (random_.Percent(15))
            name = TitleCase(name);
        p.name = std::move(name);
        p.brand = std::string(random_.Pick(kBrandFirst)) + " " + random_.Pick(kBrandSecond);
        if (random_.Percent(8))
            p.brand = TitleCase(p.brand);
        const std::int64_t kind = random_.Below(100);
        if (kind < 55)
            p.reference = Ean13(random_);
        else if (kind < 85)
            p.reference = SupplierReference(random_, false);
        else if (kind < 95)
            p.reference = SupplierReference(random_, true);
        const std::int64_t percent = 80 + random_.Below(51);
        p.priceCents = (cat.cents * (1 + sizeIndex) * units * percent + 50) / 100;
        p.suggestedCents = (p.priceCents * (125 + random_.Below(21)) / 100) / 10 * 10 + 9;
        return p;
    }

private:
    std::string ctro_;
    Random random_;
    std::int64_t code_ = 1000;
};

void AddCatalogue(server::Database& db, const std::string& ctro, std::int64_t count,
                  std::uint64_t seed, std::vector<Product>* sample) {
    ProductMaker maker(ctro, seed);
    constexpr std::int64_t kChunk = 20000;
    for (std::int64_t at = 0; at < count; at += kChunk) {
        std::vector<Product> chunk;
        for (std::int64_t i = at; i < std::min(count, at + kChunk); ++i) {
            chunk.push_back(maker.Next());
            if (sample && sample->size() < 4000 && i % std::max<std::int64_t>(1, count / 4000) == 0)
                sample->push_back(chunk.back());
        }
        db.Transaction([&] { db.AddProducts(chunk); });
    }
}

void AddOrders(server::Database& db, const std::string& ctro, std::int64_t user, std::int64_t count,
               std::int64_t firstDoc, const std::vector<Product>& sample, Random& random) {
    for (std::int64_t i = 0; i < count; ++i) {
        server::Order order;
        order.doc = firstDoc + i;
        order.ctro = ctro;
        order.userId = user;
        order.obs = random.Pick(kObservations);
        const Situation& situation = random.Pick(kSituations);
        order.situation = situation.text;
        order.code = situation.code;
        // Two years of orders, at most one a few minutes apart.
        char issued[32];
        std::snprintf(issued, sizeof issued, "%04d-%02d-%02d %02d:%02d",
                      int(2023 + random.Below(2)), int(1 + random.Below(12)),
                      int(1 + random.Below(28)), int(7 + random.Below(12)), int(random.Below(60)));
        order.issued = issued;
        std::vector<server::OrderItem> items;
        for (std::int64_t j = 0, n = 1 + random.Below(6); j < n && !sample.empty(); ++j) {
            const Product& p = sample[size_t(random.Below(std::int64_t(sample.size())))];
            const std::int64_t qty = 1000 * (1 + random.Below(12));
            items.push_back(
                {j + 1, p.code, p.name, p.unit, p.priceCents, qty, p.priceCents * qty / 1000});
        }
        db.AddOrder(order, items);
    }
}

void WriteText(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

} // namespace

DataSetInfo GenerateDataSet(const std::string& dir, const DataSetOptions& options) {
    namespace fs = std::filesystem;
    if (options.products < 1 || options.orders < 0)
        throw std::invalid_argument("a data set needs at least one product");
    const fs::path root(dir);
    for (const char* name : {kInfoName, kServerDbName, kCatalogueFileName})
        fs::remove(root / name);
    fs::remove(root / (std::string(kServerDbName) + "-journal"));

    server::Database db((root / kServerDbName).string());
    // A throw-away file: no need to survive a power cut while it is written.
    db.Exec("PRAGMA synchronous=OFF");
    db.Exec("PRAGMA journal_mode=MEMORY");
    db.Transaction([&] {
        db.AddStore(kStore, "Loja Centro", true);
        db.AddStore("35", "Loja S\xE3o Jos\xE9", true);
        db.AddStore("36", "Loja Jardim Am\xE9rica", true);
        db.AddStore("37", "Loja Vila Nova (n\xE3o credenciada)", false);
        db.AddUser(kUserId, kCrf, "Distribuidora Tr\xEAs Irm\xE3os Ltda");
        db.AddUser(kUserId + 1, "111.444.777-35", "Jos\xE9 da Concei\xE7\xE3o");
    });
    // The other stores carry catalogues of their own, so that the server picks one store's
    // products out of more than it holds for that store.
    std::vector<Product> sample;
    AddCatalogue(db, kStore, options.products, options.seed * 7919 + 34, &sample);
    AddCatalogue(db, "35", std::max<std::int64_t>(1, options.products / 10),
                 options.seed * 7919 + 35, nullptr);
    AddCatalogue(db, "36", std::max<std::int64_t>(1, options.products / 10),
                 options.seed * 7919 + 36, nullptr);
    AddCatalogue(db, "37", std::max<std::int64_t>(1, options.products / 20),
                 options.seed * 7919 + 37, nullptr);

    Random random(options.seed * 104729 + 1);
    AddOrders(db, kStore, kUserId, options.orders, 100001, sample, random);
    // Orders of another user and another store, which the order list must pass over.
    AddOrders(db, kStore, kUserId + 1, options.orders / 10, 100001 + options.orders, sample,
              random);
    AddOrders(db, "35", kUserId, options.orders / 10, 100001 + options.orders * 11 / 10, sample,
              random);

    // The catalogue file exactly as the download writes it.
    std::string body;
    db.AppendCatalogue(kStore, body);
    const std::string file = CatalogueFileText(body);
    WriteText((root / kCatalogueFileName).string(), file);

    DataSetInfo info;
    info.dir = dir;
    info.products = options.products;
    info.orders = options.orders;
    info.seed = options.seed;
    info.lookupCode = sample.empty() ? "1001" : sample[sample.size() / 2].code;
    info.fileBytes = std::int64_t(file.size());
    std::string text = "products=" + std::to_string(info.products) +
                       "\norders=" + std::to_string(info.orders) +
                       "\nseed=" + std::to_string(info.seed) + "\nlookup_code=" + info.lookupCode +
                       "\nfile_bytes=" + std::to_string(info.fileBytes) + "\n";
    WriteText((root / kInfoName).string(), text);
    return info;
}

DataSetInfo ReadDataSetInfo(const std::string& dir) {
    std::ifstream in(std::filesystem::path(dir) / kInfoName);
    if (!in)
        throw std::runtime_error("no data set in " + dir + " (run the generator first)");
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    DataSetInfo info;
    info.dir = dir;
    try {
        info.products = std::stoll(values.at("products"));
        info.orders = std::stoll(values.at("orders"));
        info.seed = std::stoull(values.at("seed"));
        info.lookupCode = values.at("lookup_code");
        info.fileBytes = std::stoll(values.at("file_bytes"));
    } catch (const std::exception&) {
        throw std::runtime_error("unreadable " + std::string(kInfoName) + " in " + dir);
    }
    return info;
}

} // namespace torvel::bench
