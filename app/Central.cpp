#include "app/Central.h"

#include "api/HttpTransport.h"
#include "api/OrderApi.h"
#include "app/uFStatus.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "controls/drumoEdit.h"
#include "util/Clock.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/SafeFile.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>

#include <stdexcept>

using torvel::FromQString;
using torvel::ToQString;

namespace {

const char* const kMonths[] = {"Janeiro",  "Fevereiro", "Março",    "Abril",
                               "Maio",     "Junho",     "Julho",    "Agosto",
                               "Setembro", "Outubro",   "Novembro", "Dezembro"};
const char* const kWeekdays[] = {"Domingo",      "Segunda-feira", "Terça-feira", "Quarta-feira",
                                 "Quinta-feira", "Sexta-feira",   "Sábado"};

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text.trimmed().isEmpty() ? QString(name) : text.trimmed());
    label->setGeometry(geometry);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint, QRect geometry, QStyle::StandardPixmap glyph) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption.trimmed());
    button->setToolTip(hint);
    button->setGeometry(geometry);
    button->setAutoDefault(true); // a focused button takes Enter as a click
    if (glyph != QStyle::SP_CustomBase)
        button->setIcon(parent->style()->standardIcon(glyph));
    return button;
}

// A field box: a sunken white label that shows a value.
QLabel* makeValue(QWidget* parent, const char* name, const QString& accessible, const QString& text,
                  QRect geometry, Qt::Alignment alignment) {
    auto* label = makeLabel(parent, name, text, geometry);
    label->setAccessibleName(accessible);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setStyleSheet("background: white; padding: 0 3px;");
    return label;
}

QLabel* makeCaption(QWidget* parent, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setStyleSheet("background: rgb(0, 64, 128); color: white; font-weight: bold;");
    return label;
}

QComboBox* makeCombo(QWidget* parent, const char* name, const QString& accessible, QRect geometry) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setAccessibleName(accessible);
    combo->setEditable(false);
    combo->setGeometry(geometry);
    return combo;
}

std::string configPath() {
    return torvel::ConfigDirectory() + "/" + torvel::kConfigFileName;
}

// The first-run panel covers the whole window; what lies under it is out of reach of Tab and
// Enter too, so that the keyboard stays on the panel.
void showFirstRunPanel(TFCentral& window, bool show) {
    window.Panel2->setVisible(show);
    window.Loja->setEnabled(!show);
    window.Notebook1->setEnabled(!show);
    if (show)
        window.ECNPJ->setFocus();
}

} // namespace

TFCentral::TFCentral(QWidget* parent) : QWidget(parent) {
    buildWindow();
    connectHandlers();
    qApp->installEventFilter(this);
    FormCreate();
}

TFCentral::~TFCentral() {
    if (qApp)
        qApp->removeEventFilter(this);
}

