// The main window keeping the game folder up to date in the background.

#include "ui/main/MainWindow.h"

#include "catalogue/TextFormats.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "ui/dialogs/UpdateProblemsDialog.h"

#include <QAction>
#include <QFileInfo>
#include <QProgressBar>
#include <QStatusBar>
#include <QTime>
#include <QToolButton>

namespace sonquill {

namespace {

// The problems kept for the user to read; older ones go first.
constexpr qsizetype kMaxUpdateProblems = 500;
// How long the outcome of an update stays in the status bar.
constexpr int kUpdateStatusMs = 10000;

} // namespace

void MainWindow::setKeepUpToDate(bool on)
{
    m_keepUpToDate = on;
    m_services.settings.setKeepUpToDate(on);
    watchSources();
    if (on) {
        updateGameFolder();
    } else {
        m_updateWaiting = false;
        m_updateRetry->stop();
        showStatus(tr("The game folder is no longer kept up to date."));
    }
}

void MainWindow::watchSources()
{
    QStringList sources;
    if (m_keepUpToDate && !m_closing) {
        for (const SoundRecord &record : m_session.savedTable().records())
            sources << record.filename;
    }
    m_sourceWatch.watch(sources);
}

void MainWindow::sourcesChanged(const QStringList &present, const QStringList &gone)
{
    // A source that went away leaves its sound's file as it is; it is made again once back.
    QStringList problems;
    for (const QString &path : gone)
        problems << tr("%1 is missing; its sound keeps its file until it is back.").arg(path);
    addUpdateProblems(problems);
    if (!present.isEmpty())
        updateGameFolder();
}

void MainWindow::updateGameFolder()
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
        showStatus(tr("The game folder is not updated: the catalogue in %1 is not the one shown "
                      "here. Save or load it first.")
                       .arg(folder));
        return;
    }
    if (const FileError locked = m_session.lockFolder(folder, 0)) {
        showStatus(locked.description);
        m_updateRetry->start();
        return;
    }
    m_updating = true;
    m_updateTable = m_session.savedTable();
    m_job.start(m_updateTable, folder, distributionOptions(folder, false));
    statusBar()->showMessage(tr("Updating the game folder..."));
}

void MainWindow::gameFolderUpdateEnded(const DistributionResult &result)
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
    statusBar()->showMessage(problems.isEmpty()
                                 ? tr("Game folder updated: %1").arg(line)
                                 : tr("Game folder updated with problems: %1").arg(line),
                             kUpdateStatusMs);
    emit gameFolderUpdated();
    startWaitingWork();
}

void MainWindow::startWaitingWork()
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

void MainWindow::addUpdateProblems(const QStringList &problems)
{
    if (problems.isEmpty())
        return;
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss "));
    for (const QString &problem : problems)
        m_updateProblems << time + problem;
    if (m_updateProblems.size() > kMaxUpdateProblems)
        m_updateProblems.remove(0, m_updateProblems.size() - kMaxUpdateProblems);
    m_mnuUpdateProblems->setEnabled(true);
    m_updateProblemsButton->setText(m_updateProblems.size() == 1
                                        ? tr("1 update problem")
                                        : tr("%1 update problems").arg(m_updateProblems.size()));
    m_updateProblemsButton->show();
    if (m_updateProblemsDialog)
        m_updateProblemsDialog->setProblems(m_updateProblems);
}

void MainWindow::showUpdateProblems()
{
    if (!m_updateProblemsDialog) {
        m_updateProblemsDialog = new UpdateProblemsDialog(this);
        connect(m_updateProblemsDialog, &UpdateProblemsDialog::clearRequested, this, [this] {
            m_updateProblems.clear();
            m_mnuUpdateProblems->setEnabled(false);
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
