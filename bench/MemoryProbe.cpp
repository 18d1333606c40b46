#include "bench/MemoryProbe.h"

#include "app/Config.h"
#include "bench/DataSet.h"
#include "bench/DataSetFixture.h"
#include "bench/FirstPaint.h"
#include "bench/MainWindow.h"
#include "bench/Processes.h"
#include "catalogue/Procura_Prod.h"
#include "catalogue/ProductFilter.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "tests/support/ConfigGuards.h"
#include "tests/support/DialogGuards.h"
#include "util/Dialogs.h"

#include <QCoreApplication>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace torvel::bench {

int MemoryProbe(const std::string& dir, bool copiedRows) {
    test::RecordBoxesGuard boxes(true);
    ChangeDir(dir);
    const std::string config = (fs::path(dir) / "work" / "config-probe").string();
    WriteConfig(config, "", "127.0.0.1:9");
    test::ConfigDirGuard configDir(config);
    // The program at rest: its main window shown, no store chosen.
    const std::unique_ptr<QWidget> central = NewMainWindow();
    ShowAndWaitForPaint(*central);
    const long baseline = ResidentKb();
    long rows = 0, loadPeak = 0, openPeak = 0;
    {
        TFProcura_Prod search(central.get());
        search.StoreId = kStore;
        ShowAndWaitForPaint(search);
        // From here on the window is open: its own peak, apart from the one of the loading.
        loadPeak = PeakResidentKb();
        ResetPeakResident();
        search.SetSearchMode(SearchMode::Semelhanca);
        search.FProcura->SetText("%");
        if (copiedRows) {
            // How the list held its rows before: seven strings per row.
            const auto selected = search.Table().Select(torvel::ProductFilter(
                torvel::BuildSearchFilter(SearchMode::Semelhanca, "%", kStore)));
            std::vector<torvel::ListRow> copies(selected.size());
            for (size_t i = 0; i < selected.size(); ++i)
                for (auto f : {torvel::ProductField::Id, torvel::ProductField::Nome,
                               torvel::ProductField::Referencia, torvel::ProductField::Marca,
                               torvel::ProductField::Und, torvel::ProductField::Preco,
                               torvel::ProductField::VSugerido})
                    copies[i].cells.emplace_back(search.Table().Field(selected[i], f));
            search.SetSearchMode(SearchMode::None);
            search.gLista->SetRows(std::move(copies));
        } else {
            search.ApplySearch();
        }
        QCoreApplication::processEvents();
        // Scroll through to the end, as a user looking at the list would.
        QScrollBar* bar = search.gLista->verticalScrollBar();
        for (int step = 0; step <= 20; ++step) {
            bar->setValue(bar->maximum() * step / 20);
            QCoreApplication::processEvents();
        }
        rows = search.gLista->RowCount();
        openPeak = PeakResidentKb();
    }
    std::printf("baseline_kb=%ld peak_kb=%ld open_peak_kb=%ld rows=%ld\n", baseline,
                std::max(loadPeak, openPeak), openPeak, rows);
    return 0;
}

} // namespace torvel::bench
