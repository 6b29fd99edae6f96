#include "ui/dialogs/ProgressDialog.h"

#include "ui/common/DesignMetrics.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace sonquill {

ProgressDialog::ProgressDialog(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    DesignLayout layout;

    Label = new QLabel(QStringLiteral("Label1"), this);
    Label->setObjectName(QStringLiteral("Label"));
    Label->setTextFormat(Qt::PlainText);
    Label->setWordWrap(true);
    Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Designed 5775 wide, which runs under the Close button; it ends before the button here.
    layout.place(Label, 120, 120, 4680, 495);

    Label2 = new QLabel(QStringLiteral("Number of items to load:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    layout.place(Label2, 120, 600, 1935, 255);

    LabelMax = new QLabel(QStringLiteral("0"), this);
    LabelMax->setObjectName(QStringLiteral("LabelMax"));
    layout.place(LabelMax, 2160, 600, 855, 255);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    layout.place(ProgressBar, 0, 840, 6045, 255);

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    layout.place(cmdClose, 4920, 120, 1095, 315);
    connect(cmdClose, &QPushButton::clicked, this, &ProgressDialog::closeClicked);

    // Beyond the design: the run can be stopped. Between the Close button and the bar.
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    layout.place(cmdCancel, 4920, 480, 1095, 315);
    connect(cmdCancel, &QPushButton::clicked, this, &ProgressDialog::cancelClicked);
    layout.apply(this, 6030, 1065);

    if (parent) {
        const QRect owner = parent->window()->geometry();
        move(owner.center() - rect().center());
    }
}

void ProgressDialog::setMessage(const QString &message)
{
    Label->setText(message);
}

void ProgressDialog::setCountVisible(bool visible)
{
    Label2->setVisible(visible);
    LabelMax->setVisible(visible);
}

// The run goes on working while the window is open: closing it is asking the run to stop, and
// the window goes once the run has.
void ProgressDialog::closeClicked()
{
    if (cmdCancel->isEnabled())
        cmdCancel->click();
}

void ProgressDialog::cancelClicked()
{
    m_cancelRequested = true;
    cmdCancel->setEnabled(false);
    setMessage(QStringLiteral("Cancelling..."));
}

void ProgressDialog::resetCancel()
{
    m_cancelRequested = false;
    cmdCancel->setEnabled(true);
}

void ProgressDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && cmdCancel->isEnabled()) {
        cmdCancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ProgressDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
    closeClicked();
}

ProgressDialogSink::ProgressDialogSink(QWidget *parent) : m_parent(parent) {}

ProgressDialogSink::~ProgressDialogSink()
{
    delete m_window;
}

void ProgressDialogSink::ShowProgress(const QString &title, const QString &message, qint16 maximum,
                                      bool showCount)
{
    if (!m_window) {
        m_window = new ProgressDialog(m_parent);
        // The run works on; the window it belongs to waits for it.
        m_window->setWindowModality(Qt::WindowModal);
    }
    m_cancelled = false;
    m_window->resetCancel();
    m_window->show();
    m_window->raise();

    QProgressBar *bar = m_window->progressBar();
    bar->setMinimum(0);
    bar->setValue(0);
    // A bar's maximum must exceed its minimum: 0 (an empty list) keeps the range it had.
    if (maximum > 0)
        bar->setMaximum(maximum);

    m_window->setWindowTitle(title);
    m_message = message;
    m_window->setMessage(message);
    m_window->setCountVisible(showCount);
}

void ProgressDialogSink::AdvanceProgress(qint16 step)
{
    if (!m_window || !m_window->isVisible())
        return;
    QProgressBar *bar = m_window->progressBar();
    const int next = bar->value() + step;
    if (next > bar->maximum() || next < bar->minimum())
        return;
    bar->setValue(next);
}

void ProgressDialogSink::CloseProgress()
{
    if (!m_window)
        return;
    m_window->hide();
    delete m_window;
}

void ProgressDialogSink::showCurrent(const QString &text)
{
    if (m_window && !m_window->cancelRequested())
        m_window->setMessage(m_message + QLatin1Char('\n') + text);
}

bool ProgressDialogSink::cancelRequested()
{
    if (m_window && m_window->cancelRequested())
        m_cancelled = true;
    return m_cancelled;
}

QWidget *ProgressDialogSink::currentWindow() const
{
    return m_window;
}

} // namespace sonquill
