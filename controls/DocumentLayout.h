// The kinds of value a TDrumoEdit holds and how their text is laid out when the field is left.
// Plain text in, plain text out: the widget only moves texts between these functions and the
// screen.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torvel {

enum TTipoDefault {
    tpTexto = 0,
    tpInteiro = 1,
    tpFloat = 2,
    tpCRF = 3,
    tpPlaca = 4,
    tpData = 5,
    tpDataHora = 6,
    tpFone = 7,
    tpCEP = 8,
};

bool IsNumericTipo(TTipoDefault tipo);
// The pattern that choosing a type puts into Mascara.
std::string DefaultMascara(TTipoDefault tipo);
// Characters after the first "." of the pattern, or the pattern's length, capped at 8.
int DecimalPlacesOf(std::string_view mascara);

// The type descriptor owned by each TDrumoEdit. Setting Tipo resets Mascara; setting Mascara
// afterwards overrides the pattern.
class TTipoEdit {
public:
    TTipoDefault Tipo() const { return tipo_; }
    void SetTipo(TTipoDefault tipo);
    const std::string& Mascara() const { return mascara_; }
    void SetMascara(std::string_view mascara);
    bool Num_Negativo() const { return numNegativo_; }
    void SetNum_Negativo(bool on) { numNegativo_ = on; }
    int DecimalPlaces() const { return decimalPlaces_; }

private:
    TTipoDefault tipo_ = tpTexto;
    std::string mascara_;
    bool numNegativo_ = false;
    int decimalPlaces_ = 0;
};

// The characters "0"-"9" of s, in order.
std::string StripToDigits(std::string_view s);

// Lays s out over a pattern of "0" places and literal characters. The layout may end in ";0;*"
// or ";0;0", which only close the pattern. A place beyond the end of s becomes a space;
// characters of s beyond the places stay at the end.
std::string FormatMask(std::string_view layout, std::string_view s);

// The text of a numeric type for the value v (already clamped by the caller), without blanks.
std::string RenderTipoValue(double v, std::string_view mascara);

// What leaving the field makes of its text. `value` is set when a numeric type wrote its value;
// `error` is set when the text could not be laid out (the text then holds what the steps before
// the failure made of it).
struct DrumoExitResult {
    std::string text;
    std::optional<double> value;
    std::optional<std::string> error;
};
DrumoExitResult DrumoExitLayout(const TTipoEdit& tipo, bool caixaAlta, std::string_view text);

} // namespace torvel
