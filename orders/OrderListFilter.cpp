#include "orders/OrderListFilter.h"

namespace torvel {

std::string OrderListFilter(int month, int situation) {
    std::string filter;
    if (month >= 0 && month < 12)
        filter += "&Emissao=" + std::to_string(month + 1);
    if (situation >= 0 && situation < 3)
        filter += "&Situacao=" + std::to_string(situation);
    return filter;
}

} // namespace torvel
