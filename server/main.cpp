// torvel-server: the reference order server. Creates its database with demo data on first start.
#include "server/DemoData.h"
#include "server/HttpServer.h"
#include "server/ServerDb.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: torvel-server [--host ADDR] [--port N] [--db PATH] [--products N]\n"
    "                     [--products-store ID] [--tls-cert FILE --tls-key FILE] [--quiet]\n"
    "  --host ADDR          address to listen on (default 127.0.0.1)\n"
    "  --port N             port to listen on, 0 for any free one (default 8080)\n"
    "  --db PATH            database file, created with demo data when missing\n"
    "                       (default ./torvel-server.db)\n"
    "  --products N         give one store a generated catalogue of exactly N products\n"
    "  --products-store ID  the store that --products fills (default 34)\n"
    "  --tls-cert FILE      serve https with this PEM certificate chain ...\n"
    "  --tls-key FILE       ... and this PEM private key (both are needed)\n"
    "  --quiet              no log line per request\n";

std::optional<long long> Number(std::string_view text, long long max) {
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return std::nullopt;
    return value;
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "torvel-server: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace torvel::server;
    ServerOptions options;
    options.handleSignals = true;
    std::string dbPath = "torvel-server.db";
    std::optional<long long> products;
    std::string productsStore = "34";

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string value;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (auto eq = arg.find('='); eq != std::string_view::npos && arg.starts_with("--")) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        } else if (arg.starts_with("--") && i + 1 < argc) {
            value = argv[++i];
        } else {
            return Usage("unknown or incomplete option " + std::string(arg));
        }
        if (arg == "--port") {
            auto n = Number(value, 65535);
            if (!n)
                return Usage("bad port " + value);
            options.port = static_cast<unsigned short>(*n);
        } else if (arg == "--tls-cert") {
            options.tlsCert = value;
        } else if (arg == "--tls-key") {
            options.tlsKey = value;
        } else if (arg == "--host") {
            options.host = value;
        } else if (arg == "--db") {
            dbPath = value;
        } else if (arg == "--products") {
            products = Number(value, 5'000'000);
            if (!products)
                return Usage("bad product count " + value + " (0 to 5000000)");
        } else if (arg == "--products-store") {
            if (value.empty() || value.find_first_of("|;-+\r\n") != std::string::npos)
                return Usage("bad store id " + value);
            productsStore = value;
        } else {
            return Usage("unknown option " + std::string(arg));
        }
    }

    if (options.tlsCert.empty() != options.tlsKey.empty())
        return Usage("--tls-cert and --tls-key go together");

    // A log reader that goes away must not take the server with it.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        Database db(dbPath);
        if (db.IsNew()) {
            SeedDemo(db, std::time(nullptr));
            std::fprintf(stderr, "torvel-server: created %s with demo data\n", dbPath.c_str());
        }
        if (products) {
            std::fprintf(stderr, "torvel-server: store %s gets %lld products\n",
                         productsStore.c_str(), *products);
            EnsureCatalogueSize(db, productsStore, *products);
        }
        std::optional<HttpServer> server;
        try {
            server.emplace(
                db, [] { return std::time(nullptr); }, options);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "torvel-server: cannot serve on %s port %u: %s\n",
                         options.host.c_str(), options.port, e.what());
            return 1;
        }
        if (!options.tlsCert.empty())
            std::fprintf(stderr, "torvel-server: https with the certificate %s\n",
                         options.tlsCert.c_str());
        std::printf("torvel-server listening on %s\n", server->Address().c_str());
        std::fflush(stdout);
        if (!options.quiet)
            std::fprintf(stderr, "%s\n", DescribeAccess(db).c_str());
        server->Run();
        std::fprintf(stderr, "torvel-server: stopped\n");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torvel-server: %s\n", e.what());
        return 1;
    }
}
