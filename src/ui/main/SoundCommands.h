#pragma once

#include "check/Finding.h"
#include "distribution/DistributionPlan.h"
#include "ui/main/MainWindowServices.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace sonquill {

class AboutDialog;
class CatalogueSession;
class CheckReportDialog;
class SoundFactsCache;

// What the commands on sound files read from the window at the moment they run.
struct SoundCommandsContext
{
    std::function<QString()> gameFolder;
    std::function<QString()> selectedFile;    // the file "Selected file" names, or nothing
    std::function<int()> currentSound;        // the current row's table index, 0 for none
    std::function<QList<int>()> displayOrder; // 1-based table indexes as the grid shows them
    std::function<DistributionOptions(const QString &folder)> distributionOptions;
    std::function<void(const QString &)> showStatus;
};

// The window's commands that use the sounds' files and change no catalogue: previewing (play,
// stop, open, edit, and play what the game plays), the lists and the playlist, checking the
// sounds, the help page and the About box.
class SoundCommands : public QObject
{
    Q_OBJECT
public:
    SoundCommands(const MainWindowServices &services, const CatalogueSession &session,
                  SoundFactsCache &facts, SoundCommandsContext context, QWidget *window);
    ~SoundCommands() override;

    // Starts the media player; failures show in the status line.
    void startPlayer();
    // Stops playing and lets the player go, as the window closes.
    void stopPlayer();

    void play();
    void stop();
    void open();
    void edit();
    void playDistributed();
    enum class List { AllSounds, LockedSounds, Playlist };
    // Writes a list into the game folder and opens it.
    void makeList(List list);
    // Checks every sound off the window's thread, then shows the report.
    void checkSounds();
    void showHelp();
    void showAbout();

signals:
    // A finding's sound was chosen in the check report.
    void soundActivated(int tableIndex);

private:
    void showFindings();
    // False, after telling the user, when the desktop's answer says nothing was started.
    bool shellOpened(int answer, const QString &failure);
    void playFile(const QString &path);
    void tell(const QString &title, const QString &text,
              MessageRequest::Icon icon = MessageRequest::Icon::None);

    MainWindowServices m_services;
    const CatalogueSession &m_session;
    SoundFactsCache &m_facts;
    SoundCommandsContext m_context;
    QWidget *m_window;
    std::unique_ptr<SoundPlayer> m_player;
    // Check Sounds decodes every sound (its loudness), so it runs off the window's thread.
    QFutureWatcher<QList<Finding>> m_check;
    QPointer<AboutDialog> m_aboutDialog;
    QPointer<CheckReportDialog> m_checkReport;
};

} // namespace sonquill
