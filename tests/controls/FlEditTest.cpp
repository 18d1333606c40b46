// TFloatEdit driven through real key events and real focus changes in a shown, active window.
#include "controls/FlEdit.h"
#include "controls/Colors.h"
#include "tests/support/DialogGuards.h"
#include "tests/support/ScrollLockGuard.h"
#include "util/Dialogs.h"

#include <QDialog>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace torvel;

namespace {

class FloatEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QDialog>();
        auto* layout = new QVBoxLayout(window_.get());
        qtd_ = new TFloatEdit(window_.get());
        qtd_->setObjectName("Qtd");
        qtd_->SetDigits(3);
        qtd_->SetAlignment(Qt::AlignRight);
        qtd_->SetMaxLength(999);
        qtd_->SetNumerico(true);
        qtd_->SetText("1");
        other_ = new TFloatEdit(window_.get());
        other_->setObjectName("cProd");
        button_ = new QPushButton("OK", window_.get());
        button_->setObjectName("B_Lancar");
        layout->addWidget(qtd_);
        layout->addWidget(other_);
        layout->addWidget(button_);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override { window_.reset(); }

    // Gives the field the focus by clicking it, then selects as asked (start, length).
    void Enter(TFloatEdit* field, int selStart = -1, int selLength = 0) {
        QTest::mouseClick(field, Qt::LeftButton);
        ASSERT_TRUE(field->hasFocus());
        if (selStart >= 0)
            field->setSelection(selStart, selLength);
    }
    // Gives the field the focus from the keyboard (Tab or Backtab from the button), which
    // selects its whole text.
    void TabInto(TFloatEdit* field) {
        button_->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(button_, field == qtd_ ? Qt::Key_Tab : Qt::Key_Backtab);
        ASSERT_TRUE(field->hasFocus());
    }
    void TabAway(QWidget* from) {
        QTest::keyClick(from, Qt::Key_Tab);
        ASSERT_FALSE(from->hasFocus());
    }
    std::vector<QString> BoxTexts() {
        std::vector<QString> texts;
        for (const RecordedBox& b : torvel::testing::Boxes())
            texts.push_back(b.text);
        return texts;
    }

    torvel::test::RecordBoxesGuard recordBoxes_{true};
    torvel::test::ScrollLockGuard scrollLock_{false};
    std::unique_ptr<QDialog> window_;
    TFloatEdit* qtd_ = nullptr;
    TFloatEdit* other_ = nullptr;
    QPushButton* button_ = nullptr;
    std::vector<std::string> log_;
};

TEST_F(FloatEditTest, TypingOverTheSelectionThenLeaving) {
    qtd_->SetOnExit([this] { log_.push_back("exit " + qtd_->Text()); });
    TabInto(qtd_);
    EXPECT_EQ(qtd_->selectedText(), qtd_->text()); // whole text selected on entry
    QTest::keyClicks(qtd_, "2");
    EXPECT_EQ(qtd_->Text(), "2");
    TabAway(qtd_);
    // The window's handler saw the text as typed; the field re-rendered it afterwards.
    EXPECT_EQ(log_.back(), "exit 2");
    EXPECT_EQ(qtd_->Text(), "2,000");
    EXPECT_EQ(qtd_->FontColor(), kColorBlue);
    EXPECT_TRUE(torvel::testing::Boxes().empty());
}

TEST_F(FloatEditTest, KeyFilterThroughRealKeys) {
    struct {
        const char* name;
        const char* text;
        int selStart;
        int selLength;
        const char* keys;
        const char* expected;
    } cases[] = {
        {"decimals full, caret after the 1", "1,000", 1, 0, "5", "1,000"},
        {"point becomes comma, second separator refused", "12", 2, 0, ".,.", "12,"},
        {"minus refused without negatives", "12", 2, 0, "-", "12"},
        {"letters and blanks refused", "", 0, 0, "a b+", ""},
        {"digits up to the decimals", "", 0, 0, "12,34567", "12,345"},
        {"all selected lets digits in", "1,000", 0, 5, "7", "7"},
    };
    for (const auto& c : cases) {
        qtd_->SetText(c.text);
        Enter(qtd_, c.selStart, c.selLength);
        QTest::keyClicks(qtd_, c.keys);
        EXPECT_EQ(qtd_->Text(), c.expected) << c.name;
        QTest::mouseClick(other_, Qt::LeftButton);
    }
}

