// What an order page asks of the window that holds it: the wait window, the store combo and the
// page shown. The pages know the window only through this.
#pragma once

#include <string>

namespace torvel::orders {

class PageHost {
public:
    // Shows the wait window with `text`, or closes it for "".
    virtual void SetWaitMessage(const std::string& text) = 0;
    // The position of the entry that the store combo shows, -1 when none; and how many it has.
    virtual int ChosenStoreIndex() const = 0;
    virtual int StoreCount() const = 0;
    // The store at `position` chosen as if by the user: its check runs.
    virtual void SelectStore(int position) = 0;
    // While an order holds items it stays with its store: the combo is disabled.
    virtual void LockStore(bool locked) = 0;
    virtual void ShowListPage() = 0;
    virtual void ShowEditorPage() = 0;

protected:
    ~PageHost() = default;
};

} // namespace torvel::orders
