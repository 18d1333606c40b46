// The report list widget, driven headless through real mouse and key input.
#include "controls/GListView.h"

#include "tests/support/DialogGuards.h"
#include "tests/support/TempDir.h"
#include "util/Dialogs.h"
#include "util/Errors.h"
#include "util/SafeFile.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace torvel {
namespace {

// A shown window holding one list with a check column and four text columns.
class GListViewTest : public test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        window_ = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window_.get());
        list_ = new TGListView(window_.get());
        list_->setObjectName("gProd");
        list_->setAccessibleName("Itens do pedido");
        layout->addWidget(list_);
        list_->AddColumn("", 20, Qt::AlignLeft);
        list_->AddColumn("Item ", 40, Qt::AlignLeft);
        list_->AddColumn(QString::fromUtf8("Descrição  "), 200, Qt::AlignLeft);
        list_->AddColumn("Valor", 80, Qt::AlignRight, 2);
        list_->AddColumn("Qtd", 50, Qt::AlignHCenter);
        list_->SetGridLines(true);
        tester_ = std::make_unique<QAbstractItemModelTester>(
            list_->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        window_->resize(600, 240); // no horizontal scroll bar
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override {
        tester_.reset();
        window_.reset();
        TempDirTest::TearDown();
    }

    void fill(int rows) {
        for (int r = 1; r <= rows; ++r)
            list_->AddRow(std::to_string(r) + "|Produto " + std::to_string(r) + "|1,00|1", 0);
    }
    QPoint CellCentre(int row, int column) const {
        return list_->visualRect(list_->Model()->index(row - 1, column)).center();
    }
    QPoint CheckBoxCentre(int row) const {
        QStyleOptionViewItem option;
        option.initFrom(list_);
        option.rect = list_->visualRect(list_->Model()->index(row - 1, 0));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        return list_->style()
            ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list_)
            .center();
    }
    QVariant background(int row, int column = 1) const {
        return list_->Model()->index(row - 1, column).data(Qt::BackgroundRole);
    }
    // Input through the window, as the platform delivers it (a right click also asks for the
    // context menu).
    void WindowClick(Qt::MouseButton button, QPoint viewportPos) {
        QTest::mouseClick(window_->windowHandle(), button, {},
                          list_->viewport()->mapTo(window_.get(), viewportPos));
    }

    torvel::test::RecordBoxesGuard recordBoxes_{true};
    std::unique_ptr<QWidget> window_;
    TGListView* list_ = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(GListViewTest, ColumnsKeepCaptionsWidthsAlignmentsAndTags) {
    ASSERT_EQ(list_->ColumnCount(), 5);
    QAbstractItemModel* model = list_->Model();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Item ");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("Descrição  "));
    EXPECT_EQ(list_->Column(3).tag, 2);
    EXPECT_EQ(list_->Column(1).tag, 0);
    EXPECT_EQ(list_->Column(2).width, 200);
    EXPECT_EQ(list_->columnWidth(2), 200);
    EXPECT_EQ(list_->columnWidth(0), 20);
    EXPECT_EQ(model->headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);

    // Cell k in column k; column 0 holds no text; cells past the last column stay in the row.
    list_->AddRow("7|Caf\xE9|2,50|3|extra|more", 0);
    EXPECT_EQ(model->columnCount(), 5);
    EXPECT_EQ(model->index(0, 0).data().toString(), "");
    EXPECT_EQ(model->index(0, 1).data().toString(), "7");
    EXPECT_EQ(model->index(0, 2).data().toString(), QString::fromUtf8("Café"));
    EXPECT_EQ(model->index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(list_->GetCell(6, 1), "more");
    list_->AddRow("8", 0);
    EXPECT_EQ(model->index(1, 4).data().toString(), "");
}

TEST_F(GListViewTest, RowColoursFollowZebraAndCheckColours) {
    const QVariant none;
    const QColor white(255, 255, 255);
    struct Case {
        const char* name;
        int zebra, check;
        bool checkboxes;
        std::vector<int> checked;
        std::vector<QVariant> expected; // rows 1 to 4
    };
    const QColor yellow(255, 255, 202), green(128, 255, 128), navy(0, 0, 128);
    const std::vector<Case> cases = {
        {"no zebra: no colour at all, checked or not",
         kColorNone,
         8454016,
         true,
         {1, 2},
         {none, none, none, none}},
        {"zebra, first row white", 13303807, 8454016, false, {}, {white, yellow, white, yellow}},
        {"checked rows take the check colour",
         13303807,
         8454016,
         true,
         {1, 4},
         {green, yellow, white, green}},
        {"check marks ignored without check boxes",
         13303807,
         8454016,
         false,
         {1, 4},
         {white, yellow, white, yellow}},
        {"silver and navy",
         kColorSilver,
         kColorNavy,
         true,
         {3},
         {white, QColor(192, 192, 192), navy, QColor(192, 192, 192)}},
        {"checked row without a check colour",
         13303807,
         kColorNone,
         true,
         {2},
         {white, none, white, yellow}},
    };
    fill(4);
    for (const auto& c : cases) {
        list_->SetCheckboxes(c.checkboxes);
        list_->SetCorZebra(c.zebra);
        list_->SetCheckCor(c.check);
        for (int r = 1; r <= 4; ++r)
            list_->SetChecked(r, false);
        for (int r : c.checked)
            list_->SetChecked(r, true);
        for (int r = 1; r <= 4; ++r) {
            const QVariant got = background(r, r % 5);
            if (!c.expected[r - 1].isValid()) {
                EXPECT_FALSE(got.isValid()) << c.name << " row " << r;
                continue;
            }
            ASSERT_TRUE(got.isValid()) << c.name << " row " << r;
            EXPECT_EQ(got.value<QBrush>().color(), c.expected[r - 1].value<QColor>())
                << c.name << " row " << r;
        }
    }
    // The text keeps the list's own colour.
    EXPECT_FALSE(list_->Model()->index(0, 1).data(Qt::ForegroundRole).isValid());
}

TEST_F(GListViewTest, ClickSelectsOneWholeRow) {
    fill(5);
    EXPECT_EQ(list_->SelectedRow(), 0);
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CellCentre(3, 2));
    EXPECT_EQ(list_->SelectedRow(), 3);
    EXPECT_EQ(list_->selectionModel()->selectedIndexes().size(), list_->ColumnCount());
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(5, 1));
    EXPECT_EQ(list_->SelectedRow(), 5);
    EXPECT_EQ(list_->selectionModel()->selectedRows().size(), 1);

    QTest::keyClick(list_, Qt::Key_Up);
    EXPECT_EQ(list_->SelectedRow(), 4);

    list_->DeleteRow(2);
    EXPECT_EQ(list_->SelectedRow(), 3);
    list_->SelectRow(0);
    EXPECT_EQ(list_->SelectedRow(), 0);
    list_->SelectRow(2);
    EXPECT_EQ(list_->SelectedRow(), 2);
    list_->Clear();
    EXPECT_EQ(list_->SelectedRow(), 0);
}

