// The order editor page of the main window: its controls, layout and tab order, the
// observations panel with its 100-character limit, and the wiring of every editor button, menu
// item and field exit to its handler.
#include "orders/OrderEditorPage.h"

#include "controls/Accessibility.h"
#include "controls/FlEdit.h"
#include "controls/FormWidgets.h"
#include "controls/GListView.h"
#include "orders/SpokenText.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

using torvel::LetGrow;
using torvel::MakeButton;
using torvel::MakeCaption;
using torvel::MakeEntry;
using torvel::MakeLabel;
using torvel::MakeMenuItem;
using torvel::MakeValue;
using torvel::OnClick;
using torvel::OnTrigger;

namespace {

constexpr int kMaxObservationChars = 100;

} // namespace

namespace torvel::orders {

struct OrderEditorPage::Captions {
    QLabel *pedido, *data, *item, *und, *unit, *qtd, *total;
    QLabel *f3, *f3Legenda, *f4, *f4Legenda, *itens, *valorTotal;
};

// The design's places at 783 by 530: the order's number and date, the entry row (the
// description box taking the extra width), the items taking all extra room, the legends and
// totals under them (totals at the right), the buttons at the bottom ("Voltar" at the right).
void OrderEditorPage::LayOut(const Captions& l) {
    OrderEditorPage& c = *this;
    auto* heading = new QGridLayout;
    heading->setHorizontalSpacing(8);
    heading->setVerticalSpacing(0);
    heading->addWidget(l.pedido, 0, 0);
    heading->addWidget(c.Numero, 1, 0);
    heading->addWidget(l.data, 0, 1);
    heading->addWidget(c.Emissao, 1, 1);
    heading->setColumnStretch(2, 1);

    auto* entry = new QGridLayout;
    entry->setHorizontalSpacing(4);
    entry->setVerticalSpacing(0);
    const std::pair<QLabel*, QWidget*> fields[] = {
        {l.item, c.cProd}, {nullptr, c.Descricao}, {l.und, c.UND},       {l.unit, c.vUnit},
        {l.qtd, c.Qtd},    {l.total, c.vTotal},    {nullptr, c.B_Lancar}};
    int col = 0;
    for (const auto& [caption, field] : fields) {
        if (caption)
            entry->addWidget(caption, 0, col);
        entry->addWidget(field, 1, col, Qt::AlignTop);
        ++col;
    }
    entry->setColumnStretch(1, 1);

    // Each widget with the gap that follows it; 0 for none, -1 for the stretch.
    const std::pair<QWidget*, int> line[] = {{l.f3, 2},         {l.f3Legenda, 6}, {l.f4, 2},
                                             {l.f4Legenda, -1}, {l.itens, 2},     {c.Itens, 28},
                                             {l.valorTotal, 0}, {c.VLNota, 0}};
    auto* legends = new QHBoxLayout;
    legends->setSpacing(0);
    for (const auto& [widget, gap] : line) {
        legends->addWidget(widget, 0, Qt::AlignVCenter);
        if (gap < 0)
            legends->addStretch(1);
        else if (gap > 0)
            legends->addSpacing(gap);
    }

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addWidget(c.B_Salva);
    buttons->addWidget(c.B_Cancela);
    buttons->addStretch(1);
    buttons->addWidget(c.B_Volta);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 6, 12, 20);
    column->setSpacing(0);
    column->addLayout(heading);
    column->addSpacing(10);
    column->addLayout(entry);
    column->addSpacing(6);
    column->addWidget(c.gProd, 1);
    column->addSpacing(6);
    column->addLayout(legends);
    column->addSpacing(22);
    column->addLayout(buttons);
}

OrderEditorPage::OrderEditorPage(Session& session, PageHost& host, QWidget* parent)
    : QWidget(parent), session_(session), host_(host) {
    Build();
    Connect();
}

