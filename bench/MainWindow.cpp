#include "bench/MainWindow.h"

#include "app/Central.h"

namespace torvel::bench {

std::unique_ptr<QWidget> NewMainWindow() {
    return std::make_unique<TFCentral>();
}

} // namespace torvel::bench
