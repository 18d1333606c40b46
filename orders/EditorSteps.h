// Steps of the order editor that several of the main window's order handlers share.
#pragma once

class TFCentral;

namespace torvel::orders {

// VLNota := the sum of cell 6 of every row of gProd, from "0,00".
void RecomputeOrderTotal(TFCentral& window);

// Writes the backup file of the chosen store with every row of gProd, then deletes the other
// recoverable one.
void WriteBackup(TFCentral& window);

// Offers the recoverable backup, if any: the warning box, its rows appended to gProd, and its
// store chosen in Loja (running the store selection when it is another store).
void OfferBackup(TFCentral& window);

} // namespace torvel::orders
