// What the server's replies turn into: the rows of the order list and the bytes of the
// catalogue file, and what stays when a reply does not come.
#include "tests/support/ShellFixture.h"

#include <QAbstractItemModelTester>
#include <filesystem>

namespace torvel::test {
namespace {

using namespace std::string_literals;

ServerReply CutShort(const std::string& body) {
    ServerReply r = ScriptedServer::Ok(body);
    r.cutAt = r.bytes.size() - body.size() / 2;
    return r;
}
ServerReply NoReply() {
    ServerReply r;
    r.closeAfter = true;
    return r;
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
        ASSERT_EQ(Rows(window->gPedido), former + ";");

        QAbstractItemModelTester tester(window->gPedido->Model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Click(window->B_Listar);
        EXPECT_EQ(Rows(window->gPedido), c.rows);
        EXPECT_EQ(Targets(s).back(), ListTarget("1021", "34", "&Emissao=12"));
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        EXPECT_EQ(WaitWindow(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        window.reset();
    }
}

TEST_F(Shell, CatalogueBodiesBecomeTheFile) {
    const std::string former = "34|1|VELHO|VELHO|R|UN|1.00|1.00\r\n";
    const std::string two = "1|10|M|N|R|UN|1.50|2.00\r\n1|11|M|P|S|CX|3.00|4.00\r\n";
    struct Case {
        const char* name;
        ServerReply reply;
        std::string file;
    } cases[] = {
        {"records ended by ;",
         ScriptedServer::Ok("1|10|M|N|R|UN|1.50|2.00;1|11|M|P|S|CX|3.00|4.00"), two},
        {"records ended by CR LF",
         ScriptedServer::Ok("1|10|M|N|R|UN|1.50|2.00\r\n1|11|M|P|S|CX|3.00|4.00\r\n"), two},
        {"a trailing ;", ScriptedServer::Ok("1|10|M|N|R|UN|1.50|2.00;1|11|M|P|S|CX|3.00|4.00;"),
         two},
        {";; makes an empty line", ScriptedServer::Ok("a|1;;b|2"), "a|1\r\n\r\nb|2\r\n"},
        {"; and LF make one end, as CR LF do", ScriptedServer::Ok("a|1;\nb|2"), "a|1\r\nb|2\r\n"},
        {"LF and ; make two", ScriptedServer::Ok("a|1\n;b|2"), "a|1\r\n\r\nb|2\r\n"},
        {"lone CR and LF", ScriptedServer::Ok("a\rb\nc"), "a\r\nb\r\nc\r\n"},
        {"a NUL ends the catalogue", ScriptedServer::Ok("a|1;b|2\0;c|3"s), "a|1\r\nb|2\r\n"},
        {"a lone ;", ScriptedServer::Ok(";"), "\r\n"},
        {"an empty body", ScriptedServer::Ok(""), ""},
        {"bytes as they came", ScriptedServer::Ok("34|7|P\xC3\xA3O|A\xE7\xFA\x63\x61r|R|UN|1|1"),
         "34|7|P\xC3\xA3O|A\xE7\xFA\x63\x61r|R|UN|1|1\r\n"},
        {"an error status", ErrorReply("HTTP/1.1 404 Not Found", "a|1"), former},
        {"a reply cut short", CutShort("a|1;b|2;c|3;d|4"), former},
        {"no reply", NoReply(), former},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes().clear();
        WriteFile("Itens.Txt", former);
        ScriptedServer s;
        s.Route("?ID=", ScriptedServer::Ok("1021"));
        s.Route("filtro=ctro", ScriptedServer::Ok(""));
        s.Route("filtro=itens", c.reply);
        Build("34 - LOJA CENTRO", s);

        EXPECT_EQ(ReadFile("Itens.Txt"), c.file);
        EXPECT_EQ(Targets(s).back(), CatalogueTarget("1021", "34"));
        // The store check ends as accepted whatever became of the download.
        EXPECT_TRUE(window->B_Novo->isEnabled());
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        EXPECT_EQ(WaitWindow(), nullptr);
        window.reset();
        // Nothing half-written is left behind.
        for (const auto& entry : std::filesystem::directory_iterator(Dir()))
            EXPECT_EQ(entry.path().filename().string().rfind(".Itens", 0), std::string::npos)
                << entry.path();
    }
}

TEST_F(Shell, ACatalogueThatCannotBeWrittenIsPassedOverInSilence) {
    std::filesystem::create_directory("Itens.Txt");
    ScriptedServer s;
    Accepting(s);
    Build("34 - LOJA CENTRO", s);
    EXPECT_TRUE(std::filesystem::is_directory("Itens.Txt"));
    EXPECT_TRUE(window->B_Novo->isEnabled());
    EXPECT_EQ(Rows(window->gPedido), "557|A|Aberto|01/12/2026;");
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
}

} // namespace
} // namespace torvel::test