TEST_F(FloatEditTest, ComposedInputGoesThroughTheFilter) {
    qtd_->SetText("");
    Enter(qtd_);
    QInputMethodEvent composed;
    composed.setCommitString("1.a5-");
    QCoreApplication::sendEvent(qtd_, &composed);
    EXPECT_EQ(qtd_->Text(), "1,5");
}

TEST_F(FloatEditTest, MaximumLengthAppliesOnTopOfTheFilter) {
    qtd_->SetMaxLength(4);
    qtd_->SetText("");
    Enter(qtd_);
    QTest::keyClicks(qtd_, "12a,3456");
    EXPECT_EQ(qtd_->Text(), "12,3");
    qtd_->SetMaxLength(0); // no limit
    QTest::keyClick(qtd_, Qt::Key_Backspace);
    QTest::keyClicks(qtd_, "99");
    EXPECT_EQ(qtd_->Text(), "12,99");
}

TEST_F(FloatEditTest, WritingValueColoursBySign) {
    qtd_->SetValue(-2);
    EXPECT_EQ(qtd_->Text(), "0,000");
    EXPECT_EQ(qtd_->FontColor(), kColorRed);
    qtd_->SetNum_Negativo(true);
    qtd_->SetValue(-2.5);
    EXPECT_EQ(qtd_->Text(), "-2,500");
    EXPECT_DOUBLE_EQ(qtd_->Value(), -2.5);
    qtd_->SetValue(0.5);
    EXPECT_EQ(qtd_->Text(), "0,500");
    EXPECT_EQ(qtd_->FontColor(), kColorBlue);
    qtd_->SetDigits(1);
    EXPECT_EQ(qtd_->Text(), "0,5");
    qtd_->SetDigits(0);
    EXPECT_EQ(qtd_->Text(), "1"); // rounded half away from zero
}

TEST_F(FloatEditTest, ReadingValueReportsUnreadableText) {
    struct {
        const char* text;
        double value;
        bool message;
    } cases[] = {{"", 0, false},        {"-", 0, false},  {",", 0, false},
                 {"3,25", 3.25, false}, {"12-", 0, true}, {"1.5", 0, true}};
    for (const auto& c : cases) {
        torvel::testing::Boxes().clear();
        qtd_->SetText(c.text);
        EXPECT_DOUBLE_EQ(qtd_->Value(), c.value) << c.text;
        ASSERT_EQ(torvel::testing::Boxes().size(), c.message ? 1u : 0u) << c.text;
        if (c.message) {
            const RecordedBox& box = torvel::testing::Boxes().front();
            EXPECT_EQ(box.text, "Erro ao carregar o Edit Qtd");
            EXPECT_EQ(box.title, "UniTorvel");
            EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        }
        EXPECT_EQ(qtd_->Text(), c.text); // the text stays as typed
    }
}

TEST_F(FloatEditTest, TextModeHasNoValue) {
    other_->SetText("ABC");
    other_->SetValue(5);
    EXPECT_EQ(other_->Text(), "ABC");
    EXPECT_EQ(other_->Value(), 0);
    EXPECT_TRUE(torvel::testing::Boxes().empty());
}

TEST_F(FloatEditTest, UnreadableNumberOnExitWithAndWithoutDecimals) {
    other_->setObjectName("Valor");
    other_->SetNumerico(true);
    other_->SetNum_Negativo(true);
    for (int digits : {2, 0}) {
        torvel::testing::Boxes().clear();
        other_->SetDigits(digits);
        other_->SetText("");
        Enter(other_);
        QTest::keyClicks(other_, "12-");
        EXPECT_EQ(other_->Text(), "12-");
        TabAway(other_);
        if (digits == 2) {
            EXPECT_EQ(BoxTexts(), std::vector<QString>{"Erro ao carregar o Edit Valor"});
            EXPECT_EQ(other_->Text(), "0,00");
        } else {
            EXPECT_TRUE(torvel::testing::Boxes().empty());
            EXPECT_EQ(other_->Text(), "12-");
        }
    }
}