TEST_F(GListViewTest, FirstDownKeyAfterFocusSelectsTheFirstRow) {
    // The focus comes from another field, as in the search window: the list is filled while
    // the field has the focus, then Tab moves on and one Down key selects the first row.
    auto* field = new QLineEdit(window_.get());
    window_->layout()->addWidget(field);
    QWidget::setTabOrder(field, list_);
    field->show();
    field->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(field->hasFocus());
    fill(30);
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(list_->hasFocus());
    QTest::keyClick(list_, Qt::Key_Down);
    EXPECT_EQ(list_->SelectedRow(), 1);
    EXPECT_EQ(list_->indexAt(QPoint(5, 2)).row(), 0); // and the first row is in sight

    // Tab leaves the list rather than walking its cells.
    QTest::keyClick(list_, Qt::Key_Tab);
    EXPECT_FALSE(list_->hasFocus());
}

TEST_F(GListViewTest, CheckBoxesToggleByMouseAndSpace) {
    list_->SetCorZebra(15007690);
    list_->SetCheckCor(kColorBlack);
    fill(3);
    // Without check boxes a click on column 0 checks nothing.
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CheckBoxCentre(2));
    EXPECT_FALSE(list_->Checked(2));
    EXPECT_FALSE(list_->Model()->flags(list_->Model()->index(1, 0)) & Qt::ItemIsUserCheckable);

    list_->SetCheckboxes(true);
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CheckBoxCentre(2));
    EXPECT_TRUE(list_->Checked(2));
    EXPECT_EQ(list_->Model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(background(2).value<QBrush>().color(), QColor(0, 0, 0));
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CheckBoxCentre(2));
    EXPECT_FALSE(list_->Checked(2));

    // A click elsewhere on the row selects it without checking it; Space then checks it.
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CellCentre(3, 2));
    EXPECT_FALSE(list_->Checked(3));
    QTest::keyClick(list_, Qt::Key_Space);
    EXPECT_TRUE(list_->Checked(3));
    EXPECT_DOUBLE_EQ(list_->SumColumn(3, true), 1.0);
    QTest::keyClick(list_, Qt::Key_Space);
    EXPECT_FALSE(list_->Checked(3));
}

