// The order list page of the main window: its controls and layout, the popup menu of the order
// actions, and the wiring of " Listar", " Novo Pedido." and the actions to their handlers.
#include "orders/OrderListPage.h"

#include "controls/FormWidgets.h"
#include "controls/GListView.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QVBoxLayout>

#include <algorithm>

using torvel::LetGrow;
using torvel::MakeButton;
using torvel::MakeCombo;
using torvel::MakeLabel;
using torvel::MakeMenuItem;
using torvel::OnClick;
using torvel::OnTrigger;

namespace {

// The Emissao column shows "DD/MM/YYYY HH:MM": as wide as the style makes a cell for that text in
// the list's font (with the widest digit everywhere), plus the grid line; never narrower than its
// design width.
int EmissaoWidth(const TGListView& list, int designWidth) {
    const QFontMetrics metrics(list.font());
    QChar widest('0');
    for (char d = '1'; d <= '9'; ++d)
        if (metrics.horizontalAdvance(QChar(d)) > metrics.horizontalAdvance(widest))
            widest = QChar(d);
    QStyleOptionViewItem cell;
    cell.initFrom(&list);
    cell.font = list.font();
    cell.fontMetrics = metrics;
    cell.features = QStyleOptionViewItem::HasDisplay;
    cell.text = QStringLiteral("00/00/0000 00:00");
    cell.text.replace(QChar('0'), widest);
    const int needed =
        list.style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), &list).width();
    return std::max(designWidth, needed + 1);
}

} // namespace

