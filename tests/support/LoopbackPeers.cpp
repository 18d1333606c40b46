#include "tests/support/LoopbackPeers.h"

#include <fstream>
#include <stdexcept>

namespace torvel::test {

namespace {

constexpr auto kStart = std::chrono::seconds(10);

} // namespace

OrderServerProcess::OrderServerProcess(const std::string& executable,
                                       const std::filesystem::path& dir, const TlsFiles* tls) {
    std::vector<std::string> argv{executable, "--port", "0", "--db", (dir / "server.db").string(),
                                  "--quiet"};
    if (tls)
        argv.insert(argv.end(), {"--tls-cert", tls->certFile, "--tls-key", tls->keyFile});
    process_ = std::make_unique<ChildProcess>(argv, (dir / "server.out").string());
    const std::string prefix = "torvel-server listening on ";
    // The line comes whole, in the one write of its flush.
    if (!process_->WaitForOutput(prefix, kStart))
        throw std::runtime_error("torvel-server did not start: " + process_->Output());
    const std::string out = process_->Output();
    const auto at = out.find(prefix) + prefix.size();
    hostPort_ = out.substr(at, out.find('\n', at) - at);
}

std::uint16_t OrderServerProcess::Port() const {
    return static_cast<std::uint16_t>(std::stoi(hostPort_.substr(hostPort_.rfind(':') + 1)));
}

std::string ProxyProcess::Executable() {
    for (const char* path : {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy"})
        if (std::filesystem::exists(path))
            return path;
    return {};
}

ProxyProcess::ProxyProcess(const std::filesystem::path& dir, const std::string& user,
                           const std::string& password)
    : port_(FreeLoopbackPort()) {
    const std::string config = (dir / ("tinyproxy-" + std::to_string(port_) + ".conf")).string();
    {
        std::ofstream out(config);
        out << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
            << "Allow 127.0.0.1\nLogLevel Connect\nDisableViaHeader Yes\n";
        if (!user.empty())
            out << "BasicAuth " << user << " " << password << "\n";
    }
    // In the foreground (-d), logging to its error output.
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{Executable(), "-d", "-c", config},
        (dir / ("tinyproxy-" + std::to_string(port_) + ".log")).string());
    if (!WaitForLoopbackPort(port_, kStart))
        throw std::runtime_error("tinyproxy did not start: " + process_->Output());
}

std::string ProxyProcess::HostPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string ProxyProcess::Url(const std::string& userInfo) const {
    return "http://" + (userInfo.empty() ? "" : userInfo + "@") + HostPort();
}

} // namespace torvel::test
