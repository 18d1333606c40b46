// TDrumoEdit: an entry field that knows the kind of value it holds (TTipoEdit): it refuses
// characters that cannot belong to it and lays the text out in its printed form when left.
#pragma once

#include "controls/DocumentLayout.h"
#include "controls/FlEdit.h"

using torvel::tpTexto, torvel::tpInteiro, torvel::tpFloat, torvel::tpCRF, torvel::tpPlaca,
    torvel::tpData, torvel::tpDataHora, torvel::tpFone, torvel::tpCEP;
using torvel::TTipoDefault;
using torvel::TTipoEdit;

class TDrumoEdit : public TEntryField {
    Q_OBJECT
public:
    explicit TDrumoEdit(QWidget* parent = nullptr);

    bool CaixaAlta() const { return caixaAlta_; }
    void SetCaixaAlta(bool on) { caixaAlta_ = on; }

    // Owned by the field.
    TTipoEdit& Tipo() { return tipo_; }
    const TTipoEdit& Tipo() const { return tipo_; }

    // The stored number of the numeric types. It follows the text only when the field is left.
    double Value() const { return value_; }
    // Numeric types only; other types ignore it.
    void SetValue(double value);

protected:
    void DoEnter() override;
    void DoExit(Qt::FocusReason reason) override;
    torvel::FilterResult Filter(std::string_view text, int selStart, int selLength,
                                char typed) const override;
    void ResetValue() override { SetValue(0); }

private:
    void FinishExit(const std::optional<std::string>& error);

    bool caixaAlta_ = false;
    TTipoEdit tipo_;
    double value_ = 0;
};
