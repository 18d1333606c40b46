// The catalogue download after an accepted store check: the bytes of the catalogue file that
// the server's bodies turn into, and what stays when a reply does not come or cannot be written.
#include "tests/support/ShellFixture.h"

#include <filesystem>

namespace torvel::test {
namespace {

using namespace std::string_literals;

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
        EXPECT_TRUE(Ui().B_Novo->isEnabled());
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
    EXPECT_TRUE(Ui().B_Novo->isEnabled());
    EXPECT_EQ(Rows(Ui().gPedido), "557|A|Aberto|01/12/2026;");
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
}

} // namespace
} // namespace torvel::test
