// The main window of the order tests: started in a temporary directory against a scripted order
// server, with message boxes recorded, a fixed clock and Scroll Lock off; and helpers that drive
// the order editor through real keys, clicks and focus changes.
#pragma once

#include "app/Central.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "controls/drumoEdit.h"
#include "tests/support/ClockGuard.h"
#include "tests/support/ConfigGuards.h"
#include "tests/support/DialogGuards.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/ScrollLockGuard.h"
#include "tests/support/TempDir.h"
#include "util/Cp1252QString.h"
#include "util/SafeFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace torvel::test {

using namespace std::chrono_literals;

// Tuesday 2026-12-08 14:05:00 UTC: Emissao reads "08/12/2026 14:05".
inline const Clock::time_point kShownAt = Clock::time_point(1796738700s);

inline std::string Text(const QLabel* label) {
    return FromQString(label->text());
}

// The main window's controls, found by their design names as a user's tools find them.
class MainControls {
public:
    QComboBox* Loja = nullptr;
    QLabel* LData = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label18 = nullptr;
    TDrumoEdit* ECNPJ = nullptr;
    QPushButton* Button2 = nullptr;
    QWidget* PageDefault = nullptr;
    QWidget* PageCadastro = nullptr;
    QLabel* Panel1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox = nullptr;
    QComboBox* qSituacao = nullptr;
    QPushButton* B_Listar = nullptr;
    QLabel* Label3 = nullptr;
    TGListView* gPedido = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* CancelarPedido1 = nullptr;
    QAction* DuplicarPedido1 = nullptr;
    QAction* VisualizarPedido1 = nullptr;
    QPushButton* B_Altera = nullptr;
    QPushButton* B_Novo = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* Numero = nullptr;
    QLabel* Emissao = nullptr;
    TFloatEdit* cProd = nullptr;
    QLabel* Descricao = nullptr;
    QLabel* UND = nullptr;
    QLabel* vUnit = nullptr;
    TFloatEdit* Qtd = nullptr;
    QLabel* vTotal = nullptr;
    QPushButton* B_Lancar = nullptr;
    TGListView* gProd = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* A1 = nullptr;
    QAction* ExcluirItem1 = nullptr;
    QLabel* Itens = nullptr;
    QLabel* VLNota = nullptr;
    QPushButton* B_Salva = nullptr;
    QPushButton* B_Cancela = nullptr;
    QPushButton* B_Volta = nullptr;
    QFrame* OBS = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;

    explicit MainControls(QWidget& window) : window_(window) {
        Find(Loja, "Loja");
        Find(LData, "LData");
        Find(Notebook1, "Notebook1");
        Find(Panel2, "Panel2");
        Find(Label18, "Label18");
        Find(ECNPJ, "ECNPJ");
        Find(Button2, "Button2");
        Find(PageDefault, "Default");
        Find(PageCadastro, "Cadastro");
        Find(Panel1, "Panel1");
        Find(Label4, "Label4");
        Find(ComboBox, "ComboBox");
        Find(qSituacao, "qSituacao");
        Find(B_Listar, "B_Listar");
        Find(Label3, "Label3");
        Find(gPedido, "gPedido");
        Find(PopupMenu2, "PopupMenu2");
        Find(CancelarPedido1, "CancelarPedido1");
        Find(DuplicarPedido1, "DuplicarPedido1");
        Find(VisualizarPedido1, "VisualizarPedido1");
        Find(B_Altera, "B_Altera");
        Find(B_Novo, "B_Novo");
        Find(BitBtn1, "BitBtn1");
        Find(Numero, "Numero");
        Find(Emissao, "Emissao");
        Find(cProd, "cProd");
        Find(Descricao, "Descricao");
        Find(UND, "UND");
        Find(vUnit, "vUnit");
        Find(Qtd, "Qtd");
        Find(vTotal, "vTotal");
        Find(B_Lancar, "B_Lancar");
        Find(gProd, "gProd");
        Find(PopupMenu1, "PopupMenu1");
        Find(A1, "A1");
        Find(ExcluirItem1, "ExcluirItem1");
        Find(Itens, "Itens");
        Find(VLNota, "VLNota");
        Find(B_Salva, "B_Salva");
        Find(B_Cancela, "B_Cancela");
        Find(B_Volta, "B_Volta");
        Find(OBS, "OBS");
        Find(Memo1, "Memo1");
        Find(Button1, "Button1");
    }

private:
    template <typename T> void Find(T*& control, const char* name) {
        control = window_.findChild<T*>(name);
        if (!control)
            ADD_FAILURE() << "the main window has no " << name;
    }
    QWidget& window_;
};

class CentralTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        configDir.Set(Dir().string());
        server.Route("pedidos.php?ID=", ScriptedServer::Ok("1021"));
        server.Route("filtro=ctro", ScriptedServer::Ok(orderList));
    }
    void TearDown() override {
        controls_.reset();
        window.reset();
        TempDirTest::TearDown();
    }

    static void WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string ReadFile(const std::string& name) { return ReadWholeFile(name); }

    // Config.Ini with these stores, the window built and shown, and the store at `chosen`
    // selected as the user would (a single store is selected by the start-up itself).
    void Start(std::vector<std::string> stores = {"34 - LOJA CENTRO", "35 - LOJA SUL",
                                                  "36 - LOJA NORTE"},
               int chosen = 0, const std::string& servidor = {}) {
        std::string ids;
        for (const auto& s : stores)
            ids += (ids.empty() ? "" : "|") + s;
        WriteFile("Config.Ini",
                  "[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=" + ids +
                      "\r\nSERVIDOR=" + (servidor.empty() ? server.HostPort() : servidor) + "\r\n");
        if (!catalogueRouted) {
            // Every accepted store check downloads the catalogue.
            std::string body;
            for (const auto& line : catalogue)
                body += line + ";";
            server.Route("filtro=itens", ScriptedServer::Ok(body));
            catalogueRouted = true;
        }
        window = std::make_unique<TFCentral>();
        window->show();
        if (stores.size() > 1 && chosen >= 0)
            Choose(chosen);
        Activate();
        if (!catalogue.empty())
            Catalogue(catalogue);
    }

    // The user picks a store in Loja.
    void Choose(int position) {
        Ui().Loja->setCurrentIndex(position);
        emit Ui().Loja->activated(position);
        Activate();
    }

    // The wait window of a store check or a list reload takes the activation while it is shown;
    // on a desktop the window manager gives it back when it closes, offscreen nobody does.
    void Activate() {
        if (window->isActiveWindow())
            return;
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // The catalogue file as the download would leave it. Set before Start, it is also what the
    // server hands out.
    void Catalogue(const std::vector<std::string>& lines) {
        catalogue = lines;
        std::string text;
        for (const auto& line : lines)
            text += line + "\r\n";
        WriteFile("Itens.Txt", text);
    }

    QWidget* Focused() const { return QApplication::focusWidget(); }
    void Key(int key) {
        ASSERT_NE(Focused(), nullptr);
        QTest::keyClick(Focused(), Qt::Key(key));
    }
    void Type(const QString& text) {
        ASSERT_NE(Focused(), nullptr);
        QTest::keyClicks(Focused(), text);
    }
    void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    // " Novo Pedido." clicked with the mouse; the focus then is in cProd.
    void NewOrder() {
        Activate();
        ASSERT_TRUE(Ui().B_Novo->isEnabled());
        Click(Ui().B_Novo);
        ASSERT_TRUE(window->IsCadastroShown());
    }

    // An item entered with the keyboard alone: code, Enter, quantity, Enter, Enter. An empty
    // quantity keeps the one the field shows.
    void EnterItem(const QString& code, const QString& quantity = {}) {
        Activate();
        QTest::mouseClick(Ui().cProd, Qt::LeftButton);
        ASSERT_EQ(Focused(), Ui().cProd);
        Ui().cProd->selectAll();
        Type(code);
        Key(Qt::Key_Return);
        ASSERT_EQ(Focused(), Ui().Qtd) << "the lookup did not find " << code.toStdString();
        if (!quantity.isEmpty())
            Type(quantity);
        Key(Qt::Key_Return);
        ASSERT_EQ(Focused(), Ui().B_Lancar);
        Key(Qt::Key_Return);
        ASSERT_EQ(Focused(), Ui().cProd);
    }

    // The rows of a list, each "|"-joined, ";" after each.
    static std::string Rows(const TGListView* list) {
        std::string out;
        for (int r = 1; r <= list->RowCount(); ++r) {
            const auto& cells = list->Rows().Row(r).cells;
            for (size_t c = 0; c < cells.size(); ++c)
                out += (c ? "|" : "") + cells[c];
            out += ";";
        }
        return out;
    }

    // Selects a row of a list with a mouse click on its first cell.
    static void ClickRow(TGListView* list, int row) {
        const QRect cell = list->visualRect(list->Model()->index(row - 1, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_EQ(list->SelectedRow(), row);
    }

    std::vector<RecordedBox>& Boxes() { return torvel::testing::Boxes(); }

    // Requests that the server got whose request line holds `needle`.
    std::vector<RecordedRequest> RequestsWith(const std::string& needle) const {
        std::vector<RecordedRequest> out;
        for (const auto& r : server.Requests())
            if (r.RequestLine().find(needle) != std::string::npos)
                out.push_back(r);
        return out;
    }

    std::string orderList = "557|Primeiro|Aberto|01/12/2026 10:00;"
                            "558|Segundo|Normal|02/12/2026 10:00;"
                            "559|Terceiro|Em Verificacao|03/12/2026 10:00;"
                            "560|Quarto|normal|04/12/2026 10:00";
    std::vector<std::string> catalogue;
    bool catalogueRouted = false;
    // The hooks, put back when the test ends; a test may move the clock with clock.Set.
    EnvGuard timeZone{"TZ", "UTC0"};
    ClockGuard clock{kShownAt};
    ConfigDirGuard configDir{""}; // the test's directory once it exists
    DefaultServerGuard defaultServer{""};
    RecordBoxesGuard recordBoxes{true};
    ScrollLockGuard scrollLock{false};
    ScriptedServer server;
    std::unique_ptr<TFCentral> window;

    // The controls of the window that `window` holds now.
    const MainControls& Ui() const {
        if (!controls_ || controlsOf_ != window.get()) {
            controls_.reset();
            controlsOf_ = window.get();
            if (window)
                controls_ = std::make_unique<MainControls>(*window);
        }
        return *controls_;
    }

private:
    mutable QPointer<TFCentral> controlsOf_;
    mutable std::unique_ptr<MainControls> controls_;
};

} // namespace torvel::test