torvel::HttpTransport& TFCentral::Transport() {
    if (!transport_) {
        transport_ = std::make_unique<torvel::HttpTransport>();
        // While a request blocks, the windows still repaint; user input waits.
        transport_->SetWaitHook(
            [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    }
    return *transport_;
}

torvel::OrderApi& TFCentral::Api() {
    if (!api_)
        api_ = std::make_unique<torvel::OrderApi>(Transport(), Servidor);
    return *api_;
}

void TFCentral::buildWindow() {
    setObjectName("FCentral");
    setWindowTitle("Pedidos Torvel");
    setAccessibleName("Pedidos Torvel");
    setFixedSize(783, 582);

    Loja = makeCombo(this, "Loja", "Loja", QRect(12, 10, 420, 34));
    QFont lojaFont = Loja->font();
    lojaFont.setPixelSize(18);
    lojaFont.setBold(true);
    Loja->setFont(lojaFont);
    Loja->setStyleSheet("QComboBox { color: rgb(0, 128, 0); }");

    LData = makeLabel(this, "LData", "00/00/0000.", QRect(445, 14, 326, 26));
    LData->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LData->setStyleSheet("color: rgb(0, 0, 255); font-weight: bold;");

    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName("Notebook1");
    Notebook1->setGeometry(0, 52, 783, 530);
    buildListPage();
    buildEditorPage();
    buildFirstRunPanel();
}

void TFCentral::buildListPage() {
    PageDefault = new QWidget;
    PageDefault->setObjectName("Default");
    Notebook1->addWidget(PageDefault);
    QWidget* p = PageDefault;

    Label4 = makeLabel(p, "Label4", " Mostrar meus Documentos ", QRect(12, 6, 260, 24));
    Label4->setStyleSheet("font-weight: bold; font-size: 15px; color: rgb(0, 64, 128);");
    makeLabel(p, "LMes", QString::fromUtf8("Mês.:"), QRect(12, 40, 40, 26));
    ComboBox = makeCombo(p, "ComboBox", QString::fromUtf8("Mês"), QRect(54, 40, 130, 26));
    for (const char* month : kMonths)
        ComboBox->addItem(QString::fromUtf8(month));
    ComboBox->addItem("Todos");
    ComboBox->setCurrentIndex(12);
    makeLabel(p, "LSituacao", QString::fromUtf8("Situação.:"), QRect(196, 40, 70, 26));
    qSituacao = makeCombo(p, "qSituacao", QString::fromUtf8("Situação"), QRect(268, 40, 130, 26));
    for (const char* s : {"Aberto", "Concluida", "Cancelado", "Todos"})
        qSituacao->addItem(s);
    qSituacao->setCurrentIndex(3);
    B_Listar =
        makeButton(p, "B_Listar", " Listar", "", QRect(410, 38, 100, 30), QStyle::SP_BrowserReload);
    Label3 = makeLabel(p, "Label3", "Seu ID :", QRect(560, 40, 211, 26));
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label3->setStyleSheet("font-weight: bold; color: rgb(128, 0, 0);");

    gPedido = new TGListView(p);
    gPedido->setObjectName("gPedido");
    gPedido->setAccessibleName("Pedidos");
    gPedido->setGeometry(12, 78, 759, 380);
    gPedido->AddColumn("", 20, Qt::AlignLeft);
    gPedido->AddColumn("Doc", 60, Qt::AlignHCenter);
    gPedido->AddColumn(QString::fromUtf8("Observaçoes"), 300, Qt::AlignLeft);
    gPedido->AddColumn("Situacao", 130, Qt::AlignHCenter);
    gPedido->AddColumn("Emissao", 90, Qt::AlignHCenter);
    gPedido->SetCorZebra(13303807);
    gPedido->SetCheckCor(8454016);
    gPedido->SetCheckboxes(false);
    PopupMenu2 = new QMenu(gPedido);
    PopupMenu2->setObjectName("PopupMenu2");
    CancelarPedido1 = PopupMenu2->addAction("Cancelar Pedido");
    CancelarPedido1->setObjectName("CancelarPedido1");
    DuplicarPedido1 = PopupMenu2->addAction("Duplicar Pedido");
    DuplicarPedido1->setObjectName("DuplicarPedido1");
    VisualizarPedido1 = PopupMenu2->addAction("Visualizar Pedido");
    VisualizarPedido1->setObjectName("VisualizarPedido1");
    gPedido->SetPopupMenu(PopupMenu2);

    B_Altera = makeButton(p, "B_Altera", "  Alterar Selecionado",
                          "Altera o registro corrente!   (Ctrl + A)", QRect(12, 470, 190, 40),
                          QStyle::SP_FileDialogDetailedView);
    B_Altera->setEnabled(false);
    B_Novo = makeButton(p, "B_Novo", " Novo Pedido.",
                        QString::fromUtf8("Inclui um novo Lançamento!  (Ctrl + N)"),
                        QRect(214, 470, 170, 40), QStyle::SP_FileIcon);
    B_Novo->setEnabled(false);
    BitBtn1 = makeButton(p, "BitBtn1", "Atualizar Itens", "", QRect(600, 470, 160, 40),
                         QStyle::SP_BrowserReload);
    BitBtn1->setVisible(false);

    Panel1 = makeLabel(p, "Panel1", "SELECIONE A EMPRESA", QRect(0, 0, 783, 530));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setAutoFillBackground(true);
    Panel1->setStyleSheet("background: rgb(0, 128, 0); color: white; font-size: 28px;"
                          "font-weight: bold;");
}

void TFCentral::buildEditorPage() {
    PageCadastro = new QWidget;
    PageCadastro->setObjectName("Cadastro");
    Notebook1->addWidget(PageCadastro);
    QWidget* p = PageCadastro;

    makeCaption(p, " Pedido ", QRect(12, 6, 120, 20));
    Numero = makeValue(p, "Numero", "Pedido", "Novo", QRect(12, 26, 120, 26), Qt::AlignHCenter);
    makeCaption(p, " Data ", QRect(140, 6, 150, 20));
    Emissao = makeValue(p, "Emissao", "Data", "00/00/0000 00:00", QRect(140, 26, 150, 26),
                        Qt::AlignHCenter);

    const int capY = 62, rowY = 82, h = 28;
    makeCaption(p, " Item ", QRect(12, capY, 110, 20));
    cProd = new TFloatEdit(p);
    cProd->setObjectName("cProd");
    cProd->setAccessibleName("Item");
    cProd->setGeometry(12, rowY, 110, h);
    cProd->SetCaixaAlta(true);
    cProd->SetCharCaseUpper(true);
    cProd->setAlignment(Qt::AlignCenter);
    cProd->setMaxLength(40);
    Descricao = makeValue(p, "Descricao", QString::fromUtf8("Descrição"), "",
                          QRect(126, rowY, 290, h), Qt::AlignLeft);
    makeCaption(p, " UN ", QRect(420, capY, 44, 20));
    UND = makeValue(p, "UND", "UN", "", QRect(420, rowY, 44, h), Qt::AlignHCenter);
    makeCaption(p, " V. Unit ", QRect(468, capY, 80, 20));
    vUnit = makeValue(p, "vUnit", "V. Unit", "0,00", QRect(468, rowY, 80, h), Qt::AlignRight);
    makeCaption(p, " Qtd ", QRect(552, capY, 80, 20));
    Qtd = new TFloatEdit(p);
    Qtd->setObjectName("Qtd");
    Qtd->setAccessibleName("Qtd");
    Qtd->setGeometry(552, rowY, 80, h);
    Qtd->SetNumerico(true);
    Qtd->SetDigits(3);
    Qtd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Qtd->setMaxLength(999);
    Qtd->SetText("1");
    makeCaption(p, " Total ", QRect(636, capY, 84, 20));
    vTotal = makeValue(p, "vTotal", "Total", "", QRect(636, rowY, 84, h), Qt::AlignRight);
    B_Lancar = makeButton(p, "B_Lancar", "OK", QString::fromUtf8("Lançar."),
                          QRect(724, rowY - 1, 48, h + 2), QStyle::SP_CustomBase);

    gProd = new TGListView(p);
    gProd->setObjectName("gProd");
    gProd->setAccessibleName("Itens do pedido");
    gProd->setGeometry(12, 118, 759, 300);
    gProd->AddColumn("", 4, Qt::AlignLeft);
    gProd->AddColumn("Item", 40, Qt::AlignHCenter);
    gProd->AddColumn(QString::fromUtf8("Código"), 70, Qt::AlignHCenter);
    gProd->AddColumn(QString::fromUtf8("Descrição do Item"), 300, Qt::AlignLeft);
    gProd->AddColumn("Vl. Unit   ", 70, Qt::AlignRight);
    gProd->AddColumn("Quantidade ", 80, Qt::AlignRight);
    gProd->AddColumn("Valor Total  ", 80, Qt::AlignRight);
    gProd->SetCorZebra(15007690);
    gProd->SetCheckCor(0);
    gProd->SetCheckboxes(true);
    PopupMenu1 = new QMenu(gProd);
    PopupMenu1->setObjectName("PopupMenu1");
    A1 = PopupMenu1->addAction("Alterar Produto");
    A1->setObjectName("A1");
    ExcluirItem1 = PopupMenu1->addAction("Excluir Item");
    ExcluirItem1->setObjectName("ExcluirItem1");
    gProd->SetPopupMenu(PopupMenu1);

    auto* f3 = makeCaption(p, " F3 ", QRect(12, 426, 30, 20));
    f3->setObjectName("LF3");
    makeLabel(p, "LF3Legenda", " - Procurar", QRect(44, 426, 90, 20));
    auto* f4 = makeCaption(p, " F4 ", QRect(140, 426, 30, 20));
    f4->setObjectName("LF4");
    makeLabel(p, "LF4Legenda", QString::fromUtf8(" - Observações"), QRect(172, 426, 110, 20));
    makeLabel(p, "LItens", "Itens", QRect(420, 424, 40, 24));
    Itens = makeValue(p, "Itens", "Itens", "0", QRect(462, 424, 50, 24), Qt::AlignHCenter);
    makeLabel(p, "LValorTotal", " Valor Total.:", QRect(540, 424, 100, 24));
    VLNota = makeValue(p, "VLNota", "Valor Total", "0", QRect(640, 424, 131, 24), Qt::AlignRight);
    VLNota->setStyleSheet("background: white; padding: 0 3px; font-weight: bold;");

    B_Salva = makeButton(p, "B_Salva", " Enviar Pedido",
                         QString::fromUtf8("Grava o Lançamento efetuado!   (Ctrl + S)"),
                         QRect(12, 470, 170, 40), QStyle::SP_DialogSaveButton);
    B_Cancela = makeButton(p, "B_Cancela", " Cancelar Pedido",
                           QString::fromUtf8("Cancela a operação. (ESC)"), QRect(194, 470, 170, 40),
                           QStyle::SP_DialogCancelButton);
    B_Volta = makeButton(p, "B_Volta", "Voltar", "Fechar!", QRect(640, 470, 131, 40),
                         QStyle::SP_ArrowBack);
    B_Volta->setFocusPolicy(Qt::ClickFocus); // skipped by Tab

    OBS = new QFrame(p);
    OBS->setObjectName("OBS");
    OBS->setAccessibleName(QString::fromUtf8("Observações"));
    OBS->setGeometry(160, 150, 460, 200);
    OBS->setFrameShape(QFrame::Panel);
    OBS->setFrameShadow(QFrame::Raised);
    OBS->setAutoFillBackground(true);
    OBS->setStyleSheet("QFrame#OBS { background: rgb(200, 255, 200); }");
    makeLabel(OBS, "LObs", QString::fromUtf8("Observações :"), QRect(12, 8, 200, 22));
    Memo1 = new QPlainTextEdit(OBS);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName(QString::fromUtf8("Observações"));
    Memo1->setGeometry(12, 32, 436, 120);
    Memo1->setTabChangesFocus(true);
    Button1 = makeButton(OBS, "Button1", "ESC - Fechar", "", QRect(328, 158, 120, 32),
                         QStyle::SP_DialogCloseButton);
    OBS->setVisible(false);

    QWidget::setTabOrder(cProd, Qtd);
    QWidget::setTabOrder(Qtd, B_Lancar);
    QWidget::setTabOrder(B_Lancar, B_Salva);
    QWidget::setTabOrder(B_Salva, B_Cancela);
    QWidget::setTabOrder(B_Cancela, gProd);
    QWidget::setTabOrder(gProd, Memo1);
    QWidget::setTabOrder(Memo1, Button1);
}

void TFCentral::buildFirstRunPanel() {
    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, 0, 783, 582);
    Panel2->setAutoFillBackground(true);
    Panel2->setStyleSheet("QFrame#Panel2 { background: rgb(236, 242, 248); }");
    Label18 = makeLabel(Panel2, "Label18", "Informe o CNPJ", QRect(241, 200, 300, 30));
    Label18->setAlignment(Qt::AlignCenter);
    Label18->setStyleSheet("font-size: 20px; font-weight: bold; color: rgb(0, 64, 128);");
    ECNPJ = new TDrumoEdit(Panel2);
    ECNPJ->setObjectName("ECNPJ");
    ECNPJ->setAccessibleName("Informe o CNPJ");
    ECNPJ->setGeometry(241, 240, 300, 34);
    ECNPJ->Tipo().SetTipo(TTipoDefault::tpCRF);
    ECNPJ->Tipo().SetNum_Negativo(false);
    QFont big = ECNPJ->font();
    big.setPixelSize(18);
    ECNPJ->setFont(big);
    Button2 = makeButton(Panel2, "Button2", "Salvar", "", QRect(316, 290, 150, 38),
                         QStyle::SP_DialogSaveButton);
    Panel2->setVisible(false);
}

void TFCentral::Run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        torvel::ShowError(ToQString(e.what()));
    }
}

