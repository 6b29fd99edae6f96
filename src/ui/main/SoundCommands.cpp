#include "SoundCommands.h"

#include "catalogue/PathUtils.h"
#include "catalogue/SoundFileNames.h"
#include "catalogue/TextFormats.h"
#include "check/Check.h"
#include "distribution/Distribution.h"
#include "session/CatalogueSession.h"
#include "storage/InstallPaths.h"
#include "storage/SoundLists.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/CheckReportDialog.h"

#include <QFileInfo>
#include <QWidget>
#include <QtConcurrent>

namespace sonquill {

SoundCommands::SoundCommands(const MainWindowServices &services, const CatalogueSession &session,
                             SoundFactsCache &facts, SoundCommandsContext context, QWidget *window)
    : m_services(services), m_session(session), m_facts(facts), m_context(std::move(context)),
      m_window(window)
{
    connect(&m_check, &QFutureWatcher<QList<Finding>>::finished, this,
            &SoundCommands::showFindings);
}

SoundCommands::~SoundCommands()
{
    // The check reads the facts cache, which goes with the window.
    disconnect(&m_check, nullptr, this, nullptr);
    m_check.waitForFinished();
    m_player.reset();
    delete m_aboutDialog;
}

void SoundCommands::startPlayer()
{
    try {
        if (m_services.makePlayer)
            m_player = m_services.makePlayer();
    } catch (const std::exception &error) {
        m_context.showStatus(tr("The media player could not be started: %1")
                                 .arg(QString::fromLocal8Bit(error.what())));
        return;
    }
    if (m_player)
        m_player->onError = [this](const QString &text) { m_context.showStatus(text); };
    else
        m_context.showStatus(
            tr("The media player could not be started; Play and Stop do nothing."));
}

void SoundCommands::stopPlayer()
{
    if (m_player) {
        m_player->stop();
        m_player.reset();
    }
}

void SoundCommands::playFile(const QString &path)
{
    if (m_player)
        m_player->play(path);
    else
        m_context.showStatus(tr("No media player is available to play %1.").arg(path));
}

void SoundCommands::play()
{
    const QString path = m_context.selectedFile();
    if (path.isEmpty())
        m_context.showStatus(tr("Choose a sound in the list first."));
    else
        playFile(path);
}

void SoundCommands::playDistributed()
{
    const int index = m_context.currentSound();
    if (!index) {
        m_context.showStatus(tr("Choose a sound in the list first."));
        return;
    }
    // The plan names the file: the one a distribution makes now, else its .wav fallback.
    const QString folder = m_context.gameFolder();
    const DistributionOptions options = m_context.distributionOptions(folder);
    const DistributionPlan plan = PlanDistribution(
        m_session.table(), options, FolderState::Read(m_session.table(), folder, options));
    const PlannedSound &sound = plan.sounds.at(index - 1);
    for (const QString &name : {sound.target, sound.fallbackTarget}) {
        const QString path = SoundFilePath(folder, name);
        if (!name.isEmpty() && QFileInfo(path).isFile())
            return playFile(path);
    }
    m_context.showStatus(tr("Sound #%1 has no distributed file in %2 yet; distribute first.")
                             .arg(sound.number)
                             .arg(folder));
}

void SoundCommands::stop()
{
    if (m_player)
        m_player->stop();
}

void SoundCommands::open()
{
    const QString path = m_context.selectedFile();
    if (path.isEmpty()) {
        m_context.showStatus(tr("Choose a sound in the list first."));
        return;
    }
    shellOpened(m_services.shell.ShellExecute(path, QStringLiteral("open")),
                tr("No program could open %1.").arg(path));
}

void SoundCommands::edit()
{
    const QString path = m_context.selectedFile();
    if (path.isEmpty()) {
        m_context.showStatus(tr("Choose a sound in the list first."));
        return;
    }
    for (const QString &verb :
         {QStringLiteral("Edit"), QStringLiteral("Record"), QStringLiteral("Modify")}) {
        if (m_services.shell.ShellExecute(path, verb) >= 32)
            return;
    }
    shellOpened(m_services.shell.ShellExecute(path, QString()),
                tr("Neither a sound editor nor any other program could open %1.").arg(path));
}

void SoundCommands::makeList(List list)
{
    const QString folder = m_context.gameFolder();
    QString path;
    FileError error;
    switch (list) {
    case List::AllSounds:
        path = JoinPath(folder, QLatin1String(kAllSoundsFileName));
        error = MakeListOfAll(m_session.table(), m_context.displayOrder(), path);
        break;
    case List::LockedSounds:
        path = JoinPath(folder, QLatin1String(kLockedSoundsFileName));
        error = MakeListOfLocked(m_session.table(), path);
        break;
    case List::Playlist:
        path = JoinPath(folder, QLatin1String(kPlaylistFileName));
        error = MakeWinampList(m_session.table(), m_context.displayOrder(), path);
        break;
    }
    if (error) {
        tell(QStringLiteral("Sonquill"),
             tr("The file %1 could not be written.").arg(path) + kCrLf + error.description,
             MessageRequest::Icon::Exclamation);
        return;
    }
    const int answer = m_services.shell.ShellExecute(path, QStringLiteral("open"));
    if (list == List::Playlist && answer < 32)
        tell(QStringLiteral("Sonquill"), QStringLiteral("Playlist saved to ") + path);
}

void SoundCommands::checkSounds()
{
    if (m_check.isRunning()) {
        m_context.showStatus(
            tr("The sounds are being checked; the findings show once it has finished."));
        return;
    }
    const QString folder = m_context.gameFolder();
    const DistributionOptions distribution = m_context.distributionOptions(folder);
    CheckOptions options;
    options.oggUse = distribution.OggUse;
    options.ogg = distribution.ogg;
    options.processing = distribution.processing;
    options.programFolder = distribution.programFolder;
    options.gameFolder = folder;
    m_context.showStatus(tr("Checking the sounds..."));
    m_check.setFuture(QtConcurrent::run([this, options, table = m_session.table()] {
        return CheckCatalogue(table, options, m_facts);
    }));
}

void SoundCommands::showFindings()
{
    const QList<Finding> findings = m_check.result();
    m_context.showStatus(QString());
    if (!m_checkReport) {
        m_checkReport = new CheckReportDialog(m_window);
        connect(m_checkReport, &CheckReportDialog::soundActivated, this,
                &SoundCommands::soundActivated);
    }
    m_checkReport->setFindings(findings);
    m_checkReport->show();
    m_checkReport->raise();
    m_checkReport->activateWindow();
}

void SoundCommands::showHelp()
{
    const QString path = LocateHelpFile(m_services.programFolder);
    const bool found = FileExists(path);
    if (!found) {
        tell(QStringLiteral("No Help Found."),
             QStringLiteral("The help file, ") + path + QStringLiteral(", was not found."));
    }
    const int answer = m_services.shell.ShellExecute(path, QStringLiteral("open"));
    if (found)
        shellOpened(answer, tr("No program could show the help file, %1.").arg(path));
}

void SoundCommands::showAbout()
{
    if (!m_aboutDialog)
        m_aboutDialog = new AboutDialog(m_services.ui, m_services.shell, m_window);
    m_aboutDialog->show();
    m_aboutDialog->raise();
    m_aboutDialog->activateWindow();
}

bool SoundCommands::shellOpened(int answer, const QString &failure)
{
    if (answer >= 32)
        return true;
    tell(QStringLiteral("Sonquill"), failure, MessageRequest::Icon::Exclamation);
    return false;
}

void SoundCommands::tell(const QString &title, const QString &text, MessageRequest::Icon icon)
{
    MessageRequest request;
    request.title = title;
    request.text = text;
    request.buttons = {MessageRequest::Button::Ok};
    request.defaultButton = MessageRequest::Button::Ok;
    request.icon = icon;
    m_services.ui.showMessage(request);
}

} // namespace sonquill
