#pragma once

#include "services/ProgressSink.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace sonquill {

// The topmost window "frmProgress" that shows a title, a message and a bar during a long run.
class ProgressDialog : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget *parent = nullptr);

    void setMessage(const QString &message);
    void setCountVisible(bool visible);
    QProgressBar *progressBar() const { return ProgressBar; }
    // True once Cancel (or Esc) was pressed since the window was made.
    bool cancelRequested() const { return m_cancelRequested; }
    // Ready for the next run: Cancel not pressed.
    void resetCancel();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void closeClicked();
    void cancelClicked();

    QLabel *Label;
    QLabel *Label2;
    QLabel *LabelMax;
    QProgressBar *ProgressBar;
    QPushButton *cmdClose;
    QPushButton *cmdCancel;
    bool m_cancelRequested = false;
};

// ShowProgress, AdvanceProgress and CloseProgress on the one progress window, created on first
// use and destroyed when closed.
class ProgressDialogSink : public ProgressSink
{
public:
    explicit ProgressDialogSink(QWidget *parent = nullptr);
    ~ProgressDialogSink() override;
    ProgressDialogSink(const ProgressDialogSink &) = delete;
    ProgressDialogSink &operator=(const ProgressDialogSink &) = delete;

    void ShowProgress(const QString &title, const QString &message, qint16 maximum,
                      bool showCount) override;
    void AdvanceProgress(qint16 step) override;
    void CloseProgress() override;
    void showCurrent(const QString &text) override;
    bool cancelRequested() override;

    // The window the progress window belongs to and blocks while a run works.
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    // The progress window while it exists, otherwise null.
    QWidget *currentWindow() const;

private:
    QPointer<QWidget> m_parent;
    QPointer<ProgressDialog> m_window;
    bool m_cancelled = false; // survives the window being closed during the run
    QString m_message;
};

} // namespace sonquill