TEST_F(GListViewTest, NoCaptionEditingInPlace) {
    fill(2);
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CellCentre(1, 2));
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, CellCentre(1, 2));
    QTest::keyClick(list_, Qt::Key_F2);
    QTest::keyClicks(list_, "xyz");
    EXPECT_TRUE(list_->findChildren<QLineEdit*>().isEmpty()); // no editor opened
    EXPECT_EQ(list_->GetCell(1, 1), "1");
    EXPECT_FALSE(list_->Model()->flags(list_->Model()->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(list_->Model()->setData(list_->Model()->index(0, 1), "new", Qt::EditRole));
}

TEST_F(GListViewTest, DoubleClickSignals) {
    fill(3);
    QSignalSpy spy(list_, &TGListView::DblClick);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, CellCentre(2, 3));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(list_->SelectedRow(), 2);
}

TEST_F(GListViewTest, PopupMenuAfterSelectingTheRowUnderTheMouse) {
    fill(5);
    QMenu menu;
    menu.addAction("Alterar Produto");
    menu.addAction("Excluir Item");
    list_->SetPopupMenu(&menu);
    list_->SelectRow(1);

    WindowClick(Qt::RightButton, CellCentre(4, 2));
    EXPECT_EQ(list_->SelectedRow(), 4);
    ASSERT_TRUE(menu.isVisible());
    menu.hide();

    // The menu key, which the platform turns into a keyboard request, opens it at the selected
    // row; so does Shift+F10.
    const QRect row4 = list_->visualRect(list_->Model()->index(3, 0));
    const int belowRow4 = list_->viewport()->mapToGlobal(row4.bottomLeft()).y();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
    QApplication::sendEvent(list_, &request);
    ASSERT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos().y(), belowRow4);
    EXPECT_EQ(list_->SelectedRow(), 4);
    menu.hide();
    list_->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(list_, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos().y(), belowRow4);
    menu.hide();

    // Below the last row: the menu still opens.
    WindowClick(Qt::RightButton, QPoint(30, list_->viewport()->height() - 3));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();

    // Without a menu of its own the list leaves the request to its parent.
    list_->SetPopupMenu(nullptr);
    QContextMenuEvent again(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
    QApplication::sendEvent(list_, &again);
    EXPECT_FALSE(again.isAccepted());
    EXPECT_FALSE(menu.isVisible());
}

TEST_F(GListViewTest, SumColumnShowsItsMessageThroughAPlainBox) {
    list_->AddRow("1|2|3|4|5|6|2,25", 0);
    list_->AddRow("1|2|3|4|5|6", 0);
    list_->AddRow("1|2|3|4|5|6|9", 0);
    EXPECT_DOUBLE_EQ(list_->SumColumn(6, false), 18.0);
    EXPECT_TRUE(testing::Boxes().empty());
    EXPECT_DOUBLE_EQ(list_->SumColumn(7, false), 2.25);
    ASSERT_EQ(testing::Boxes().size(), 1u);
    EXPECT_EQ(testing::Boxes()[0].title, "UniTorvel");
    EXPECT_EQ(testing::Boxes()[0].text, "Erro ao obter soma da coluna.: 7");
    EXPECT_EQ(testing::Boxes()[0].icon, QMessageBox::NoIcon);
}

TEST_F(GListViewTest, EachAddRowScrollsOneLine) {
    QScrollBar* bar = list_->verticalScrollBar();
    fill(3);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 0); // nothing to scroll yet
    fill(60);
    QApplication::processEvents();
    // Appending one at a time keeps the newest row in sight.
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_GT(bar->maximum(), 0);
    const QModelIndex last = list_->Model()->index(62, 1);
    EXPECT_TRUE(list_->viewport()->rect().intersects(list_->visualRect(last)));

    bar->setValue(10);
    list_->AddRow("x|y", 5); // a refill scrolls too
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 11);
    list_->AddRow("x|y", 500); // a row that does not exist: nothing at all
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 11);

    // Lines owed before a Clear are void.
    fill(5);
    list_->Clear();
    fill(2);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(GListViewTest, ChangesThroughTheRowListReachTheView) {
    fill(2);
    RowList& rows = list_->Rows();
    rows.AddRow("3|Terceiro", 0);
    EXPECT_EQ(list_->Model()->rowCount(), 3);
    EXPECT_EQ(list_->Model()->index(2, 2).data().toString(), "Terceiro");
    rows.SetCell(2, 3, "Outro");
    EXPECT_EQ(list_->Model()->index(2, 2).data().toString(), "Outro");
    rows.DeleteRow(1);
    EXPECT_EQ(list_->Model()->rowCount(), 2);
    list_->NumberRows(1);
    EXPECT_EQ(list_->Model()->index(1, 1).data().toString(), "2");
    rows.Clear();
    EXPECT_EQ(list_->Model()->rowCount(), 0);
}

