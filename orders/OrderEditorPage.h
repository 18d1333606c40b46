// The controls of the main window's order editor page ("Cadastro"): the entry line, the items
// with their popup menu, the totals, the buttons and the observations panel. Built and wired in
// OrderEditorPage.cpp.
#pragma once

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class TFloatEdit;
class TGListView;

namespace torvel::orders {

struct OrderEditorControls {
    QWidget* PageCadastro = nullptr;
    QLabel* Numero = nullptr;
    QLabel* Emissao = nullptr;
    TFloatEdit* cProd = nullptr;
    QLabel* Descricao = nullptr;
    QLabel* UND = nullptr;
    QLabel* vUnit = nullptr;
    TFloatEdit* Qtd = nullptr;
    QLabel* vTotal = nullptr;
    QPushButton* B_Lancar = nullptr;
    TGListView* gProd = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* A1 = nullptr;
    QAction* ExcluirItem1 = nullptr;
    QLabel* Itens = nullptr;
    QLabel* VLNota = nullptr;
    QPushButton* B_Salva = nullptr;
    QPushButton* B_Cancela = nullptr;
    QPushButton* B_Volta = nullptr;
    QFrame* OBS = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;
};

} // namespace torvel::orders
