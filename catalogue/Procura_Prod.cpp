#include "catalogue/Procura_Prod.h"

#include "controls/Colors.h"
#include "controls/FlEdit.h"
#include "controls/Fonts.h"
#include "controls/GListView.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/PressKey.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

using torvel::SearchMode;

namespace {

constexpr int kProcuraFocusBgr = 13828095; // red 255, green 255, blue 210
constexpr int kPanelBgr = torvel::ColorRGB(255, 255, 213);
constexpr int kCodeMaxLength = 13;
constexpr size_t kChosenIdLength = 10;

// The legend's texts as two labels, the keys and their meanings, whose blanks leave room for
// each other's words. They are kept for what they say; the legend itself is drawn by KeyLegend,
// since blanks line up only in the one font they were counted for.
const char* const kLegendKeys =
    " F2                                      F3                              F4                   "
    "               F5                           ";
const char* const kLegendMeanings = "     - Parte do Nome             - Marca                     "
                                    "- Cod. Barras              - Referencia       ";
struct LegendPair {
    const char* key;
    const char* meaning;
};
const LegendPair kLegendPairs[] = {{"F2", " - Parte do Nome"},
                                   {"F3", " - Marca"},
                                   {"F4", " - Cod. Barras"},
                                   {"F5", " - Referencia"}};
const char* const kLegendSpoken = "F2 - Parte do Nome, F3 - Marca, F4 - Cod. Barras, "
                                  "F5 - Referencia";

void paint(QWidget* widget, int backgroundBgr, int textBgr) {
    QPalette p = widget->palette();
    if (backgroundBgr != torvel::kColorNone) {
        p.setColor(QPalette::Window, torvel::ToQColor(backgroundBgr));
        widget->setAutoFillBackground(true);
    }
    p.setColor(QPalette::WindowText, torvel::ToQColor(textBgr));
    widget->setPalette(p);
}

// A listed product's cells: ID, Nome, Referencia, Marca, UND, Preço, V. Sugerido.
class ProductRows : public torvel::RowSource {
public:
    explicit ProductRows(std::shared_ptr<const torvel::ProductTable> table)
        : table_(std::move(table)) {}
    size_t CellCount(uint32_t) const override { return kCells.size(); }
    std::string_view Cell(uint32_t key, size_t column) const override {
        return table_->Field(key, kCells[column - 1]);
    }

private:
    static constexpr std::array<torvel::ProductField, 7> kCells = {
        torvel::ProductField::Id,         torvel::ProductField::Nome,
        torvel::ProductField::Referencia, torvel::ProductField::Marca,
        torvel::ProductField::Und,        torvel::ProductField::Preco,
        torvel::ProductField::VSugerido};
    std::shared_ptr<const torvel::ProductTable> table_;
};

// The key legend under the list, drawn in one piece: each key in red followed by its meaning in
// navy, the four pairs at fixed places, so that no font's widths can make them run together.
class KeyLegend : public QWidget {
public:
    static constexpr int kPairs = 4;
    static constexpr int kFirstX = 8;
    static constexpr int kSlotWidth = 208; // four slots and the margin fit in 840 pixels

    KeyLegend(QWidget* parent, const QFont& font) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFont(font);
        FitFont();
    }

    // Where each pair starts, relative to the legend.
    static int PairX(int pair) { return kFirstX + pair * kSlotWidth; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int baseline = (height() + metrics.ascent() - metrics.descent()) / 2;
        for (int i = 0; i < kPairs; ++i) {
            int x = PairX(i);
            painter.setPen(torvel::ToQColor(torvel::ColorRGB(255, 0, 0)));
            painter.drawText(x, baseline, kLegendPairs[i].key);
            x += metrics.horizontalAdvance(kLegendPairs[i].key);
            painter.setPen(torvel::ToQColor(torvel::kColorNavy));
            painter.drawText(x, baseline, kLegendPairs[i].meaning);
        }
    }

private:
    // A substitute for the legend's font may be wider: shrink it until every pair fits its slot.
    void FitFont() {
        QFont f = font();
        while (f.pixelSize() > 9 && WidestPair(f) > kSlotWidth - 8)
            f.setPixelSize(f.pixelSize() - 1);
        setFont(f);
    }
    static int WidestPair(const QFont& f) {
        const QFontMetrics metrics(f);
        int widest = 0;
        for (const auto& pair : kLegendPairs)
            widest = std::max(widest, metrics.horizontalAdvance(QString(pair.key) + pair.meaning));
        return widest;
    }
};

