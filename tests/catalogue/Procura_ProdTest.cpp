// The product search window driven through real keys and clicks, headless.
#include "catalogue/Procura_Prod.h"
#include "controls/Colors.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "tests/support/DialogGuards.h"
#include "tests/support/TempDir.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace torvel::test {
namespace {

using Ids = std::vector<std::string>;

// Seventy characters; only the first sixty are kept.
const std::string kLongName = "NOME COMPRIDO " + std::string(46, 'X') + "FIM DO NOME";

const std::vector<std::string> kCatalogue = {
    "34|101|Nestle|CAFE PILAO 500G|AB-12|UN|12.50|15.00",
    "34|102|Pilao|Cafe Melitta 250G|ab-12|PC|8.90|10.00",
    "34|103|neve|CAFETEIRA ELETRICA|XZ-1|UN|99.00|120.00",
    "34|104|Parmalat|Leite Integral 1L|L1|CX|4.50|5.00",
    "34|105|Italac|leite desnatado|L2|CX|4.30|5.00",
    "34|106|NEGRESCO|DOCE DE LEITE|AB|UN|7.00|8.00",
    "34|7|Marca|PRODUTO SETE|R7|UN|1.00|1.00",
    "34|77|Marca|PRODUTO SETENTA E SETE|R77|UN|1.00|1.00",
    "34|0077|Marca|PRODUTO ZERO ZERO SETE SETE|R0077|UN|1.00|1.00",
    "34|107|Uni\xE3o|A\xE7\xFA"
    "car Refinado 1KG|AC1|KG|4.00|5.00",
    "34|108|Guarani|A\xC7\xDA"
    "CAR MASCAVO|AC2|KG|6.00|7.00",
    "34|109|Marca|PAO D'AGUA|PD|UN|0.50|0.60",
    "34|12345678901234|Marca|ITEM DE CODIGO LONGO|IL|UN|2.00|3.00",
    "34|110|Marca|" + kLongName + "|NL|UN|1.00|1.00",
    // Other stores: never listed in store 34, not even the one whose id starts the same.
    "35|201|Nestle|CAFE DA OUTRA LOJA|AB-99|UN|1.00|1.00",
    "340|301|Nestle|CAFE DA LOJA 340|AB-98|UN|1.00|1.00",
};

void WriteCatalogue(const std::vector<std::string>& lines) {
    std::ofstream out("Itens.Txt", std::ios::binary);
    for (const auto& line : lines)
        out << line << "\r\n";
}

class ProcuraProdTest : public TempDirTest {
protected:
    void TearDown() override {
        window.reset();
        TempDirTest::TearDown();
    }

