#pragma once

#include "check/Finding.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace sonquill {

// The report "Check Sounds": one row per finding, the counts above; a row double-clicked
// (or activated with the keyboard) names its sound to the main window.
class CheckReportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CheckReportDialog(QWidget *parent = nullptr);

    // Replaces the rows with these findings, in their order.
    void setFindings(const QList<Finding> &findings);

signals:
    // The table index (1-based) of the sound whose row was activated.
    void soundActivated(int tableIndex);

private:
    void findingActivated(QTreeWidgetItem *item);

    QLabel *lblSummary;
    QTreeWidget *treeFindings;
    QPushButton *cmdClose;
};

} // namespace sonquill