QLabel* MakeSearchLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text.simplified());
    label->setGeometry(rect);
    return label;
}

} // namespace

TFProcura_Prod::TFProcura_Prod(QWidget* parent) : QDialog(parent) {
    buildWindow();
    FormCreate();
}

TFProcura_Prod::~TFProcura_Prod() = default;

QPoint torvel::KeepOnScreen(QPoint wanted, QSize outer, const QRect& area) {
    // Slide left/up only as far as needed; when the window is larger than the area its top-left
    // corner (title bar and first columns) stays visible.
    int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - outer.width()));
    int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - outer.height()));
    return QPoint(x, y);
}

void TFProcura_Prod::buildWindow() {
    setObjectName("FProcura_Prod");
    setWindowTitle("FProcura_Prod");
    setAccessibleName("Busca de Produtos");
    setWindowModality(Qt::ApplicationModal);
    // 863 x 510 outside, less the frame; it may grow, never shrink.
    resize(855, 476);
    setMinimumSize(855, 476);
    QRect area(330, 149, 863, 510);
    if (QScreen* screen = QApplication::primaryScreen())
        area = screen->availableGeometry();
    move(torvel::KeepOnScreen(QPoint(330, 149), QSize(863, 510), area));
    setFont(torvel::DesignPointFont("MS Sans Serif", 8));

    Label5 = MakeSearchLabel(this, "Label5", "Busca de Produtos", QRect(0, 0, width(), 27));
    Label5->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label5->setFixedHeight(27);
    Label5->setFont(torvel::DesignFont("Consolas", 20, true));
    paint(Label5, torvel::ColorRGB(0, 64, 0), torvel::kColorWhite);

    gLista = new TGListView(this);
    gLista->setObjectName("gLista");
    gLista->setAccessibleName("Produtos");
    gLista->setGeometry(4, 28, 842, 414);
    gLista->SetRowSelect(true);
    gLista->SetGridLines(true);
    gLista->SetCheckboxes(true);
    gLista->SetColumnClick(false);
    gLista->SetCorZebra(torvel::kColorSilver);
    gLista->SetCheckCor(torvel::kColorNavy);
    gLista->AddColumns({
        {QString(), 4, Qt::AlignLeft},
        {"ID    ", 65, Qt::AlignRight},
        {"Nome", 271, Qt::AlignLeft},
        {"Referencia", 108, Qt::AlignLeft},
        {"Marca", 130, Qt::AlignLeft},
        {"UND", 43, Qt::AlignLeft},
        {torvel::ToQString("Pre\xE7o      "), 87, Qt::AlignRight, 2},
        {"Vl. Sugerido ", 0, Qt::AlignRight, 2},
    });
    // The suggested price travels with the row but is not for the user's eyes.
    gLista->setColumnHidden(7, true);
    connect(gLista, &TGListView::DblClick, this, [this] { gListaDblClick(); });

    Label1 = MakeSearchLabel(this, "Label1", QString(), QRect(5, 445, 840, 25));
    Label1->setAccessibleName(kLegendSpoken);
    Label1->setFixedHeight(25);
    paint(Label1, torvel::ColorRGB(215, 235, 255), torvel::kColorBlack);

    const QFont legendFont = torvel::DesignFont("Tahoma", 16, true);
    Label2 = MakeSearchLabel(this, "Label2", kLegendKeys, QRect(9, 449, 836, 20));
    Label2->setFont(legendFont);
    paint(Label2, torvel::kColorNone, torvel::ColorRGB(255, 0, 0));
    Label6 = MakeSearchLabel(this, "Label6", kLegendMeanings, QRect(16, 449, 756, 18));
    Label6->setFont(legendFont);
    paint(Label6, torvel::kColorNone, torvel::kColorNavy);
    Label2->setVisible(false);
    Label6->setVisible(false);
    auto* legend = new KeyLegend(this, legendFont);
    legend->setObjectName("Legenda");
    legend->setAccessibleName(kLegendSpoken);
    legend->setGeometry(Label1->geometry());
    legend->setFixedHeight(25);

    Digitando = new QFrame(this);
    Digitando->setObjectName("Digitando");
    Digitando->setAccessibleName("Digitando");
    Digitando->setGeometry(237, 217, 332, 78);
    Digitando->setFixedSize(332, 78);
    Digitando->setFrameStyle(QFrame::Box | QFrame::Plain);
    Digitando->setLineWidth(1);
    paint(Digitando, kPanelBgr, torvel::kColorBlack);
    Digitando->setVisible(false);

    Shape1 = new QFrame(Digitando);
    Shape1->setObjectName("Shape1");
    Shape1->setFrameStyle(QFrame::NoFrame);
    Shape1->setGeometry(1, 1, 330, 27);
    paint(Shape1, torvel::ColorRGB(255, 0, 0), torvel::ColorRGB(255, 0, 0));

    LTitulo = MakeSearchLabel(Digitando, "LTitulo", QString(), QRect(1, 1, 330, 23));
    LTitulo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LTitulo->setFont(torvel::DesignFont("Tahoma", 17, true));
    paint(LTitulo, torvel::ColorRGB(255, 0, 0), torvel::kColorWhite);

    FProcura = new TFloatEdit(Digitando);
    FProcura->setObjectName("FProcura");
    FProcura->setAccessibleName("Procura");
    FProcura->setGeometry(10, 32, 313, 36);
    FProcura->setFrame(false);
    FProcura->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    FProcura->SetCharCaseUpper(true);
    FProcura->SetCaixaAlta(false);
    FProcura->SetAlignment(Qt::AlignHCenter);
    FProcura->setFont(torvel::DesignFont("Lucida Sans", 23, true));
    FProcura->SetColor(kPanelBgr);
    FProcura->SetFontColor(torvel::kColorNavy);
    FProcura->SetDigits(0);
    FProcura->SetNumerico(false);
    FProcura->SetOnKeyDown([this](QKeyEvent* event) { return FProcuraKeyDown(event); });
    FProcura->SetOnExit([this] { FProcuraExit(); });

    // The title across the top, the list taking all extra room with the typing panel centred
    // over it, the legend at the bottom; at 855 by 476 the others are at their design places.
    auto* listArea = new QGridLayout;
    listArea->setContentsMargins(4, 1, 9, 0);
    listArea->addWidget(gLista, 0, 0);
    listArea->addWidget(Digitando, 0, 0, Qt::AlignCenter);
    auto* legendArea = new QGridLayout;
    legendArea->setContentsMargins(5, 3, 10, 6);
    legendArea->addWidget(Label1, 0, 0);
    legendArea->addWidget(legend, 0, 0);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Label5);
    column->addLayout(listArea, 1);
    column->addLayout(legendArea);

    // Window-level key handling: the window sees the keys meant for the list (and for itself
    // when nothing has the focus) before they do.
    gLista->installEventFilter(this);
    installEventFilter(this);
}