    // The window for store 34, shown and active, over this catalogue (none: no file).
    void Open(const std::vector<std::string>* lines = &kCatalogue,
              const std::string& store = "34") {
        if (lines)
            WriteCatalogue(*lines);
        window = std::make_unique<TFProcura_Prod>();
        tester = std::make_unique<QAbstractItemModelTester>(
            window->gLista->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        window->StoreId = store;
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents();
    }

    // Types a script into whatever has the focus: plain characters are typed, {Name} presses a
    // key ({KP7} is 7 on the keypad). Queued events run after every key, as between the keys
    // of a real user.
    void Keys(const QString& script) {
        for (qsizetype i = 0; i < script.size(); ++i) {
            QWidget* target = QApplication::focusWidget();
            if (!target)
                target = QApplication::activeWindow();
            ASSERT_NE(target, nullptr) << "nothing takes the keys at " << i;
            if (script[i] == '{') {
                const qsizetype close = script.indexOf('}', i);
                const QString name = script.mid(i + 1, close - i - 1);
                i = close;
                PressNamed(target, name);
            } else if (script[i].unicode() < 0x80) {
                QTest::keyClicks(target, QString(script[i]));
            } else {
                // An accented letter's own key (Latin-1 letters have their code as key).
                const auto key = Qt::Key(script[i].toUpper().unicode());
                QTest::sendKeyEvent(QTest::Press, target, key, QString(script[i]), {});
                QTest::sendKeyEvent(QTest::Release, target, key, QString(script[i]), {});
            }
            QCoreApplication::processEvents();
        }
    }

    static void PressNamed(QWidget* target, const QString& name) {
        static const std::vector<std::pair<QString, Qt::Key>> keys = {
            {"Enter", Qt::Key_Return}, {"Esc", Qt::Key_Escape},   {"Tab", Qt::Key_Tab},
            {"Down", Qt::Key_Down},    {"F2", Qt::Key_F2},        {"F3", Qt::Key_F3},
            {"F4", Qt::Key_F4},        {"F5", Qt::Key_F5},        {"BS", Qt::Key_Backspace},
            {"Up", Qt::Key_Up},        {"KPEnter", Qt::Key_Enter}};
        if (name.startsWith("KP") && name.size() == 3 && name[2].isDigit()) {
            QTest::keyClick(target, Qt::Key(Qt::Key_0 + name[2].digitValue()), Qt::KeypadModifier);
            return;
        }
        for (const auto& [n, key] : keys)
            if (n == name) {
                QTest::keyClick(target, key,
                                name == "KPEnter" ? Qt::KeypadModifier : Qt::NoModifier);
                return;
            }
        FAIL() << "unknown key " << name.toStdString();
    }

    Ids Listed(int column = 1) const {
        Ids out;
        for (int r = 1; r <= window->gLista->RowCount(); ++r)
            out.push_back(window->gLista->GetCell(column, r));
        return out;
    }
    bool PanelOpen() const { return window->Digitando->isVisible(); }
    std::string Typed() const { return window->FProcura->Text(); }
    std::string Title() const { return FromQString(window->LTitulo->text()); }
    std::vector<RecordedBox>& Boxes() { return torvel::testing::Boxes(); }

    RecordBoxesGuard recordBoxes{true};
    std::unique_ptr<TFProcura_Prod> window;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(ProcuraProdTest, ListIsEmptyBeforeTheFirstSearchAndEnterDoesNothing) {
    Open();
    EXPECT_EQ(window->Table().size(), kCatalogue.size());
    EXPECT_EQ(QApplication::focusWidget(), window->gLista);
    EXPECT_FALSE(PanelOpen());
    EXPECT_EQ(window->gLista->RowCount(), 0);
    Keys("{Enter}{Down}{Enter}");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ChosenProductId, "");
    EXPECT_EQ(window->windowTitle(), "FProcura_Prod");
    EXPECT_TRUE(Boxes().empty());
}

struct SearchCase {
    const char* what;
    QString keys;
    Ids ids; // in the order listed
};

TEST_F(ProcuraProdTest, SearchesListTheStoresMatchingProductsInNameOrder) {
    const std::vector<SearchCase> cases = {
        {"start of the name, typed on the list", "cafe{Enter}", {"102", "101", "103"}},
        {"keypad Enter ends the typing too", "CAFE{KPEnter}", {"102", "101", "103"}},
        {"F2: part of the name, any case", "{F2}LEITE{Enter}", {"106", "105", "104"}},
        {"Tab leaves the field as Enter does", "{F2}leite{Tab}", {"106", "105", "104"}},
        {"F2 with accented letters in both cases",
         QString::fromUtf8("{F2}açúcar{Enter}"),
         {"108", "107"}},
        {"F3: start of the brand, any case", "{F3}NE{Enter}", {"101", "103", "106"}},
        {"F5: start of the reference, case kept", "{F5}AB{Enter}", {"101", "106"}},
        {"F5 in small letters finds what starts in capitals", "{F5}ab-1{Enter}", {"101"}},
        {"a digit on the main keyboard: exact code", "7{Enter}", {"7"}},
        {"a digit on the keypad: exact code", "{KP7}{Enter}", {"7"}},
        {"F4: leading zeros are part of the code", "{F4}0077{Enter}", {"0077"}},
        {"the code is compared as text", "{F4}77{Enter}", {"77"}},
        {"a code that no product has", "{F4}0007{Enter}", {}},
        {"another store's product is never listed", "{F2}OUTRA LOJA{Enter}", {}},
        {"nor one of a store whose id merely starts the same", "{F2}LOJA 340{Enter}", {}},
        {"two apostrophes stand for one", "{F2}D''AGUA{Enter}", {"109"}},
        {"an apostrophe before a word is a character", "{F2}D'AGUA{Enter}", {"109"}},
        {"the name is searched by its first 60 characters", "{F2}FIM DO{Enter}", {}},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        Keys(c.keys);
        EXPECT_EQ(Listed(), c.ids);
        EXPECT_FALSE(PanelOpen());
        EXPECT_TRUE(window->KeyPreview());
        EXPECT_EQ(Typed(), "");
        EXPECT_EQ(QApplication::focusWidget(), window->gLista);
        // The Down key that the refill sends selects the first row.
        EXPECT_EQ(window->gLista->SelectedRow(), c.ids.empty() ? 0 : 1);
        EXPECT_TRUE(Boxes().empty());
    }
}

TEST_F(ProcuraProdTest, RowsHoldTheProductsFieldsInListOrder) {
    Open();
    Keys("CAFE P{Enter}");
    ASSERT_EQ(window->gLista->RowCount(), 1);
    const Ids row = {"", "101", "CAFE PILAO 500G", "AB-12", "Nestle", "UN", "12.50", "15.00", ""};
    for (int column = 0; column < int(row.size()); ++column)
        EXPECT_EQ(window->gLista->GetCell(column, 1), row[size_t(column)]) << column;
    EXPECT_EQ(FromQString(window->gLista->Model()->index(0, 0).data().toString()), "");
    // The list reads the products from the window's table instead of copying them.
    EXPECT_TRUE(window->gLista->Rows().IsSourceRow(1));
}

TEST_F(ProcuraProdTest, KeyLegendReadsAsFourSeparatePairsWithinTheBar) {
    Open();
    auto* legend = window->findChild<QWidget*>("Legenda");
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(legend->accessibleName(),
              "F2 - Parte do Nome, F3 - Marca, F4 - Cod. Barras, F5 - Referencia");
    EXPECT_TRUE(legend->isVisible());
    EXPECT_FALSE(window->Label2->isVisible());
    EXPECT_FALSE(window->Label6->isVisible());
    EXPECT_EQ(legend->geometry(), window->Label1->geometry());
    const QImage image = window->grab(legend->geometry()).toImage();
    // Column by column: red ink (a key), navy ink (a meaning), or neither.
    std::string runs;
    int lastInk = -1;
    for (int x = 0; x < image.width(); ++x) {
        bool red = false, navy = false;
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            red = red || (c.red() > 160 && c.green() < 110 && c.blue() < 110);
            navy = navy || (c.blue() > 80 && c.red() < 90 && c.green() < 90);
        }
        ASSERT_FALSE(red && navy) << "a key and a meaning overlap at x = " << x;
        const char ink = red ? 'K' : navy ? 'M' : 0;
        if (ink && (runs.empty() || runs.back() != ink))
            runs += ink;
        if (ink)
            lastInk = x;
    }
    EXPECT_EQ(runs, "KMKMKMKM");
    EXPECT_LT(lastInk, image.width() - 4); // "Referencia" ends inside the bar
}

TEST_F(ProcuraProdTest, FirstKeyOpensThePanelInItsMode) {
    struct ModeCase {
        QString keys;
        std::string title;
        std::string typed;
    };
    const std::vector<ModeCase> cases = {
        {"c", "DESCRICAO", "C"}, {"Q", "DESCRICAO", "Q"},  {"{F2}", "SEMELHANCA", ""},
        {"{F3}", "MARCA", ""},   {"{F4}", "CODIGO", ""},   {"{F5}", "REFERENCIA", ""},
        {"5", "CODIGO", "5"},    {"{KP0}", "CODIGO", "0"},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.keys.toStdString());
        Open();
        Keys(c.keys);
        EXPECT_TRUE(PanelOpen());
        EXPECT_FALSE(window->KeyPreview());
        EXPECT_EQ(Title(), c.title);
        EXPECT_EQ(Typed(), c.typed);
        EXPECT_EQ(QApplication::focusWidget(), window->FProcura);
        // The next character follows the first one.
        EXPECT_FALSE(window->FProcura->hasSelectedText());
        EXPECT_EQ(window->FProcura->cursorPosition(), int(c.typed.size()));
        EXPECT_EQ(window->FProcura->Color(), 13828095);
    }
}

