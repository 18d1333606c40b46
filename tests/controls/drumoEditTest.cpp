// TDrumoEdit driven through real key events and real focus changes in a shown, active window.
#include "controls/drumoEdit.h"
#include "controls/Colors.h"
#include "tests/support/DialogGuards.h"
#include "tests/support/ScrollLockGuard.h"
#include "util/Dialogs.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace torvel;

namespace {

using Log = std::vector<std::string>;

class DrumoEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QDialog>();
        auto* layout = new QVBoxLayout(window_.get());
        cnpj_ = new TDrumoEdit(window_.get());
        cnpj_->setObjectName("ECNPJ");
        cnpj_->Tipo().SetTipo(tpCRF);
        other_ = new TDrumoEdit(window_.get());
        other_->setObjectName("EValor");
        button_ = new QPushButton("Salvar", window_.get());
        button_->setObjectName("BSalvar");
        layout->addWidget(cnpj_);
        layout->addWidget(other_);
        layout->addWidget(button_);

        cnpj_->SetOnEnter([this] { log_.push_back("enter ECNPJ " + cnpj_->Text()); });
        cnpj_->SetOnExit([this] { log_.push_back("exit ECNPJ " + cnpj_->Text()); });
        other_->SetOnEnter([this] { log_.push_back("enter EValor"); });
        other_->SetOnExit([this] { log_.push_back("exit EValor " + other_->Text()); });
        QObject::connect(button_, &QPushButton::clicked,
                         [this] { log_.push_back("click " + cnpj_->Text()); });

        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override { window_.reset(); }

    void Type(TDrumoEdit* field, const char* keys) {
        field->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(field->hasFocus());
        field->selectAll();
        QTest::keyClicks(field, keys);
        log_.clear();
    }
    // Leaves by Tab, or by clicking the button; then lets a deferred exit finish.
    void Leave(TDrumoEdit* field, bool byClick = false) {
        if (byClick)
            QTest::mouseClick(button_, Qt::LeftButton);
        else
            QTest::keyClick(field, Qt::Key_Tab);
        ASSERT_FALSE(field->hasFocus());
        QCoreApplication::processEvents();
    }

    torvel::test::RecordBoxesGuard recordBoxes_{true};
    std::unique_ptr<QDialog> window_;
    TDrumoEdit* cnpj_ = nullptr;
    TDrumoEdit* other_ = nullptr;
    QPushButton* button_ = nullptr;
    Log log_;
};

TEST_F(DrumoEditTest, DocumentNumbersTypedAndLaidOut) {
    struct {
        const char* keys;
        const char* typed;
        const char* shown;
    } cases[] = {
        {"12345678901", "12345678901", "123.456.789-01"},
        {"12345678000195", "12345678000195", "12.345.678/0001-95"},
        // the "-" is refused once digits are there; the layout puts it back
        {"123.456.789-01", "123.456.78901", "123.456.789-01"},
        {"12a3b/4", "1234", "123.4  .   -  "},
        {"", "", "000.000.000-00"},
        {"-12", "-12", "12 .   .   -  "},
        {"12-", "12", "12 .   .   -  "},
    };
    for (const auto& c : cases) {
        cnpj_->SetText("");
        Type(cnpj_, c.keys);
        EXPECT_EQ(cnpj_->Text(), c.typed) << c.keys;
        Leave(cnpj_);
        EXPECT_EQ(cnpj_->Text(), c.shown) << c.keys;
    }
}

TEST_F(DrumoEditTest, ClickThatTookTheFocusRunsBeforeTheExitHandler) {
    Type(cnpj_, "12345678901");
    Leave(cnpj_, true);
    EXPECT_EQ(log_, (Log{"click 123.456.789-01", "exit ECNPJ 123.456.789-01"}));
}

TEST_F(DrumoEditTest, KeyboardExitRunsBeforeTheNextFieldIsEntered) {
    Type(cnpj_, "1133");
    Leave(cnpj_);
    EXPECT_EQ(log_, (Log{"exit ECNPJ 113.3  .   -  ", "enter EValor"}));
}

TEST_F(DrumoEditTest, EnterPaintsFirstThenHandlerThenSelectsAll) {
    button_->setFocus(Qt::OtherFocusReason);
    log_.clear();
    cnpj_->SetColor(0x00EEEEEE);
    cnpj_->SetText("123.456.789-01");
    int colourSeen = -1;
    cnpj_->SetOnEnter([&] {
        colourSeen = cnpj_->Color();
        log_.push_back("enter selected=" + std::to_string(cnpj_->selectedText().size()));
    });
    cnpj_->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(cnpj_->hasFocus());
    EXPECT_EQ(colourSeen, kColorYellow);
    EXPECT_EQ(log_, (Log{"enter selected=0"}));
    EXPECT_EQ(cnpj_->selectedText(), "123.456.789-01");
    cnpj_->SetOnExit({});
    QTest::keyClick(cnpj_, Qt::Key_Tab);
    EXPECT_EQ(cnpj_->Color(), 0x00EEEEEE);
    // Left unchanged: it was laid out already.
    EXPECT_EQ(cnpj_->Text(), "123.456.789-01");
}

