#include "ui/main/CatalogueFileCommands.h"

#include "catalogue/PathUtils.h"
#include "catalogue/TextFormats.h"
#include "session/CatalogueSession.h"
#include "soundfacts/SoundFactsCache.h"
#include "storage/SoundInfoFile.h"
#include "ui/main/GameFolderWork.h"

#include <QAction>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QMainWindow>
#include <QToolBar>

namespace sonquill {

using Button = MessageRequest::Button;

CatalogueFileCommands::CatalogueFileCommands(const MainWindowServices &services,
                                             CatalogueSession &session, SoundFactsCache &facts,
                                             GameFolderWork &work, Context context,
                                             QMainWindow *window)
    : QObject(window), m_services(services), m_session(session), m_facts(facts), m_work(work),
      m_context(std::move(context))
{
    // Another program's change to the catalogue is shown as soon as it happens.
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this,
            &CatalogueFileCommands::mayHaveChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &CatalogueFileCommands::mayHaveChanged);
    m_changedBar = new QToolBar(window);
    m_changedBar->setObjectName(QStringLiteral("barChangedOnDisk"));
    m_changedBar->setMovable(false);
    m_changedBar->setFloatable(false);
    m_changedBar->addWidget(
        new QLabel(tr("Another program changed the catalogue of this game folder.  "), window));
    QAction *reload = m_changedBar->addAction(tr("Reload (discard the changes made here)"));
    reload->setObjectName(QStringLiteral("actReloadCatalogue"));
    connect(reload, &QAction::triggered, this, &CatalogueFileCommands::reload);
    QAction *keep = m_changedBar->addAction(tr("Keep Mine"));
    keep->setObjectName(QStringLiteral("actKeepMine"));
    connect(keep, &QAction::triggered, m_changedBar, &QWidget::hide);
    window->addToolBar(Qt::TopToolBarArea, m_changedBar);
    m_changedBar->hide();
}

void CatalogueFileCommands::load(const QString &folder)
{
    m_session.load(folder);
    watch();
    m_work.catalogueLoaded();
    // Each file is looked at once per load; refills of the grid show what was read then.
    for (const SoundRecord &record : m_session.table().records())
        m_facts.facts(record.filename);
}

void CatalogueFileCommands::loadAsked()
{
    const QString folder = m_context.gameFolder();
    const QString file = SoundInfoPath(folder);
    if (!FileExists(file)) {
        askUser(m_services.ui, QStringLiteral("No Selections found"),
                QStringLiteral("No saved selections found at '") + file +
                    QStringLiteral("'. Cannot load."),
                {Button::Ok, Button::Cancel}, Button::Ok);
        return;
    }
    const Button answer =
        askUser(m_services.ui, QStringLiteral("Replace Selections?"),
                QStringLiteral("This will replace your current selections with what was saved "
                               "at ") +
                    folder + QStringLiteral(". Are you sure?"),
                {Button::Yes, Button::No}, Button::Yes);
    if (answer != Button::Yes)
        return;
    load(folder);
    m_context.catalogueReplaced();
}

bool CatalogueFileCommands::save(const QString &folder)
{
    if (m_session.changedOnDisk(folder)) {
        // Nothing is lost by a default answer: the window's edits go only by the Reload button,
        // the other program's only by Replace. At close there is nothing to reload into.
        QList<Button> buttons{Button::Replace, Button::Reload, Button::Cancel};
        if (m_unloaded)
            buttons.removeOne(Button::Reload);
        const Button answer = askUser(
            m_services.ui, QStringLiteral("Sonquill"),
            tr("The catalogue in %1 was changed by another program since this window loaded "
               "or saved it.")
                    .arg(folder) +
                kCrLf +
                (m_unloaded ? tr("Replace it with the sounds shown here, or cancel and keep "
                                 "the window open?")
                            : tr("Replace it with the sounds shown here, or reload it and "
                                 "discard the changes made here?")),
            buttons, Button::Cancel, MessageRequest::Icon::Exclamation);
        if (answer == Button::Reload)
            reload();
        if (answer != Button::Replace)
            return false;
    }
    const bool saved = !m_session.save(folder);
    m_context.updateTitle();
    if (saved) {
        m_changedBar->hide();
        watch();
    }
    if (saved && !m_unloaded)
        m_work.catalogueSaved();
    return saved;
}

bool CatalogueFileCommands::confirmClose()
{
    if (m_unloaded)
        return true;
    // A name or category still being typed belongs to the catalogue that is saved now.
    m_context.finishEditing();

    const QString folder = m_context.gameFolder();
    const QString path = SoundInfoPath(folder);
    const CatalogueSession::CloseAction action = m_session.closeAction(folder);
    if (action == CatalogueSession::CloseAction::AskReplace) {
        // The folder box names another game whose saved catalogue would be overwritten.
        const Button answer =
            askUser(m_services.ui, tr("Replace Saved Selections?"),
                    tr("The compiled game directory, %1, is not the folder your selections were "
                       "loaded from, and it already holds saved selections in '%2'.")
                            .arg(folder, path) +
                        kCrLf +
                        tr("Replace them with your current selections? If you choose No, your "
                           "current selections are not saved there."),
                    {Button::Yes, Button::No, Button::Cancel}, Button::Cancel);
        if (answer == Button::Cancel)
            return false;
        if (answer != Button::Yes) {
            m_context.stopPlayer();
            m_unloaded = true;
            return true;
        }
    }
    m_unloaded = true;
    if (action != CatalogueSession::CloseAction::Skip && !save(folder) &&
        m_session.changedOnDisk(folder) && m_session.isModified()) {
        // Cancelled over another program's change: the window stays, edits and all.
        m_unloaded = false;
        return false;
    }
    m_context.stopPlayer();
    return true;
}

void CatalogueFileCommands::reload()
{
    load(m_context.gameFolder());
    m_context.catalogueReplaced();
    m_changedBar->hide();
}

void CatalogueFileCommands::watch()
{
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    const QString folder = m_session.folder();
    if (folder.isEmpty())
        return;
    // The folder too: a save by rename replaces the file the watcher was given.
    m_watcher->addPath(folder);
    if (QFileInfo::exists(SoundInfoPath(folder)))
        m_watcher->addPath(SoundInfoPath(folder));
}

void CatalogueFileCommands::mayHaveChanged()
{
    watch();
    const QString folder = m_session.folder();
    if (!folder.isEmpty() && m_session.changedOnDisk(folder) && !m_work.isRunning())
        m_changedBar->show();
}

} // namespace sonquill