TEST_F(ProcuraProdTest, CodeModeTakesOnlyDigitsUpToThirteen) {
    for (const QString& first : {QString("7"), QString("{KP7}")}) {
        SCOPED_TRACE(first.toStdString());
        Open();
        Keys(first + "a-,.9" + "{KP8}" + "1234567890123");
        EXPECT_EQ(Title(), "CODIGO");
        EXPECT_EQ(Typed(), "7981234567890");
    }
    // Back to any text in the other modes.
    Open();
    Keys("7{Enter}{F2}a-,.9");
    EXPECT_EQ(Typed(), "A-,.9");
}

TEST_F(ProcuraProdTest, BlankTextOnlyClosesThePanelAndTheListStays) {
    for (const QString& blank : {QString(""), QString("   ")}) {
        Open();
        Keys("CAFE{Enter}");
        const Ids before = Listed();
        Keys("{F2}" + blank + "{Enter}");
        EXPECT_FALSE(PanelOpen());
        EXPECT_TRUE(window->KeyPreview());
        EXPECT_EQ(Typed(), "");
        EXPECT_EQ(Listed(), before);
        EXPECT_EQ(QApplication::focusWidget(), window->gLista);
    }
}

TEST_F(ProcuraProdTest, EscapeInThePanelLeavesTheWindowOpen) {
    Open();
    Keys("{F2}AB{Esc}");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(PanelOpen());
    EXPECT_EQ(Typed(), "AB");
    // A code field's Escape sets it to zero, which is then searched.
    Open();
    Keys("77{Esc}");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Typed(), "0");
    Keys("{Enter}");
    EXPECT_EQ(Listed(), Ids{});
}