TEST_F(GListViewTest, SaveAndLoadRowsThroughTheWidget) {
    list_->AddRow("1|001|Arroz tipo 1|2,50", 0);
    list_->SaveRows("GProd_1.Txt");
    EXPECT_EQ(ReadWholeFile("GProd_1.Txt"), "1|001|Arroz tipo 1|2,50\r\n");
    list_->LoadRows("GProd_1.Txt");
    ASSERT_EQ(list_->Model()->rowCount(), 2);
    EXPECT_EQ(list_->GetCell(5, 2), "");
    EXPECT_EQ(list_->Rows().Row(2).cells.size(), 5u);
    list_->LoadRows("missing.Txt");
    EXPECT_EQ(list_->RowCount(), 2);
    EXPECT_TRUE(testing::Boxes().empty());

    std::filesystem::create_directory("taken");
    EXPECT_THROW(list_->SaveRows("taken"), FileError);
}

TEST_F(GListViewTest, FontsAndHeaderSettings) {
    fill(3);
    const int before = list_->rowHeight(0);
    QFont big = list_->font();
    big.setPointSize(big.pointSize() * 3);
    list_->SetGrupoFont(big);
    EXPECT_EQ(list_->font(), big);
    EXPECT_EQ(list_->GrupoFont(), big);
    EXPECT_GT(list_->rowHeight(0), before); // every row grows with the list's font
    EXPECT_EQ(list_->horizontalHeader()->font(), big);

    QFont header = big;
    header.setBold(true);
    list_->SetHeaderFont(header);
    EXPECT_EQ(list_->HeaderFont(), header);
    EXPECT_EQ(list_->font(), big);

    // Header clicks do nothing: no sorting, no selection change.
    EXPECT_FALSE(list_->ColumnClick());
    list_->SelectRow(2);
    QHeaderView* h = list_->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
    EXPECT_EQ(list_->SelectedRow(), 2);
    EXPECT_EQ(list_->GetCell(1, 1), "1");
    EXPECT_TRUE(list_->RowSelect());
}

TEST_F(GListViewTest, HundredThousandRowsFillAndScroll) {
    // The tester walks every row at every change; it has checked the same paths on small lists.
    tester_.reset();
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    list_->BeginUpdate();
    list_->Clear();
    for (int r = 1; r <= 100000; ++r)
        list_->AddRow(std::to_string(r) + "|PRODUTO " + std::to_string(r) + "|1,00|1", 0);
    list_->EndUpdate();
    QApplication::processEvents();
    const auto bulk = clock::now() - start;
    ASSERT_EQ(list_->Model()->rowCount(), 100000);
    EXPECT_EQ(list_->GetCell(1, 100000), "100000");

    // The appends left the newest rows in sight, as one AddRow after another would.
    QScrollBar* bar = list_->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(list_->indexAt(QPoint(5, list_->viewport()->height() - 3)).row(), 99999);

    list_->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(list_, Qt::Key_Home);
    EXPECT_EQ(list_->SelectedRow(), 1);
    QTest::keyClick(list_, Qt::Key_End);
    EXPECT_EQ(list_->SelectedRow(), 100000);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(list_, Qt::Key_PageUp);
    EXPECT_LT(list_->SelectedRow(), 100000);
    EXPECT_TRUE(list_->viewport()->rect().intersects(
        list_->visualRect(list_->Model()->index(list_->SelectedRow() - 1, 1))));

    // Appending without the bulk path, one notified row at a time.
    const auto one = clock::now();
    for (int r = 1; r <= 20000; ++r)
        list_->AddRow("x|y", 0);
    QApplication::processEvents();
    const auto single = clock::now() - one;
    EXPECT_EQ(list_->Model()->rowCount(), 120000);

    // Generous bounds: a sanity check against work that grows with the square of the rows.
    EXPECT_LT(bulk, std::chrono::seconds(5));
    EXPECT_LT(single, std::chrono::seconds(5));
    std::cout << "bulk 100000: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(bulk).count()
              << " ms, single 20000: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(single).count() << " ms\n";
}

