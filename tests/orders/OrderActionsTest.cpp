// The order list's popup actions: cancel an order on the server, duplicate or view it in the
// editor.
#include "tests/support/CentralFixture.h"

#include <optional>

namespace torvel::test {
namespace {

const std::string kTwoRecords = "1|1050|x|x|x|2|x|21,90|43,80;2|2210|x|x|x|3|x|7,50|22,50";

class OrderActions : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        catalogue = {"34|1050|M|ARROZ VELHO|R|PCT|20.00|1",
                     "36|1050|M|ARROZ TIPO 1 5KG|R|PCT|21.90|1",
                     "35|2210|M|FEIJAO PRETO 1KG|R|PCT|7.50|1"};
        server.Route("filtro=update", ScriptedServer::Ok("OK"));
        server.Route("Pedido=557&", ScriptedServer::Ok(kTwoRecords));
        server.Route("Pedido=558&", ScriptedServer::Ok("1|1050|x|x|x|2|x|21,90|43,80;"
                                                       "2|2210|x|x|x|3|x|7,50|"));
        server.Route("Pedido=559&", ScriptedServer::Ok(""));
        server.Route("Pedido=560&", ServerReply{ScriptedServer::Reply(
                                        "HTTP/1.1 500 Internal Server Error", "no")});
        server.Route("Pedido=561&", ScriptedServer::Ok("5|1050|x|x|x|1|x|21,90|21,90;"
                                                       "9|2210|x|x|x|1|x|7,50|7,50;"));
        server.Route("Pedido=&", ScriptedServer::Ok(""));
        Start({"34 - LOJA CENTRO"});
        ASSERT_EQ(Ui().gPedido->RowCount(), 4);
    }
    void Select(int row) {
        if (row == 0)
            Ui().gPedido->SelectRow(0);
        else
            ClickRow(Ui().gPedido, row);
    }
};

TEST_F(OrderActions, CancelOnlyWhatMayBeCancelled) {
    struct Case {
        int row;                          // 0: none selected
        std::optional<std::string> valor; // the request sent, if any
    } cases[] = {
        {0, std::nullopt},    // no order
        {2, std::nullopt},    // "Normal"
        {3, std::nullopt},    // "Em Verificacao"
        {4, "1021-560-2-34"}, // "normal": the comparison is exact
        {1, "1021-557-2-34"}, // "Aberto"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        Boxes().clear();
        const size_t updates = RequestsWith("filtro=update").size();
        const size_t lists = RequestsWith("filtro=ctro").size();
        Select(c.row);
        Ui().CancelarPedido1->trigger();
        if (!c.valor) {
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0].title, "UniTorvel");
            EXPECT_EQ(Boxes()[0].text, "Nao pode Ser Cancelado ");
            EXPECT_EQ(Boxes()[0].icon, QMessageBox::NoIcon);
            EXPECT_EQ(RequestsWith("filtro=update").size(), updates);
            EXPECT_EQ(RequestsWith("filtro=ctro").size(), lists);
        } else {
            EXPECT_TRUE(Boxes().empty());
            const auto sent = RequestsWith("filtro=update");
            ASSERT_EQ(sent.size(), updates + 1);
            EXPECT_EQ(sent.back().Target(),
                      "/api/torvel/pedidos.php?filtro=update&valor=" + *c.valor);
            EXPECT_EQ(RequestsWith("filtro=ctro").size(), lists + 1); // reloaded, no wait window
        }
        EXPECT_FALSE(window->IsCadastroShown());
    }
}

