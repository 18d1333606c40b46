// A scripted HTTP server for tests of network code. It listens on 127.0.0.1 on a free port,
// records the exact bytes of every request and answers each one with exact reply bytes taken
// from a script, good or broken.
//
//   torvel::test::ScriptedServer server;
//   server.Answer(ScriptedServer::Ok("1021"));                  // next request, in order
//   server.Route("filtro=itens", ScriptedServer::Ok("1|10|..")); // every matching request
//   OrderApi api(transport, server.HostPort());                  // "127.0.0.1:<port>"
//   ... run the client ...
//   auto requests = server.Requests();   // requests[0].bytes == "GET /api/torvel/..."
//
// Which reply a request gets: the first route whose text occurs in its request line; else the
// next queued reply; else a 404 with an empty body. The server runs on its own thread; every
// member may be called from the test's thread at any time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace torvel::test {

// One scripted answer.
struct ServerReply {
    std::string bytes;                       // sent exactly as they are
    bool closeAfter = false;                 // close the connection once the bytes are sent
    std::size_t cutAt = std::string::npos;   // send only the first cutAt bytes, then close
    bool neverAnswer = false;                // keep silent; later requests on the connection too
    std::size_t pieceSize = 0;               // > 0: send in pieces of this many bytes ...
    std::chrono::milliseconds pieceDelay{0}; // ... with this pause between pieces
    std::chrono::milliseconds delay{0};      // pause before the first byte
    bool onAccept = false; // queued: sent as soon as a connection is accepted, unasked
};

struct RecordedRequest {
    int connection = 0;    // 0 for the first accepted connection, 1 for the next, ...
    std::string bytes;     // the request exactly as received
    bool complete = false; // false: the client closed before the request was whole

    std::string RequestLine() const; // the first line, without its CR LF
    std::string Target() const;      // the second word of the request line
    // The value of the first header line with this name (any case); "" when there is none.
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
    // Header names in the order they were sent.
    std::vector<std::string> HeaderNames() const;
    std::string Body() const; // the bytes after the empty line
};

class ScriptedServer {
public:
    ScriptedServer(); // listens at once
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string HostPort() const;                         // "127.0.0.1:<port>"
    std::string Url(std::string_view target = "/") const; // "http://127.0.0.1:<port>" + target

    void Answer(ServerReply reply);
    void Answer(std::string bytes);
    void Route(std::string needle, ServerReply reply);

    std::vector<RecordedRequest> Requests() const;
    // Waits until at least `count` requests were recorded; false on time-out.
    bool WaitForRequests(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    int ConnectionCount() const;

    // Stops listening and closes every connection. Also done by the destructor.
    void Stop();

    // statusLine CR LF, extraHeaders (each line ending in CR LF), "Content-Length: <n>" CR LF,
    // CR LF, body.
    static std::string Reply(std::string_view statusLine, std::string_view body,
                             std::string_view extraHeaders = {});
    // "HTTP/1.1 200 OK" with a Content-Length and the body.
    static ServerReply Ok(std::string_view body);

private:
    struct Connection {
        int fd = -1;
        int id = 0;
        std::string in;
        bool silent = false;
    };

    void Run();
    ServerReply NextReply(const std::string& requestLine);
    void Record(const Connection& c, std::string bytes, bool complete);
    // false when the connection has to be closed.
    bool Send(Connection& c, const ServerReply& reply);

    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable recorded_;
    std::deque<ServerReply> queue_;
    std::vector<std::pair<std::string, ServerReply>> routes_;
    std::vector<RecordedRequest> requests_;
    int connections_ = 0;
};

} // namespace torvel::test
