// A store's working day in one run: the real main window (offscreen) against torvel-server on
// loopback, driven through the handlers a clerk's keys and clicks run. Orders of ten items typed
// by code; every tenth with an alteration, a deletion and an F3 search that picks an item; every
// fiftieth followed by a duplicate, a view and a cancellation; every hundredth a store change and
// back. Prints orders per minute, resident memory after the warm-up and at the end, descriptors,
// threads and the files left. Exits 1 when a handler failed or a file other than the program's
// own was left, so that the short form under the sanitizers fails on a fault as on a leak.
//
// usage: torvel_workday [--orders N] [--products N] [--work DIR]
#include "bench/DataSet.h"
#include "bench/MainWindow.h"
#include "bench/Processes.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Procura_Prod.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "tests/support/ConfigGuards.h"
#include "tests/support/DialogGuards.h"
#include "util/SafeFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace torvel::bench;

namespace {

int CountFds() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd"))
        ++n;
    return n - 1; // the iterator's own
}

int CountThreads() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::atoi(line.c_str() + 8);
    return -1;
}

// Codes of the store's products, from the catalogue file the download wrote.
std::vector<std::string> ProductCodes(size_t count) {
    std::vector<std::string> codes;
    const std::string text = torvel::ReadWholeFile(torvel::kCatalogueFileName);
    const std::string prefix = std::string(kStore) + "|";
    size_t at = 0;
    while (at < text.size() && codes.size() < count) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        if (line.rfind(prefix, 0) == 0) {
            const size_t bar = line.find('|', prefix.size());
            codes.push_back(line.substr(prefix.size(), bar - prefix.size()));
        }
        at = end + 1;
    }
    return codes;
}

} // namespace

