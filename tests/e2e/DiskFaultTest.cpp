// Nothing is lost on disk: every file the program writes, written through the window as the user
// would while the disk fails under it. A failed write must leave the directory exactly as it was
// (the former file whole, no temporary file), and the user must learn of it the way each action
// reports failures: an error box for the first-run file, the backup and the order file, silence
// for the catalogue download. A catalogue download that fails or is cut short leaves Itens.Txt
// as it was too.
#include "controls/drumoEdit.h"
#include "tests/support/CaseName.h"
#include "tests/support/CentralFixture.h"
#include "tests/support/ReadOnlyDir.h"

#include <QFrame>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace torvel::test {
namespace {

namespace fs = std::filesystem;

enum class Target { ConfigIni, Catalogue, Backup, OrderFile };
enum class Fault { FileSizeLimit, DirectoryInPlace, ReadOnlyDirectory, ReplyCutShort, ReplyError };

const char* Name(Target t) {
    static const char* const names[] = {"Config.Ini", "Itens.Txt", "GProd_0.Txt", "34+1021.Txt"};
    return names[int(t)];
}

const char* Name(Fault f) {
    static const char* const names[] = {"full disk (file-size limit)",
                                        "a directory in the file's place", "read-only directory",
                                        "reply cut short", "error status"};
    return names[int(f)];
}

// The reason the file layer gives for each fault.
// EACCES, or EPERM where the read-only directory is an immutable one (root).
int gReadOnlyErrno = EACCES;

int Errno(Fault f) {
    return f == Fault::FileSizeLimit      ? EFBIG
           : f == Fault::DirectoryInPlace ? EISDIR
                                          : gReadOnlyErrno;
}

const std::vector<std::string> kCatalogue = {"34|1050|TIO JOAO|ARROZ TIPO 1 5KG|R1|PCT|21.90|25.00",
                                             "34|2210|CAMIL|FEIJAO PRETO 1KG|R2|PCT|7.50|9.00"};

std::string CatalogueBody() {
    std::string body;
    for (const auto& line : kCatalogue)
        body += line + ";";
    return body;
}

std::string CatalogueFile() {
    std::string text;
    for (const auto& line : kCatalogue)
        text += line + "\r\n";
    return text;
}

// Every entry of a directory: a file with its bytes, or a directory.
using Snapshot = std::map<std::string, std::optional<std::string>>;
Snapshot Take(const fs::path& dir) {
    Snapshot out;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        out[name] =
            entry.is_directory() ? std::nullopt : std::optional<std::string>(ReadWholeFile(name));
    }
    return out;
}
std::string Describe(const Snapshot& s) {
    std::string out;
    for (const auto& [name, bytes] : s)
        out += name + (bytes ? " (" + std::to_string(bytes->size()) + " bytes)" : " (directory)") +
               "; ";
    return out;
}

// A disk that fills after a few bytes: the limit makes write() fail with EFBIG once the file
// reaches it (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

class DiskFaults : public CentralTest {
protected:
    // The window as the action finds it, each row in a directory of its own, against an order
    // server of its own.
    void Prepare(Target target, Fault fault, ScriptedServer& rowServer) {
        rowServer.Route("pedidos.php?ID=", ScriptedServer::Ok("1021"));
        rowServer.Route("filtro=ctro", ScriptedServer::Ok(orderList));
        ServerReply catalogueReply = ScriptedServer::Ok(CatalogueBody());
        if (fault == Fault::ReplyCutShort) {
            // The header promises the whole body; the connection closes half-way through it.
            catalogueReply.cutAt = catalogueReply.bytes.size() - CatalogueBody().size() / 2;
        } else if (fault == Fault::ReplyError) {
            catalogueReply.bytes =
                ScriptedServer::Reply("HTTP/1.1 500 Internal Server Error", CatalogueBody());
        }
        rowServer.Route("filtro=itens", catalogueReply);
        rowServer.Route("upload.php", ScriptedServer::Ok("OK"));
        catalogueRouted = true; // the fixture's own server is not used here
        defaultServer.Set(rowServer.HostPort());
        WriteFile("Itens.Txt", CatalogueFile());

        switch (target) {
        case Target::ConfigIni:
            // First run: no Config.Ini, the panel asks for the document number.
            window = std::make_unique<TFCentral>();
            window->show();
            Activate();
            ASSERT_TRUE(Ui().Panel2->isVisible());
            QTest::mouseClick(Ui().ECNPJ, Qt::LeftButton);
            Type("12345678000195");
            break;
        case Target::Catalogue:
            Start({"34 - LOJA CENTRO"}, 0, rowServer.HostPort());
            // What an earlier download left, unlike what the server hands out now.
            WriteFile("Itens.Txt", "34|9|FORMER|FORMER PRODUCT|R|UN|1.00|2.00\r\n");
            break;
        case Target::Backup:
            Start({"34 - LOJA CENTRO"}, 0, rowServer.HostPort());
            NewOrder();
            EnterItem("1050", "2"); // GProd_0.Txt holds this one row
            ASSERT_EQ(ReadFile("GProd_0.Txt"), "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80\r\n");
            break;
        case Target::OrderFile:
            Start({"34 - LOJA CENTRO"}, 0, rowServer.HostPort());
            NewOrder();
            EnterItem("1050", "2");
            WriteFile("34+1021.Txt", "1|77|FROM AN EARLIER SEND|1,00|1|1,00\r\nOBS||x\r\n");
            break;
        }
        ASSERT_EQ(window->Session().UserId, target == Target::ConfigIni ? 0 : 1021);
        if (fault == Fault::DirectoryInPlace) {
            fs::remove(Name(target));
            fs::create_directory(Name(target));
        }
    }

