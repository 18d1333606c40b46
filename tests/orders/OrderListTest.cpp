// The order list page's handlers: the filters that go into the query when listed, and the rows
// that the server's replies turn into (and what stays when a reply does not come).
#include "tests/support/ShellFixture.h"

#include <QAbstractItemModelTester>

namespace torvel::test {
namespace {

using namespace std::string_literals;

TEST_F(Shell, TheListFiltersGoIntoTheQueryOnlyWhenListed) {
    struct Case {
        int month, situation;
        std::string filter;
    } cases[] = {
        {2, 2, "&Emissao=3&Situacao=2"}, {11, 3, "&Emissao=12"},          {12, 3, ""},
        {12, 0, "&Situacao=0"},          {0, 1, "&Emissao=1&Situacao=1"},
    };
    ScriptedServer s;
    Accepting(s);
    ASSERT_NO_FATAL_FAILURE(StartAccepted(s));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        const size_t before = s.Requests().size();
        Ui().ComboBox->setCurrentIndex(c.month);
        Ui().qSituacao->setCurrentIndex(c.situation);
        QCoreApplication::processEvents();
        EXPECT_EQ(s.Requests().size(), before) << "a filter change reloaded the list";
        Click(Ui().B_Listar);
        ASSERT_EQ(s.Requests().size(), before + 1);
        EXPECT_EQ(Targets(s).back(), ListTarget("1021", "34", c.filter));
    }
}

TEST_F(Shell, ListRepliesBecomeRows) {
    const std::string former = "1|antigo|Aberto|01/12/2026;2|antigo|Normal|02/12/2026";
    struct Case {
        const char* name;
        ServerReply reply;
        std::string rows;
    } cases[] = {
        {"records ended by ;, an empty field",
         ScriptedServer::Ok("101|Entregar cedo|Normal|05/03/2024;102||Cancelado|06/03/2024;"),
         "101|Entregar cedo|Normal|05/03/2024;102||Cancelado|06/03/2024;"},
        {"blanks and a line break around a record",
         ScriptedServer::Ok("  101|A|Normal|01/01/2024 \r\n"), "101|A|Normal|01/01/2024;"},
        {"records ended by line breaks", ScriptedServer::Ok("1|a|b|c\n2|d|e|f\r3|g|h|i"),
         "1|a|b|c;2|d|e|f;3|g|h|i;"},
        {"an empty record in the middle", ScriptedServer::Ok("1|a|b|c;;2|d|e|f"),
         "1|a|b|c;;2|d|e|f;"},
        {"a record of blanks", ScriptedServer::Ok("1|a|b|c; \t ;2|d|e|f"), "1|a|b|c;;2|d|e|f;"},
        {"fields after the fourth and an empty last one", ScriptedServer::Ok("1|a|b|c|x|"),
         "1|a|b|c|x|;"},
        {"a NUL ends the body", ScriptedServer::Ok("1|a|b|c\0;2|d|e|f"s), "1|a|b|c;"},
        {"an error page", ScriptedServer::Ok("<html><b>Erro</b></html>"),
         "<html><b>Erro</b></html>;"},
        {"an empty body", ScriptedServer::Ok(""), ""},
        {"an error status", ErrorReply("HTTP/1.1 500 Internal Server Error", "9|x|y|z"),
         former + ";"},
        {"a reply cut short", CutShort("9|x|y|z;8|x|y|z"), former + ";"},
        {"no reply", NoReply(), former + ";"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes().clear();
        ScriptedServer s;
        s.Route("?ID=", ScriptedServer::Ok("1021"));
        s.Route("filtro=itens", ScriptedServer::Ok(""));
        s.Answer(ScriptedServer::Ok(former)); // the list of the store check
        s.Answer(c.reply);                    // the list of " Listar"
        ASSERT_NO_FATAL_FAILURE(StartAccepted(s));
        ASSERT_EQ(Rows(Ui().gPedido), former + ";");

        QAbstractItemModelTester tester(Ui().gPedido->Model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Click(Ui().B_Listar);
        EXPECT_EQ(Rows(Ui().gPedido), c.rows);
        EXPECT_EQ(Targets(s).back(), ListTarget("1021", "34", "&Emissao=12"));
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        EXPECT_EQ(WaitWindow(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        window.reset();
    }
}

} // namespace
} // namespace torvel::test
