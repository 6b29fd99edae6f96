#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace sonquill {

// What went wrong while the window kept the game folder up to date in the background: one row
// per problem, the oldest first, until the user clears them.
class UpdateProblemsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit UpdateProblemsDialog(QWidget *parent = nullptr);

    void setProblems(const QStringList &problems);

signals:
    void clearRequested();

private:
    QListWidget *m_list;
    QPushButton *m_clear;
};

} // namespace sonquill
