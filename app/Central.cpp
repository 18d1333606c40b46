#include "app/Central.h"

#include "api/OrderApi.h"
#include "app/Config.h"
#include "app/uFStatus.h"
#include "controls/Accessibility.h"
#include "controls/FormWidgets.h"
#include "controls/drumoEdit.h"
#include "orders/OrderEditorPage.h"
#include "orders/OrderListPage.h"
#include "util/Clock.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/SafeFile.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <stdexcept>

using torvel::LetGrow;
using torvel::MakeButton;
using torvel::MakeCombo;
using torvel::MakeLabel;
using torvel::RunHandler;
using torvel::ToQString;

namespace {

const char* const kWeekdays[] = {"Domingo",      "Segunda-feira", "Terça-feira", "Quarta-feira",
                                 "Quinta-feira", "Sexta-feira",   "Sábado"};

std::string ConfigPath() {
    return torvel::ConfigDirectory() + "/" + torvel::kConfigFileName;
}

} // namespace

TFCentral::TFCentral(QWidget* parent) : QWidget(parent) {
    // While a request blocks, the windows still repaint; user input waits.
    session_.SetWaitHook(
        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    BuildWindow();
    ConnectHandlers();
    qApp->installEventFilter(this);
    FormCreate();
}

TFCentral::~TFCentral() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void TFCentral::BuildWindow() {
    // A top-level QWidget is a plain client area to assistive technology; this one is the window.
    torvel::SetAccessibleRole(this, QAccessible::Window);
    setObjectName("FCentral");
    setWindowTitle("Pedidos Torvel");
    setAccessibleName("Pedidos Torvel");
    // Opens at the design size and never gets smaller; the lists take any extra room.
    resize(783, 582);
    setMinimumSize(783, 582);

    Loja = MakeCombo(this, "Loja", "Loja", QRect(12, 10, 420, 34));
    QFont lojaFont = Loja->font();
    lojaFont.setPixelSize(18);
    lojaFont.setBold(true);
    Loja->setFont(lojaFont);
    Loja->setStyleSheet("QComboBox { color: rgb(0, 128, 0); }");

    LData = MakeLabel(this, "LData", "00/00/0000.", QRect(445, 14, 326, 26));
    LData->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LData->setStyleSheet("color: rgb(0, 0, 255); font-weight: bold;");

    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName("Notebook1");
    Notebook1->setGeometry(0, 52, 783, 530);
    PageDefault = new torvel::orders::OrderListPage(session_, *this);
    Notebook1->addWidget(PageDefault);
    PageCadastro = new torvel::orders::OrderEditorPage(session_, *this);
    Notebook1->addWidget(PageCadastro);
    BuildFirstRunPanel();

    // The store combo and the date line in a 52-pixel band, the pages under it; the first-run
    // panel lies over both.
    auto* band = new QHBoxLayout;
    band->setContentsMargins(12, 10, 12, 8);
    band->setSpacing(0);
    band->addWidget(Loja);
    band->addStretch(1);
    band->addWidget(LData, 0, Qt::AlignVCenter);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addLayout(band, 0, 0);
    grid->addWidget(Notebook1, 1, 0);
    grid->addWidget(Panel2, 0, 0, 2, 1);
    grid->setRowStretch(1, 1);
}

void TFCentral::BuildFirstRunPanel() {
    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, 0, 783, 582);
    Panel2->setAutoFillBackground(true);
    Panel2->setStyleSheet("QFrame#Panel2 { background: rgb(236, 242, 248); }");
    Label18 = MakeLabel(Panel2, "Label18", "Informe o CNPJ", QRect(241, 200, 300, 30));
    LetGrow(Label18, Qt::Horizontal); // a longer caption in a larger font still fits
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
    Button2 = MakeButton(Panel2, "Button2", "Salvar", "", QRect(316, 290, 150, 38),
                         QStyle::SP_DialogSaveButton);
    ECNPJ->setFixedSize(300, 34);
    // The question stays centred across the panel, 200 pixels from its top.
    auto* column = new QVBoxLayout(Panel2);
    column->setContentsMargins(0, 200, 0, 0);
    column->setSpacing(0);
    column->addWidget(Label18, 0, Qt::AlignHCenter);
    column->addSpacing(10);
    column->addWidget(ECNPJ, 0, Qt::AlignHCenter);
    column->addSpacing(16);
    column->addWidget(Button2, 0, Qt::AlignHCenter);
    column->addStretch(1);
    Panel2->setVisible(false);
}

void TFCentral::ConnectHandlers() {
    using torvel::orders::OrderEditorPage;
    using torvel::orders::OrderListPage;
    connect(Loja, qOverload<int>(&QComboBox::activated), this,
            [this] { RunHandler([this] { LojaSelect(); }); });
    torvel::OnClick(Button2, [this] { Button2Click(); });
    connect(PageDefault, &OrderListPage::newOrderRequested, this,
            [this] { RunHandler([this] { PageCadastro->B_NovoClick(); }); });
    connect(PageDefault, &OrderListPage::openOrder, this,
            [this](const std::string& document, bool duplicate) {
                RunHandler([&] { PageCadastro->OpenOrder(document, duplicate); });
            });
    // Runs inside the send, which reports a failure of its own after it.
    connect(PageCadastro, &OrderEditorPage::orderSent, PageDefault, &OrderListPage::B_ListarClick);
}

