// The program's main window for the benchmarks, which drive it by its controls' design names as
// a user's tools do.
#pragma once

#include <QWidget>
#include <memory>
#include <stdexcept>
#include <string>

namespace torvel::bench {

// Built as the program builds it: FormCreate has run, the window is not shown yet.
std::unique_ptr<QWidget> NewMainWindow();

// The control of `window` named `name`; a missing one is a broken benchmark.
template <typename T> T& Control(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(name);
    if (!found)
        throw std::runtime_error(std::string("the main window has no ") + name);
    return *found;
}

} // namespace torvel::bench
