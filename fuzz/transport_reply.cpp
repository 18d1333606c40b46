// The reply reader (status line, header lines, interim replies, length, chunked and
// close-delimited bodies) on whatever bytes a server might send before closing.
#include "FuzzSupport.h"
#include "tests/support/ReplyBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        std::string body = torvel::test::ReadReplyBytes(torvel::fuzz::Text(data, size));
        FUZZ_CHECK(body.size() <= size);
    } catch (const torvel::TransportError&) {
    }
    return 0;
}
