// The order server over real sockets on 127.0.0.1: in-process, and as the built executable.
#include "server/DemoData.h"
#include "server/HttpServer.h"
#include "server/ServerDb.h"
#include "tests/support/TempDir.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace torvel::server {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

struct Reply {
    unsigned version = 0;
    int status = 0;
    std::string connection;
    std::string body;
};

// A raw client: writes the exact request bytes, reads one reply at a time.
class RawClient {
public:
    explicit RawClient(unsigned short port) : socket_(ioc_) {
        socket_.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    }
    void Send(const std::string& bytes) { asio::write(socket_, asio::buffer(bytes)); }
    Reply Read() {
        http::response_parser<http::string_body> parser;
        parser.body_limit(64 * 1024 * 1024);
        http::read(socket_, buffer_, parser);
        auto& res = parser.get();
        return {res.version(), static_cast<int>(res.result_int()),
                std::string(res[http::field::connection]), res.body()};
    }
    // True when the server has closed the connection.
    bool Closed() {
        char byte;
        beast::error_code ec;
        socket_.read_some(asio::buffer(&byte, 1), ec);
        return ec == asio::error::eof || ec == asio::error::connection_reset;
    }

private:
    asio::io_context ioc_;
    tcp::socket socket_;
    beast::flat_buffer buffer_;
};

std::string ClientGet(const std::string& target, const std::string& extra = "") {
    return "GET " + target + " HTTP/1.1\r\n" + extra + "Host: 127.0.0.1:8080\r\n" +
           "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
           "Accept-Encoding: identity\r\nUser-Agent: Mozilla/3.0 (compatible)\r\n\r\n";
}

const std::string kBoundary = "--------120926060000123";

// The upload exactly as the desktop client writes it: HTTP/1.0, keep-alive, headers in its order.
std::string ClientUpload(const std::string& fileName, const std::string& content) {
    std::string body = "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"Arquivo\"; " +
                       "filename=\"" + fileName + "\"\r\nContent-Type: text/text\r\n\r\n" +
                       content + "\r\n--" + kBoundary + "--\r\n";
    return "POST /api/torvel/upload.php HTTP/1.0\r\nConnection: keep-alive\r\n"
           "Content-Encoding: multipart/form-data\r\n"
           "Content-Type: multipart/form-data; boundary=" +
           kBoundary + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nHost: 127.0.0.1:8080\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\n\r\n" +
           body;
}

class NetTest : public ::testing::Test {
protected:
    void Start() {
        ServerOptions options;
        options.port = 0;
        options.quiet = true;
        server_.emplace(
            db_, [] { return std::time(nullptr); }, options);
        thread_ = std::thread([this] { server_->Run(); });
    }
    void SetUp() override { SeedDemo(db_, std::time(nullptr)); }
    void TearDown() override {
        if (server_) {
            server_->Stop();
            thread_.join();
        }
    }
    unsigned short Port() { return server_->Port(); }

    Database db_{":memory:"};
    std::optional<HttpServer> server_;
    std::thread thread_;
};

TEST_F(NetTest, ClientConversationOnKeptAliveConnections) {
    Start();
    const std::string list = "/api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=34";
    RawClient first(Port());
    first.Send(ClientGet("/api/torvel/pedidos.php?ID=12.345.678/0001-95&CTRO=34"));
    Reply check = first.Read();
    EXPECT_EQ(check.status, 200);
    EXPECT_EQ(check.body, "1021");
    first.Send(ClientGet(list));
    Reply before = first.Read();
    ASSERT_EQ(before.status, 200);

    // The client closes its connection before an upload and sends the upload as HTTP/1.0.
    RawClient second(Port());
    second.Send(ClientUpload("34+1021.Txt", "1|1001|ARROZ TIPO 1 1KG|5,12|2|10,24\r\n"
                                            "OBS|TESTE DE REDE|31/12/2099 23:59\r\n"));
    Reply up = second.Read();
    ASSERT_EQ(up.status, 200) << up.body;
    EXPECT_EQ(up.version, 10u);
    EXPECT_TRUE(beast::iequals(up.connection, "keep-alive"));
    // After an upload the client's GETs carry the upload's headers, on the same connection.
    second.Send(
        ClientGet(list, "Connection: keep-alive\r\nContent-Encoding: multipart/form-data\r\n"
                        "Content-Type: multipart/form-data; boundary=" +
                            kBoundary + "\r\n"));
    Reply after = second.Read();
    ASSERT_EQ(after.status, 200);
    EXPECT_EQ(after.body, up.body + "|TESTE DE REDE|Aberto|31/12/2099 23:59;" + before.body);
}