int main(int argc, char** argv) {
    long orders = 1000, products = 200000;
    std::string work;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--orders")
            orders = std::atol(argv[i + 1]);
        else if (arg == "--products")
            products = std::atol(argv[i + 1]);
        else if (arg == "--work")
            work = argv[i + 1];
        else {
            std::fprintf(stderr,
                         "usage: torvel_workday [--orders N] [--products N] [--work DIR]\n");
            return 2;
        }
    }
    if (work.empty()) {
        char pattern[] = "/tmp/torvel-workday-XXXXXX";
        work = mkdtemp(pattern);
    }
    // The run changes into its folder, after which a relative name would point elsewhere.
    work = fs::absolute(work).string();
    const fs::path data = fs::path(work) / "data", run = fs::path(work) / "run";
    fs::remove_all(run);
    fs::create_directories(data);
    fs::create_directories(run);
    DataSetOptions options;
    options.products = products;
    options.orders = 50; // the store's order list, reloaded after every send
    GenerateDataSet(data.string(), options);
    ServerProcess server(TORVEL_SERVER_PATH, (data / kServerDbName).string());

    if (chdir(run.c_str()) != 0)
        return 2;
    std::ofstream("Config.Ini", std::ios::binary)
        << "[CONFIGURACAO]\r\nCRF=" << kCrf << "\r\nIDS=" << kStoreEntry
        << "|35 - LOJA SAO JOSE\r\nSERVIDOR=" << server.HostPort() << "\r\n";

    // The offscreen platform cannot raise a window, and says so at every wait window.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (!text.contains("does not support raise()"))
            std::fprintf(stderr, "%s%s\n",
                         type == QtDebugMsg ? "" : "qt: ", text.toLocal8Bit().constData());
    });
    QApplication app(argc, argv);
    QApplication::setApplicationName("UniTorvel");
    torvel::test::ConfigDirGuard configDir{run.string()};
    torvel::test::RecordBoxesGuard recordBoxes{true};
    // F3: a search by the start of the name, and its first product chosen.
    long searches = 0;
    torvel::test::ModalHookGuard modalHook{[&](QDialog& dialog) {
        auto* search = qobject_cast<TFProcura_Prod*>(&dialog);
        if (!search)
            return;
        search->SetSearchMode(torvel::SearchMode::Descricao);
        search->FProcura->SetText("ARROZ");
        search->ApplySearch();
        search->gLista->SelectRow(1);
        search->ChooseProduct();
        ++searches;
    }};

    // Driven as a clerk drives it: the controls found by their names, clicks, menu choices, the
    // focus moved from field to field (which runs their exit handlers) and F3.
    const std::unique_ptr<QWidget> main = NewMainWindow();
    QWidget& window = *main;
    window.show();
    window.activateWindow();
    // Offscreen, the activation comes with the next turns of the event loop; the fields' exit
    // handlers run only in an active window.
    for (int turn = 0; turn < 1000 && !window.isActiveWindow(); ++turn)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    auto& Loja = Control<QComboBox>(window, "Loja");
    auto& cProd = Control<TFloatEdit>(window, "cProd");
    auto& Qtd = Control<TFloatEdit>(window, "Qtd");
    auto& B_Lancar = Control<QPushButton>(window, "B_Lancar");
    auto& gProd = Control<TGListView>(window, "gProd");
    auto& gPedido = Control<TGListView>(window, "gPedido");
    auto click = [&](const char* button) { Control<QPushButton>(window, button).click(); };
    auto choice = [&](const char* item) { Control<QAction>(window, item).trigger(); };
    auto choose = [&](int position) {
        Loja.setCurrentIndex(position);
        emit Loja.activated(position);
    };
    choose(0);
    // The start: the window up and its first store checked.
    const int fdsAtStart = CountFds(), threadsAtStart = CountThreads();
    if (!torvel::FileExists(torvel::kCatalogueFileName)) {
        const auto& shown = torvel::testing::Boxes();
        std::fprintf(stderr, "workday: the store check downloaded no catalogue%s%s\n",
                     shown.empty() ? "" : "; the first box: ",
                     shown.empty() ? "" : shown.front().text.toUtf8().constData());
        return 1;
    }
    const std::vector<std::string> codes = ProductCodes(100);
    if (codes.size() < 10) {
        std::fprintf(stderr, "workday: the catalogue has %zu products of store %s\n", codes.size(),
                     kStore);
        return 1;
    }

    // The quantity typed, the line total computed on leaving it, and "OK".
    auto enter = [&](const char* quantity) {
        Qtd.SetText(quantity);
        B_Lancar.setFocus();
        B_Lancar.click();
    };
    auto item = [&](const std::string& code) {
        cProd.setFocus();
        cProd.SetText(code);
        Qtd.setFocus(); // the lookup
        enter("2");
    };
    const auto began = std::chrono::steady_clock::now();
    long residentWarm = 0;
    size_t next = 0;
    for (long order = 1; order <= orders; ++order) {
        click("B_Novo");
        for (int i = 0; i < 10; ++i)
            item(codes[next++ % codes.size()]);
        if (order % 10 == 0) {
            gProd.SelectRow(2);
            choice("A1");
            item(codes[next++ % codes.size()]);
            gProd.SelectRow(3);
            choice("ExcluirItem1");
            QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
            QApplication::sendEvent(&cProd, &f3); // the chosen product is looked up
            enter("1");
        }
        click("B_Salva");
        if (order % 50 == 0) {
            gPedido.SelectRow(1);
            choice("DuplicarPedido1");
            click("B_Cancela");
            click("B_Volta");
            gPedido.SelectRow(1);
            choice("VisualizarPedido1");
            click("B_Volta");
            gPedido.SelectRow(1);
            choice("CancelarPedido1");
        }
        if (order % 100 == 0) {
            choose(1);
            choose(0);
        }
        QCoreApplication::processEvents();
        if (order == 50 || (orders < 50 && order == orders))
            residentWarm = ResidentKb();
    }
    const double minutes =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() / 60;
    const long residentEnd = ResidentKb();
    const int fdsAtEnd = CountFds(), threadsAtEnd = CountThreads();

    std::string left;
    bool stray = false;
    for (const auto& e : fs::directory_iterator(run)) {
        const std::string name = e.path().filename().string();
        left += " " + name;
        stray = stray || !(name == "Config.Ini" || name == torvel::kCatalogueFileName ||
                           name.find('+') != std::string::npos);
    }
    const auto& boxes = torvel::testing::Boxes();
    std::printf("workday: %ld orders of 10 items on %ld products, %ld F3 searches\n", orders,
                products, searches);
    std::printf("workday: %.0f orders per minute\n", orders / minutes);
    std::printf("workday: resident %ld kB after the warm-up, %ld kB at the end, growth %ld kB\n",
                residentWarm, residentEnd, residentEnd - residentWarm);
    std::printf("workday: descriptors %d -> %d, threads %d -> %d\n", fdsAtStart, fdsAtEnd,
                threadsAtStart, threadsAtEnd);
    std::printf("workday: files left:%s\n", left.c_str());
    std::printf("workday: %zu boxes shown%s\n", boxes.size(), boxes.empty() ? "" : ", the first:");
    if (!boxes.empty())
        std::printf("workday:   %s\n", boxes.front().text.toUtf8().constData());
    return boxes.empty() && !stray ? 0 : 1;
}
