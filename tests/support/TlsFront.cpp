#include "tests/support/TlsFront.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>

#include <array>
#include <thread>

namespace torvel::test {

namespace asio = boost::asio;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

struct Link : std::enable_shared_from_this<Link> {
    Link(tcp::socket socket, ssl::context& context)
        : tls(std::move(socket), context), back(tls.get_executor()) {}

    void Start(std::uint16_t backendPort) {
        // Small writes go out at once both ways, or delayed acknowledgements stall the relay.
        error_code ignored;
        tls.next_layer().set_option(tcp::no_delay(true), ignored);
        tls.async_handshake(
            ssl::stream_base::server, [self = shared_from_this(), backendPort](error_code ec) {
                if (ec)
                    return self->CloseClient();
                self->back.async_connect({asio::ip::make_address("127.0.0.1"), backendPort},
                                         [self](error_code ec) {
                                             if (ec)
                                                 return self->CloseClient();
                                             error_code ignored;
                                             self->back.set_option(tcp::no_delay(true), ignored);
                                             self->Up();
                                             self->Down();
                                         });
            });
    }

    // Client to backend; the client's close reaches the backend as a FIN.
    void Up() {
        tls.async_read_some(asio::buffer(up),
                            [self = shared_from_this()](error_code ec, std::size_t n) {
                                if (ec) {
                                    error_code ignored;
                                    self->back.shutdown(tcp::socket::shutdown_send, ignored);
                                    return;
                                }
                                asio::async_write(self->back, asio::buffer(self->up, n),
                                                  [self](error_code ec, std::size_t) {
                                                      if (!ec)
                                                          self->Up();
                                                  });
                            });
    }

    // Backend to client; the backend's close closes the client's connection.
    void Down() {
        back.async_read_some(asio::buffer(down),
                             [self = shared_from_this()](error_code ec, std::size_t n) {
                                 if (ec)
                                     return self->CloseClient();
                                 asio::async_write(self->tls, asio::buffer(self->down, n),
                                                   [self](error_code ec, std::size_t) {
                                                       if (ec)
                                                           return self->CloseClient();
                                                       self->Down();
                                                   });
                             });
    }

    void CloseClient() {
        error_code ignored;
        tls.next_layer().shutdown(tcp::socket::shutdown_both, ignored);
        tls.next_layer().close(ignored);
        back.close(ignored);
    }

    ssl::stream<tcp::socket> tls;
    tcp::socket back;
    std::array<char, 16384> up{};
    std::array<char, 16384> down{};
};

} // namespace

struct TlsFront::Impl {
    Impl(const TlsFiles& files, std::uint16_t backend)
        : context(ssl::context::tls_server), acceptor(io), backendPort(backend) {
        context.use_certificate_chain_file(files.certFile);
        context.use_private_key_file(files.keyFile, ssl::context::pem);
        acceptor.open(tcp::v4());
        acceptor.bind({asio::ip::make_address("127.0.0.1"), 0});
        acceptor.listen();
        Accept();
        thread = std::thread([this] { io.run(); });
    }
    ~Impl() {
        io.stop();
        thread.join();
    }

    void Accept() {
        acceptor.async_accept([this](error_code ec, tcp::socket socket) {
            if (ec)
                return;
            std::make_shared<Link>(std::move(socket), context)->Start(backendPort);
            Accept();
        });
    }

    asio::io_context io; // first, so that it outlives every socket and pending relay
    ssl::context context;
    tcp::acceptor acceptor;
    std::uint16_t backendPort;
    std::thread thread;
};

TlsFront::TlsFront(const TlsFiles& files, std::uint16_t backendPort)
    : impl_(std::make_unique<Impl>(files, backendPort)) {}

TlsFront::~TlsFront() = default;

std::uint16_t TlsFront::Port() const {
    return impl_->acceptor.local_endpoint().port();
}

std::string TlsFront::HostPort() const {
    return "127.0.0.1:" + std::to_string(Port());
}

std::string TlsFront::Url(std::string_view target) const {
    return "https://" + HostPort() + std::string(target);
}

} // namespace torvel::test