TEST_F(FloatEditTest, EscapeZeroesSelectsAllAndKeepsTheWindowOpen) {
    qtd_->SetText("5");
    Enter(qtd_, 1, 0);
    QTest::keyClick(qtd_, Qt::Key_Escape);
    EXPECT_EQ(qtd_->Text(), "0,000");
    EXPECT_EQ(qtd_->selectedText(), "0,000");
    EXPECT_TRUE(window_->isVisible());

    other_->SetText("ABC");
    Enter(other_, 3, 0);
    QTest::keyClick(other_, Qt::Key_Escape);
    EXPECT_EQ(other_->Text(), "ABC");
    EXPECT_EQ(other_->selectedText(), "ABC");
}

TEST_F(FloatEditTest, EscapeLeavesAReadOnlyFieldAlone) {
    qtd_->SetText("5");
    qtd_->SetReadOnly(true);
    Enter(qtd_);
    QTest::keyClick(qtd_, Qt::Key_Escape);
    QTest::keyClicks(qtd_, "7");
    EXPECT_EQ(qtd_->Text(), "5");
}

TEST_F(FloatEditTest, NameCaseOnExitFollowsScrollLock) {
    other_->SetCaixaAlta(true);
    other_->SetCharCase(ecUpperCase);
    other_->SetMaxLength(40);
    struct {
        bool scrollLock;
        bool readOnly;
        const char* expected;
    } cases[] = {{false, false, "  JOSE DA SILVA E FILHOS "},
                 {true, false, "Jose da Silva e Filhos"},
                 {true, true, "  JOSE DA SILVA E FILHOS "}};
    for (const auto& c : cases) {
        scrollLock_.Set(c.scrollLock);
        other_->SetText("");
        other_->SetReadOnly(false);
        Enter(other_);
        QTest::keyClicks(other_, "  jose da silva e filhos ");
        EXPECT_EQ(other_->Text(), "  JOSE DA SILVA E FILHOS ");
        other_->SetReadOnly(c.readOnly);
        TabAway(other_);
        EXPECT_EQ(other_->Text(), c.expected) << c.scrollLock << c.readOnly;
    }
}

TEST_F(FloatEditTest, NumericFieldWithoutDecimalsTakesTheTextBranchOnExit) {
    // Nothing is read or re-rendered, so a text that is no number raises no message.
    scrollLock_.Set(true);
    qtd_->SetDigits(0);
    qtd_->SetCaixaAlta(true);
    qtd_->SetText("ABC DE");
    Enter(qtd_);
    TabAway(qtd_);
    EXPECT_EQ(qtd_->Text(), "Abc de");
    EXPECT_TRUE(torvel::testing::Boxes().empty());
}

TEST_F(FloatEditTest, UpperCaseAppliesToTypedAccentedLetters) {
    other_->SetCharCase(ecUpperCase);
    Enter(other_);
    // Typed as key events that carry their text, as a keyboard with these letters sends them.
    // The euro sign has a Windows-1252 byte; a character without one is refused instead of
    // turning into "?".
    for (QChar c : QString::fromUtf8("a\xC3\xA7\xC3\xA3o 1/b\xE2\x82\xAC\xC4\x80"))
        QTest::sendKeyEvent(QTest::Click, other_, Qt::Key_unknown, QString(c), Qt::NoModifier);
    EXPECT_EQ(other_->Text(), "A\xC7\xC3O 1/B\x80");
}

TEST_F(FloatEditTest, FocusColoursAndEnterOrder) {
    other_->SetColor(0x00F0F0F0);
    other_->SetFontColor(0x00000080);
    int colourSeenByEnter = -1;
    other_->SetOnEnter([&] { colourSeenByEnter = other_->Color(); });
    other_->SetText("ABC");
    EXPECT_EQ(other_->CorFoco(), 0);
    Enter(other_);
    // The window's enter handler runs before the field paints its focus colour.
    EXPECT_EQ(colourSeenByEnter, 0x00F0F0F0);
    EXPECT_EQ(other_->CorFoco(), kColorYellow);
    EXPECT_EQ(other_->Color(), kColorYellow);
    TabAway(other_);
    EXPECT_EQ(other_->Color(), 0x00F0F0F0);
    EXPECT_EQ(other_->FontColor(), 0x00000080);

    other_->SetCorFoco(13828095);
    QTest::keyClick(button_, Qt::Key_Backtab);
    ASSERT_TRUE(other_->hasFocus());
    EXPECT_EQ(other_->Color(), 13828095);
    EXPECT_EQ(other_->palette().color(QPalette::Base), QColor(255, 255, 210));
    EXPECT_EQ(other_->selectedText(), "ABC");
}

