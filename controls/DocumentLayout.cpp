#include "controls/DocumentLayout.h"

#include "util/Numbers.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <cmath>

namespace torvel {
namespace {

constexpr std::string_view kCnpjLayout = "00.000.000/0000-00;0;*";
constexpr std::string_view kCpfLayout = "000.000.000-00;0;*";
constexpr std::string_view kFone10Layout = "(00) 0000-0000;0;*";
constexpr std::string_view kFone11Layout = "(00) 00000-0000;0;*";

// The separators of dates and times on the target machines; fixed, like the decimal comma.
constexpr char kDateSeparator = '/';
constexpr char kTimeSeparator = ':';

std::string_view PatternOf(std::string_view layout) {
    for (std::string_view tail : {std::string_view(";0;*"), std::string_view(";0;0")}) {
        if (layout.size() >= tail.size() && layout.substr(layout.size() - tail.size()) == tail)
            return layout.substr(0, layout.size() - tail.size());
    }
    return layout;
}

} // namespace

bool IsNumericTipo(TTipoDefault tipo) {
    return tipo == tpInteiro || tipo == tpFloat;
}

std::string DefaultMascara(TTipoDefault tipo) {
    switch (tipo) {
    case tpInteiro:
        return "#########0";
    case tpFloat:
        return "######0.00";
    case tpData:
        return "00/00/0000";
    case tpDataHora:
        return "00/00/0000 00:00";
    case tpFone:
        return "(00) #0000-0000";
    case tpCEP:
        return "00.000-000";
    case tpTexto:
    case tpCRF:
    case tpPlaca:
        break;
    }
    return "";
}

int DecimalPlacesOf(std::string_view mascara) {
    size_t point = mascara.find('.');
    size_t count = point == std::string_view::npos ? mascara.size() : mascara.size() - point - 1;
    return static_cast<int>(std::min<size_t>(count, 8));
}

void TTipoEdit::SetTipo(TTipoDefault tipo) {
    tipo_ = tipo;
    SetMascara(DefaultMascara(tipo));
}

void TTipoEdit::SetMascara(std::string_view mascara) {
    mascara_ = std::string(mascara);
    decimalPlaces_ = DecimalPlacesOf(mascara_);
}

std::string StripToDigits(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c >= '0' && c <= '9')
            out += c;
    return out;
}

std::string FormatMask(std::string_view layout, std::string_view s) {
    std::string out(s);
    size_t pos = 0; // 0-based place in `out`
    for (char c : PatternOf(layout)) {
        if (c == '0') {
            if (out.size() <= pos)
                out += ' ';
        } else {
            if (out.size() < pos)
                out.append(pos - out.size(), ' ');
            char literal = c == '/' ? kDateSeparator : c == ':' ? kTimeSeparator : c;
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(pos), literal);
        }
        ++pos;
    }
    return out;
}

std::string RenderTipoValue(double v, std::string_view mascara) {
    if (!std::isfinite(v))
        v = 0;
    return Trim(FormatPattern(v, mascara));
}

DrumoExitResult DrumoExitLayout(const TTipoEdit& tipo, bool caixaAlta, std::string_view text) {
    DrumoExitResult r;
    r.text = std::string(text);
    const std::string& mascara = tipo.Mascara();
    switch (tipo.Tipo()) {
    case tpTexto:
        if (caixaAlta)
            r.text = Trim(NameCase(text));
        break;
    case tpCRF:
        r.text = text.empty() ? std::string("00000000000") : StripToDigits(text);
        r.text = FormatMask(r.text.size() > 11 ? kCnpjLayout : kCpfLayout, r.text);
        break;
    case tpFone: {
        std::string digits = StripToDigits(text);
        r.text = FormatMask(digits.size() == 10 ? kFone10Layout : kFone11Layout, digits);
        break;
    }
    case tpInteiro:
    case tpFloat: {
        if (StripToDigits(text).empty())
            r.text.assign(1, '0'); // not = "0": GCC 12 at -O3 gives a false -Wrestrict alarm
        std::optional<double> v = ReadNumber(r.text, ',');
        if (!v) {
            r.error = "'" + r.text + "' is not a valid floating point value";
            break;
        }
        double value = *v < 0 && !tipo.Num_Negativo() ? 0.0 : *v;
        r.value = value;
        r.text = RenderTipoValue(value, mascara);
        break;
    }
    case tpData: {
        r.text = StripToDigits(text);
        std::optional<double> v = ReadNumber(r.text, ',');
        if (!v) {
            // Nothing to lay out: the field keeps its digits (none) and the failure is shown.
            r.error = "Data inv\xE1lida: informe os d\xEDgitos do dia, do m\xEAs e do ano";
            break;
        }
        r.text = FormatPattern(*v, "00000000").substr(0, 10);
        r.text = Trim(FormatMask(mascara + ";0;0", r.text));
        break;
    }
    case tpDataHora: {
        r.text = StripToDigits(text);
        if (r.text.size() == 8)
            r.text += "0000";
        r.text = FormatMask(mascara + ";0;*", r.text).substr(0, 16);
        break;
    }
    case tpPlaca:
    case tpCEP:
        r.text = Trim(FormatMask(mascara + ";0;0", StripToDigits(text)));
        break;
    }
    return r;
}

} // namespace torvel