namespace torvel::orders {

OrderListPage::OrderListPage(Session& session, PageHost& host, QWidget* parent)
    : QWidget(parent), session_(session), host_(host) {
    Build();
    Connect();
}

void OrderListPage::Build() {
    setObjectName("Default");
    QWidget* p = this;

    Label4 = MakeLabel(p, "Label4", " Mostrar meus Documentos ", QRect(12, 6, 260, 24));
    Label4->setStyleSheet("font-weight: bold; font-size: 15px; color: rgb(0, 64, 128);");
    QLabel* lMes = MakeLabel(p, "LMes", QString::fromUtf8("Mês.:"), QRect(12, 40, 40, 26));
    ComboBox = MakeCombo(p, "ComboBox", QString::fromUtf8("Mês"), QRect(54, 40, 130, 26));
    for (const char* month : kMonthNames)
        ComboBox->addItem(QString::fromUtf8(month));
    ComboBox->addItem("Todos");
    ComboBox->setCurrentIndex(12);
    QLabel* lSituacao =
        MakeLabel(p, "LSituacao", QString::fromUtf8("Situação.:"), QRect(196, 40, 70, 26));
    qSituacao = MakeCombo(p, "qSituacao", QString::fromUtf8("Situação"), QRect(268, 40, 130, 26));
    for (const char* s : {"Aberto", "Concluida", "Cancelado", "Todos"})
        qSituacao->addItem(s);
    qSituacao->setCurrentIndex(3);
    B_Listar =
        MakeButton(p, "B_Listar", " Listar", "", QRect(410, 38, 100, 30), QStyle::SP_BrowserReload);
    Label3 = MakeLabel(p, "Label3", "Seu ID :", QRect(560, 40, 211, 26));
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label3->setStyleSheet("font-weight: bold; color: rgb(128, 0, 0);");

    gPedido = new TGListView(p);
    gPedido->setObjectName("gPedido");
    gPedido->setAccessibleName("Pedidos");
    gPedido->setGeometry(12, 78, 759, 380);
    gPedido->AddColumns({
        {"", 20, Qt::AlignLeft},
        {"Doc", 60, Qt::AlignHCenter},
        {QString::fromUtf8("Observaçoes"), 300, Qt::AlignLeft},
        {"Situacao", 130, Qt::AlignHCenter},
        {"Emissao", EmissaoWidth(*gPedido, 90), Qt::AlignHCenter},
    });
    gPedido->SetCorZebra(13303807);
    gPedido->SetCheckCor(8454016);
    gPedido->SetCheckboxes(false);
    PopupMenu2 = new QMenu(gPedido);
    PopupMenu2->setObjectName("PopupMenu2");
    CancelarPedido1 = MakeMenuItem(PopupMenu2, "CancelarPedido1", "Cancelar Pedido");
    DuplicarPedido1 = MakeMenuItem(PopupMenu2, "DuplicarPedido1", "Duplicar Pedido");
    VisualizarPedido1 = MakeMenuItem(PopupMenu2, "VisualizarPedido1", "Visualizar Pedido");
    gPedido->SetPopupMenu(PopupMenu2);

    B_Altera = MakeButton(p, "B_Altera", "  Alterar Selecionado",
                          "Altera o registro corrente!   (Ctrl + A)", QRect(12, 470, 190, 40),
                          QStyle::SP_FileDialogDetailedView);
    B_Altera->setEnabled(false);
    B_Novo = MakeButton(p, "B_Novo", " Novo Pedido.",
                        QString::fromUtf8("Inclui um novo Lançamento!  (Ctrl + N)"),
                        QRect(214, 470, 170, 40), QStyle::SP_FileIcon);
    B_Novo->setEnabled(false);
    // Hidden for good: no layout holds it.
    BitBtn1 = MakeButton(p, "BitBtn1", "Atualizar Itens", "", QRect(600, 470, 160, 40),
                         QStyle::SP_BrowserReload);
    BitBtn1->setVisible(false);

    Panel1 = MakeLabel(p, "Panel1", "SELECIONE A EMPRESA", QRect(0, 0, 783, 530));
    LetGrow(Panel1, Qt::Horizontal | Qt::Vertical);
    Panel1->setMinimumSize(0, 0);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setAutoFillBackground(true);
    Panel1->setStyleSheet("background: rgb(0, 128, 0); color: white; font-size: 28px;"
                          "font-weight: bold;");

    // The design's places at 783 by 530: the heading, the filters with the user's id at the
    // right, the list taking all extra room, the buttons under it; Panel1 over the whole page.
    auto* filters = new QHBoxLayout;
    filters->setSpacing(0);
    filters->addWidget(lMes, 0, Qt::AlignVCenter);
    filters->addSpacing(2);
    filters->addWidget(ComboBox, 0, Qt::AlignVCenter);
    filters->addSpacing(12);
    filters->addWidget(lSituacao, 0, Qt::AlignVCenter);
    filters->addSpacing(2);
    filters->addWidget(qSituacao, 0, Qt::AlignVCenter);
    filters->addSpacing(12);
    filters->addWidget(B_Listar);
    filters->addStretch(1);
    filters->addWidget(Label3, 0, Qt::AlignVCenter);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addWidget(B_Altera);
    buttons->addWidget(B_Novo);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(12, 6, 12, 20);
    column->setSpacing(0);
    column->addWidget(Label4, 0, Qt::AlignLeft);
    column->addSpacing(8);
    column->addLayout(filters);
    column->addSpacing(10);
    column->addWidget(gPedido, 1);
    column->addSpacing(12);
    column->addLayout(buttons);
    auto* page = new QGridLayout(p);
    page->setContentsMargins(0, 0, 0, 0);
    page->addLayout(column, 0, 0);
    page->addWidget(Panel1, 0, 0);
}

void OrderListPage::Connect() {
    OnClick(B_Listar, [this] { B_ListarClick(); });
    OnClick(B_Novo, [this] { emit newOrderRequested(); });
    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnTrigger(CancelarPedido1, [this] { CancelarPedido1Click(); });
    OnTrigger(DuplicarPedido1, [this] { DuplicarPedido1Click(); });
    OnTrigger(VisualizarPedido1, [this] { VisualizarPedido1Click(); });
}

} // namespace torvel::orders