TEST_F(ProcuraProdTest, TwoSearchesInARowReplaceTheList) {
    Open();
    Keys("CAFE{Enter}{Down}");
    EXPECT_EQ(window->gLista->SelectedRow(), 2);
    Keys("LEITE{Enter}");
    EXPECT_EQ(Listed(), (Ids{"105", "104"}));
    EXPECT_EQ(window->gLista->SelectedRow(), 1);
}

TEST_F(ProcuraProdTest, EnterOnTheListChoosesTheSelectedProduct) {
    Open();
    Keys("CAFE{Enter}{Down}{Enter}");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(window->ChosenProductId, "101");
    EXPECT_EQ(window->windowTitle(), "Selecionado.: 101-101");
}

TEST_F(ProcuraProdTest, DoubleClickChoosesTheRowClicked) {
    Open();
    Keys("CAFE{Enter}");
    const QRect cell = window->gLista->visualRect(window->gLista->Model()->index(2, 2));
    QTest::mouseDClick(window->gLista->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->ChosenProductId, "103");
}

TEST_F(ProcuraProdTest, AnIdLongerThanTenIsHandedBackCut) {
    Open();
    Keys("ITEM DE{Enter}{Enter}");
    EXPECT_EQ(window->ChosenProductId, "1234567890");
    EXPECT_EQ(window->windowTitle(), "Selecionado.: 12345678901234-12345678901234");
}

TEST_F(ProcuraProdTest, ALongNameIsListedByItsFirstSixtyCharacters) {
    Open();
    Keys("NOME COMPRIDO{Enter}");
    EXPECT_EQ(Listed(2), Ids{kLongName.substr(0, 60)});
}

TEST_F(ProcuraProdTest, EscapeAndTheCloseButtonHandBackNothing) {
    Open();
    Keys("CAFE{Enter}{Esc}");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(window->ChosenProductId, "");

    Open();
    Keys("CAFE{Enter}");
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->ChosenProductId, "");
}

TEST_F(ProcuraProdTest, AClickOnTheListAppliesTheSearch) {
    Open();
    Keys("{F2}LEITE");
    QTest::mouseClick(window->gLista->viewport(), Qt::LeftButton, {}, QPoint(100, 300));
    QCoreApplication::processEvents();
    EXPECT_EQ(Listed(), (Ids{"106", "105", "104"}));
    EXPECT_FALSE(PanelOpen());
}

TEST_F(ProcuraProdTest, AnUnreadableFilterIsShownAndChangesNothing) {
    Open();
    Keys("CAFE{Enter}");
    const Ids before = Listed();
    Keys("{F2}D'1{Enter}");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].title, "UniTorvel");
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(Boxes()[0].text.isEmpty());
    EXPECT_TRUE(PanelOpen());
    EXPECT_EQ(Typed(), "D'1");
    EXPECT_EQ(Title(), "SEMELHANCA");
    EXPECT_EQ(Listed(), before);
    // The user can mend the text where it is.
    EXPECT_EQ(QApplication::focusWidget(), window->FProcura);
    Keys("{BS}AGUA{Enter}");
    EXPECT_EQ(Listed(), Ids{"109"});
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(ProcuraProdTest, AMissingCatalogueIsShownAndTheWindowOpensEmpty) {
    Open(nullptr);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(Boxes()[0].text.startsWith("Cannot open file \"Itens.Txt\". "))
        << Boxes()[0].text.toStdString();
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(window->isVisible());
    Keys("{F2}%{Enter}");
    EXPECT_EQ(Listed(), Ids{});
}

