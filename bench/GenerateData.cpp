// torvel-benchgen: writes one benchmark data set (server database, catalogue file) into a folder.
#include "bench/DataSet.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: torvel-benchgen --out DIR [--products N] [--orders N] [--seed N]\n"
    "  --out DIR       folder to write into (created when missing)\n"
    "  --products N    products in the catalogue of store 34 (default 20000); stores 35, 36\n"
    "                  and 37 get a tenth, a tenth and a twentieth of that\n"
    "  --orders N      orders of store 34 and user 1021 (default 10000)\n"
    "  --seed N        the same seed gives the same data (default 1)\n";

bool Number(std::string_view text, unsigned long long max, unsigned long long& out) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out <= max;
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "torvel-benchgen: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    torvel::bench::DataSetOptions options;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= argc)
            return Usage("missing value after " + std::string(arg));
        const std::string value = argv[++i];
        unsigned long long n = 0;
        if (arg == "--out") {
            out = value;
        } else if (arg == "--products") {
            if (!Number(value, 5'000'000, n) || n == 0)
                return Usage("bad product count " + value + " (1 to 5000000)");
            options.products = static_cast<std::int64_t>(n);
        } else if (arg == "--orders") {
            if (!Number(value, 1'000'000, n))
                return Usage("bad order count " + value + " (0 to 1000000)");
            options.orders = static_cast<std::int64_t>(n);
        } else if (arg == "--seed") {
            if (!Number(value, ~0ull, n))
                return Usage("bad seed " + value);
            options.seed = n;
        } else {
            return Usage("unknown option " + std::string(arg));
        }
    }
    if (out.empty())
        return Usage("--out is required");
    try {
        std::filesystem::create_directories(out);
        const auto info = torvel::bench::GenerateDataSet(out, options);
        std::printf("torvel-benchgen: %s: %lld products, %lld orders, catalogue file %lld bytes\n",
                    out.c_str(), static_cast<long long>(info.products),
                    static_cast<long long>(info.orders), static_cast<long long>(info.fileBytes));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torvel-benchgen: %s\n", e.what());
        return 1;
    }
}
