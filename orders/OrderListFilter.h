// The query filter of the order list: the month (0 for January ... 11, 12 for "Todos") and the
// situation (0 "Aberto", 1 "Concluida", 2 "Cancelado", 3 "Todos") chosen in its combos.
#pragma once

#include <string>

namespace torvel {

// "&Emissao=<month>" and "&Situacao=<situation>" for what is chosen; "" for "Todos" (or none).
std::string OrderListFilter(int month, int situation);

} // namespace torvel