TEST_F(ProcuraProdTest, AShortLineStopsTheLoadingAndKeepsTheProductsBefore) {
    struct ShortCase {
        std::string line;
        std::string message;
    };
    const std::vector<ShortCase> cases = {
        {"34|999|Marca|SHORT|R|UN", "List index out of bounds (6)"},
        {"", "List index out of bounds (0)"},
        // A trailing "|" leaves no empty last field.
        {"34|999|Marca|SHORT|R|UN|1.00|", "List index out of bounds (7)"},
    };
    for (const ShortCase& c : cases) {
        SCOPED_TRACE(c.message);
        const std::vector<std::string> lines = {kCatalogue[0], kCatalogue[1], c.line,
                                                kCatalogue[2]};
        recordBoxes.Set(true);
        Open(&lines);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(FromQString(Boxes()[0].text), c.message);
        EXPECT_TRUE(window->isVisible());
        Keys("{F2}%{Enter}");
        EXPECT_EQ(Listed(), (Ids{"102", "101"}));
    }
}

TEST_F(ProcuraProdTest, WindowLayout) {
    Open();
    EXPECT_EQ(window->windowTitle(), "FProcura_Prod");
    EXPECT_EQ(FromQString(window->Label5->text()), "Busca de Produtos");
    TGListView* list = window->gLista;
    EXPECT_TRUE(list->Checkboxes());
    EXPECT_TRUE(list->RowSelect());
    EXPECT_TRUE(list->GridLines());
    EXPECT_FALSE(list->ColumnClick());
    EXPECT_EQ(list->CorZebra(), ColorRGB(192, 192, 192));
    EXPECT_EQ(list->CheckCor(), ColorRGB(0, 0, 128));
    EXPECT_EQ(list->accessibleName(), "Produtos");
    // The columns a user reads, in their order; the last one is never shown.
    const std::vector<QString> captions = {"",
                                           "ID    ",
                                           "Nome",
                                           "Referencia",
                                           "Marca",
                                           "UND",
                                           ToQString("Pre\xE7o      "),
                                           "Vl. Sugerido "};
    ASSERT_EQ(list->ColumnCount(), int(captions.size()));
    for (int i = 0; i < list->ColumnCount(); ++i)
        EXPECT_EQ(list->Column(i).caption, captions[size_t(i)]) << "column " << i;
    EXPECT_TRUE(list->isColumnHidden(7));
    // The legend reads F2 - Parte do Nome, F3 - Marca, F4 - Cod. Barras, F5 - Referencia.
    EXPECT_EQ(window->Label2->text().simplified(), "F2 F3 F4 F5");
    EXPECT_EQ(window->Label6->text().simplified(),
              "- Parte do Nome - Marca - Cod. Barras - Referencia");
    EXPECT_FALSE(window->FProcura->hasFrame());
    EXPECT_EQ(window->FProcura->focusPolicy(), Qt::ClickFocus);
}

TEST(ProcuraProdPlacement, StaysAtItsPlaceWhereItFitsAndSlidesInsideASmallScreen) {
    const QSize outer(863, 510);
    EXPECT_EQ(torvel::KeepOnScreen({330, 149}, outer, QRect(0, 0, 1920, 1080)), QPoint(330, 149));
    // 1024 x 768: only as far left as needed, so the right edge is the screen's.
    EXPECT_EQ(torvel::KeepOnScreen({330, 149}, outer, QRect(0, 0, 1024, 768)), QPoint(161, 149));
    // Too small both ways: the title bar and the first columns stay reachable.
    EXPECT_EQ(torvel::KeepOnScreen({330, 149}, outer, QRect(0, 0, 800, 480)), QPoint(0, 0));
    // A second screen's area, or a panel taking the top rows.
    EXPECT_EQ(torvel::KeepOnScreen({330, 149}, outer, QRect(1920, 40, 1024, 728)),
              QPoint(1920, 149));
}

TEST_F(ProcuraProdTest, LoadingLetsTheScreenRepaint) {
    // Enough products that the load takes longer than the pause between two event rounds.
    std::vector<std::string> lines;
    for (int i = 0; i < 150000; ++i)
        lines.push_back("34|" + std::to_string(i) + "|Marca|PRODUTO NUMERO " +
                        std::to_string(i * 7919 % 150000) + "|R|UN|1.00|2.00");
    WriteCatalogue(lines);
    bool loading = true;
    bool ranWhileLoading = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ranWhileLoading = loading; }, Qt::QueuedConnection);
    TFProcura_Prod search;
    loading = false;
    QCoreApplication::processEvents();
    EXPECT_EQ(search.Table().size(), lines.size());
    EXPECT_TRUE(ranWhileLoading);
}

} // namespace
} // namespace torvel::test
