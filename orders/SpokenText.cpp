#include "orders/SpokenText.h"

namespace torvel {

namespace {

std::string OrderState(std::string_view items, std::string_view orderTotal) {
    std::string text = " Itens ";
    text.append(items).append(", Valor Total ").append(orderTotal).append(".");
    return text;
}

} // namespace

std::string SpokenLookup(std::string_view description, std::string_view unit,
                         std::string_view unitPrice) {
    std::string text(description);
    if (!unit.empty())
        text.append(", ").append(unit);
    return text.append(", ").append(unitPrice);
}

std::string SpokenItem(std::string_view itemNo, std::string_view description,
                       std::string_view quantity, std::string_view lineTotal, bool altered,
                       std::string_view items, std::string_view orderTotal) {
    std::string text = "Item ";
    text.append(itemNo).append(altered ? " alterado: "
                                       : " lan\xE7"
                                         "ado: ");
    text.append(description).append(", quantidade ").append(quantity);
    text.append(", total ").append(lineTotal).append(".");
    return text + OrderState(items, orderTotal);
}

std::string SpokenDeletion(int itemNo, std::string_view items, std::string_view orderTotal) {
    return "Item " + std::to_string(itemNo) +
           " exclu\xED"
           "do." +
           OrderState(items, orderTotal);
}

std::string SpokenLimit(int characters) {
    return "Limite de " + std::to_string(characters) + " caracteres";
}

} // namespace torvel