void TFCentral::connectHandlers() {
    connect(Loja, qOverload<int>(&QComboBox::activated), this,
            [this] { Run([this] { LojaSelect(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Run([this] { Button2Click(); }); });
    connect(B_Listar, &QPushButton::clicked, this, [this] { Run([this] { B_ListarClick(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Run([this] { BitBtn1Click(); }); });
    connectOrderHandlers();
}

bool TFCentral::IsCadastroShown() const {
    return Notebook1->currentIndex() == 1;
}

int TFCentral::ChosenStoreIndex() const {
    return Loja->currentIndex();
}

void TFCentral::FormCreate() {
    Stores.clear();
    if (torvel::FileExists(configPath()))
        Run([this] { LoadConfig(); }); // a file that cannot be read is reported, not fatal
    else
        showFirstRunPanel(*this, true);
}

void TFCentral::LoadConfig() {
    torvel::Config config =
        torvel::ReadConfig(torvel::ConfigDirectory() + "/" + torvel::kConfigFileName);
    Crf = config.crf;
    if (Servidor != config.servidor)
        api_.reset();
    Servidor = config.servidor;
    Loja->clear();
    Stores.clear();
    for (const auto& store : config.stores) {
        Loja->addItem(ToQString(store.text));
        Stores.push_back(store);
    }
    Loja->setCurrentIndex(Stores.empty() ? -1 : 0);
    if (Stores.size() == 1)
        LojaSelect();
}

void TFCentral::LojaSelect() {
    B_Novo->setEnabled(false);
    Panel1->setVisible(false);
    int index = ChosenStoreIndex();
    Ctro = index >= 0 && size_t(index) < Stores.size() ? Stores[size_t(index)].id : std::string();
    SetWaitMessage("Aguarde sincronizando...");
    try {
        torvel::StoreCheck check = Api().CheckStore(Crf, Ctro);
        // The reply is shown even when it is refused next; a failed request leaves Label3 alone.
        Label3->setText(ToQString("Seu ID : " + check.body));
        if (!check.Accepted())
            throw std::runtime_error("refused");
        UserId = *check.userId;
        B_Novo->setEnabled(true);
        RefreshOrderList(); // both keep their former contents on a failure of their own
        BitBtn1Click();
    } catch (const std::exception&) {
        // Whatever went wrong, the user is told the same, while the wait window still shows.
        torvel::ShowMessage(
            QString::fromUtf8("Sua loja não esta credenciada para efetuar pedidos."));
    }
    SetWaitMessage("");
}

void TFCentral::SetWaitMessage(const std::string& text) {
    if (!text.empty()) {
        // One hourglass for the whole wait, however many texts it shows.
        if (QApplication::overrideCursor())
            QApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QApplication::setOverrideCursor(Qt::WaitCursor);
        if (Status) {
            Status->SetText(ToQString(text));
            Status->raise();
        } else {
            Status = new TFStatus(this);
            Status->SetText(ToQString(text));
            Status->Centre();
            Status->show();
        }
    } else {
        if (Status) {
            QPointer<QWidget> previous = Status->PreviouslyActive();
            Status->close();
            delete Status;
            Status = nullptr;
            // A window manager gives the activation back to the window that had it; without one
            // (a bare X server, the offscreen platform) the program must do it, or the keys
            // would reach a window that Qt thinks inactive.
            if (previous && previous->isVisible() && !QApplication::activeModalWidget() &&
                QApplication::activeWindow() != previous)
                previous->activateWindow();
        }
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFCentral::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TFCentral::FormShow() {
    EditMode = false;
    torvel::LocalTime now = torvel::LocalNow();
    QString line = QString::fromUtf8("* %1, %2 de %3 de %4.")
                       .arg(QString::fromUtf8(kWeekdays[now.weekday]))
                       .arg(now.day)
                       .arg(QString::fromUtf8(kMonths[now.month - 1]))
                       .arg(now.year, 4, 10, QChar('0'));
    LData->setText(line);
    ComboBox->setCurrentIndex(now.month - 1);
    Notebook1->setCurrentIndex(0);
    Emissao->setText(QString::asprintf("%02d/%02d/%04d %02d:%02d", now.day, now.month, now.year,
                                       now.hour, now.minute));
}

bool TFCentral::FormKeyDown(int key, Qt::KeyboardModifiers) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        focusNextChild();
        return true;
    case Qt::Key_Escape:
        if (!OBS->isVisibleTo(PageCadastro))
            return false;
        OBS->setVisible(false);
        if (cProd->isVisible() && cProd->isEnabled())
            cProd->setFocus();
        return true;
    case Qt::Key_F3:
        if (!IsCadastroShown())
            return false;
        OpenProductSearch();
        return true;
    case Qt::Key_F4:
        if (!IsCadastroShown())
            return false;
        ShowObservations();
        return true;
    default:
        return false;
    }
}

bool TFCentral::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this || QApplication::activeModalWidget())
        return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    bool handled = false;
    Run([&] { handled = FormKeyDown(keyEvent->key(), keyEvent->modifiers()); });
    bool isEnter = keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter;
    // Enter still reaches a focused button, which takes it as a click.
    if (handled && isEnter && qobject_cast<QPushButton*>(widget))
        return false;
    return handled;
}

void TFCentral::Button2Click() {
    // A failed write stops here: the error box shows it and the panel stays for another try.
    torvel::ReplaceFileSafely(configPath(), torvel::DefaultConfigText(ECNPJ->Text()));
    LoadConfig();
    showFirstRunPanel(*this, false);
}

void TFCentral::paintEvent(QPaintEvent*) {
    // The background: a soft vertical gradient with a darker band behind the store combo.
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(232, 240, 248));
    gradient.setColorAt(1, QColor(208, 222, 236));
    painter.fillRect(rect(), gradient);
    painter.fillRect(QRect(0, 0, width(), 52), QColor(206, 222, 240));
    painter.fillRect(QRect(0, 51, width(), 2), QColor(0, 64, 128));
}
