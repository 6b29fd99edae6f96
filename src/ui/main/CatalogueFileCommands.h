#pragma once

#include "ui/main/MainWindowServices.h"

#include <QObject>
#include <QString>

#include <functional>

class QFileSystemWatcher;
class QMainWindow;
class QToolBar;

namespace sonquill {

class CatalogueSession;
class GameFolderWork;
class SoundFactsCache;

// The catalogue file of the game folder: loading, saving and reloading it, the bar that says
// another program changed it, and the questions before the window closes.
class CatalogueFileCommands : public QObject
{
    Q_OBJECT
public:
    // What the commands need from the window.
    struct Context
    {
        std::function<QString()> gameFolder;
        // The session holds another catalogue: the undo history and the grid start again.
        std::function<void()> catalogueReplaced;
        std::function<void()> updateTitle;
        // Stores what an open editor holds before the catalogue is read.
        std::function<void()> finishEditing;
        std::function<void()> stopPlayer;
    };

    // The changed-on-disk bar goes into window's top toolbar area.
    CatalogueFileCommands(const MainWindowServices &services, CatalogueSession &session,
                          SoundFactsCache &facts, GameFolderWork &work, Context context,
                          QMainWindow *window);

    // Loads folder's catalogue into the session and reads what each of its files is.
    void load(const QString &folder);
    // File > Load: the game folder's catalogue after the design's questions.
    void loadAsked();
    // Saves into folder, first asking when another program changed the catalogue there since
    // this window loaded or saved it. False when nothing was saved.
    bool save(const QString &folder);
    // False when the user chose to keep the window open; otherwise the catalogue is saved or
    // given up and the window's catalogue is gone.
    bool confirmClose();
    // The window gave up its catalogue: closing, nothing more is saved into it.
    bool isUnloaded() const { return m_unloaded; }

private:
    // Takes the catalogue on disk over the one shown, discarding the window's edits.
    void reload();
    // Watches the catalogue file and its folder for another program's changes.
    void watch();
    void mayHaveChanged();

    MainWindowServices m_services;
    CatalogueSession &m_session;
    SoundFactsCache &m_facts;
    GameFolderWork &m_work;
    Context m_context;
    QFileSystemWatcher *m_watcher = nullptr;
    QToolBar *m_changedBar = nullptr; // says another program changed the catalogue
    bool m_unloaded = false;
};

} // namespace sonquill
