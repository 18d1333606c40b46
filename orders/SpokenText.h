// The sentences a screen reader speaks for the order editor's changes that no focused field
// shows: what a lookup found, an item entered, altered or deleted, and the order's state after
// it, a text field's limit. Windows-1252 text, like every other text of the program.
#pragma once

#include <string>
#include <string_view>

namespace torvel {

// What a lookup found, as the entry line shows it: "ARROZ TIPO 1 5KG, PCT, 25,40"; an empty
// unit is left out.
std::string SpokenLookup(std::string_view description, std::string_view unit,
                         std::string_view unitPrice);

// An item just entered ("lançado") or written back ("alterado"), from its row's cells, and the
// order after it: "Item 1 lançado: ARROZ TIPO 1 5KG, quantidade 3, total 76,20. Itens 1,
// Valor Total 76,20."
std::string SpokenItem(std::string_view itemNo, std::string_view description,
                       std::string_view quantity, std::string_view lineTotal, bool altered,
                       std::string_view items, std::string_view orderTotal);

// An item deleted, and the order after it: "Item 2 excluído. Itens 1, Valor Total 76,20."
std::string SpokenDeletion(int itemNo, std::string_view items, std::string_view orderTotal);

// The length limit of a text field: "Limite de 100 caracteres".
std::string SpokenLimit(int characters);

} // namespace torvel
