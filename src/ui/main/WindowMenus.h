#pragma once

#include <QObject>

#include <functional>

class QAction;
class QKeySequence;
class QMainWindow;
class QMenu;
class QString;
class QUndoStack;

namespace sonquill {

class GameFolderWork;
class SoundCommands;

// Each menu entry's index within its group, as the design numbers them.
namespace FileMenu {
enum : int { Load = 2, Save = 4, Separator = 6, Distribute = 8, ClearOld = 10 };
}
namespace EditMenu {
enum : int { SelectAll = 2, RemoveAll = 6 };
}
namespace SoundPopMenu {
enum : int { RemoveSelected = 6, LockSelected = 8, CategorySelected = 10, Separator = 12 };
}
namespace SoundMenu {
enum : int { Play = 2, Stop = 4, Open = 6, Edit = 8, PlayDistributed = 10 };
}
namespace UtilsMenu {
enum : int { ListAll = 2, ListLocked = 4, Playlist = 6, CheckSounds = 8 };
}
namespace HelpMenu {
enum : int { HelpFile = 2, About = 4 };
}

// The main window's menu bar and the grid's own menu: their entries, captions and shortcuts.
// The Sound, Utilities and Help entries go straight to the sound commands; the others to the
// window.
class WindowMenus : public QObject
{
    Q_OBJECT
public:
    // What the window does for the entries that change the catalogue.
    struct Commands
    {
        std::function<void(int index)> file;      // File menu, by entry index
        std::function<void(int index)> edit;      // Edit menu's own entries
        std::function<void(int index)> selection; // the Sound menu's selection entries
        std::function<void()> distributeAgain;
        // Stores what an open editor holds before a menu shows or a list is made.
        std::function<void()> finishEditing;
    };

    WindowMenus(QMainWindow *window, SoundCommands &sounds, GameFolderWork &work, QUndoStack *undo,
                Commands commands);

    // The Sound menu's entries, then the Edit menu's.
    QMenu *gridMenu() const { return m_gridMenu; }

private:
    QAction *addEntry(QMenu *menu, const QString &group, int index, const QString &caption,
                      const QKeySequence &shortcut, std::function<void(int)> handler);
    static void addSeparator(QMenu *menu, const QString &group, int index);
    void soundCommand(int index);
    void utilityCommand(int index);
    void helpCommand(int index);

    SoundCommands &m_sounds;
    Commands m_commands;
    QMenu *m_gridMenu = nullptr;
};

} // namespace sonquill
