#include "controls/FlEdit.h"

#include "controls/Colors.h"
#include "controls/ScrollLock.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/Numbers.h"
#include "util/uFuncoes.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QPointer>
#include <algorithm>

using namespace torvel;

// ---------------------------------------------------------------------------------------------
// TEntryField

TEntryField::TEntryField(QWidget* parent) : QLineEdit(parent) {
    // The focus can also move while the window is inactive (a handler focusing another control
    // right after a modal window closed); the field then gets no focus-out, only this signal.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (entered_ && now && now != this && now->window() == window())
            Leave(Qt::OtherFocusReason);
    });
}

std::string TEntryField::Text() const {
    return FromQString(text());
}

void TEntryField::SetText(std::string_view text) {
    setText(ToQString(text));
}

Qt::Alignment TEntryField::Alignment() const {
    return alignment() & Qt::AlignHorizontal_Mask;
}

void TEntryField::SetAlignment(Qt::Alignment alignment) {
    setAlignment((alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
}

int TEntryField::Color() const {
    return FromQColor(palette().color(QPalette::Base));
}

void TEntryField::SetColor(int bgr) {
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(bgr));
    setPalette(p);
}

int TEntryField::FontColor() const {
    return FromQColor(palette().color(QPalette::Text));
}

void TEntryField::SetFontColor(int bgr) {
    QPalette p = palette();
    p.setColor(QPalette::Text, ToQColor(bgr));
    setPalette(p);
}

void TEntryField::SaveColours() {
    if (coloursSaved_)
        return;
    savedBase_ = palette().color(QPalette::Base);
    savedText_ = palette().color(QPalette::Text);
    coloursSaved_ = true;
}

void TEntryField::PaintFocusColour() {
    if (corFoco_ == 0)
        corFoco_ = kColorYellow;
    SetColor(corFoco_);
}

void TEntryField::RestoreColours() {
    if (!coloursSaved_)
        return;
    coloursSaved_ = false;
    QPalette p = palette();
    p.setColor(QPalette::Base, savedBase_);
    p.setColor(QPalette::Text, savedText_);
    setPalette(p);
}

void TEntryField::RunOnEnter() const {
    if (onEnter_)
        onEnter_();
}

void TEntryField::RunOnExit() const {
    if (onExit_)
        onExit_();
}

void TEntryField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!entered_) {
        entered_ = true;
        DoEnter();
    }
}

void TEntryField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another application or a popup menu taking the focus is no exit from the field.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        Leave(reason);
}

void TEntryField::Leave(Qt::FocusReason reason) {
    if (!entered_)
        return;
    entered_ = false;
    DoExit(reason);
}

void TEntryField::ReEnterAfterExit() {
    if (!entered_ || !hasFocus())
        return;
    SaveColours();
    PaintFocusColour();
    selectAll();
}

void TEntryField::keyPressEvent(QKeyEvent* event) {
    if (onKeyDown_ && onKeyDown_(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
        FilterResult r = Filter(Text(), selStart, int(selectedText().size()), kEscape);
        if (r.resetValue)
            ResetValue();
        if (r.selectAll)
            selectAll();
        QLineEdit::keyPressEvent(event);
        // An edit field does nothing more with Escape: it must not reach the window and close
        // a dialog behind the user's back.
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool chord =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (typed.isEmpty() || chord || (typed.size() == 1 && !typed.at(0).isPrint())) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (QChar c : typed)
        ApplyTyped(event, c);
    event->accept();
}

bool TEntryField::To1252(QChar c, char& byte) {
    const std::string b = FromQString(QString(c));
    // A character without a Windows-1252 byte cannot be kept by any field of this program.
    if (b.size() != 1 || (b[0] == '?' && c != QLatin1Char('?')))
        return false;
    byte = b[0];
    return true;
}

bool TEntryField::Accepts(char typed, char& toInsert) const {
    const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
    const FilterResult r = Filter(Text(), selStart, int(selectedText().size()), typed);
    if (r.kind == FilterResult::Refuse)
        return false;
    toInsert = Cased(r.kind == FilterResult::Insert ? r.character : typed);
    return true;
}

void TEntryField::ApplyTyped(QKeyEvent* event, QChar c) {
    char typed = 0, toInsert = 0;
    if (!To1252(c, typed) || !Accepts(typed, toInsert))
        return;
    // Through the line edit's own insertion, so that read-only, the maximum length, the
    // selection and undo behave as for any typed character.
    QKeyEvent one(QEvent::KeyPress, event->key(), event->modifiers(),
                  ToQString(std::string(1, toInsert)), event->isAutoRepeat());
    QLineEdit::keyPressEvent(&one);
}

void TEntryField::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Composed characters (dead keys, input methods) go through the same filter as keys.
    QInputMethodEvent cleared(event->preeditString(), event->attributes());
    cleared.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&cleared);
    if (isReadOnly())
        return;
    for (QChar c : commit) {
        char typed = 0, toInsert = 0;
        if (To1252(c, typed) && Accepts(typed, toInsert))
            insert(ToQString(std::string(1, toInsert)));
    }
}

