#pragma once

#include "catalogue/SoundTable.h"
#include "distribution/DistributionJob.h"
#include "distribution/InputWatcher.h"
#include "services/UiServices.h"
#include "ui/main/MainWindowServices.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class QAction;
class QProgressBar;
class QStatusBar;
class QTimer;
class QToolButton;
class QWidget;

namespace sonquill {

class CatalogueSession;
class UpdateProblemsDialog;

// The runs that write the game folder: a distribution the user asked for, shown in the
// progress window, and the background updates that keep the folder up to date with the saved
// catalogue, shown in the status bar with a list of their problems.
class GameFolderWork : public QObject
{
    Q_OBJECT
public:
    // What the work needs from the window.
    struct Context
    {
        std::function<QString()> gameFolder;
        std::function<DistributionOptions(const QString &folder, bool force)> options;
        // Saves the catalogue into folder at the end of a distribution.
        std::function<void(const QString &folder)> save;
        std::function<void(const QString &text)> showStatus;
    };

    // The status bar gets the update's progress bar and problems button.
    GameFolderWork(const MainWindowServices &services, CatalogueSession &session,
                   QStatusBar *statusBar, Context context, QWidget *window);
    ~GameFolderWork() override;

    // File > Keep Game Folder Up to Date and File > Game Folder Update Problems.
    QAction *keepUpToDateAction() const { return m_keepUpToDateAction; }
    QAction *updateProblemsAction() const { return m_updateProblemsAction; }

    bool isRunning() const { return m_job.isRunning(); }
    bool isUpdating() const { return m_job.isRunning() && m_updating; }
    // A distribution asked for has not ended yet: its end saves the catalogue itself.
    bool isDistributionPending() const { return !m_distributionFolder.isEmpty(); }
    // True, after saying so in the status bar, while a distribution works: the catalogue the
    // run was given must not change under it.
    bool refusedWhileDistributing();
    // Distributes into the folder shown; force makes every sound again, up to date or not.
    void distribute(bool force);
    // The catalogue was loaded or saved: its sources are watched and the folder updated.
    void catalogueLoaded();
    void catalogueSaved();
    // Nothing new starts; a run still working is stopped and its end shown.
    void stopForClose();

signals:
    // A distribution ended and its summary was shown.
    void distributionFinished();
    // An update of the game folder ended; the status bar tells how it went.
    void gameFolderUpdated();

private:
    void distributed(const DistributionResult &result);
    // After each save of the catalogue and each change of one of its sources, the saved
    // catalogue is distributed again in the background, making only what changed.
    void setKeepUpToDate(bool on);
    // Starts that run now, or once the distribution that works now has ended.
    void updateGameFolder();
    void gameFolderUpdateEnded(const DistributionResult &result);
    // Watches the saved catalogue's sources while the game folder is kept up to date.
    void watchSources();
    void sourcesChanged(const QStringList &present, const QStringList &gone);
    void addUpdateProblems(const QStringList &problems);
    void showUpdateProblems();
    // What waited for the run that has just ended: a distribution asked for, or an update.
    void startWaitingWork();

    MainWindowServices m_services;
    CatalogueSession &m_session;
    QStatusBar *m_statusBar;
    Context m_context;
    QWidget *m_window;

    DistributionJob m_job;
    QString m_distributionFolder;
    QTimer *m_cancelPoll = nullptr;
    bool m_keepUpToDate = false;
    bool m_updating = false;      // the running job is an update, not a distribution asked for
    bool m_updateWaiting = false; // another update is due once the running job has ended
    // A distribution asked for while an update worked (its force flag); it follows that one.
    std::optional<bool> m_distributionWaiting;
    bool m_closing = false;
    SoundTable m_updateTable; // the catalogue the running update distributes
    InputWatcher m_sourceWatch;
    QTimer *m_updateRetry = nullptr; // tries again while another program holds the folder
    QAction *m_keepUpToDateAction = nullptr;
    QAction *m_updateProblemsAction = nullptr;
    QProgressBar *m_updateBar = nullptr;
    QToolButton *m_updateProblemsButton = nullptr;
    QStringList m_updateProblems;
    QPointer<UpdateProblemsDialog> m_updateProblemsDialog;
};

} // namespace sonquill
