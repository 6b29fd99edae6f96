#include "ui/dialogs/UpdateProblemsDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace sonquill {

UpdateProblemsDialog::UpdateProblemsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgUpdateProblems"));
    setWindowTitle(QStringLiteral("Game Folder Update Problems"));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstProblems"));
    m_list->setWordWrap(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_clear = buttons->addButton(QStringLiteral("C&lear"), QDialogButtonBox::ResetRole);
    m_clear->setObjectName(QStringLiteral("cmdClear"));
    connect(m_clear, &QPushButton::clicked, this, &UpdateProblemsDialog::clearRequested);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(640, 320);
}

void UpdateProblemsDialog::setProblems(const QStringList &problems)
{
    m_list->clear();
    m_list->addItems(problems);
    m_list->scrollToBottom();
    m_clear->setEnabled(!problems.isEmpty());
}

} // namespace sonquill
