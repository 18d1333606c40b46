#include "controls/drumoEdit.h"

#include "util/Cp1252QString.h"
#include "util/Dialogs.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <cmath>

using namespace torvel;

TDrumoEdit::TDrumoEdit(QWidget* parent) : TEntryField(parent) {
    tipo_.SetTipo(tpTexto);
}

void TDrumoEdit::SetValue(double value) {
    if (!IsNumericTipo(tipo_.Tipo()))
        return;
    if (!std::isfinite(value) || (value < 0 && !tipo_.Num_Negativo()))
        value = 0;
    value_ = value;
    SetText(RenderTipoValue(value, tipo_.Mascara()));
}

FilterResult TDrumoEdit::Filter(std::string_view text, int selStart, int selLength,
                                char typed) const {
    DrumoEditSettings s;
    s.tipo = tipo_.Tipo();
    s.decimalPlaces = tipo_.DecimalPlaces();
    s.numNegativo = tipo_.Num_Negativo();
    s.readOnly = isReadOnly();
    return DrumoEditFilter(s, text, selStart, selLength, typed);
}

void TDrumoEdit::DoEnter() {
    SaveColours();
    PaintFocusColour();
    RunOnEnter();
    if (Entered())
        selectAll();
}

void TDrumoEdit::DoExit(Qt::FocusReason reason) {
    RestoreColours();
    const std::string before = Text();
    DrumoExitResult r = DrumoExitLayout(tipo_, caixaAlta_, before);
    if (r.text != before)
        SetText(r.text);
    if (r.value)
        value_ = *r.value;

    if (reason == Qt::MouseFocusReason) {
        // The press that took the focus is still being delivered: its release (and so the
        // click) can only be handled after it. Finish once the pending events have run.
        QTimer::singleShot(0, this, [this, error = r.error] { FinishExit(error); });
        return;
    }
    if (r.error) {
        FinishExit(r.error);
        return;
    }
    QPointer<TDrumoEdit> self(this);
    QCoreApplication::processEvents();
    if (self)
        FinishExit(std::nullopt);
}

void TDrumoEdit::FinishExit(const std::optional<std::string>& error) {
    if (error) {
        // The window's exit handler does not run for a text that could not be laid out.
        ShowError(ToQString(*error));
        return;
    }
    // Colours were restored before the handler, so a handler that hands the focus back gets
    // an ordinary entry.
    RunOnExit();
}
