// The backup files of the order being composed, through the editor's buttons.
#include "tests/support/CentralFixture.h"

#include <filesystem>
#include <set>

namespace torvel::test {
namespace {

const std::vector<std::string> kCatalogue = {
    "34|1050|TIO JOAO|ARROZ|R1|PCT|21.90|25.00", "34|10|M|DEZ|R|UN|10.00|1",
    "35|1050|TIO JOAO|ARROZ SUL|R1|PCT|22.00|25.00", "35|20|M|VINTE|R|UN|20.00|1",
    "36|30|M|TRINTA|R|UN|30.00|1"};

class OrderBackup : public CentralTest {
protected:
    std::set<std::string> BackupFiles() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Dir())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("GProd_", 0) == 0)
                names.insert(name);
        }
        return names;
    }
    void StartAt(int store) {
        catalogue = kCatalogue;
        Start({"34 - LOJA CENTRO", "35 - LOJA SUL", "36 - LOJA NORTE"}, store);
    }
    size_t RecoveryBoxes() const {
        size_t n = 0;
        for (const auto& box : torvel::testing::Boxes())
            n += box.title == QString::fromUtf8("A T E N Ç Ã O") &&
                 box.text == "Recuperar  Pedido" && box.icon == QMessageBox::Warning;
        return n;
    }
};

