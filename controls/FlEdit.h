// TFloatEdit: the one-line entry field for quantities, product codes and search texts, numeric
// or free text, painted in a focus colour while it has the focus. TEntryField holds what it
// shares with TDrumoEdit: focus colours, the enter/exit handlers and the key pipeline.
#pragma once

#include "controls/EditFilters.h"

#include <QColor>
#include <QLineEdit>
#include <functional>
#include <string>
#include <string_view>

class QInputMethodEvent;
class QKeyEvent;

// The controls live beside the windows, outside the core's namespace.
class TEntryField : public QLineEdit {
    Q_OBJECT
public:
    explicit TEntryField(QWidget* parent = nullptr);

    // Windows-1252 text.
    std::string Text() const;
    void SetText(std::string_view text);

    // Horizontal part only: Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment Alignment() const;
    void SetAlignment(Qt::Alignment alignment);

    // Background while focused; 0 means "not chosen yet" and becomes yellow at the first entry.
    int CorFoco() const { return corFoco_; }
    void SetCorFoco(int bgr) { corFoco_ = bgr; }

    // Background and font colour, through the palette (Base and Text); 0x00BBGGRR values as in
    // controls/Colors.h.
    int Color() const;
    void SetColor(int bgr);
    int FontColor() const;
    void SetFontColor(int bgr);

    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }

    // The window's handlers. OnKeyDown sees every key first; returning true consumes it.
    void SetOnEnter(std::function<void()> handler) { onEnter_ = std::move(handler); }
    void SetOnExit(std::function<void()> handler) { onExit_ = std::move(handler); }
    void SetOnKeyDown(std::function<bool(QKeyEvent*)> handler) { onKeyDown_ = std::move(handler); }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

    // Entry and exit processing of the field, window handlers included.
    virtual void DoEnter() = 0;
    virtual void DoExit(Qt::FocusReason reason) = 0;
    // The key filter of the field for one typed character (Windows-1252).
    virtual torvel::FilterResult Filter(std::string_view text, int selStart, int selLength,
                                        char typed) const = 0;
    // Escape in a numeric field.
    virtual void ResetValue() = 0;
    // The character that goes into the text for an accepted one (forced case).
    virtual char Cased(char c) const { return c; }

    // Saving keeps the colours of the first entry until they are restored, so that a field
    // that gets the focus back during its own exit processing restores the right ones.
    void SaveColours();
    void PaintFocusColour();
    void RestoreColours();
    void RunOnEnter() const;
    void RunOnExit() const;
    // After the exit processing: when a handler gave the focus back, show it as focused again.
    void ReEnterAfterExit();

    // True between the entry and the exit processing.
    bool Entered() const { return entered_; }

private:
    void Leave(Qt::FocusReason reason);
    static bool To1252(QChar c, char& byte);
    bool Accepts(char typed, char& toInsert) const;
    void ApplyTyped(QKeyEvent* event, QChar c);

    int corFoco_ = 0;
    QColor savedBase_;
    QColor savedText_;
    bool coloursSaved_ = false;
    bool entered_ = false;
    std::function<void()> onEnter_;
    std::function<void()> onExit_;
    std::function<bool(QKeyEvent*)> onKeyDown_;
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TFloatEdit : public TEntryField {
    Q_OBJECT
public:
    explicit TFloatEdit(QWidget* parent = nullptr);

    int Digits() const { return digits_; }
    void SetDigits(int digits);

    // Numeric mode only: reading an unreadable text tells the user and gives 0; in text mode
    // reading gives 0 and writing does nothing.
    double Value() const;
    void SetValue(double value);

    const std::string& ValueDefault() const { return valueDefault_; }
    void SetValueDefault(std::string_view text) { valueDefault_ = std::string(text); }
    bool CaixaAlta() const { return caixaAlta_; }
    void SetCaixaAlta(bool on) { caixaAlta_ = on; }
    bool Obrigatorio() const { return obrigatorio_; }
    void SetObrigatorio(bool on) { obrigatorio_ = on; }
    bool Num_Negativo() const { return numNegativo_; }
    void SetNum_Negativo(bool on) { numNegativo_ = on; }
    bool Numerico() const { return numerico_; }
    void SetNumerico(bool on) { numerico_ = on; }

    // 0 means no limit. The line edit's own maximum length is the same setting.
    int MaxLength() const;
    void SetMaxLength(int length);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase charCase) { charCase_ = charCase; }
    void SetCharCaseUpper(bool on) { charCase_ = on ? ecUpperCase : ecNormal; }

    // Length of the text without leading and trailing blanks and control characters.
    int TrimmedLength() const;

protected:
    void DoEnter() override;
    void DoExit(Qt::FocusReason reason) override;
    torvel::FilterResult Filter(std::string_view text, int selStart, int selLength,
                                char typed) const override;
    void ResetValue() override { SetValue(0); }
    char Cased(char c) const override;

private:
    void ApplyCharCaseToEdit();

    int digits_ = 0;
    std::string valueDefault_;
    bool caixaAlta_ = false;
    bool obrigatorio_ = false;
    bool numNegativo_ = false;
    bool numerico_ = false;
    TEditCharCase charCase_ = ecNormal;
};
