// torvel_server_load: the reference order server under load. Many loopback clients at once, each
// a transport of the program running a store's mix of the six operations (uploads included),
// while one more client sends a request a byte a second. Prints requests per second, latency
// percentiles, errors, how the slow client ended, and checks afterwards that every upload was
// stored exactly once and whole, also where two clients sent the same order file name at once.
//
// usage: torvel_server_load --work DIR [--clients N] [--requests N] [--server PATH]
#include "api/HttpTransport.h"
#include "api/OrderApi.h"
#include "bench/Processes.h"
#include "server/DemoData.h"
#include "server/ServerDb.h"
#include "util/uFuncoes.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::int64_t kFirstUser = 5000;
constexpr int kItems = 5;
constexpr const char* kStore = "34";

std::string Crf(std::int64_t user) {
    return "LOAD-" + std::to_string(user);
}

// Two clients share each user, so they upload the same order file name at the same time.
std::int64_t UserOf(int client) {
    return kFirstUser + client / 2;
}

std::string Obs(int client, int seq) {
    return "load c" + std::to_string(client) + " n" + std::to_string(seq);
}

// An order file as the program writes it: item lines, then the observations and the issue date.
std::string OrderText(int client, int seq) {
    std::string text;
    for (int i = 1; i <= kItems; ++i) {
        const int code = 1000 + (client * 7 + seq + i) % 200;
        text += std::to_string(i) + "|" + std::to_string(code) + "|PRODUTO " +
                std::to_string(code) + "|1,00|" + std::to_string(i) + "|" + std::to_string(i) +
                ",00\r\n";
    }
    return text + "OBS|" + Obs(client, seq) + "|09/12/2026 10:00\r\n";
}

struct ClientResult {
    std::vector<std::uint32_t> micros; // one per request
    int errors = 0;
    std::string firstError;
    int uploads = 0;
};

// A record of the order list: doc|observations|situation|issued.
struct Listed {
    std::string doc, obs;
};
Listed ReadListed(const std::string& record) {
    std::vector<std::string> fields = torvel::SplitAt(record, '|');
    fields.resize(std::max<std::size_t>(fields.size(), 2));
    return {fields[0], fields[1]};
}

// The doc of the order with these observations in a list reply, or "" when it is not there.
std::string DocOf(const std::vector<std::string>& records, const std::string& obs) {
    for (const std::string& record : records)
        if (Listed listed = ReadListed(record); listed.obs == obs)
            return listed.doc;
    return {};
}

void RunClient(int client, int requests, const std::string& hostPort, const fs::path& dir,
               ClientResult& out) {
    torvel::HttpTransport transport;
    torvel::OrderApi api(transport, hostPort);
    const std::int64_t user = UserOf(client);
    const std::string file =
        (dir / (std::string(kStore) + "+" + std::to_string(user) + ".Txt")).string();
    const std::string url = api.BaseA() + "upload.php";
    std::string doc;
    int seq = 0;
    out.micros.reserve(static_cast<std::size_t>(requests));
    for (int i = 0; i < requests; ++i) {
        const auto start = Steady::now();
        try {
            switch (i % 10) {
            case 0:
            case 9:
                if (api.CheckStore(Crf(user), kStore).userId != user)
                    throw std::runtime_error("the store check did not accept");
                break;
            case 1:
            case 7:
                api.ListOrders(static_cast<std::int32_t>(user), kStore);
                break;
            case 2:
                if (api.FetchCatalogueBody(static_cast<std::int32_t>(user), kStore).empty())
                    throw std::runtime_error("an empty catalogue");
                break;
            case 3:
                std::ofstream(file, std::ios::binary | std::ios::trunc) << OrderText(client, seq);
                transport.PostFile(url, "Arquivo", file, "text/text");
                ++out.uploads;
                break;
            case 4:
                doc = DocOf(api.ListOrders(static_cast<std::int32_t>(user), kStore),
                            Obs(client, seq++));
                if (doc.empty())
                    throw std::runtime_error("the order just sent is not listed");
                break;
            case 5:
            case 8: {
                int items = 0;
                api.FetchOrderItems(doc, kStore, [&](const torvel::OrderItemRecord&) { ++items; });
                if (items != kItems)
                    throw std::runtime_error("an order with " + std::to_string(items) + " items");
                break;
            }
            case 6:
                if (seq % 2 == 0)
                    api.CancelOrder(static_cast<std::int32_t>(user), doc, kStore);
                else
                    api.FetchCatalogueBody(static_cast<std::int32_t>(user), kStore);
                break;
            }
        } catch (const std::exception& e) {
            if (out.errors++ == 0)
                out.firstError = e.what();
            if (i % 10 == 3)
                ++seq; // its listing looks for the next one
        }
        out.micros.push_back(static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - start).count()));
    }
}