void TFProcura_Prod::FormCreate() {
    // A fresh table: rows still listed from a former one keep reading theirs.
    table_ = std::make_shared<torvel::ProductTable>();
    try {
        // A large catalogue takes a while: keep the screen painting, but leave the user's
        // input queued until the window can take it.
        table_->Load([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    } catch (const std::exception& e) {
        // The products read before the failure stay; the window opens all the same.
        torvel::ShowError(torvel::ToQString(e.what()));
    }
    gLista->setFocus();
}

bool TFProcura_Prod::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !keyPreview_ || (watched != gLista && watched != this))
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    return FormKeyDown(key->key(), key->modifiers());
}

bool TFProcura_Prod::FormKeyDown(int key, Qt::KeyboardModifiers) {
    FProcura->clear();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ChooseProduct();
        return true;
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_F2:
        SetSearchMode(SearchMode::Semelhanca);
        return true;
    case Qt::Key_F3:
        SetSearchMode(SearchMode::Marca);
        return true;
    case Qt::Key_F4:
        SetSearchMode(SearchMode::Codigo);
        return true;
    case Qt::Key_F5:
        SetSearchMode(SearchMode::Referencia);
        return true;
    default:
        break;
    }
    // Digits of the main keyboard and of the keypad have the same key codes here.
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        FProcura->SetText(std::string(1, char('0' + (key - Qt::Key_0))));
        SetSearchMode(SearchMode::Codigo);
        return true;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        FProcura->SetText(std::string(1, char('A' + (key - Qt::Key_A))));
        SetSearchMode(SearchMode::Descricao);
        return true;
    }
    return false;
}

