// The transport's reply reading (status line, header lines, interim replies, length, chunked
// and close-delimited bodies) on whatever bytes a server might send before closing.
#include "FuzzSupport.h"
#include "api/HttpTransport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    torvel::HttpTransport transport;
    try {
        std::string body = transport.ReadReplyForTesting(torvel::fuzz::Text(data, size));
        FUZZ_CHECK(body.size() <= size);
    } catch (const torvel::TransportError&) {
    }
    return 0;
}