void OrderEditorPage::Build() {
    setObjectName("Cadastro");
    QWidget* p = this;
    Captions l;

    l.pedido = MakeCaption(p, " Pedido ", QRect(12, 6, 120, 20));
    Numero = MakeValue(p, "Numero", "Pedido", "Novo", QRect(12, 26, 120, 26), Qt::AlignHCenter);
    l.data = MakeCaption(p, " Data ", QRect(140, 6, 150, 20));
    Emissao = MakeValue(p, "Emissao", "Data", "00/00/0000 00:00", QRect(140, 26, 150, 26),
                        Qt::AlignHCenter);

    const int capY = 62, rowY = 82, h = 28;
    l.item = MakeCaption(p, " Item ", QRect(12, capY, 110, 20));
    cProd = MakeEntry(p, "cProd", "Item", QRect(12, rowY, 110, h));
    cProd->SetCaixaAlta(true);
    cProd->SetCharCaseUpper(true);
    cProd->setAlignment(Qt::AlignCenter);
    cProd->setMaxLength(40);
    Descricao = MakeValue(p, "Descricao", QString::fromUtf8("Descrição"), "",
                          QRect(126, rowY, 290, h), Qt::AlignLeft);
    LetGrow(Descricao, Qt::Horizontal); // the description takes the row's extra width
    l.und = MakeCaption(p, " UN ", QRect(420, capY, 44, 20));
    UND = MakeValue(p, "UND", "UN", "", QRect(420, rowY, 44, h), Qt::AlignHCenter);
    l.unit = MakeCaption(p, " V. Unit ", QRect(468, capY, 80, 20));
    vUnit = MakeValue(p, "vUnit", "V. Unit", "0,00", QRect(468, rowY, 80, h), Qt::AlignRight);
    l.qtd = MakeCaption(p, " Qtd ", QRect(552, capY, 80, 20));
    Qtd = MakeEntry(p, "Qtd", "Qtd", QRect(552, rowY, 80, h));
    Qtd->SetNumerico(true);
    Qtd->SetDigits(3);
    Qtd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Qtd->setMaxLength(999);
    Qtd->SetText("1");
    l.total = MakeCaption(p, " Total ", QRect(636, capY, 84, 20));
    vTotal = MakeValue(p, "vTotal", "Total", "", QRect(636, rowY, 84, h), Qt::AlignRight);
    B_Lancar = MakeButton(p, "B_Lancar", "OK", QString::fromUtf8("Lançar."),
                          QRect(724, rowY - 1, 48, h + 2), QStyle::SP_CustomBase);

    gProd = new TGListView(p);
    gProd->setObjectName("gProd");
    gProd->setAccessibleName("Itens do pedido");
    gProd->setGeometry(12, 118, 759, 300);
    gProd->AddColumns({
        {"", 4, Qt::AlignLeft},
        {"Item", 40, Qt::AlignHCenter},
        {QString::fromUtf8("Código"), 70, Qt::AlignHCenter},
        {QString::fromUtf8("Descrição do Item"), 300, Qt::AlignLeft},
        {"Vl. Unit   ", 70, Qt::AlignRight},
        {"Quantidade ", 80, Qt::AlignRight},
        {"Valor Total  ", 80, Qt::AlignRight},
    });
    gProd->SetCorZebra(15007690);
    gProd->SetCheckCor(0);
    gProd->SetCheckboxes(true);
    PopupMenu1 = new QMenu(gProd);
    PopupMenu1->setObjectName("PopupMenu1");
    A1 = MakeMenuItem(PopupMenu1, "A1", "Alterar Produto");
    ExcluirItem1 = MakeMenuItem(PopupMenu1, "ExcluirItem1", "Excluir Item");
    gProd->SetPopupMenu(PopupMenu1);

    l.f3 = MakeCaption(p, " F3 ", QRect(12, 426, 30, 20));
    l.f3->setObjectName("LF3");
    l.f3Legenda = MakeLabel(p, "LF3Legenda", " - Procurar", QRect(44, 426, 90, 20));
    l.f4 = MakeCaption(p, " F4 ", QRect(140, 426, 30, 20));
    l.f4->setObjectName("LF4");
    l.f4Legenda =
        MakeLabel(p, "LF4Legenda", QString::fromUtf8(" - Observações"), QRect(172, 426, 110, 20));
    l.itens = MakeLabel(p, "LItens", "Itens", QRect(420, 424, 40, 24));
    Itens = MakeValue(p, "Itens", "Itens", "0", QRect(462, 424, 50, 24), Qt::AlignHCenter);
    l.valorTotal = MakeLabel(p, "LValorTotal", " Valor Total.:", QRect(540, 424, 100, 24));
    VLNota = MakeValue(p, "VLNota", "Valor Total", "0", QRect(640, 424, 131, 24), Qt::AlignRight);
    VLNota->setStyleSheet("background: white; padding: 0 3px; font-weight: bold;");

    B_Salva = MakeButton(p, "B_Salva", " Enviar Pedido",
                         QString::fromUtf8("Grava o Lançamento efetuado!   (Ctrl + S)"),
                         QRect(12, 470, 170, 40), QStyle::SP_DialogSaveButton);
    B_Cancela = MakeButton(p, "B_Cancela", " Cancelar Pedido",
                           QString::fromUtf8("Cancela a operação. (ESC)"), QRect(194, 470, 170, 40),
                           QStyle::SP_DialogCancelButton);
    B_Volta = MakeButton(p, "B_Volta", "Voltar", "Fechar!", QRect(640, 470, 131, 40),
                         QStyle::SP_ArrowBack);
    B_Volta->setFocusPolicy(Qt::ClickFocus); // skipped by Tab

    // Over the list, at its design place, whatever the size of the window.
    OBS = new QFrame(p);
    OBS->setObjectName("OBS");
    OBS->setAccessibleName(QString::fromUtf8("Observações"));
    OBS->setGeometry(160, 150, 460, 200);
    OBS->setFrameShape(QFrame::Panel);
    OBS->setFrameShadow(QFrame::Raised);
    OBS->setAutoFillBackground(true);
    OBS->setStyleSheet("QFrame#OBS { background: rgb(200, 255, 200); }");
    MakeLabel(OBS, "LObs", QString::fromUtf8("Observações :"), QRect(12, 8, 200, 22));
    Memo1 = new QPlainTextEdit(OBS);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName(QString::fromUtf8("Observações"));
    Memo1->setGeometry(12, 32, 436, 120);
    Memo1->setTabChangesFocus(true);
    SayOnFocus(Memo1, ToQString(SpokenLimit(kMaxObservationChars)));
    Button1 = MakeButton(OBS, "Button1", "ESC - Fechar", "", QRect(328, 158, 120, 32),
                         QStyle::SP_DialogCloseButton);
    OBS->setVisible(false);

    LayOut(l);

    QWidget::setTabOrder(cProd, Qtd);
    QWidget::setTabOrder(Qtd, B_Lancar);
    QWidget::setTabOrder(B_Lancar, B_Salva);
    QWidget::setTabOrder(B_Salva, B_Cancela);
    QWidget::setTabOrder(B_Cancela, gProd);
    QWidget::setTabOrder(gProd, Memo1);
    QWidget::setTabOrder(Memo1, Button1);
}