TEST_F(OrderActions, DuplicateAndViewFillTheEditor) {
    struct Case {
        const char* name;
        int row;
        bool duplicate;
        std::string rows, count, total;
        const char* failure; // start of the error box text
    } cases[] = {
        {"duplicate", 1, true,
         "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80;2|2210|FEIJAO PRETO 1KG|7,50|3|22,50;", "2",
         "66,30", nullptr},
        {"view", 1, false,
         "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80;2|2210|FEIJAO PRETO 1KG|7,50|3|22,50;", "2",
         "66,30", nullptr},
        {"a short record", 2, false, "1|1050||21,90|2|43,80;", "1", "43,80",
         "List index out of bounds (8)"},
        {"an empty reply", 3, true, "", "0", "0,00", nullptr},
        {"a failing request", 4, true, "", "0", "0,00", "HTTP/1.1 500"},
        {"no order selected", 0, true, "", "0", "0,00", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Click(Ui().B_Volta);
        Ui().gProd->AddRow("9|9|OLD|1,00|1|1,00", -1);
        Ui().B_Lancar->setEnabled(!c.duplicate);
        Ui().B_Salva->setEnabled(!c.duplicate);
        Boxes().clear();
        const size_t fetches = RequestsWith("pedidos_1.php").size();
        Select(c.row);
        (c.duplicate ? Ui().DuplicarPedido1 : Ui().VisualizarPedido1)->trigger();

        const auto sent = RequestsWith("pedidos_1.php");
        ASSERT_EQ(sent.size(), fetches + 1);
        const std::string doc = c.row ? Ui().gPedido->GetCell(1, c.row) : "";
        EXPECT_EQ(sent.back().Target(), "/api/torvel/pedidos_1.php?Pedido=" + doc + "&CTRO=34");
        EXPECT_EQ(Rows(Ui().gProd), c.rows);
        EXPECT_EQ(Text(Ui().Itens), c.count);
        EXPECT_EQ(Text(Ui().VLNota), c.total);
        EXPECT_TRUE(window->IsCadastroShown());
        EXPECT_EQ(Ui().B_Lancar->isEnabled(), c.duplicate);
        EXPECT_EQ(Ui().B_Salva->isEnabled(), c.duplicate);
        EXPECT_EQ(Ui().Numero->text(), "Novo");
        if (c.failure) {
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
            EXPECT_TRUE(Boxes()[0].text.startsWith(c.failure)) << Boxes()[0].text.toStdString();
        } else {
            EXPECT_TRUE(Boxes().empty());
        }
    }
    // After a view, " Cancelar Pedido" empties the list and enables entering and sending.
    Click(Ui().B_Volta);
    Select(1);
    Ui().VisualizarPedido1->trigger();
    Click(Ui().B_Cancela);
    EXPECT_EQ(Ui().gProd->RowCount(), 0);
    EXPECT_TRUE(Ui().B_Lancar->isEnabled());
    EXPECT_TRUE(Ui().B_Salva->isEnabled());
}

TEST_F(OrderActions, ItemsAfterADuplicateAreNumberedOnFromTheRowCount) {
    NewOrder();
    ASSERT_NO_FATAL_FAILURE(EnterItem("1050", "1"));
    ClickRow(Ui().gProd, 1);
    Ui().A1->trigger();
    ASSERT_EQ(Ui().cProd->Text(), "1050"); // row 1 is being altered
    const bool storeHeld = !Ui().Loja->isEnabled();

    Click(Ui().B_Volta);
    Ui().gPedido->AddRow("561|Quinto|Aberto|05/12/2026 10:00", -1);
    ClickRow(Ui().gPedido, 5);
    Ui().DuplicarPedido1->trigger();
    ASSERT_EQ(Ui().gProd->RowCount(), 2);
    EXPECT_EQ(!Ui().Loja->isEnabled(), storeHeld);

    // Looked up in the chosen store's records only.
    ASSERT_NO_FATAL_FAILURE(EnterItem("1050", "2"));
    EXPECT_EQ(Rows(Ui().gProd), "5|1050|ARROZ TIPO 1 5KG|21,90|1|21,90;"
                                "9|2210|FEIJAO PRETO 1KG|7,50|1|7,50;"
                                "3|1050|ARROZ VELHO|20,00|2|40,00;");
    EXPECT_EQ(Text(Ui().VLNota), "69,40");
}

} // namespace
} // namespace torvel::test
