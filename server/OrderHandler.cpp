#include "server/OrderHandler.h"

#include "server/DemoData.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <limits>

namespace torvel::server {

namespace {

constexpr std::string_view kPrefix = "/api/torvel/";
constexpr std::size_t kMaxItems = 10000;
constexpr std::size_t kMaxCell = 500;

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32)
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
        s.remove_suffix(1);
    return s;
}

// A field of a reply record: the characters that would cut records or fields become blanks.
std::string Field(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == ';' || c == '|' || c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return out;
}

// A signed 32-bit decimal integer, the form of the user id and of the small codes.
std::optional<std::int64_t> ParseInt(std::string_view s) {
    bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+'))
        s.remove_prefix(1);
    if (s.empty() || s.size() > 10)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return value;
}

std::optional<std::string_view> Get(const Query& q, std::string_view key) {
    for (const auto& [k, v] : q)
        if (k == key)
            return std::string_view(v);
    return std::nullopt;
}

std::string_view Require(const Query& q, std::string_view key) {
    auto v = Get(q, key);
    if (!v)
        throw BadRequest(400, "parametro " + std::string(key) + " ausente");
    return *v;
}

std::int64_t RequireInt(const Query& q, std::string_view key) {
    auto v = ParseInt(Require(q, key));
    if (!v)
        throw BadRequest(400, "parametro " + std::string(key) + " invalido");
    return *v;
}

// The user may act for the store: the user exists and the store accepts orders.
void RequireAccess(Database& db, std::int64_t userId, std::string_view ctro) {
    if (!db.UserExists(userId))
        throw BadRequest(403, "usuario desconhecido");
    if (db.StoreAccepts(ctro) != true)
        throw BadRequest(403, "loja nao credenciada");
}

Response CheckStore(Database& db, const Query& q) {
    std::string_view crf = Require(q, "ID");
    std::string_view ctro = Require(q, "CTRO");
    auto user = db.FindUserByCrf(crf);
    if (user && db.StoreAccepts(ctro) == true)
        return {200, std::to_string(*user)};
    return {200, "NAO"};
}

Response Catalogue(Database& db, const Query& q) {
    std::int64_t userId = RequireInt(q, "valor");
    std::string_view ctro = Require(q, "CTRO");
    RequireAccess(db, userId, ctro);
    Response r;
    r.body.reserve(static_cast<std::size_t>(db.CountProducts(ctro)) * 110);
    db.AppendCatalogue(ctro, r.body);
    return r;
}

Response ListOrders(Database& db, const Query& q, std::time_t now) {
    std::int64_t userId = RequireInt(q, "valor");
    std::string_view ctro = Require(q, "CTRO");
    std::optional<std::string> monthPrefix;
    if (Get(q, "Emissao")) {
        std::int64_t month = RequireInt(q, "Emissao");
        if (month < 1 || month > 12)
            throw BadRequest(400, "parametro Emissao invalido");
        // The month number means its latest occurrence up to now: this year's, or last year's
        // when that month is still to come.
        std::tm tm{};
        localtime_r(&now, &tm);
        int year = tm.tm_year + 1900 - (month > tm.tm_mon + 1 ? 1 : 0);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02d", year, static_cast<int>(month));
        monthPrefix = buf;
    }
    std::optional<int> code;
    if (Get(q, "Situacao")) {
        std::int64_t c = RequireInt(q, "Situacao");
        if (c < kOpen || c > kCancelled)
            throw BadRequest(400, "parametro Situacao invalido");
        code = static_cast<int>(c);
    }
    RequireAccess(db, userId, ctro);
    Response r;
    for (const Order& o : db.ListOrders(ctro, userId, monthPrefix, code)) {
        r.body.append(std::to_string(o.doc)).append("|").append(Field(o.obs)).append("|");
        r.body.append(Field(o.situation)).append("|").append(IssuedToWire(o.issued)).append(";");
    }
    return r;
}

