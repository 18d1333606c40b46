// A list of codes and quantities entered at once: pasted into cProd from a spreadsheet or dropped
// on gProd as a text or CSV file. Every line goes the road of a typed item.
#include "catalogue/CatalogueFile.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "orders/OrderEditorPage.h"
#include "orders/OrderLines.h"
#include "orders/OrderListImport.h"
#include "orders/Session.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/Errors.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <memory>

namespace torvel::orders {
namespace {

// A larger file is no list a clerk composed.
constexpr qint64 kMaxListFileBytes = 4 << 20;
// The answer box lists this many failed lines, and counts the rest.
constexpr size_t kListedFailures = 20;

QString LinesRead(size_t count) {
    return count == 1 ? QString::fromUtf8("1 linha lida da lista.")
                      : QString::fromUtf8("%1 linhas lidas da lista.").arg(count);
}

QString ItemsEntered(int count) {
    if (count == 0)
        return QString::fromUtf8("Nenhum item foi lançado.");
    return count == 1 ? QString::fromUtf8("1 item foi lançado.")
                      : QString::fromUtf8("%1 itens foram lançados.").arg(count);
}

QString FaultText(ListLineFault fault) {
    switch (fault) {
    case ListLineFault::NoCode:
        return QString::fromUtf8("sem código");
    case ListLineFault::BadQuantity:
        return QString::fromUtf8("quantidade inválida");
    default:
        return QString::fromUtf8("produto não encontrado");
    }
}

// The local file of a drop of exactly one file, or "".
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls()[0].isLocalFile())
        return {};
    return data->urls()[0].toLocalFile();
}

} // namespace

void OrderEditorPage::AcceptLists() {
    cProd->installEventFilter(this);
    gProd->viewport()->setAcceptDrops(true);
    gProd->viewport()->installEventFilter(this);
}

bool OrderEditorPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cProd && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste))
        return PasteList();
    if (watched == cProd && event->type() == QEvent::ContextMenu) {
        // The field's own menu, whose "Paste" takes a list as the keys do.
        std::unique_ptr<QMenu> menu(cProd->createStandardContextMenu());
        for (QAction* action : menu->actions()) {
            if (action->objectName() != QLatin1String("edit-paste"))
                continue;
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, [this] {
                if (!PasteList())
                    cProd->paste();
            });
        }
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (watched == gProd->viewport() &&
        (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
         event->type() == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedFile(drop->mimeData());
        if (path.isEmpty() || !B_Lancar->isEnabled()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            RunHandler([&] { DropList(path); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool OrderEditorPage::PasteList() {
    // A page that only shows an order takes no items.
    if (!B_Lancar->isEnabled())
        return false;
    const std::string text = FromQString(QGuiApplication::clipboard()->text());
    if (!IsOrderList(text))
        return false;
    RunHandler([&] { EnterList(text, 0); });
    return true;
}

void OrderEditorPage::DropList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError("Cannot open file \"" + FromQString(path) + "\". " +
                        FromQString(file.errorString()));
    if (file.size() > kMaxListFileBytes)
        throw FileError("File \"" + FromQString(path) + "\" is too large for a list of items");
    const QByteArray bytes = file.readAll();
    const std::string text =
        ListFileText(std::string_view(bytes.constData(), size_t(bytes.size())));
    EnterList(text, ListFileComma(FromQString(QFileInfo(path).fileName()), text));
}

void OrderEditorPage::EnterList(const std::string& text, char comma) {
    std::vector<ListLine> lines = ReadOrderList(text, comma);
    if (lines.empty()) {
        ShowMessage(QString::fromUtf8("A lista não tem linhas para lançar."));
        return;
    }
    if (!AskYesNo(LinesRead(lines.size()) + QString::fromUtf8("\nLançar os itens no pedido?")))
        return;
    // Codes that could not be typed into cProd are in no catalogue record it could find.
    std::vector<std::string> codes;
    for (ListLine& line : lines) {
        if (line.fault == ListLineFault::None &&
            (line.code == "0" || int(line.code.size()) > cProd->maxLength()))
            line.fault = ListLineFault::UnknownCode;
        if (line.fault == ListLineFault::None)
            codes.push_back(line.code);
    }
    const std::vector<CatalogueLookup> found = LookupManyInCatalogue(session_.Ctro, codes);
    // A catalogue that the lookup cannot read stops the list before any of it goes in.
    for (const CatalogueLookup& match : found)
        if (match.missingField >= 0)
            throw ListIndexError(match.missingField);
    int entered = 0;
    size_t next = 0;
    for (ListLine& line : lines) {
        if (line.fault != ListLineFault::None)
            continue;
        const std::vector<std::string>& product = found[next++].record;
        if (product.empty()) {
            line.fault = ListLineFault::UnknownCode;
            continue;
        }
        // The entry line as the lookup and the quantity's exit leave it.
        const std::string price = CommaDecimal(product[6]);
        Qtd->SetText(line.quantity);
        const double quantity = EnteredQuantity();
        AddItem(line.code, FromQString(ToQString(product[3])), price, Qtd->Text(),
                LineTotal(quantity, price));
        ++entered;
    }
    if (entered > 0)
        WriteBackup(); // once, for the whole list
    QString answer = ItemsEntered(entered);
    std::vector<const ListLine*> failed;
    for (const ListLine& line : lines)
        if (line.fault != ListLineFault::None)
            failed.push_back(&line);
    if (!failed.empty())
        answer += QString::fromUtf8("\n\nLinhas não lançadas (%1):").arg(failed.size());
    for (size_t i = 0; i < failed.size() && i < kListedFailures; ++i) {
        QString shown = ToQString(failed[i]->text);
        shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
        answer += QString::fromUtf8("\nLinha %1: %2 (%3)")
                      .arg(failed[i]->number)
                      .arg(shown.trimmed(), FaultText(failed[i]->fault));
    }
    if (failed.size() > kListedFailures)
        answer += QString::fromUtf8("\n... e mais %1.").arg(failed.size() - kListedFailures);
    ShowMessage(answer);
}

} // namespace torvel::orders