TEST_F(DrumoEditTest, UnreadableAmountIsReportedAndTheExitHandlerSkipped) {
    other_->Tipo().SetTipo(tpFloat);
    for (bool byClick : {false, true}) {
        torvel::testing::Boxes().clear();
        other_->SetText("");
        Type(other_, "12-");
        EXPECT_EQ(other_->Text(), "12-");
        Leave(other_, byClick);
        ASSERT_EQ(torvel::testing::Boxes().size(), 1u) << byClick;
        EXPECT_EQ(torvel::testing::Boxes()[0].text, "'12-' is not a valid floating point value.");
        EXPECT_EQ(torvel::testing::Boxes()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(other_->Text(), "12-");
        for (const std::string& line : log_)
            EXPECT_EQ(line.rfind("exit EValor", 0), std::string::npos) << line;
    }
}

TEST_F(DrumoEditTest, DateWithoutDigitsIsReported) {
    other_->Tipo().SetTipo(tpData);
    other_->SetText("//");
    Type(other_, "");
    Leave(other_);
    ASSERT_EQ(torvel::testing::Boxes().size(), 1u);
    EXPECT_EQ(torvel::testing::Boxes()[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(torvel::testing::Boxes()[0].text.isEmpty());
    EXPECT_EQ(other_->Text(), "");
    EXPECT_TRUE(log_.empty()); // no exit handler
}

TEST_F(DrumoEditTest, AmountTypingDecimalsAndValue) {
    other_->Tipo().SetTipo(tpFloat);
    Type(other_, "3.5");
    EXPECT_EQ(other_->Text(), "3,5");
    EXPECT_EQ(other_->Value(), 0); // the value follows the text only on exit
    Leave(other_);
    EXPECT_EQ(other_->Text(), "3,50");
    EXPECT_DOUBLE_EQ(other_->Value(), 3.5);

    other_->setFocus(Qt::OtherFocusReason);
    other_->setCursorPosition(4);
    QTest::keyClicks(other_, "1-,");
    EXPECT_EQ(other_->Text(), "3,50");
    other_->setCursorPosition(0);
    QTest::keyClicks(other_, "1");
    EXPECT_EQ(other_->Text(), "3,50");
    other_->selectAll();
    QTest::keyClicks(other_, "1");
    EXPECT_EQ(other_->Text(), "1");
}

TEST_F(DrumoEditTest, IntegerRefusesSeparatorsAndPastedLettersGiveZero) {
    other_->Tipo().SetTipo(tpInteiro);
    Type(other_, "12,.5");
    EXPECT_EQ(other_->Text(), "125");
    other_->SetText("abc"); // as if pasted
    Leave(other_);
    EXPECT_EQ(other_->Text(), "0");
    EXPECT_TRUE(torvel::testing::Boxes().empty());
}

TEST_F(DrumoEditTest, EscapeInNumericTypes) {
    other_->Tipo().SetTipo(tpFloat);
    Type(other_, "42");
    QTest::keyClick(other_, Qt::Key_Escape);
    EXPECT_EQ(other_->Text(), "0,00");
    EXPECT_EQ(other_->selectedText(), "0,00");
    EXPECT_EQ(other_->Value(), 0);
    EXPECT_TRUE(window_->isVisible());

    Type(cnpj_, "123");
    cnpj_->setCursorPosition(1);
    QTest::keyClick(cnpj_, Qt::Key_Escape);
    EXPECT_EQ(cnpj_->Text(), "123");
    EXPECT_EQ(cnpj_->selectedText(), "123");
}

TEST_F(DrumoEditTest, WritingValue) {
    other_->Tipo().SetTipo(tpFloat);
    other_->SetValue(1234.5);
    EXPECT_EQ(other_->Text(), "1234,50");
    other_->SetValue(-3);
    EXPECT_EQ(other_->Text(), "0,00");
    EXPECT_EQ(other_->Value(), 0);
    other_->Tipo().SetNum_Negativo(true);
    other_->SetValue(-3);
    EXPECT_EQ(other_->Text(), "-3,00");
    EXPECT_EQ(other_->Value(), -3);

    cnpj_->SetText("123");
    cnpj_->SetValue(5);
    EXPECT_EQ(cnpj_->Text(), "123");
    EXPECT_EQ(cnpj_->Value(), 0);
}

TEST_F(DrumoEditTest, TextTypeNameCasesWithoutScrollLock) {
    torvel::test::ScrollLockGuard scrollLock(false);
    other_->SetCaixaAlta(true);
    Type(other_, "  maria das dores ");
    Leave(other_);
    EXPECT_EQ(other_->Text(), "Maria das Dores");
}

} // namespace