TEST_F(FloatEditTest, ExitHandlerRunsBeforeTheClickThatTookTheFocus) {
    qtd_->SetOnExit([this] { log_.push_back("exit " + qtd_->Text()); });
    QObject::connect(button_, &QPushButton::clicked,
                     [this] { log_.push_back("click " + qtd_->Text()); });
    Enter(qtd_, 0, 1);
    QTest::keyClicks(qtd_, "3");
    QTest::mouseClick(button_, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(log_, (std::vector<std::string>{"exit 3", "click 3,000"}));
}

TEST_F(FloatEditTest, ValueDefaultOnExit) {
    qtd_->SetValueDefault("1");
    qtd_->SetText("");
    Enter(qtd_);
    TabAway(qtd_);
    EXPECT_EQ(qtd_->Text(), "1,000");

    other_->SetValueDefault("NOVO");
    Enter(other_);
    TabAway(other_);
    EXPECT_EQ(other_->Text(), "NOVO");

    qtd_->SetValueDefault("x");
    qtd_->SetText("0");
    Enter(qtd_);
    TabAway(qtd_);
    EXPECT_EQ(BoxTexts(), std::vector<QString>{"'x' is not a valid floating point value."});
    EXPECT_EQ(torvel::testing::Boxes().front().icon, QMessageBox::Critical);
    EXPECT_EQ(qtd_->Text(), "0,000");
}

TEST_F(FloatEditTest, ExitHandlerMayHandTheFocusBack) {
    other_->SetColor(0x00FFFFFF);
    int exits = 0;
    other_->SetOnExit([&] {
        if (++exits == 1)
            other_->setFocus(Qt::OtherFocusReason);
    });
    Enter(other_);
    QTest::keyClick(other_, Qt::Key_Tab);
    EXPECT_TRUE(other_->hasFocus());
    EXPECT_EQ(other_->Color(), kColorYellow);
    TabAway(other_);
    EXPECT_EQ(exits, 2);
    EXPECT_EQ(other_->Color(), 0x00FFFFFF);
}

TEST_F(FloatEditTest, SwitchingWindowsIsNoExitButAFocusMovedMeanwhileIs) {
    int exits = 0;
    other_->SetOnExit([&] { ++exits; });
    other_->SetColor(0x00FFFFFF);
    Enter(other_);
    QWidget second;
    second.show();
    second.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(other_->Color(), kColorYellow);
    // A handler moves the focus while the window is inactive: no focus-out reaches the field.
    button_->setFocus(Qt::OtherFocusReason);
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    EXPECT_TRUE(button_->hasFocus());
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(other_->Color(), 0x00FFFFFF);
}

TEST_F(FloatEditTest, WindowKeyHookSeesKeysFirst) {
    other_->SetOnKeyDown([this](QKeyEvent* e) {
        log_.push_back("key " + std::to_string(e->key()));
        return e->key() == Qt::Key_X || e->key() == Qt::Key_Return;
    });
    Enter(other_);
    QTest::keyClicks(other_, "axb");
    QTest::keyClick(other_, Qt::Key_Return);
    EXPECT_EQ(other_->Text(), "ab");
    EXPECT_EQ(log_.size(), 4u);
}

TEST_F(FloatEditTest, TrimmedLength) {
    struct {
        const char* text;
        int length;
    } cases[] = {{"", 0}, {"   ", 0}, {" \tAB C\x01 ", 4}, {"X", 1}};
    for (const auto& c : cases) {
        other_->SetText(c.text);
        EXPECT_EQ(other_->TrimmedLength(), c.length) << c.text;
    }
}

} // namespace