TEST_F(OrderBackup, WrittenAfterEveryItemForTheChosenStore) {
    struct Case {
        int store;
        const char* earlier; // a backup file left from before
        std::vector<const char*> codes;
        std::set<std::string> files;
        const char* file;
        std::string content;
    } cases[] = {
        {0,
         nullptr,
         {"1050", "10"},
         {"GProd_0.Txt"},
         "GProd_0.Txt",
         "1|1050|ARROZ|21,90|1|21,90\r\n2|10|DEZ|10,00|1|10,00\r\n"},
        {1, "GProd_0.Txt", {"20"}, {"GProd_1.Txt"}, "GProd_1.Txt", "1|20|VINTE|20,00|1|20,00\r\n"},
        {2, "GProd_1.Txt", {"30"}, {"GProd_2.Txt"}, "GProd_2.Txt", "1|30|TRINTA|30,00|1|30,00\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        for (const auto& name : BackupFiles())
            std::filesystem::remove(Dir() / name);
        window.reset();
        StartAt(c.store);
        NewOrder(); // before the earlier file exists: nothing is offered
        if (c.earlier)
            WriteFile(c.earlier, "1|9|OLD|1,00|1|1,00\r\n");
        for (const char* code : c.codes)
            ASSERT_NO_FATAL_FAILURE(EnterItem(code));
        EXPECT_EQ(BackupFiles(), c.files);
        EXPECT_EQ(ReadFile(c.file), c.content);
    }
    EXPECT_EQ(RecoveryBoxes(), 0u);
}

TEST_F(OrderBackup, ACancelledOrderComesBackWithItsStore) {
    StartAt(1);
    NewOrder();
    ASSERT_NO_FATAL_FAILURE(EnterItem("20", "2"));
    ASSERT_NO_FATAL_FAILURE(EnterItem("1050"));
    Click(Ui().B_Cancela);
    ASSERT_EQ(Ui().gProd->RowCount(), 0);
    Choose(0); // the user changes store meanwhile
    ASSERT_EQ(window->Session().Ctro, "34");
    const size_t checksBefore = RequestsWith("CTRO=35").size();

    NewOrder();
    EXPECT_EQ(RecoveryBoxes(), 1u);
    EXPECT_EQ(Rows(Ui().gProd), "1|20|VINTE|20,00|2|40,00|;2|1050|ARROZ SUL|22,00|1|22,00|;");
    EXPECT_EQ(Text(Ui().VLNota), "62,00");
    EXPECT_EQ(Text(Ui().Itens), "2");
    // The order goes on under its own store: the store check ran for it.
    EXPECT_EQ(Ui().Loja->currentIndex(), 1);
    EXPECT_EQ(window->Session().Ctro, "35");
    EXPECT_GT(RequestsWith("pedidos.php?ID=12.345.678/0001-95&CTRO=35").size(), 0u);
    EXPECT_GT(RequestsWith("CTRO=35").size(), checksBefore);
    // So its codes are looked up in that store's catalogue.
    ASSERT_NO_FATAL_FAILURE(EnterItem("1050"));
    EXPECT_EQ(Ui().gProd->GetCell(3, 3), "ARROZ SUL");
    EXPECT_EQ(BackupFiles(), std::set<std::string>{"GProd_1.Txt"});
}

TEST_F(OrderBackup, RestoredRowsGainAnEmptyCellPerCycle) {
    StartAt(0);
    WriteFile("GProd_0.Txt", "7|1050|ARROZ|21,90|2|43,80\r\n9|10|DEZ|10,00|1|10,00\r\n");
    const std::string lines[] = {
        "7|1050|ARROZ|21,90|2|43,80|\r\n9|10|DEZ|10,00|1|10,00|\r\n",
        "7|1050|ARROZ|21,90|2|43,80||\r\n9|10|DEZ|10,00|1|10,00||\r\n",
    };
    for (const std::string& expected : lines) {
        NewOrder();
        // The file's item numbers stay; the total is that of the restored rows.
        EXPECT_EQ(Ui().gProd->GetCell(1, 2), "9");
        EXPECT_EQ(Text(Ui().VLNota), "53,80");
        ASSERT_NO_FATAL_FAILURE(EnterItem("10"));
        EXPECT_EQ(Ui().gProd->GetCell(1, 3), "3");
        ClickRow(Ui().gProd, 3);
        Ui().ExcluirItem1->trigger();
        // The deletion renumbers; the file still holds the deleted item.
        EXPECT_EQ(Ui().gProd->GetCell(1, 2), "2");
        EXPECT_EQ(ReadFile("GProd_0.Txt"), expected + "3|10|DEZ|10,00|1|10,00\r\n");
        // So a new order brings it back.
        NewOrder();
        EXPECT_EQ(Ui().gProd->RowCount(), 3);
        EXPECT_EQ(Ui().gProd->GetCell(1, 3), "3");
        Click(Ui().B_Cancela);
        WriteFile("GProd_0.Txt", expected);
    }
}

TEST_F(OrderBackup, OnlyTheFirstTwoStoresAreOffered) {
    StartAt(2);
    WriteFile("GProd_2.Txt", "1|30|TRINTA|30,00|1|30,00\r\n");
    NewOrder();
    EXPECT_EQ(RecoveryBoxes(), 0u);
    EXPECT_EQ(Ui().gProd->RowCount(), 0);
    // With both, the second store's file is the one offered.
    WriteFile("GProd_0.Txt", "1|10|DEZ|10,00|1|10,00\r\n");
    WriteFile("GProd_1.Txt", "1|20|VINTE|20,00|1|20,00\r\n");
    NewOrder();
    EXPECT_EQ(RecoveryBoxes(), 1u);
    EXPECT_EQ(Rows(Ui().gProd), "1|20|VINTE|20,00|1|20,00|;");
    EXPECT_EQ(window->Session().Ctro, "35");
}

TEST_F(OrderBackup, AFailedWriteKeepsTheOtherCopy) {
    StartAt(1);
    NewOrder();
    WriteFile("GProd_0.Txt", "1|10|DEZ|10,00|1|10,00\r\n");
    std::filesystem::create_directories("GProd_1.Txt/x"); // cannot be replaced by a file
    EnterItem("20");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(Boxes()[0].text.startsWith("Cannot create file \"GProd_1.Txt\"."))
        << Boxes()[0].text.toStdString();
    // The item is in, the entry cleared, and the copy that existed is still there.
    EXPECT_EQ(Ui().gProd->RowCount(), 1);
    EXPECT_EQ(Ui().cProd->Text(), "");
    EXPECT_EQ(ReadFile("GProd_0.Txt"), "1|10|DEZ|10,00|1|10,00\r\n");
}

} // namespace
} // namespace torvel::test