// valor = <user>-<doc>-<situation code>-<store>; the user may be negative, the store is the rest.
Response CancelOrder(Database& db, const Query& q) {
    std::string_view valor = Require(q, "valor");
    std::size_t start = !valor.empty() && valor[0] == '-' ? 1 : 0;
    std::size_t a = valor.find('-', start);
    std::size_t b = a == std::string_view::npos ? a : valor.find('-', a + 1);
    std::size_t c = b == std::string_view::npos ? b : valor.find('-', b + 1);
    if (c == std::string_view::npos || c + 1 >= valor.size())
        throw BadRequest(400, "parametro valor invalido");
    auto userId = ParseInt(valor.substr(0, a));
    auto doc = ParseInt(valor.substr(a + 1, b - a - 1));
    auto code = ParseInt(valor.substr(b + 1, c - b - 1));
    std::string_view ctro = valor.substr(c + 1);
    if (!userId || !doc || !code)
        throw BadRequest(400, "parametro valor invalido");
    if (*code != kCancelled)
        throw BadRequest(400, "situacao nao permitida");
    auto order = db.FindOrder(*doc);
    if (!order || order->ctro != ctro || order->userId != *userId)
        throw BadRequest(404, "pedido nao encontrado");
    if (order->code == kCancelled)
        return {200, "OK"};
    // Only an order that nobody has started on may be withdrawn.
    if (order->situation != "Aberto")
        throw BadRequest(409, "pedido nao pode ser cancelado");
    db.SetSituation(*doc, "Cancelado", kCancelled);
    return {200, "OK"};
}

Response OrderItems(Database& db, const Query& q) {
    auto doc = ParseInt(Require(q, "Pedido"));
    std::string_view ctro = Require(q, "CTRO");
    if (!doc)
        throw BadRequest(400, "parametro Pedido invalido");
    auto order = db.FindOrder(*doc);
    if (!order || order->ctro != ctro)
        throw BadRequest(404, "pedido nao encontrado");
    // item|code|description|order|store|quantity|unit|unit price|total
    Response r;
    for (const OrderItem& it : db.OrderItems(*doc)) {
        r.body.append(std::to_string(it.itemNo)).append("|").append(Field(it.code)).append("|");
        r.body.append(Field(it.description)).append("|").append(std::to_string(*doc)).append("|");
        r.body.append(Field(ctro)).append("|").append(FormatMilli(it.qtyMilli)).append("|");
        r.body.append(Field(it.unit)).append("|").append(FormatCents(it.priceCents, ','));
        r.body.append("|").append(FormatCents(it.totalCents, ',')).append(";");
    }
    return r;
}

Response Upload(Database& db, const Request& request) {
    FilePart part = ExtractFilePart(request.contentType, request.body, "Arquivo");
    // "<store>+<user>.Txt"; a client may send a path before the name.
    std::string_view name = part.fileName;
    if (std::size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::size_t plus = name.rfind('+');
    if (name.size() < 4 || !EqualsAsciiNoCase(name.substr(name.size() - 4), ".txt") ||
        plus == std::string_view::npos || plus == 0)
        throw BadRequest(400, "nome de arquivo invalido");
    std::string ctro(name.substr(0, plus));
    auto userId = ParseInt(name.substr(plus + 1, name.size() - 4 - plus - 1));
    if (!userId)
        throw BadRequest(400, "nome de arquivo invalido");
    RequireAccess(db, *userId, ctro);
    OrderFile file = ParseOrderFile(part.content);
    for (OrderItem& it : file.items)
        if (auto product = db.FindProduct(ctro, it.code))
            it.unit = product->unit;
    Order order{0, ctro, *userId, file.obs, "Aberto", kOpen, file.issued};
    return {200, std::to_string(db.AddOrder(order, file.items))};
}

std::string HelpText(Database& db) {
    return "torvel-server: reference order server\r\n\r\n"
           "GET  /api/torvel/pedidos.php?ID=<crf>&CTRO=<store>\r\n"
           "GET  /api/torvel/pedidos.php?filtro=itens&valor=<user>&CTRO=<store>\r\n"
           "GET  /api/torvel/pedidos.php?filtro=ctro&valor=<user>&CTRO=<store>"
           "[&Emissao=<1-12>][&Situacao=<0-2>]\r\n"
           "GET  /api/torvel/pedidos.php?filtro=update&valor=<user>-<order>-2-<store>\r\n"
           "GET  /api/torvel/pedidos_1.php?Pedido=<order>&CTRO=<store>\r\n"
           "POST /api/torvel/upload.php (multipart form, file field Arquivo, "
           "named <store>+<user>.Txt)\r\n\r\n" +
           DescribeAccess(db) + "\r\n";
}

Response Dispatch(Database& db, const Request& request, std::time_t now) {
    std::string_view target = request.target;
    std::size_t mark = target.find('?');
    std::string_view path = target.substr(0, mark);
    Query q = ParseQuery(mark == std::string_view::npos ? "" : target.substr(mark + 1));
    bool get = request.method == "GET";
    if (path == "/" || path == kPrefix || path == kPrefix.substr(0, kPrefix.size() - 1)) {
        if (!get)
            throw BadRequest(405, "metodo nao permitido");
        return {200, HelpText(db)};
    }
    if (path == std::string(kPrefix) + "pedidos.php") {
        if (!get)
            throw BadRequest(405, "metodo nao permitido");
        auto filtro = Get(q, "filtro");
        if (!filtro)
            return CheckStore(db, q);
        if (*filtro == "itens")
            return Catalogue(db, q);
        if (*filtro == "ctro")
            return ListOrders(db, q, now);
        if (*filtro == "update")
            return CancelOrder(db, q);
        throw BadRequest(400, "filtro desconhecido");
    }
    if (path == std::string(kPrefix) + "pedidos_1.php") {
        if (!get)
            throw BadRequest(405, "metodo nao permitido");
        return OrderItems(db, q);
    }
    if (path == std::string(kPrefix) + "upload.php") {
        if (request.method != "POST")
            throw BadRequest(405, "metodo nao permitido");
        return Upload(db, request);
    }
    throw BadRequest(404, "nao encontrado");
}

// Cell text of an order file line: quotes that the row file left around a cell go, doubled quotes
// inside it become single again.
std::string Cell(std::string_view raw) {
    std::string_view s = TrimView(raw);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    else if (!s.empty() && s.front() == '"')
        s.remove_prefix(1);
    else if (!s.empty() && s.back() == '"')
        s.remove_suffix(1);
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"')
            ++i;
    }
    return out;
}