// A client that sends a request a byte a second until the server closes its connection or
// `stop` is set; returns the seconds it stayed connected, -1 when the server kept it.
double SlowClient(const std::string& hostPort, const std::atomic<bool>& stop) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(std::stoi(hostPort.substr(10))));
    ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return 0;
    }
    const std::string request = "GET /api/torvel/pedidos.php?ID=LOAD-5000&CTRO=34 HTTP/1.1\r\n" +
                                std::string(200, 'X') + "\r\n\r\n";
    const auto start = Steady::now();
    double connected = -1;
    for (std::size_t at = 0; at < request.size() && !stop; ++at) {
        if (::send(fd, &request[at], 1, MSG_NOSIGNAL) != 1) {
            connected = std::chrono::duration<double>(Steady::now() - start).count();
            break;
        }
        // A closed connection shows as a readable end of stream.
        for (int tick = 0; tick < 10 && !stop; ++tick) {
            char c;
            if (::recv(fd, &c, 1, MSG_DONTWAIT) == 0) {
                connected = std::chrono::duration<double>(Steady::now() - start).count();
                at = request.size();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ::close(fd);
    return connected;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " " + five;
}

} // namespace

int main(int argc, char** argv) {
    std::string work;
    std::string server = TORVEL_SERVER_PATH;
    int clients = 100;
    int requests = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--work")
            work = argv[i + 1];
        else if (arg == "--clients")
            clients = std::max(2, std::atoi(argv[i + 1]));
        else if (arg == "--requests")
            requests = std::max(10, std::atoi(argv[i + 1]));
        else if (arg == "--server")
            server = argv[i + 1];
    }
    if (work.empty()) {
        std::fprintf(stderr, "usage: torvel_server_load --work DIR [--clients N] [--requests N]"
                             " [--server PATH]\n");
        return 2;
    }
    try {
        fs::remove_all(work);
        fs::create_directories(work);
        const std::string dbPath = (fs::path(work) / "server.db").string();
        {
            torvel::server::Database db(dbPath);
            torvel::server::SeedDemo(db, std::time(nullptr));
            db.Transaction([&] {
                for (int c = 0; c < clients; c += 2)
                    db.AddUser(UserOf(c), Crf(UserOf(c)), "Carga " + std::to_string(c));
            });
        }
        torvel::bench::ServerProcess process(server, dbPath);
        std::vector<fs::path> dirs;
        for (int c = 0; c < clients; ++c)
            fs::create_directories(dirs.emplace_back(fs::path(work) / ("c" + std::to_string(c))));

        std::printf("server load: %d clients x %d requests against %s; load average %s\n", clients,
                    requests, process.HostPort().c_str(), LoadAverage().c_str());
        std::fflush(stdout);
        std::atomic<bool> stop{false};
        constexpr double kRunning = -2;
        std::atomic<double> slowConnected{kRunning};
        std::thread slow([&] { slowConnected = SlowClient(process.HostPort(), stop); });
        std::vector<ClientResult> results(static_cast<std::size_t>(clients));
        const auto start = Steady::now();
        {
            std::vector<std::jthread> threads;
            for (int c = 0; c < clients; ++c)
                threads.emplace_back(RunClient, c, requests, process.HostPort(),
                                     dirs[static_cast<std::size_t>(c)],
                                     std::ref(results[static_cast<std::size_t>(c)]));
        }
        const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
        const std::string loadAfter = LoadAverage();
        // The slow client is given the server's read bound (30 s) and some to be dropped.
        const auto slowDeadline = start + std::chrono::seconds(40);
        while (slowConnected == kRunning && Steady::now() < slowDeadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
        slow.join();

        std::vector<std::uint32_t> all;
        int errors = 0, uploads = 0;
        std::string firstError;
        for (const ClientResult& r : results) {
            all.insert(all.end(), r.micros.begin(), r.micros.end());
            errors += r.errors;
            uploads += r.uploads;
            if (firstError.empty())
                firstError = r.firstError;
        }
        std::sort(all.begin(), all.end());
        auto pct = [&](double p) {
            return all[std::min(all.size() - 1, static_cast<std::size_t>(p * all.size()))] / 1000.0;
        };
        std::printf("server load: %zu requests in %.1f s: %.0f requests/s; latency p50 %.2f ms, "
                    "p99 %.2f ms, max %.2f ms; errors %d%s%s\n",
                    all.size(), seconds, all.size() / seconds, pct(0.50), pct(0.99),
                    all.back() / 1000.0, errors, firstError.empty() ? "" : " (first: ",
                    firstError.empty() ? "" : (firstError + ")").c_str());
        std::printf("server load: load average after the run %s\n", loadAfter.c_str());
        if (slowConnected >= 0)
            std::printf("server load: the client sending a byte a second was dropped after %.0f s;"
                        " it held nobody up\n",
                        slowConnected.load());
        else
            std::printf("server load: the client sending a byte a second was still connected\n");

        // Every upload stored once and whole, also where two clients sent the same file name.
        torvel::HttpTransport transport;
        torvel::OrderApi api(transport, process.HostPort());
        int stored = 0, wrong = 0;
        for (int c = 0; c < clients; c += 2) {
            std::map<std::string, int> seen;
            std::vector<std::string> docs;
            for (const std::string& record :
                 api.ListOrders(static_cast<std::int32_t>(UserOf(c)), kStore)) {
                Listed listed = ReadListed(record);
                ++seen[listed.obs];
                docs.push_back(listed.doc);
            }
            for (const auto& [obs, count] : seen)
                wrong += count != 1;
            for (const std::string& doc : docs) {
                int items = 0;
                api.FetchOrderItems(doc, kStore, [&](const torvel::OrderItemRecord&) { ++items; });
                wrong += items != kItems;
                ++stored;
            }
        }
        std::printf("server load: %d uploads sent, %d orders stored, %d stored twice or not "
                    "whole\n",
                    uploads, stored, wrong);
        const bool ok = errors == 0 && wrong == 0 && stored == uploads && slowConnected >= 0 &&
                        slowConnected < 40;
        std::printf("server load: %s\n", ok ? "goals met" : "GOALS MISSED");
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torvel_server_load: %s\n", e.what());
        return 1;
    }
}