void OrderEditorPage::Connect() {
    OnClick(B_Lancar, [this] { B_LancarClick(); });
    OnClick(B_Salva, [this] { B_SalvaClick(); });
    OnClick(B_Cancela, [this] { B_CancelaClick(); });
    OnClick(B_Volta, [this] { B_VoltaClick(); });
    OnClick(Button1, [this] { Button1Click(); });
    OnTrigger(A1, [this] { A1Click(); });
    OnTrigger(ExcluirItem1, [this] { ExcluirItem1Click(); });
    cProd->SetOnExit([this] { RunHandler([this] { cProdExit(); }); });
    Qtd->SetOnExit([this] { RunHandler([this] { QtdExit(); }); });
    AcceptLists();

    // The observations take at most 100 characters: what goes past the limit is dropped from
    // the end of what was just typed or pasted.
    QTextDocument* observations = Memo1->document();
    connect(observations, &QTextDocument::contentsChange, this,
            [observations, memo = Memo1](int position, int, int added) {
                const int length = observations->characterCount() - 1; // without the last break
                const int excess = length - kMaxObservationChars;
                if (excess <= 0 || added <= 0)
                    return;
                // A whole new text counts the document's closing break among the added ones.
                const int end = std::min(position + added, length);
                QTextCursor cursor(observations);
                cursor.setPosition(std::max(position, end - excess));
                cursor.setPosition(end, QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
                SayWhileFocused(memo, ToQString(SpokenLimit(kMaxObservationChars)));
            });
}

} // namespace torvel::orders