std::vector<std::string_view> SplitKeepEmpty(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = s.find(sep, start);
        out.push_back(s.substr(start, at - start));
        if (at == std::string_view::npos)
            return out;
        start = at + 1;
    }
}

} // namespace

Query ParseQuery(std::string_view query) {
    Query q;
    if (query.empty())
        return q;
    for (std::string_view pair : SplitKeepEmpty(query, '&')) {
        if (pair.empty())
            continue;
        std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos)
            q.emplace_back(std::string(pair), std::string());
        else
            q.emplace_back(std::string(pair.substr(0, eq)), std::string(pair.substr(eq + 1)));
    }
    return q;
}

FilePart ExtractFilePart(std::string_view contentType, std::string_view body,
                         std::string_view field) {
    // multipart/form-data; boundary=XYZ  (the boundary may be quoted)
    std::string_view type = TrimView(contentType.substr(0, contentType.find(';')));
    if (!EqualsAsciiNoCase(type, "multipart/form-data"))
        throw BadRequest(415, "esperado multipart/form-data");
    std::string boundary;
    for (std::string_view param : SplitKeepEmpty(contentType, ';')) {
        param = TrimView(param);
        if (param.size() > 9 && EqualsAsciiNoCase(param.substr(0, 9), "boundary=")) {
            std::string_view b = param.substr(9);
            if (b.size() >= 2 && b.front() == '"' && b.back() == '"')
                b = b.substr(1, b.size() - 2);
            boundary = b;
        }
    }
    if (boundary.empty() || boundary.size() > 200)
        throw BadRequest(400, "boundary ausente");
    const std::string delimiter = "--" + boundary;
    std::size_t at = 0;
    if (!body.starts_with(delimiter)) {
        at = body.find("\r\n" + delimiter); // skip a preamble
        if (at == std::string_view::npos)
            throw BadRequest(400, "formulario sem partes");
        at += 2;
    }
    for (;;) {
        at += delimiter.size();
        if (body.substr(at, 2) == "--")
            break; // closing delimiter
        std::size_t headEnd = body.find("\r\n\r\n", at);
        if (headEnd == std::string_view::npos)
            throw BadRequest(400, "parte incompleta");
        std::string_view head = body.substr(at, headEnd - at);
        std::size_t contentStart = headEnd + 4;
        std::size_t next = body.find("\r\n" + delimiter, contentStart);
        if (next == std::string_view::npos)
            throw BadRequest(400, "parte sem fim");
        std::string name, fileName;
        bool hasFileName = false;
        for (std::string_view line : SplitKeepEmpty(head, '\n')) {
            line = TrimView(line);
            if (line.size() < 20 || !EqualsAsciiNoCase(line.substr(0, 20), "content-disposition:"))
                continue;
            for (std::string_view param : SplitKeepEmpty(line.substr(20), ';')) {
                param = TrimView(param);
                std::size_t eq = param.find('=');
                if (eq == std::string_view::npos)
                    continue;
                std::string_view key = TrimView(param.substr(0, eq));
                std::string_view value = TrimView(param.substr(eq + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                if (EqualsAsciiNoCase(key, "name"))
                    name = value;
                else if (EqualsAsciiNoCase(key, "filename"))
                    fileName = value, hasFileName = true;
            }
        }
        if (name == field && hasFileName)
            return {fileName, std::string(body.substr(contentStart, next - contentStart))};
        at = next + 2;
    }
    throw BadRequest(400, "campo " + std::string(field) + " ausente");
}

std::optional<std::int64_t> ParseDecimal(std::string_view text, int decimals) {
    std::string_view s = TrimView(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    std::size_t sep = s.find_first_of(",.");
    std::string_view whole = s.substr(0, sep);
    std::string_view frac = sep == std::string_view::npos ? "" : s.substr(sep + 1);
    auto allDigits = [](std::string_view d) {
        return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if ((whole.empty() && frac.empty()) || !allDigits(whole) || !allDigits(frac) ||
        whole.size() > 12 || frac.size() > 12)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : whole)
        value = value * 10 + (c - '0');
    for (int i = 0; i < decimals; ++i)
        value = value * 10 + (i < static_cast<int>(frac.size()) ? frac[i] - '0' : 0);
    if (static_cast<int>(frac.size()) > decimals && frac[decimals] >= '5')
        ++value;
    return negative ? -value : value;
}

OrderFile ParseOrderFile(std::string_view content) {
    content = content.substr(0, content.find('\0'));
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = content.size();
        lines.push_back(content.substr(start, end - start));
        start = end + (content.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    OrderFile file;
    bool haveObs = false;
    int number = 0;
    for (std::string_view line : lines) {
        ++number;
        const std::string where = "linha " + std::to_string(number) + ": ";
        if (TrimView(line).empty())
            continue;
        if (haveObs)
            throw BadRequest(400, where + "texto depois da linha OBS");
        if (line.starts_with("OBS|")) {
            std::size_t last = line.rfind('|');
            if (last < 4)
                throw BadRequest(400, where + "linha OBS sem data de emissao");
            auto issued = WireToIssued(TrimView(line.substr(last + 1)));
            if (!issued)
                throw BadRequest(400, where + "data de emissao invalida");
            file.obs = line.substr(4, last - 4);
            file.issued = *issued;
            haveObs = true;
            continue;
        }
        std::vector<std::string_view> cells = SplitKeepEmpty(line, '|');
        if (cells.size() < 6)
            throw BadRequest(400, where + "item com menos de seis campos");
        if (file.items.size() >= kMaxItems)
            throw BadRequest(413, where + "itens demais");
        OrderItem item;
        auto itemNo = ParseInt(Cell(cells[0]));
        auto price = ParseDecimal(Cell(cells[3]), 2);
        auto qty = ParseDecimal(Cell(cells[4]), 3);
        auto total = ParseDecimal(Cell(cells[5]), 2);
        item.code = Cell(cells[1]);
        item.description = Cell(cells[2]);
        if (!itemNo || *itemNo < 1)
            throw BadRequest(400, where + "numero do item invalido");
        if (item.code.empty() || item.code.size() > kMaxCell || item.description.size() > kMaxCell)
            throw BadRequest(400, where + "codigo ou descricao invalidos");
        if (!price || !qty || !total)
            throw BadRequest(400, where + "valor numerico invalido");
        item.itemNo = *itemNo;
        item.priceCents = *price;
        item.qtyMilli = *qty;
        item.totalCents = *total;
        file.items.push_back(std::move(item));
    }
    if (!haveObs)
        throw BadRequest(400, "linha OBS ausente");
    return file;
}

Response HandleRequest(Database& db, const Request& request, std::time_t now) {
    try {
        return Dispatch(db, request, now);
    } catch (const BadRequest& e) {
        return {e.status, std::string(e.what()) + "\r\n"};
    } catch (const std::exception&) {
        return {500, "erro interno\r\n"};
    }
}

} // namespace torvel::server