// ---------------------------------------------------------------------------------------------
// TFloatEdit

TFloatEdit::TFloatEdit(QWidget* parent) : TEntryField(parent) {
    // Pasted text follows the forced case as well; typed characters are cased as they go in.
    connect(this, &QLineEdit::textEdited, this, [this] { ApplyCharCaseToEdit(); });
}

void TFloatEdit::SetDigits(int digits) {
    digits = std::clamp(digits, 0, 255);
    if (digits == digits_)
        return;
    digits_ = digits;
    SetValue(Value());
}

double TFloatEdit::Value() const {
    if (!numerico_)
        return 0;
    if (std::optional<double> v = ReadFloatEditValue(Text()))
        return *v;
    ShowMessage(QStringLiteral("Erro ao carregar o Edit ") + objectName());
    return 0;
}

void TFloatEdit::SetValue(double value) {
    if (!numerico_)
        return;
    const RenderedValue r = RenderFloatEditValue(value, digits_, numNegativo_);
    SetFontColor(r.negativeColour ? kColorRed : kColorBlue);
    SetText(r.text);
}

// QLineEdit's "no limit" is its largest length.
constexpr int kNoLimit = 32767;

int TFloatEdit::MaxLength() const {
    return maxLength() >= kNoLimit ? 0 : maxLength();
}

void TFloatEdit::SetMaxLength(int length) {
    setMaxLength(length > 0 ? length : kNoLimit);
}

int TFloatEdit::TrimmedLength() const {
    return static_cast<int>(Trim(Text()).size());
}

char TFloatEdit::Cased(char c) const {
    if (charCase_ == ecNormal)
        return c;
    const std::string one(1, c);
    const std::string cased = charCase_ == ecUpperCase ? UpperCase(one) : LowerCase(one);
    return cased.size() == 1 ? cased[0] : c;
}

void TFloatEdit::ApplyCharCaseToEdit() {
    if (charCase_ == ecNormal)
        return;
    const std::string text = Text();
    std::string cased = text;
    for (char& c : cased)
        c = Cased(c);
    if (cased == text)
        return;
    const int pos = cursorPosition();
    SetText(cased);
    setCursorPosition(pos);
}

FilterResult TFloatEdit::Filter(std::string_view text, int selStart, int selLength,
                                char typed) const {
    FloatEditSettings s;
    s.numerico = numerico_;
    s.digits = digits_;
    s.numNegativo = numNegativo_;
    s.readOnly = isReadOnly();
    return FloatEditFilter(s, text, selStart, selLength, typed);
}

void TFloatEdit::DoEnter() {
    RunOnEnter();
    if (!Entered())
        return; // the enter handler sent the focus elsewhere
    SaveColours();
    PaintFocusColour();
    selectAll();
}

void TFloatEdit::DoExit(Qt::FocusReason) {
    QPointer<TFloatEdit> self(this);
    // The window's handler sees the text as typed.
    RunOnExit();
    if (!self)
        return;
    if (!IsBlank(valueDefault_)) {
        if (numerico_) {
            if (Value() == 0) {
                if (std::optional<double> v = ReadFloatEditValue(valueDefault_))
                    SetValue(*v);
                else
                    ShowError(
                        ToQString("'" + valueDefault_ + "' is not a valid floating point value"));
            }
        } else if (Text().empty()) {
            SetText(valueDefault_);
        }
    }
    RestoreColours();
    if (numerico_ && digits_ != 0) {
        if (IsBlank(Text()))
            SetValue(0);
        SetValue(Value());
    } else if (caixaAlta_ && !isReadOnly() && ScrollLockOn()) {
        SetText(Trim(NameCase(Text())));
    }
    ReEnterAfterExit();
}
