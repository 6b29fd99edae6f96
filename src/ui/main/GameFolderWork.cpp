#include "ui/main/GameFolderWork.h"

#include "catalogue/TextFormats.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "services/ProgressSink.h"
#include "session/CatalogueSession.h"
#include "ui/common/DesignMetrics.h"
#include "ui/dialogs/UpdateProblemsDialog.h"

#include <QAction>
#include <QFileInfo>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QToolButton>

namespace sonquill {

namespace {

// The problems kept for the user to read; older ones go first.
constexpr qsizetype kMaxUpdateProblems = 500;
// How long the outcome of an update stays in the status bar.
constexpr int kUpdateStatusMs = 10000;

} // namespace

GameFolderWork::GameFolderWork(const MainWindowServices &services, CatalogueSession &session,
                               QStatusBar *statusBar, Context context, QWidget *window)
    : QObject(window), m_services(services), m_session(session), m_statusBar(statusBar),
      m_context(std::move(context)), m_window(window), m_job(services.runner)
{
    // The run's progress reaches the progress window here, on the window's thread.
    connect(&m_job, &DistributionJob::started, this,
            [this](const QString &title, const QString &message, int count) {
                if (m_updating) {
                    m_updateBar->setRange(0, count);
                    m_updateBar->setValue(0);
                    m_updateBar->show();
                    return;
                }
                m_services.progress.ShowProgress(title, message, qint16(count), false);
            });
    connect(&m_job, &DistributionJob::soundDone, this, [this](int index, int done, int total) {
        if (m_updating) {
            m_updateBar->setValue(done);
            const QString name =
                m_updateTable.isValidIndex(index) ? m_updateTable.at(index).name : QString();
            m_statusBar->showMessage(
                tr("Updating the game folder: %1 (%2 of %3)").arg(name).arg(done).arg(total));
            return;
        }
        m_services.progress.soundFinished(index);
        m_services.progress.AdvanceProgress(1);
        const QString name =
            m_session.table().isValidIndex(index) ? m_session.table().at(index).name : QString();
        m_services.progress.showCurrent(tr("%1 (%2 of %3)").arg(name).arg(done).arg(total));
    });
    connect(&m_job, &DistributionJob::finished, this, &GameFolderWork::distributed);
    m_cancelPoll = new QTimer(this);
    m_cancelPoll->setInterval(50);
    connect(m_cancelPoll, &QTimer::timeout, this, [this] {
        if (m_services.progress.cancelRequested())
            m_job.cancel();
    });
    m_updateRetry = new QTimer(this);
    m_updateRetry->setSingleShot(true);
    m_updateRetry->setInterval(1000);
    connect(m_updateRetry, &QTimer::timeout, this, &GameFolderWork::updateGameFolder);
    connect(&m_sourceWatch, &InputWatcher::changed, this, &GameFolderWork::sourcesChanged);

    m_keepUpToDateAction = new QAction(QStringLiteral("&Keep Game Folder Up to Date"), this);
    m_keepUpToDateAction->setObjectName(QStringLiteral("mnuFileKeepUpToDate"));
    m_keepUpToDateAction->setCheckable(true);
    connect(m_keepUpToDateAction, &QAction::toggled, this, &GameFolderWork::setKeepUpToDate);
    m_updateProblemsAction = new QAction(QStringLiteral("Game Folder &Update Problems..."), this);
    m_updateProblemsAction->setObjectName(QStringLiteral("mnuFileUpdateProblems"));
    m_updateProblemsAction->setEnabled(false);
    connect(m_updateProblemsAction, &QAction::triggered, this, &GameFolderWork::showUpdateProblems);

    m_updateBar = new QProgressBar(statusBar);
    m_updateBar->setObjectName(QStringLiteral("barUpdate"));
    m_updateBar->setMaximumWidth(twipsToPixels(1500));
    m_updateBar->setTextVisible(false);
    m_updateBar->hide();
    statusBar->addPermanentWidget(m_updateBar);
    m_updateProblemsButton = new QToolButton(statusBar);
    m_updateProblemsButton->setObjectName(QStringLiteral("cmdUpdateProblems"));
    m_updateProblemsButton->setAutoRaise(true);
    m_updateProblemsButton->setIcon(window->style()->standardIcon(QStyle::SP_MessageBoxWarning));
    m_updateProblemsButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_updateProblemsButton->hide();
    connect(m_updateProblemsButton, &QToolButton::clicked, this,
            &GameFolderWork::showUpdateProblems);
    statusBar->addPermanentWidget(m_updateProblemsButton);
}

GameFolderWork::~GameFolderWork() = default;

bool GameFolderWork::refusedWhileDistributing()
{
    // An update works on its own copy of the saved catalogue and saves nothing: the list may
    // change meanwhile.
    if (!m_job.isRunning() || m_updating)
        return false;
    m_context.showStatus(
        tr("A distribution is running; the list can change again once it has finished."));
    return true;
}

void GameFolderWork::distribute(bool force)
{
    // An update of the game folder gives way: it stops, keeping what it made, and this
    // distribution starts once it has.
    if (m_job.isRunning()) {
        m_distributionWaiting = force;
        m_job.cancel();
        m_context.showStatus(tr("The distribution starts as soon as the update of the game "
                                "folder has stopped."));
        return;
    }
    const QString folder = m_context.gameFolder();
    const DistributionOptions options = m_context.options(folder, force);
    // Held for the whole run, so that no other program distributes or saves there meanwhile.
    if (const FileError locked = m_session.lockFolder(folder, 0)) {
        tellUser(m_services.ui, QStringLiteral("Sonquill"), locked.description,
                 MessageRequest::Icon::Exclamation);
        return;
    }
    m_distributionFolder = folder;
    m_job.start(m_session.table(), folder, options);
    m_cancelPoll->start();
}

void GameFolderWork::distributed(const DistributionResult &result)
{
    if (m_updating)
        return gameFolderUpdateEnded(result);
    if (m_distributionFolder.isEmpty())
        return; // shown already, when the window closed during the run
    m_cancelPoll->stop();
    m_services.progress.CloseProgress();
    if (result.encoderMissing)
        tellUser(m_services.ui, EncoderNotFoundTitle(), EncoderNotFoundText(),
                 MessageRequest::Icon::None);
    tellUser(m_services.ui, result.summaryTitle, result.summaryText,
             result.cancelled || result.soundFailed ? MessageRequest::Icon::Exclamation
                                                    : MessageRequest::Icon::None);
    if (!result.cancelled)
        m_context.save(m_distributionFolder);
    m_session.unlockFolder();
    m_distributionFolder.clear();
    emit distributionFinished();
    startWaitingWork();
}

void GameFolderWork::catalogueLoaded()
{
    watchSources();
}

void GameFolderWork::catalogueSaved()
{
    watchSources();
    // The end of a distribution asked for saves too; the folder is up to date then.
    if (m_distributionFolder.isEmpty())
        updateGameFolder();
}

void GameFolderWork::stopForClose()
{
    m_closing = true;
    m_sourceWatch.watch({});
    m_updateRetry->stop();
    if (m_job.isRunning()) {
        m_job.cancel();
        m_job.waitForFinished();
        distributed(m_job.result());
    }
}

void GameFolderWork::setKeepUpToDate(bool on)
{
    m_keepUpToDate = on;
    m_services.settings.setKeepUpToDate(on);
    watchSources();
    if (on) {
        updateGameFolder();
    } else {
        m_updateWaiting = false;
        m_updateRetry->stop();
        m_context.showStatus(tr("The game folder is no longer kept up to date."));
    }
}

void GameFolderWork::watchSources()
{
    QStringList sources;
    if (m_keepUpToDate && !m_closing) {
        for (const SoundRecord &record : m_session.savedTable().records())
            sources << record.filename;
    }
    m_sourceWatch.watch(sources);
}

void GameFolderWork::sourcesChanged(const QStringList &present, const QStringList &gone)
{
    // A source that went away leaves its sound's file as it is; it is made again once back.
    QStringList problems;
    for (const QString &path : gone)
        problems << tr("%1 is missing; its sound keeps its file until it is back.").arg(path);
    addUpdateProblems(problems);
    if (!present.isEmpty())
        updateGameFolder();
}

void GameFolderWork::updateGameFolder()
{
    if (!m_keepUpToDate || m_closing)
        return;
    if (m_job.isRunning()) {
        m_updateWaiting = true;
        return;
    }
    m_updateWaiting = false;
    const QString folder = m_session.folder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return; // no catalogue was loaded from or saved to a folder yet
    // Only a catalogue the folder's file holds is distributed: never one that file does not
    // hold whole, nor one that another program replaced since.
    if (!m_session.isWholeCatalogueOf(folder)) {
        m_context.showStatus(tr("The game folder is not updated: the catalogue in %1 is not the "
                                "one shown here. Save or load it first.")
                                 .arg(folder));
        return;
    }
    if (const FileError locked = m_session.lockFolder(folder, 0)) {
        m_context.showStatus(locked.description);
        m_updateRetry->start();
        return;
    }
    m_updating = true;
    m_updateTable = m_session.savedTable();
    m_job.start(m_updateTable, folder, m_context.options(folder, false));
    m_statusBar->showMessage(tr("Updating the game folder..."));
}

void GameFolderWork::gameFolderUpdateEnded(const DistributionResult &result)
{
    m_updating = false;
    m_session.unlockFolder();
    m_updateBar->hide();
    QStringList problems;
    for (const DistributionError &error : result.errors)
        problems
            << ErrorLines({error}, m_updateTable).replace(kCrLf, QStringLiteral(" ")).trimmed();
    if (result.encoderMissing)
        problems << EncoderNotFoundText();
    problems << result.warnings;
    addUpdateProblems(problems);
    const QString line = DistributionResultLine(result, m_updateTable);
    m_statusBar->showMessage(problems.isEmpty()
                                 ? tr("Game folder updated: %1").arg(line)
                                 : tr("Game folder updated with problems: %1").arg(line),
                             kUpdateStatusMs);
    emit gameFolderUpdated();
    startWaitingWork();
}

void GameFolderWork::startWaitingWork()
{
    if (m_closing)
        return;
    if (m_distributionWaiting) {
        const bool force = *m_distributionWaiting;
        m_distributionWaiting.reset();
        distribute(force);
    } else if (m_updateWaiting) {
        updateGameFolder();
    }
}

void GameFolderWork::addUpdateProblems(const QStringList &problems)
{
    if (problems.isEmpty())
        return;
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss "));
    for (const QString &problem : problems)
        m_updateProblems << time + problem;
    if (m_updateProblems.size() > kMaxUpdateProblems)
        m_updateProblems.remove(0, m_updateProblems.size() - kMaxUpdateProblems);
    m_updateProblemsAction->setEnabled(true);
    m_updateProblemsButton->setText(m_updateProblems.size() == 1
                                        ? tr("1 update problem")
                                        : tr("%1 update problems").arg(m_updateProblems.size()));
    m_updateProblemsButton->show();
    if (m_updateProblemsDialog)
        m_updateProblemsDialog->setProblems(m_updateProblems);
}

void GameFolderWork::showUpdateProblems()
{
    if (!m_updateProblemsDialog) {
        m_updateProblemsDialog = new UpdateProblemsDialog(m_window);
        connect(m_updateProblemsDialog, &UpdateProblemsDialog::clearRequested, this, [this] {
            m_updateProblems.clear();
            m_updateProblemsAction->setEnabled(false);
            m_updateProblemsButton->hide();
            m_updateProblemsDialog->setProblems({});
        });
    }
    m_updateProblemsDialog->setProblems(m_updateProblems);
    m_updateProblemsDialog->show();
    m_updateProblemsDialog->raise();
    m_updateProblemsDialog->activateWindow();
}

} // namespace sonquill
