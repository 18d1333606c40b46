#include "app/StoreCheckReport.h"

#include <cstdio>
#include <exception>

#include "api/OrderApi.h"
#include "app/Config.h"

namespace torvel {

namespace {

constexpr std::size_t kBodyShown = 200;

// The body's first bytes as a C string literal would write them, so that a line break or a
// byte of a wrong page is seen for what it is.
std::string Quoted(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes.substr(0, kBodyShown)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20 || u >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    out += '"';
    if (bytes.size() > kBodyShown)
        out += " ...";
    return out + " (" + std::to_string(bytes.size()) + " bytes)";
}

std::string OneLine(std::string text) {
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n"))
        text.replace(at, 2, " ");
    return text;
}

int Verdict(std::ostream& out, int status, const std::string& text) {
    out << "Verdict: " << text << std::endl;
    return status;
}

} // namespace

int RunStoreCheck(std::ostream& out, const std::string& storeId) {
    const std::string file = ConfigFileToRead();
    if (file.empty()) {
        out << "Config.Ini: none (looked for " << ConfigDirectory() << "/" << kConfigFileName << ")"
            << std::endl;
        return Verdict(out, kCheckFailed, "failed: no Config.Ini to read");
    }
    out << "Config.Ini: " << file << std::endl;
    Config config;
    try {
        config = ReadConfig(file);
    } catch (const std::exception& e) {
        return Verdict(out, kCheckFailed, std::string("failed: ") + e.what());
    }
    const StoreEntry* store = nullptr;
    std::string ids;
    for (const StoreEntry& entry : config.stores) {
        ids += (ids.empty() ? "" : ", ") + entry.id;
        if (!store && (storeId.empty() || entry.id == storeId))
            store = &entry;
    }
    if (!store)
        return Verdict(out, kCheckFailed,
                       config.stores.empty()
                           ? "failed: IDS names no store"
                           : "failed: the store \"" + storeId + "\" is not in IDS (" + ids + ")");
    out << "Store: " << store->text << " (CTRO=" << store->id << ")" << std::endl;
    out << "Document number: " << config.crf << std::endl;

    HttpTransport transport;
    transport.SetCertificatesFile(config.certificados);
    transport.SetProxy(config.proxy);
    transport.SetTraceHook([&out](const std::string& line) { out << line << std::endl; });
    try {
        OrderApi api(transport, config.servidor);
        out << "Server: " << api.BaseA() << std::endl;
        if (!config.certificados.empty())
            out << "Certificates: " << config.certificados << std::endl;
        const StoreCheck check = api.CheckStore(config.crf, store->id);
        out << "Body: " << Quoted(check.body) << std::endl;
        if (check.Accepted())
            return Verdict(out, kCheckAccepted,
                           "accepted, user id " + std::to_string(*check.userId));
        return Verdict(out, kCheckRefused,
                       "refused: the server answered " + Quoted(check.body) +
                           ", which is not a user id");
    } catch (const std::exception& e) {
        return Verdict(out, kCheckFailed, "failed: " + OneLine(e.what()));
    }
}

} // namespace torvel
