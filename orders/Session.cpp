#include "orders/Session.h"

#include "api/HttpTransport.h"
#include "api/OrderApi.h"
#include "util/uFuncoes.h"

namespace torvel {

StoreEntry MakeStoreEntry(std::string_view text) {
    size_t dash = text.find('-');
    return {std::string(text),
            dash == std::string_view::npos ? std::string() : Trim(text.substr(0, dash))};
}

Session::Session() = default;
Session::~Session() = default;

void Session::SetServer(const std::string& servidor, const std::string& certificados,
                        const std::string& proxy) {
    if (servidor == servidor_ && certificados == certificados_ && proxy == proxy_)
        return;
    servidor_ = servidor;
    certificados_ = certificados;
    proxy_ = proxy;
    api_.reset();
}

void Session::SetWaitHook(std::function<void()> hook) {
    waitHook_ = std::move(hook);
    if (transport_)
        transport_->SetWaitHook(waitHook_);
}

OrderApi& Session::Api() {
    if (!transport_) {
        transport_ = std::make_unique<HttpTransport>();
        transport_->SetWaitHook(waitHook_);
    }
    if (!api_) {
        transport_->SetCertificatesFile(certificados_);
        transport_->SetProxy(proxy_);
        api_ = std::make_unique<OrderApi>(*transport_, servidor_);
    }
    return *api_;
}

} // namespace torvel
