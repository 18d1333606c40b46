// UniTorvel --check and --log as a store's IT runs them: the installed program, started without a
// display, against the reference order server directly, over https and through tinyproxy. Each
// case checks the exit status, the verdict line and the steps that name what went where.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"

namespace torvel {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kCrf = "12.345.678/0001-95"; // the demo data's user 1021
const std::string kIds = "34 - TORVEL CDC BELVO|35 - TORVEL SUL|36 - JARDIM";

struct Result {
    std::optional<int> status;
    std::string output;
};

class CheckCommand : public test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directories(Dir() / "config" / "UniTorvel");
        // No display, no proxy, no trust store but what a case adds, and folders of our own.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "https_proxy",
                                 "HTTPS_PROXY", "http_proxy", "all_proxy", "ALL_PROXY", "no_proxy",
                                 "NO_PROXY", "TORVEL_LOG", "SSL_CERT_DIR"})
            environment[name] = std::nullopt;
        std::ofstream(Dir() / "no-cas.pem");
        environment["SSL_CERT_FILE"] = (Dir() / "no-cas.pem").string();
        environment["HOME"] = Dir().string();
        environment["XDG_CONFIG_HOME"] = (Dir() / "config").string();
        environment["XDG_DATA_HOME"] = (Dir() / "data").string();
        environment["XDG_CONFIG_DIRS"] = (Dir() / "none").string();
    }

    void Configure(const std::string& servidor, const std::string& extra = {}) {
        std::ofstream(ConfigFile(), std::ios::binary)
            << "[CONFIGURACAO]\r\nCRF=" << kCrf << "\r\nIDS=" << kIds << "\r\nSERVIDOR=" << servidor
            << "\r\n"
            << extra;
    }

    std::string ConfigFile() const {
        return (Dir() / "config" / "UniTorvel" / "Config.Ini").string();
    }

    Result Run(std::vector<std::string> args) {
        args.insert(args.begin(), UNITORVEL_PATH);
        test::ChildProcess program(args, (Dir() / "program.out").string(), environment);
        Result result;
        result.status = program.Wait(30s);
        result.output = program.Output();
        return result;
    }

    std::map<std::string, std::optional<std::string>> environment;
};

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CheckCommand, AcceptedRefusedAndUnknownStoresEndWithTheirVerdictAndStatus) {
    test::OrderServerProcess server(TORVEL_SERVER_PATH, Dir());
    Configure(server.HostPort());

    const Result accepted = Run({"--check"});
    EXPECT_EQ(accepted.status, 0) << accepted.output;
    EXPECT_TRUE(Holds(accepted.output, "Config.Ini: " + ConfigFile() + "\n")) << accepted.output;
    EXPECT_TRUE(Holds(accepted.output, "Store: 34 - TORVEL CDC BELVO (CTRO=34)\n"));
    EXPECT_TRUE(Holds(accepted.output, "Proxy: direct (no proxy set)\n"));
    EXPECT_TRUE(Holds(accepted.output, "Connected to " + server.HostPort() + " in "));
    EXPECT_TRUE(Holds(accepted.output, "Request: GET /api/torvel/pedidos.php?ID=" + kCrf +
                                           "&CTRO=34 HTTP/1.1\nReply: HTTP/1.1 200 OK\n"));
    EXPECT_TRUE(Holds(accepted.output, "\nVerdict: accepted, user id 1021\n"));

    const Result refused = Run({"--check", "36"});
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_TRUE(Holds(refused.output,
                      "\nVerdict: refused: the server answered \"NAO\" (3 bytes), which is not a "
                      "user id\n"))
        << refused.output;

    const Result unknown = Run({"--check=99"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(
        Holds(unknown.output, "Verdict: failed: the store \"99\" is not in IDS (34, 35, 36)\n"))
        << unknown.output;

    // It writes no file: not even the data folder that the window would make.
    EXPECT_FALSE(fs::exists(Dir() / "data"));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir() / "config" / "UniTorvel"),
                            fs::directory_iterator()),
              1);
}

