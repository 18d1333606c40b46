// What the main window's pages share: the user's document number, the stores this installation
// may act for, the chosen store, the user's id and the order server's API.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace torvel {

class HttpTransport;
class OrderApi;

// One store of IDS: the entry as shown, and its id (the trimmed text before the first "-").
struct StoreEntry {
    std::string text;
    std::string id;
};
StoreEntry MakeStoreEntry(std::string_view text);

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::string Crf;
    std::vector<StoreEntry> Stores;
    std::string Ctro;   // the id of the store whose check was asked for last
    int32_t UserId = 0; // what the store check accepted last

    // The order server, the CA file trusted besides the system's and the PROXY key ("" for the
    // environment's proxy variables); a change takes effect at the next request.
    void SetServer(const std::string& servidor, const std::string& certificados,
                   const std::string& proxy);
    // Runs while a request waits (the windows repaint then).
    void SetWaitHook(std::function<void()> hook);
    // Made at the first request, over one transport for the whole run.
    OrderApi& Api();

private:
    std::string servidor_;
    std::string certificados_;
    std::string proxy_;
    std::function<void()> waitHook_;
    std::unique_ptr<HttpTransport> transport_;
    std::unique_ptr<OrderApi> api_;
};

} // namespace torvel
