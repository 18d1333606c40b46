#include "tests/support/ScriptedServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace torvel::test {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

// The header lines of a request (without the request line), up to the empty line.
std::vector<std::pair<std::string, std::string>> HeaderLines(std::string_view bytes) {
    std::vector<std::pair<std::string, std::string>> lines;
    auto end = bytes.find("\r\n\r\n");
    std::string_view head = bytes.substr(0, end);
    auto first = head.find("\r\n");
    if (first == std::string_view::npos)
        return lines;
    head.remove_prefix(first + 2);
    while (!head.empty()) {
        auto eol = head.find("\r\n");
        std::string_view line = head.substr(0, eol);
        auto colon = line.find(':');
        std::string_view value =
            colon == std::string_view::npos ? std::string_view{} : line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        lines.emplace_back(std::string(line.substr(0, colon)), std::string(value));
        if (eol == std::string_view::npos)
            break;
        head.remove_prefix(eol + 2);
    }
    return lines;
}

// Length of the first whole request in `in` (head plus Content-Length body), or 0.
std::size_t WholeRequestLength(const std::string& in) {
    auto end = in.find("\r\n\r\n");
    if (end == std::string::npos)
        return 0;
    std::size_t length = end + 4;
    for (const auto& [name, value] : HeaderLines(in.substr(0, length))) {
        if (!EqualNoCase(name, "content-length"))
            continue;
        // A broken value counts as no body; the request is recorded as it came.
        std::size_t body = 0;
        for (char c : value) {
            if (c < '0' || c > '9' || body > (std::size_t{1} << 40))
                break;
            body = body * 10 + static_cast<std::size_t>(c - '0');
        }
        length += body;
    }
    return in.size() >= length ? length : 0;
}

// false when the client went away.
bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::string RecordedRequest::RequestLine() const {
    return bytes.substr(0, bytes.find("\r\n"));
}

std::string RecordedRequest::Target() const {
    std::string line = RequestLine();
    auto first = line.find(' ');
    if (first == std::string::npos)
        return {};
    auto second = line.find(' ', first + 1);
    return line.substr(first + 1,
                       second == std::string::npos ? std::string::npos : second - first - 1);
}

std::string RecordedRequest::Header(std::string_view name) const {
    for (const auto& [n, value] : HeaderLines(bytes))
        if (EqualNoCase(n, name))
            return value;
    return {};
}

bool RecordedRequest::HasHeader(std::string_view name) const {
    auto lines = HeaderLines(bytes);
    return std::any_of(lines.begin(), lines.end(),
                       [name](const auto& line) { return EqualNoCase(line.first, name); });
}

std::vector<std::string> RecordedRequest::HeaderNames() const {
    std::vector<std::string> names;
    for (const auto& line : HeaderLines(bytes))
        names.push_back(line.first);
    return names;
}

std::string RecordedRequest::Body() const {
    auto end = bytes.find("\r\n\r\n");
    return end == std::string::npos ? std::string{} : bytes.substr(end + 4);
}

ScriptedServer::ScriptedServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        throw std::runtime_error("ScriptedServer: socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ::pipe2(wakeFds_, O_CLOEXEC) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("ScriptedServer: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
    Stop();
}

void ScriptedServer::Stop() {
    if (!thread_.joinable())
        return;
    char wake = 1;
    (void)!::write(wakeFds_[1], &wake, 1);
    thread_.join();
    ::close(listenFd_);
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
}

std::string ScriptedServer::HostPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string ScriptedServer::Url(std::string_view target) const {
    return "http://" + HostPort() + std::string(target);
}

void ScriptedServer::Answer(ServerReply reply) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(reply));
}

void ScriptedServer::Answer(std::string bytes) {
    ServerReply reply;
    reply.bytes = std::move(bytes);
    Answer(std::move(reply));
}

void ScriptedServer::Route(std::string needle, ServerReply reply) {
    std::lock_guard lock(mutex_);
    routes_.emplace_back(std::move(needle), std::move(reply));
}

