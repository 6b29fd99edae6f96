#include "ui/main/WindowMenus.h"

#include "ui/main/GameFolderWork.h"
#include "ui/main/SoundCommands.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

namespace sonquill {

QAction *WindowMenus::addEntry(QMenu *menu, const QString &group, int index, const QString &caption,
                               const QKeySequence &shortcut, std::function<void(int)> handler)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(group);
    action->setData(index);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this,
            [handler = std::move(handler), index] { handler(index); });
    return action;
}

void WindowMenus::addSeparator(QMenu *menu, const QString &group, int index)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(group);
    separator->setData(index);
}

WindowMenus::WindowMenus(QMainWindow *window, SoundCommands &sounds, GameFolderWork &work,
                         QUndoStack *undoStack, Commands commands)
    : QObject(window), m_sounds(sounds), m_commands(std::move(commands))
{
    const QString file = QStringLiteral("mnuFile");
    QMenu *fileMenu = window->menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("mnuFileTop"));
    addEntry(fileMenu, file, FileMenu::Load, QStringLiteral("&Load"),
             QKeySequence(QStringLiteral("Ctrl+L")), m_commands.file);
    addEntry(fileMenu, file, FileMenu::Save, QStringLiteral("&Save Selections"),
             QKeySequence(QStringLiteral("Ctrl+S")), m_commands.file);
    addSeparator(fileMenu, file, FileMenu::Separator);
    addEntry(fileMenu, file, FileMenu::Distribute, QStringLiteral("&Distribute"),
             QKeySequence(QStringLiteral("Ctrl+D")), m_commands.file);
    // Beyond the design: a distribution that makes every sound again, up to date or not.
    QAction *again = fileMenu->addAction(QStringLiteral("Distribute &All Again"));
    again->setObjectName(QStringLiteral("mnuFileDistributeAgain"));
    connect(again, &QAction::triggered, this, [this] { m_commands.distributeAgain(); });
    addEntry(fileMenu, file, FileMenu::ClearOld, QStringLiteral("&Clear old SOUND#.* files"), {},
             m_commands.file);
    // Beyond the design as well: the game folder kept up to date in the background.
    fileMenu->addSeparator();
    fileMenu->addAction(work.keepUpToDateAction());
    fileMenu->addAction(work.updateProblemsAction());
    fileMenu->addSeparator();
    QAction *quit = fileMenu->addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("mnuFileQuit"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, window, &QWidget::close);

    const QString edit = QStringLiteral("mnuEdit");
    QMenu *editMenu = window->menuBar()->addMenu(QStringLiteral("&Edit"));
    editMenu->setObjectName(QStringLiteral("mnuEditTop"));
    // A name being typed is stored first, so that it can be undone like any other change.
    connect(editMenu, &QMenu::aboutToShow, this, [this] { m_commands.finishEditing(); });
    QAction *undo = undoStack->createUndoAction(this, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("mnuEditUndo"));
    undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    QAction *redo = undoStack->createRedoAction(this, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("mnuEditRedo"));
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    editMenu->addAction(undo);
    editMenu->addAction(redo);
    editMenu->addSeparator();
    addEntry(editMenu, edit, EditMenu::SelectAll, QStringLiteral("Select All"),
             QKeySequence(QStringLiteral("Ctrl+A")), m_commands.edit);
    addEntry(editMenu, edit, EditMenu::RemoveAll, QStringLiteral("Remove all sounds"), {},
             m_commands.edit);

    const QString soundPop = QStringLiteral("mnuSoundPop");
    const QString sound = QStringLiteral("mnuSound");
    QMenu *soundMenu = window->menuBar()->addMenu(QStringLiteral("&Sound"));
    soundMenu->setObjectName(QStringLiteral("mnuSoundtop"));
    addEntry(soundMenu, soundPop, SoundPopMenu::RemoveSelected, QStringLiteral("&Remove Selected"),
             {}, m_commands.selection);
    addEntry(soundMenu, soundPop, SoundPopMenu::LockSelected,
             QStringLiteral("&Lock/Unlock Selected"), {}, m_commands.selection);
    addEntry(soundMenu, soundPop, SoundPopMenu::CategorySelected,
             QStringLiteral("&Change Selected's Category"), {}, m_commands.selection);
    addSeparator(soundMenu, soundPop, SoundPopMenu::Separator);
    addEntry(soundMenu, sound, SoundMenu::Play, QStringLiteral("&Play"),
             QKeySequence(QStringLiteral("Ctrl+P")), [this](int index) { soundCommand(index); });
    addEntry(soundMenu, sound, SoundMenu::Stop, QStringLiteral("&Stop"), {},
             [this](int index) { soundCommand(index); });
    addEntry(soundMenu, sound, SoundMenu::Open, QStringLiteral("&Open"),
             QKeySequence(QStringLiteral("Ctrl+O")), [this](int index) { soundCommand(index); });
    addEntry(soundMenu, sound, SoundMenu::Edit, QStringLiteral("&Edit"),
             QKeySequence(QStringLiteral("Ctrl+E")), [this](int index) { soundCommand(index); });
    // Beyond the design: what the game will play, processed and encoded.
    addEntry(soundMenu, sound, SoundMenu::PlayDistributed, QStringLiteral("Play &Distributed"), {},
             [this](int index) { soundCommand(index); });

    // The grid's own menu: the Sound menu's commands, then the Edit menu's.
    m_gridMenu = new QMenu(window);
    m_gridMenu->setObjectName(QStringLiteral("mnuGrid"));
    m_gridMenu->addActions(soundMenu->actions());
    m_gridMenu->addSeparator();
    m_gridMenu->addActions(editMenu->actions());
    connect(m_gridMenu, &QMenu::aboutToShow, this, [this] { m_commands.finishEditing(); });

    const QString utils = QStringLiteral("mnuUtils");
    QMenu *utilsMenu = window->menuBar()->addMenu(QStringLiteral("&Utilities"));
    utilsMenu->setObjectName(QStringLiteral("mnuUtilsTop"));
    addEntry(utilsMenu, utils, UtilsMenu::ListAll, QStringLiteral("&Make List of All Sounds"), {},
             [this](int index) { utilityCommand(index); });
    addEntry(utilsMenu, utils, UtilsMenu::ListLocked, QStringLiteral("Make List of &Locked Sounds"),
             {}, [this](int index) { utilityCommand(index); });
    addEntry(utilsMenu, utils, UtilsMenu::Playlist, QStringLiteral("Make a &Winamp playlist"), {},
             [this](int index) { utilityCommand(index); });
    addEntry(utilsMenu, utils, UtilsMenu::CheckSounds, QStringLiteral("&Check Sounds"), {},
             [this](int index) { utilityCommand(index); });

    const QString help = QStringLiteral("mnuHelp");
    QMenu *helpMenu = window->menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("mnuHelptop"));
    addEntry(helpMenu, help, HelpMenu::HelpFile, QStringLiteral("&Help File"),
             QKeySequence(Qt::Key_F1), [this](int index) { helpCommand(index); });
    addEntry(helpMenu, help, HelpMenu::About, QStringLiteral("&About"), {},
             [this](int index) { helpCommand(index); });
}

void WindowMenus::soundCommand(int index)
{
    switch (index) {
    case SoundMenu::Play:
        m_sounds.play();
        break;
    case SoundMenu::Stop:
        m_sounds.stop();
        break;
    case SoundMenu::Open:
        m_sounds.open();
        break;
    case SoundMenu::Edit:
        m_sounds.edit();
        break;
    case SoundMenu::PlayDistributed:
        m_sounds.playDistributed();
        break;
    default:
        break;
    }
}

void WindowMenus::utilityCommand(int index)
{
    m_commands.finishEditing();
    switch (index) {
    case UtilsMenu::ListAll:
        return m_sounds.makeList(SoundCommands::List::AllSounds);
    case UtilsMenu::ListLocked:
        return m_sounds.makeList(SoundCommands::List::LockedSounds);
    case UtilsMenu::Playlist:
        return m_sounds.makeList(SoundCommands::List::Playlist);
    case UtilsMenu::CheckSounds:
        return m_sounds.checkSounds();
    default:
        return;
    }
}

void WindowMenus::helpCommand(int index)
{
    if (index == HelpMenu::HelpFile)
        m_sounds.showHelp();
    else if (index == HelpMenu::About)
        m_sounds.showAbout();
}

} // namespace sonquill
