// UniTorvel --check: the store check from a terminal, for a store's IT. It reads Config.Ini as
// the program does, runs the check with every step printed as it happens (the file, the server,
// the proxy and why, the address, the connection, TLS and the certificate, the request and the
// reply), and ends with one verdict line. Needs no display and writes no file.
#pragma once

#include <ostream>
#include <string>

namespace torvel {

inline constexpr int kCheckAccepted = 0;
inline constexpr int kCheckRefused = 1;
inline constexpr int kCheckFailed = 2;

// Checks the store with this id (the first configured one for ""); returns kCheckAccepted,
// kCheckRefused (the server answered, and not with a user id) or kCheckFailed (anything else:
// no configuration, an unknown store, a failed request).
int RunStoreCheck(std::ostream& out, const std::string& storeId);

} // namespace torvel