// The first-run panel covers the whole window; what lies under it is out of reach of Tab and
// Enter too, so that the keyboard stays on the panel.
void TFCentral::ShowFirstRunPanel(bool show) {
    Panel2->setVisible(show);
    Loja->setEnabled(!show);
    Notebook1->setEnabled(!show);
    if (show)
        ECNPJ->setFocus();
}

bool TFCentral::IsCadastroShown() const {
    return Notebook1->currentIndex() == 1;
}

int TFCentral::ChosenStoreIndex() const {
    return Loja->currentIndex();
}

int TFCentral::StoreCount() const {
    return Loja->count();
}

void TFCentral::SelectStore(int position) {
    Loja->setCurrentIndex(position);
    LojaSelect();
}

void TFCentral::LockStore(bool locked) {
    Loja->setEnabled(!locked);
}

void TFCentral::ShowListPage() {
    Notebook1->setCurrentIndex(0);
}

void TFCentral::ShowEditorPage() {
    Notebook1->setCurrentIndex(1);
}

void TFCentral::FormCreate() {
    // A run killed in the middle of a file's replacement left its temporary file beside it.
    torvel::RemoveLeftoverReplacements(".");
    torvel::RemoveLeftoverReplacements(torvel::ConfigDirectory());
    session_.Stores.clear();
    if (!torvel::ConfigFileToRead().empty())
        RunHandler([this] { LoadConfig(); }); // a file that cannot be read is reported, not fatal
    else
        ShowFirstRunPanel(true);
}

void TFCentral::LoadConfig() {
    torvel::Config config = torvel::ReadConfig(torvel::ConfigFileToRead());
    session_.Crf = config.crf;
    session_.SetServer(config.servidor, config.certificados, config.proxy);
    Loja->clear();
    session_.Stores.clear();
    for (const auto& store : config.stores) {
        Loja->addItem(ToQString(store.text));
        session_.Stores.push_back(store);
    }
    Loja->setCurrentIndex(session_.Stores.empty() ? -1 : 0);
    if (session_.Stores.size() == 1)
        LojaSelect();
}

void TFCentral::LojaSelect() {
    PageDefault->StoreCheckStarted();
    const int index = ChosenStoreIndex();
    const auto& stores = session_.Stores;
    session_.Ctro =
        index >= 0 && size_t(index) < stores.size() ? stores[size_t(index)].id : std::string();
    SetWaitMessage("Aguarde sincronizando...");
    try {
        torvel::StoreCheck check = session_.Api().CheckStore(session_.Crf, session_.Ctro);
        // The reply is shown even when it is refused next; a failed request leaves it alone.
        PageDefault->ShowCheckReply(check.body);
        if (!check.Accepted())
            throw std::runtime_error("refused");
        session_.UserId = *check.userId;
        PageDefault->StoreAccepted();
        PageDefault->RefreshOrderList(); // both keep their former contents on a failure
        PageDefault->BitBtn1Click();
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
    torvel::LocalTime now = torvel::LocalNow();
    QString line = QString::fromUtf8("* %1, %2 de %3 de %4.")
                       .arg(QString::fromUtf8(kWeekdays[now.weekday]))
                       .arg(now.day)
                       .arg(QString::fromUtf8(torvel::orders::kMonthNames[now.month - 1]))
                       .arg(now.year, 4, 10, QChar('0'));
    LData->setText(line);
    PageDefault->SetMonth(now.month - 1);
    Notebook1->setCurrentIndex(0);
    PageCadastro->SetIssueDate(QString::asprintf("%02d/%02d/%04d %02d:%02d", now.day, now.month,
                                                 now.year, now.hour, now.minute));
}

bool TFCentral::FormKeyDown(int key, Qt::KeyboardModifiers) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        focusNextChild();
        return true;
    case Qt::Key_Escape:
        return PageCadastro->CloseObservations();
    case Qt::Key_F3:
        if (!IsCadastroShown())
            return false;
        PageCadastro->OpenProductSearch();
        return true;
    case Qt::Key_F4:
        if (!IsCadastroShown())
            return false;
        PageCadastro->ShowObservations();
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
    RunHandler([&] { handled = FormKeyDown(keyEvent->key(), keyEvent->modifiers()); });
    bool isEnter = keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter;
    // Enter still reaches a focused button, which takes it as a click.
    if (handled && isEnter && qobject_cast<QPushButton*>(widget))
        return false;
    return handled;
}

void TFCentral::Button2Click() {
    // A failed write stops here: the error box shows it and the panel stays for another try.
    torvel::ReplaceFileSafely(ConfigPath(), torvel::DefaultConfigText(ECNPJ->Text()));
    LoadConfig();
    ShowFirstRunPanel(false);
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