TEST_F(GListViewTest, BulkFillTellsTheViewOnce) {
    fill(3);
    list_->SelectRow(2);
    QSignalSpy resets(list_->Model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(list_->Model(), &QAbstractItemModel::rowsInserted);
    list_->BeginUpdate();
    list_->Clear();
    list_->BeginUpdate(); // nested: only the outermost pair counts
    for (int r = 1; r <= 10000; ++r)
        list_->AddRow("123456|Observa\xE7\xE3o do pedido|Aberto|01/02/2024 10:00", 0);
    list_->EndUpdate();
    EXPECT_FALSE(list_->updatesEnabled());
    list_->DeleteRow(1);
    list_->SetCell(1, 1, "first");
    list_->EndUpdate();
    list_->EndUpdate(); // one too many: harmless
    EXPECT_TRUE(list_->updatesEnabled());
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(list_->Model()->rowCount(), 9999);
    EXPECT_EQ(list_->Model()->index(0, 1).data().toString(), "first");
    EXPECT_EQ(list_->SelectedRow(), 0);
    QScrollBar* bar = list_->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(GListViewTest, SetRowsReplacesEverythingAtOnce) {
    fill(3);
    std::vector<ListRow> rows(10000);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].cells = {std::to_string(i + 1), "P"};
    QSignalSpy resets(list_->Model(), &QAbstractItemModel::modelReset);
    list_->SetRows(std::move(rows));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(list_->RowCount(), 10000);
    EXPECT_EQ(list_->Model()->index(9999, 1).data().toString(), "10000");
}

// Products held elsewhere: key k shows "k" and "Produto k" (with an accent, as bytes).
class ProductSource : public RowSource {
public:
    explicit ProductSource(int count) {
        for (int k = 0; k < count; ++k)
            names_.push_back({std::to_string(k), "P\xE3o " + std::to_string(k)});
    }
    size_t CellCount(uint32_t) const override { return 2; }
    std::string_view Cell(uint32_t key, size_t column) const override {
        return names_[key][column - 1];
    }

private:
    std::vector<std::array<std::string, 2>> names_;
};

TEST_F(GListViewTest, RowsReadFromASourceShowCheckAndEditLikeOwnRows) {
    list_->SetCheckboxes(true);
    list_->SetCorZebra(15007690);
    list_->SetCheckCor(kColorBlack);
    fill(2);
    QSignalSpy resets(list_->Model(), &QAbstractItemModel::modelReset);
    list_->SetSourceRows(std::make_shared<ProductSource>(50000), {4, 49999, 0});
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(list_->RowCount(), 3);
    EXPECT_EQ(list_->Model()->index(1, 1).data().toString(), "49999");
    EXPECT_EQ(list_->Model()->index(0, 2).data().toString(), QString::fromUtf8("Pão 4"));
    EXPECT_EQ(list_->Model()->index(0, 0).data().toString(), "");
    EXPECT_EQ(list_->Model()->index(0, 3).data().toString(), ""); // beyond the row's cells
    EXPECT_EQ(list_->GetCell(1, 3), "0");

    // Checking by the mouse and by Space; the colour follows.
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CheckBoxCentre(2));
    EXPECT_TRUE(list_->Checked(2));
    EXPECT_EQ(background(2).value<QBrush>().color(), QColor(0, 0, 0));
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, CellCentre(3, 2));
    QTest::keyClick(list_, Qt::Key_Space);
    EXPECT_TRUE(list_->Checked(3));
    EXPECT_TRUE(list_->Rows().IsSourceRow(2));

    // Written cells reach the view; the row keeps its check mark.
    QSignalSpy changes(list_->Model(), &QAbstractItemModel::dataChanged);
    list_->SetCell(2, 2, "Outro");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(list_->Model()->index(1, 2).data().toString(), "Outro");
    EXPECT_TRUE(list_->Checked(2));
    EXPECT_EQ(list_->SelectedRow(), 3);
    list_->DeleteRow(1);
    EXPECT_EQ(list_->GetCell(1, 1), "49999");
}

} // namespace
} // namespace torvel