    // The user's action that writes the file.
    void Act(Target target) {
        switch (target) {
        case Target::ConfigIni:
            Click(Ui().Button2);
            break;
        case Target::Catalogue:
            Choose(0); // the store chosen again: checked, listed, catalogue downloaded
            break;
        case Target::Backup:
            EnterItem("2210", "3");
            break;
        case Target::OrderFile:
            Click(Ui().B_Salva);
            break;
        }
    }

    // What the user sees of the failure.
    void CheckSeen(Target target, Fault fault, const ScriptedServer& rowServer,
                   size_t requestsBefore) {
        const std::vector<RecordedBox> boxes = Boxes();
        if (target == Target::Catalogue) {
            EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
            // The download was tried, and the store check went on as usual.
            ASSERT_GT(rowServer.Requests().size(), requestsBefore);
            EXPECT_NE(rowServer.Requests().back().RequestLine().find("filtro=itens"),
                      std::string::npos);
            EXPECT_TRUE(Ui().B_Novo->isEnabled());
            return;
        }
        const std::string path = target == Target::ConfigIni
                                     ? ConfigDirectory() + "/" + Name(target)
                                     : std::string(Name(target));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "UniTorvel");
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_EQ(boxes[0].text.toStdString(),
                  "Cannot create file \"" + path + "\". " + std::strerror(Errno(fault)) + ".");
        switch (target) {
        case Target::ConfigIni:
            // Nothing loaded: the panel stays for another try, nothing was asked of the server.
            EXPECT_TRUE(Ui().Panel2->isVisible());
            EXPECT_EQ(Ui().Loja->count(), 0);
            EXPECT_EQ(rowServer.Requests().size(), requestsBefore);
            break;
        case Target::Backup:
            // The failure comes after the row was entered and the entry cleared.
            EXPECT_EQ(Rows(Ui().gProd), "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80;"
                                        "2|2210|FEIJAO PRETO 1KG|7,50|3|22,50;");
            EXPECT_EQ(Text(Ui().Itens), "2");
            EXPECT_EQ(Ui().cProd->Text(), "");
            break;
        case Target::OrderFile:
            // Stopped before the upload; the order stays in the editor, the button disabled.
            EXPECT_EQ(rowServer.Requests().size(), requestsBefore);
            EXPECT_FALSE(Ui().B_Salva->isEnabled());
            EXPECT_TRUE(window->IsCadastroShown());
            EXPECT_EQ(Ui().gProd->RowCount(), 1);
            break;
        default:
            break;
        }
    }

    // The first-run panel, once the disk is sound again, saves on the next click.
    void CheckSecondTry(const fs::path& rowDir) {
        Boxes().clear();
        Click(Ui().Button2);
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(ReadWholeFile((rowDir / "Config.Ini").string()),
                  "[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\n");
        EXPECT_FALSE(Ui().Panel2->isVisible());
        EXPECT_EQ(window->Session().UserId, 1021);
    }
};

struct Row {
    Target target;
    Fault fault;
};

std::vector<Row> AllRows() {
    std::vector<Row> rows;
    for (Target target : {Target::ConfigIni, Target::Catalogue, Target::Backup, Target::OrderFile})
        for (Fault fault :
             {Fault::FileSizeLimit, Fault::DirectoryInPlace, Fault::ReadOnlyDirectory})
            rows.push_back({target, fault});
    rows.push_back({Target::Catalogue, Fault::ReplyCutShort});
    rows.push_back({Target::Catalogue, Fault::ReplyError});
    return rows;
}

class DiskFaultRow : public DiskFaults, public ::testing::WithParamInterface<Row> {};

TEST_P(DiskFaultRow, AFailedWriteLeavesTheDirectoryAsItWas) {
    const Row row = GetParam();
    if (row.fault == Fault::ReadOnlyDirectory) {
        // Root is bound by no permission; it gets an immutable directory where that can be set.
        const fs::path probe = Dir() / "probe";
        fs::create_directory(probe);
        bool canReadOnly = false;
        {
            const ReadOnlyDir readOnly(probe);
            canReadOnly = readOnly.Active();
            gReadOnlyErrno = readOnly.RefusalErrno();
        }
        fs::remove(probe);
        if (!canReadOnly)
            GTEST_SKIP() << "a directory cannot be made read-only for this user here";
    }
    ScriptedServer rowServer;
    ASSERT_NO_FATAL_FAILURE(Prepare(row.target, row.fault, rowServer));
    Boxes().clear();
    const Snapshot before = Take(Dir());
    const size_t requestsBefore = rowServer.Requests().size();
    {
        std::optional<FileSizeLimit> full;
        std::optional<ReadOnlyDir> readOnly;
        if (row.fault == Fault::FileSizeLimit)
            full.emplace(16); // every new content is longer
        if (row.fault == Fault::ReadOnlyDirectory)
            readOnly.emplace(Dir());
        Act(row.target);
    }
    const Snapshot after = Take(Dir());
    EXPECT_EQ(after, before) << "before: " << Describe(before) << "\nafter: " << Describe(after);
    CheckSeen(row.target, row.fault, rowServer, requestsBefore);
    if (row.target == Target::ConfigIni) {
        if (row.fault == Fault::DirectoryInPlace)
            fs::remove("Config.Ini");
        CheckSecondTry(Dir());
    }
    window.reset();
}

std::string RowName(const ::testing::TestParamInfo<Row>& info) {
    static const char* const targets[] = {"config", "catalogue", "backup", "order file"};
    return CaseName(std::string(targets[int(info.param.target)]) + " " + Name(info.param.fault));
}

INSTANTIATE_TEST_SUITE_P(DiskFaults, DiskFaultRow, ::testing::ValuesIn(AllRows()), RowName);

} // namespace
} // namespace torvel::test