TEST_F(NetTest, ConnectionCloseAndBadRequestsCloseOnlyThatConnection) {
    Start();
    RawClient closing(Port());
    closing.Send(ClientGet("/api/torvel/pedidos.php?ID=1&CTRO=34", "Connection: close\r\n"));
    EXPECT_EQ(closing.Read().body, "NAO");
    EXPECT_TRUE(closing.Closed());

    RawClient bad(Port());
    bad.Send("NOT HTTP AT ALL\r\n\r\n");
    EXPECT_EQ(bad.Read().status, 400);
    EXPECT_TRUE(bad.Closed());

    RawClient huge(Port());
    huge.Send(
        "POST /api/torvel/upload.php HTTP/1.1\r\nHost: x\r\nContent-Length: 50000000\r\n\r\n");
    EXPECT_EQ(huge.Read().status, 413);

    RawClient after(Port());
    after.Send(ClientGet("/api/torvel/nada.php"));
    EXPECT_EQ(after.Read().status, 404);
    after.Send(ClientGet("/api/torvel/pedidos.php?ID=12.345.678/0001-95&CTRO=34"));
    EXPECT_EQ(after.Read().body, "1021");
}

TEST_F(NetTest, ExpectContinueGetsAnInterimReply) {
    Start();
    std::string upload = ClientUpload("34+1021.Txt", "OBS||09/12/2026 06:00\r\n");
    std::size_t split = upload.find("\r\n\r\n") + 4;
    std::string head = upload.substr(0, split);
    head.replace(head.find("HTTP/1.0"), 8, "HTTP/1.1");
    head.insert(head.size() - 2, "Expect: 100-continue\r\n");
    RawClient client(Port());
    client.Send(head);
    EXPECT_EQ(client.Read().status, 100);
    client.Send(upload.substr(split));
    EXPECT_EQ(client.Read().status, 200);
}

TEST_F(NetTest, LargeCatalogueIsServedWhole) {
    constexpr std::int64_t kCount = 200000;
    EnsureCatalogueSize(db_, "34", kCount);
    Start();
    RawClient client(Port());
    auto started = std::chrono::steady_clock::now();
    client.Send(ClientGet("/api/torvel/pedidos.php?filtro=itens&valor=1021&CTRO=34"));
    Reply r = client.Read();
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(std::count(r.body.begin(), r.body.end(), ';'), kCount);
    EXPECT_NE(r.body.find(";34|" + std::to_string(1000 + kCount) + "|"), std::string::npos);
    EXPECT_LT(seconds.count(), 20.0); // generous: a shared two-core machine
}

class ExecutableTest : public test::TempDirTest {};

TEST_F(ExecutableTest, StartsWithDemoDataAndStopsOnSigterm) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(TORVEL_SERVER_EXE, TORVEL_SERVER_EXE, "--port", "0", "--db", "demo.db", "--quiet",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* lines = fdopen(out[0], "r");
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, lines), nullptr);
    std::string first = line;
    const std::string prefix = "torvel-server listening on 127.0.0.1:";
    ASSERT_TRUE(first.starts_with(prefix)) << first;
    auto port = static_cast<unsigned short>(std::stoi(first.substr(prefix.size())));

    RawClient client(port);
    client.Send(ClientGet("/api/torvel/pedidos.php?ID=12.345.678/0001-95&CTRO=34"));
    EXPECT_EQ(client.Read().body, "1021");
    client.Send(ClientGet("/api/torvel/pedidos.php?filtro=itens&valor=1021&CTRO=35"));
    Reply catalogue = client.Read();
    EXPECT_EQ(std::count(catalogue.body.begin(), catalogue.body.end(), ';'), kDemoProducts35);
    EXPECT_TRUE(std::ifstream("demo.db").good());

    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::fclose(lines);
}

} // namespace
} // namespace torvel::server