std::vector<RecordedRequest> ScriptedServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool ScriptedServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return recorded_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

int ScriptedServer::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

std::string ScriptedServer::Reply(std::string_view statusLine, std::string_view body,
                                  std::string_view extraHeaders) {
    std::string reply(statusLine);
    reply += "\r\n";
    reply += extraHeaders;
    reply += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    reply += body;
    return reply;
}

ServerReply ScriptedServer::Ok(std::string_view body) {
    ServerReply reply;
    reply.bytes = Reply("HTTP/1.1 200 OK", body);
    return reply;
}

ServerReply ScriptedServer::NextReply(const std::string& requestLine) {
    std::lock_guard lock(mutex_);
    for (const auto& [needle, reply] : routes_)
        if (requestLine.find(needle) != std::string::npos)
            return reply;
    if (!queue_.empty()) {
        ServerReply reply = std::move(queue_.front());
        queue_.pop_front();
        return reply;
    }
    ServerReply notFound;
    notFound.bytes = Reply("HTTP/1.1 404 Not Found", "");
    return notFound;
}

void ScriptedServer::Record(const Connection& c, std::string bytes, bool complete) {
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({c.id, std::move(bytes), complete});
    }
    recorded_.notify_all();
}

bool ScriptedServer::Send(Connection& c, const ServerReply& reply) {
    if (reply.delay.count() > 0)
        std::this_thread::sleep_for(reply.delay);
    if (reply.neverAnswer) {
        c.silent = true;
        return true;
    }
    std::string_view bytes = reply.bytes;
    bytes = bytes.substr(0, reply.cutAt);
    if (reply.pieceSize == 0) {
        if (!SendAll(c.fd, bytes))
            return false;
    } else {
        while (!bytes.empty()) {
            std::string_view piece = bytes.substr(0, reply.pieceSize);
            if (!SendAll(c.fd, piece))
                return false;
            bytes.remove_prefix(piece.size());
            if (!bytes.empty() && reply.pieceDelay.count() > 0)
                std::this_thread::sleep_for(reply.pieceDelay);
        }
    }
    return !(reply.closeAfter || reply.cutAt < reply.bytes.size());
}

void ScriptedServer::Run() {
    std::vector<Connection> connections;
    auto closeConnection = [](Connection& c) {
        ::shutdown(c.fd, SHUT_WR); // a FIN, so the client sees a graceful close
        ::close(c.fd);
        c.fd = -1;
    };
    for (;;) {
        std::vector<pollfd> fds{{wakeFds_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const Connection& c : connections)
            fds.push_back({c.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                std::optional<ServerReply> greeting;
                {
                    std::lock_guard lock(mutex_);
                    connections.push_back({fd, connections_++, {}, false});
                    if (!queue_.empty() && queue_.front().onAccept) {
                        greeting = std::move(queue_.front());
                        queue_.pop_front();
                    }
                }
                if (greeting && !Send(connections.back(), *greeting))
                    closeConnection(connections.back());
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            auto it = std::find_if(connections.begin(), connections.end(),
                                   [&](const Connection& c) { return c.fd == fds[i].fd; });
            Connection& c = *it;
            char chunk[65536];
            ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (!c.in.empty())
                    Record(c, std::move(c.in), false);
                closeConnection(c);
                continue;
            }
            c.in.append(chunk, static_cast<std::size_t>(n));
            while (c.fd >= 0) {
                std::size_t length = WholeRequestLength(c.in);
                if (length == 0)
                    break;
                std::string request = c.in.substr(0, length);
                c.in.erase(0, length);
                std::string requestLine = request.substr(0, request.find("\r\n"));
                Record(c, std::move(request), true);
                if (c.silent)
                    continue;
                if (!Send(c, NextReply(requestLine)))
                    closeConnection(c);
            }
        }
        std::erase_if(connections, [](const Connection& c) { return c.fd < 0; });
    }
    for (Connection& c : connections)
        ::close(c.fd);
}

} // namespace torvel::test