void TFProcura_Prod::SetSearchMode(SearchMode mode) {
    keyPreview_ = false;
    Digitando->setVisible(true);
    FProcura->SetCorFoco(kProcuraFocusBgr);
    FProcura->SetNumerico(false);
    FProcura->SetMaxLength(0);
    if (mode == SearchMode::None) {
        keyPreview_ = true;
        Digitando->setVisible(false);
        FProcura->clear();
        gLista->setFocus();
        return;
    }
    const QString title = torvel::ToQString(torvel::SearchModeName(mode));
    LTitulo->setText(title);
    LTitulo->setAccessibleName(title);
    FProcura->setAccessibleName(title);
    if (mode == SearchMode::Codigo) {
        FProcura->SetNumerico(true);
        FProcura->SetMaxLength(kCodeMaxLength);
    }
    FProcura->setFocus(Qt::OtherFocusReason);
    CaretToEnd();
}

void TFProcura_Prod::CaretToEnd() {
    // The field selects its whole text when it gets the focus; the character typed on the list
    // must be followed, not replaced, by the next one.
    auto apply = [field = QPointer<TFloatEdit>(FProcura)] {
        if (field)
            field->setCursorPosition(int(field->text().size()));
    };
    apply();
    if (!FProcura->hasFocus()) // the window is not active yet: the entry comes later
        QMetaObject::invokeMethod(this, apply, Qt::QueuedConnection);
}

SearchMode TFProcura_Prod::CurrentSearchMode() const {
    if (!Digitando->isVisibleTo(this))
        return SearchMode::None;
    return torvel::SearchModeFromName(torvel::FromQString(LTitulo->text()));
}

bool TFProcura_Prod::FProcuraKeyDown(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    // Leaving the field is what applies the search.
    focusNextChild();
    if (FProcura->hasFocus())
        gLista->setFocus(Qt::TabFocusReason);
    return true;
}

void TFProcura_Prod::FProcuraExit() {
    if (FProcura->TrimmedLength() <= 0) {
        SetSearchMode(SearchMode::None);
        return;
    }
    try {
        ApplySearch();
    } catch (const std::exception& e) {
        torvel::ShowError(torvel::ToQString(e.what()));
        // The panel is still open with the text: let the user mend it. Once the focus change
        // that brought us here is over.
        QPointer<TFloatEdit> field(FProcura);
        QMetaObject::invokeMethod(
            this,
            [this, field] {
                if (field && Digitando->isVisible()) {
                    field->setFocus(Qt::OtherFocusReason);
                    CaretToEnd();
                }
            },
            Qt::QueuedConnection);
    }
}

void TFProcura_Prod::ApplySearch() {
    const SearchMode mode = CurrentSearchMode();
    std::string text = FProcura->Text();
    if (mode == SearchMode::Codigo) {
        text = torvel::PrepareSearchText(mode, text);
        FProcura->SetText(text);
    }
    // Read first: a filter that cannot be read changes nothing.
    const torvel::ProductFilter filter(torvel::BuildSearchFilter(mode, text, StoreId));
    const std::vector<uint32_t> rows = table_->Select(filter);
    SetSearchMode(SearchMode::None);
    FillList(rows);
    ChosenProductId.clear();
}

void TFProcura_Prod::FillList(const std::vector<uint32_t>& rows) {
    // Drawing is suspended and the view hears of the new rows once, however many there are.
    // The rows are the table's own products: the list reads their fields from the table.
    gLista->BeginUpdate();
    gLista->Clear();
    gLista->SetSourceRows(std::make_shared<ProductRows>(table_), rows);
    gLista->setFocus();
    // Queued: it reaches the list once the event loop runs and selects the first row.
    torvel::PressKey(torvel::VK_DOWN, 1);
    gLista->EndUpdate();
}

void TFProcura_Prod::ChooseProduct() {
    const int row = gLista->SelectedRow();
    if (row == 0)
        return;
    const std::string id = gLista->GetCell(1, row);
    setWindowTitle(torvel::ToQString("Selecionado.: " + id + "-" + id));
    ChosenProductId = id.substr(0, kChosenIdLength);
    accept();
}

void TFProcura_Prod::gListaDblClick() {
    ChooseProduct();
}

void TFProcura_Prod::reject() {
    ChosenProductId.clear();
    QDialog::reject();
}
