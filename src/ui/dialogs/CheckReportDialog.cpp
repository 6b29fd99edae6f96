#include "ui/dialogs/CheckReportDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sonquill {

namespace {

constexpr int tableIndexRole = Qt::UserRole;

QIcon severityIcon(const QStyle *style, Finding::Severity severity)
{
    switch (severity) {
    case Finding::Severity::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case Finding::Severity::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case Finding::Severity::Note:
        break;
    }
    return style->standardIcon(QStyle::SP_MessageBoxInformation);
}

QString soundText(const Finding &finding)
{
    QString text = QLatin1Char('#') + QString::number(finding.number);
    if (!finding.name.isEmpty())
        text += QLatin1Char(' ') + finding.name;
    return text;
}

} // namespace

CheckReportDialog::CheckReportDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCheck"));
    setWindowTitle(QStringLiteral("Check Sounds"));

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setTextFormat(Qt::PlainText);

    treeFindings = new QTreeWidget(this);
    treeFindings->setObjectName(QStringLiteral("treeFindings"));
    treeFindings->setColumnCount(3);
    treeFindings->setHeaderLabels(
        {QStringLiteral("Severity"), QStringLiteral("Sound"), QStringLiteral("Message")});
    treeFindings->setRootIsDecorated(false);
    treeFindings->setUniformRowHeights(true);
    treeFindings->setSelectionBehavior(QAbstractItemView::SelectRows);
    treeFindings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeFindings->header()->setStretchLastSection(true);
    connect(treeFindings, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { findingActivated(item); });

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(treeFindings, 1);
    layout->addLayout(buttons);
    resize(760, 380);
}

void CheckReportDialog::setFindings(const QList<Finding> &findings)
{
    treeFindings->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(findings.size());
    for (const Finding &finding : findings) {
        auto *item = new QTreeWidgetItem(
            {SeverityText(finding.severity), soundText(finding), finding.message});
        item->setIcon(0, severityIcon(style(), finding.severity));
        item->setData(0, tableIndexRole, finding.tableIndex);
        item->setToolTip(1, finding.file);
        item->setToolTip(2, finding.message);
        items.append(item);
    }
    treeFindings->addTopLevelItems(items);
    treeFindings->resizeColumnToContents(0);
    treeFindings->resizeColumnToContents(1);
    lblSummary->setText(FindingsSummary(findings));
}

void CheckReportDialog::findingActivated(QTreeWidgetItem *item)
{
    if (item)
        emit soundActivated(item->data(0, tableIndexRole).toInt());
}

} // namespace sonquill
