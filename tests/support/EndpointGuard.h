// Sends every transport's connections to a local server for the guard's lifetime, whatever host
// the address names; the request itself still follows the address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "api/HttpTransport.h"
#include "tests/support/HookGuard.h"

namespace torvel::test {

class EndpointGuard
    : public HookGuard<std::optional<torvel::testing::Endpoint>, &torvel::testing::SetEndpoint> {
public:
    EndpointGuard(std::string host, std::uint16_t port)
        : HookGuard(torvel::testing::Endpoint{std::move(host), port}) {}
};

} // namespace torvel::test