TEST_F(CheckCommand, NoServerAndAnUntrustedCertificateFailWithTheirText) {
    Configure("127.0.0.1:" + std::to_string(test::FreeLoopbackPort()));
    const Result noServer = Run({"--check"});
    EXPECT_EQ(noServer.status, 2);
    EXPECT_TRUE(
        Holds(noServer.output, "\nVerdict: failed: Socket Error # 111 Connection refused.\n"))
        << noServer.output;

    test::TestCertificates certs(Dir());
    test::OrderServerProcess server(TORVEL_SERVER_PATH, Dir(), &certs.trusted);
    Configure("https://" + server.HostPort()); // the test CA is not trusted
    const Result untrusted = Run({"--check"});
    EXPECT_EQ(untrusted.status, 2);
    EXPECT_TRUE(Holds(untrusted.output, "Certificate: subject /CN=")) << untrusted.output;
    EXPECT_TRUE(Holds(untrusted.output,
                      "\nVerdict: failed: SSL negotiation failed: certificate verify failed "
                      "(unable to get local issuer certificate).\n"))
        << untrusted.output;

    const Result none = Run({"--check", "--log", "/nonexistent/folder/log"});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(Holds(none.output, "UniTorvel: Cannot write the request log \"/nonexistent/"))
        << none.output;
}

TEST_F(CheckCommand, ThroughTheProxyItNamesTheProxyTheTunnelAndTheCertificate) {
    if (test::ProxyProcess::Executable().empty())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/setup.sh installs it)";
    test::TestCertificates certs(Dir());
    test::OrderServerProcess server(TORVEL_SERVER_PATH, Dir(), &certs.trusted);
    test::ProxyProcess proxy(Dir());
    Configure("https://" + server.HostPort(), "CERTIFICADOS=" + certs.caFile + "\r\n");
    environment["https_proxy"] = proxy.Url();
    environment["no_proxy"] = ""; // the server is on the loopback too
    const Result result = Run({"--check"});
    EXPECT_EQ(result.status, 0) << result.output;
    // The proxy's answer is shown as it came: tinyproxy says HTTP/1.0 on Debian 12, 1.1 on 13.
    for (const std::string& step : std::vector<std::string>{
             "Proxy: " + proxy.Url() + " (https_proxy)\n",
             "Connected to " + proxy.HostPort() + " (the proxy) in ",
             "Tunnel: CONNECT " + server.HostPort() + " HTTP/1.1\n", "\nTunnel: HTTP/1.",
             " 200 Connection established\n", "Certificate: subject /CN=", "TLS: TLSv1.",
             "Verification: ok, the certificate is trusted and for 127.0.0.1\n",
             std::string("\nVerdict: accepted, user id 1021\n")})
        EXPECT_TRUE(Holds(result.output, step)) << step << "\n" << result.output;
}

// The request log: one line per request, appended, with the route and no password; TORVEL_LOG
// names the file as --log does.
TEST_F(CheckCommand, TheRequestLogHasALinePerRequestAndNoPassword) {
    if (test::ProxyProcess::Executable().empty())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/setup.sh installs it)";
    test::OrderServerProcess server(TORVEL_SERVER_PATH, Dir());
    test::ProxyProcess proxy(Dir(), "clerk", "s3cret");
    Configure(server.HostPort());
    const std::string log = (Dir() / "requests.log").string();
    ASSERT_EQ(Run({"--check", "--log", log}).status, 0);

    Configure(server.HostPort(), "PROXY=" + proxy.Url("clerk:s3cret") + "\r\n");
    environment["no_proxy"] = "";
    environment["TORVEL_LOG"] = log;
    ASSERT_EQ(Run({"--check", "35"}).status, 0);

    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    const std::string address =
        "http://" + server.HostPort() + "/api/torvel/pedidos.php?ID=" + kCrf;
    // "2026-12-10 05:20:01.123 GET <address> direct 200 sent <n> received <n> <n> ms"
    EXPECT_TRUE(Holds(lines[0], " GET " + address + "&CTRO=34 direct 200 sent ")) << lines[0];
    EXPECT_TRUE(Holds(lines[1], " GET " + address + "&CTRO=35 via " + proxy.Url() + " 200 sent "))
        << lines[1];
    EXPECT_TRUE(lines[1].ends_with(" ms")) << lines[1];
    EXPECT_FALSE(Holds(lines[1], "s3cret"));
    EXPECT_EQ(fs::status(log).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(CheckCommand, HelpVersionAndABadOptionNeedNoDisplay) {
    const Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Holds(help.output, "--check [STORE]")) << help.output;
    const Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.output.starts_with("UniTorvel ")) << version.output;
    const Result bad = Run({"--chek"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.output, "UniTorvel: unknown option --chek\nTry 'UniTorvel --help'.\n");
    const Result noConfig = Run({"--check"});
    EXPECT_EQ(noConfig.status, 2);
    EXPECT_TRUE(Holds(noConfig.output, "\nVerdict: failed: no Config.Ini to read\n"))
        << noConfig.output;
}

} // namespace
} // namespace torvel
