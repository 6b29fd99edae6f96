// The main window's menus, the distribution button and the preview commands.

#include "ui/main/MainWindow.h"

#include "catalogue/PathUtils.h"
#include "catalogue/TextFormats.h"
#include "check/Check.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "storage/InstallPaths.h"
#include "storage/SoundLists.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/OggOptionsDialog.h"
#include "ui/main/CatalogueFileCommands.h"
#include "ui/main/GameFolderWork.h"
#include "ui/main/SoundCommands.h"
#include "ui/main/SoundGrid.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QUndoStack>
#include <QtConcurrent>

namespace sonquill {

namespace {

using Button = MessageRequest::Button;

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

} // namespace

QAction *MainWindow::addMenuEntry(QMenu *menu, const QString &group, int index,
                                  const QString &caption, const QKeySequence &shortcut,
                                  void (MainWindow::*handler)(int))
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(group);
    action->setData(index);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, handler, index] { (this->*handler)(index); });
    return action;
}

void MainWindow::addMenuSeparator(QMenu *menu, const QString &group, int index)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(group);
    separator->setData(index);
}

void MainWindow::buildMenus()
{
    const QString file = QStringLiteral("mnuFile");
    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("mnuFileTop"));
    addMenuEntry(fileMenu, file, FileMenu::Load, QStringLiteral("&Load"),
                 QKeySequence(QStringLiteral("Ctrl+L")), &MainWindow::fileCommand);
    addMenuEntry(fileMenu, file, FileMenu::Save, QStringLiteral("&Save Selections"),
                 QKeySequence(QStringLiteral("Ctrl+S")), &MainWindow::fileCommand);
    addMenuSeparator(fileMenu, file, FileMenu::Separator);
    addMenuEntry(fileMenu, file, FileMenu::Distribute, QStringLiteral("&Distribute"),
                 QKeySequence(QStringLiteral("Ctrl+D")), &MainWindow::fileCommand);
    // Beyond the design: a distribution that makes every sound again, up to date or not.
    QAction *again = fileMenu->addAction(QStringLiteral("Distribute &All Again"));
    again->setObjectName(QStringLiteral("mnuFileDistributeAgain"));
    connect(again, &QAction::triggered, this, [this] { distribute(true); });
    addMenuEntry(fileMenu, file, FileMenu::ClearOld, QStringLiteral("&Clear old SOUND#.* files"),
                 {}, &MainWindow::fileCommand);
    // Beyond the design as well: the game folder kept up to date in the background.
    fileMenu->addSeparator();
    fileMenu->addAction(m_work->keepUpToDateAction());
    fileMenu->addAction(m_work->updateProblemsAction());
    fileMenu->addSeparator();
    QAction *quit = fileMenu->addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("mnuFileQuit"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    const QString edit = QStringLiteral("mnuEdit");
    QMenu *editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    editMenu->setObjectName(QStringLiteral("mnuEditTop"));
    // A name being typed is stored first, so that it can be undone like any other change.
    connect(editMenu, &QMenu::aboutToShow, this, &MainWindow::finishEditing);
    QAction *undo = m_undo->createUndoAction(this, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("mnuEditUndo"));
    undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    QAction *redo = m_undo->createRedoAction(this, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("mnuEditRedo"));
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    editMenu->addAction(undo);
    editMenu->addAction(redo);
    editMenu->addSeparator();
    addMenuEntry(editMenu, edit, EditMenu::SelectAll, QStringLiteral("Select All"),
                 QKeySequence(QStringLiteral("Ctrl+A")), &MainWindow::editCommand);
    addMenuEntry(editMenu, edit, EditMenu::RemoveAll, QStringLiteral("Remove all sounds"), {},
                 &MainWindow::editCommand);

    const QString soundPop = QStringLiteral("mnuSoundPop");
    const QString sound = QStringLiteral("mnuSound");
    QMenu *soundMenu = menuBar()->addMenu(QStringLiteral("&Sound"));
    soundMenu->setObjectName(QStringLiteral("mnuSoundtop"));
    addMenuEntry(soundMenu, soundPop, SoundPopMenu::RemoveSelected,
                 QStringLiteral("&Remove Selected"), {}, &MainWindow::selectionCommand);
    addMenuEntry(soundMenu, soundPop, SoundPopMenu::LockSelected,
                 QStringLiteral("&Lock/Unlock Selected"), {}, &MainWindow::selectionCommand);
    addMenuEntry(soundMenu, soundPop, SoundPopMenu::CategorySelected,
                 QStringLiteral("&Change Selected's Category"), {}, &MainWindow::selectionCommand);
    addMenuSeparator(soundMenu, soundPop, SoundPopMenu::Separator);
    addMenuEntry(soundMenu, sound, SoundMenu::Play, QStringLiteral("&Play"),
                 QKeySequence(QStringLiteral("Ctrl+P")), &MainWindow::soundCommand);
    addMenuEntry(soundMenu, sound, SoundMenu::Stop, QStringLiteral("&Stop"), {},
                 &MainWindow::soundCommand);
    addMenuEntry(soundMenu, sound, SoundMenu::Open, QStringLiteral("&Open"),
                 QKeySequence(QStringLiteral("Ctrl+O")), &MainWindow::soundCommand);
    addMenuEntry(soundMenu, sound, SoundMenu::Edit, QStringLiteral("&Edit"),
                 QKeySequence(QStringLiteral("Ctrl+E")), &MainWindow::soundCommand);
    // Beyond the design: what the game will play, processed and encoded.
    addMenuEntry(soundMenu, sound, SoundMenu::PlayDistributed, QStringLiteral("Play &Distributed"),
                 {}, &MainWindow::soundCommand);

    // The grid's own menu: the Sound menu's commands, then the Edit menu's.
    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("mnuGrid"));
    m_gridMenu->addActions(soundMenu->actions());
    m_gridMenu->addSeparator();
    m_gridMenu->addActions(editMenu->actions());
    connect(m_gridMenu, &QMenu::aboutToShow, this, &MainWindow::finishEditing);

    const QString utils = QStringLiteral("mnuUtils");
    QMenu *utilsMenu = menuBar()->addMenu(QStringLiteral("&Utilities"));
    utilsMenu->setObjectName(QStringLiteral("mnuUtilsTop"));
    addMenuEntry(utilsMenu, utils, UtilsMenu::ListAll, QStringLiteral("&Make List of All Sounds"),
                 {}, &MainWindow::utilityCommand);
    addMenuEntry(utilsMenu, utils, UtilsMenu::ListLocked,
                 QStringLiteral("Make List of &Locked Sounds"), {}, &MainWindow::utilityCommand);
    addMenuEntry(utilsMenu, utils, UtilsMenu::Playlist, QStringLiteral("Make a &Winamp playlist"),
                 {}, &MainWindow::utilityCommand);
    addMenuEntry(utilsMenu, utils, UtilsMenu::CheckSounds, QStringLiteral("&Check Sounds"), {},
                 &MainWindow::utilityCommand);

    const QString help = QStringLiteral("mnuHelp");
    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("mnuHelptop"));
    addMenuEntry(helpMenu, help, HelpMenu::HelpFile, QStringLiteral("&Help File"),
                 QKeySequence(Qt::Key_F1), &MainWindow::helpCommand);
    addMenuEntry(helpMenu, help, HelpMenu::About, QStringLiteral("&About"), {},
                 &MainWindow::helpCommand);
}

void MainWindow::fileCommand(int index)
{
    finishEditing();
    const QString folder = gameFolder();
    switch (index) {
    case FileMenu::Load:
        m_file->loadAsked();
        break;
    case FileMenu::Save:
        m_file->save(folder);
        break;
    case FileMenu::Distribute:
        distributeClicked();
        break;
    case FileMenu::ClearOld: {
        // Not under a run that is writing those files; a distribution asked for shows its own
        // window, so only an update can be running here.
        if (m_work->isRunning()) {
            showStatus(tr("The game folder is being updated; clear it once that has finished."));
            return;
        }
        const Button answer = askUser(
            m_services.ui, QStringLiteral("Delete SOUND files?"),
            QStringLiteral("This will delete all the SOUND#.* files in the compiled game "
                           "directory.") +
                kCrLf + QStringLiteral("The source files will not be touched. Are you sure?"),
            {Button::Yes, Button::No}, Button::No);
        if (answer != Button::Yes)
            return;
        QStringList kept;
        QStringList failures;
        ClearNumberedFiles(folder, m_session.table(), &kept, &failures);
        if (!kept.isEmpty()) {
            tellUser(m_services.ui, QStringLiteral("Sonquill"),
                     tr("These files were not deleted because sounds in the list use them as their "
                        "source files:") +
                         kCrLf + kept.join(kCrLf));
        }
        if (!failures.isEmpty()) {
            tellUser(m_services.ui, QStringLiteral("Sonquill"),
                     tr("These files could not be deleted:") + kCrLf + failures.join(kCrLf),
                     MessageRequest::Icon::Exclamation);
        }
        break;
    }
    default:
        break;
    }
}

void MainWindow::distributeClicked()
{
    distribute(false);
}

DistributionOptions MainWindow::distributionOptions(const QString &folder, bool force) const
{
    DistributionOptions options;
    options.OggUse = m_oggUse;
    options.ogg = m_ogg;
    options.processing = LoadProcessingSettings(m_services.settings);
    options.programFolder = m_services.programFolder;
    options.timeoutMs = m_services.encoderTimeoutMs;
    options.jobs = m_ogg.Jobs;
    options.force = force;
    options.catalogueWhole = m_session.isWholeCatalogueOf(folder);
    return options;
}

void MainWindow::distribute(bool force)
{
    if (m_work->refusedWhileDistributing())
        return;
    finishEditing();
    m_work->distribute(force);
}

void MainWindow::oggOptionsClicked()
{
    if (!m_oggOptionsDialog)
        m_oggOptionsDialog = std::make_unique<OggOptionsDialog>(m_services.settings, m_ogg, this);
    m_oggOptionsDialog->show();
    m_oggOptionsDialog->raise();
    m_oggOptionsDialog->activateWindow();
}

void MainWindow::editCommand(int index)
{
    finishEditing();
    switch (index) {
    case EditMenu::SelectAll:
        m_session.setAllSelected(true);
        refillGrid();
        break;
    case EditMenu::RemoveAll:
        if (askUser(m_services.ui, QStringLiteral("Clear List?"),
                    QStringLiteral("Really remove all entries from the list?"),
                    {Button::Yes, Button::No}, Button::No) != Button::Yes)
            return;
        m_session.removeAll();
        sortSounds();
        refillGrid();
        break;
    default:
        break;
    }
}

void MainWindow::selectionCommand(int index)
{
    finishEditing();
    switch (index) {
    case SoundPopMenu::RemoveSelected: {
        const qint16 count = m_session.table().CountSelected();
        bool lockedAmong = false;
        for (const SoundRecord &record : m_session.table().records())
            lockedAmong = lockedAmong || (record.isSelected() && record.isLocked());
        if (count > 1 && askUser(m_services.ui, QStringLiteral("Remove Entries?"),
                                 QStringLiteral("Really remove all ") + QString::number(count) +
                                     QStringLiteral(" selected sounds from the list?"),
                                 {Button::Yes, Button::No}, Button::Yes) != Button::Yes)
            return;
        // A locked sound keeps its number for the game; it never goes without a question.
        if (count == 1 && lockedAmong &&
            askUser(m_services.ui, QStringLiteral("Remove Entries?"),
                    tr("The selected sound is locked to keep its number. Really remove it from the "
                       "list?"),
                    {Button::Yes, Button::No}, Button::No) != Button::Yes)
            return;
        m_session.removeSelected();
        sortSounds();
        refillGrid();
        break;
    }
    case SoundPopMenu::LockSelected: {
        // With nothing selected there is nothing to lock or unlock, and no reason to warn.
        if (m_session.table().CountSelected() == 0)
            return;
        const bool allLocked = m_session.selectedAllLocked();
        if (allLocked &&
            askUser(
                m_services.ui, QStringLiteral("Unlock Sounds?"),
                QStringLiteral("These sounds are locked to keep their number. If you unlock them "
                               "(and change the #), this may cause incorrect sounds to play in "
                               "Orvane. Are you sure?"),
                {Button::Yes, Button::No}, Button::Yes) != Button::Yes)
            return;
        m_session.setSelectedLocked(!allLocked);
        sortSounds();
        refillGrid();
        break;
    }
    case SoundPopMenu::CategorySelected: {
        QString preset;
        for (const SoundRecord &record : m_session.table().records()) {
            if (record.isSelected()) {
                preset = record.category;
                break;
            }
        }
        const std::optional<QString> answer = m_services.ui.inputText(
            QStringLiteral("New Category For Selected"),
            QStringLiteral("Please enter the new category for the selected entries. Click cancel "
                           "to keep the same."),
            preset);
        if (answer && !answer->isEmpty()) {
            if (const TextVerdict verdict = m_session.setSelectedCategory(*answer);
                verdict != TextVerdict::Accepted)
                refuseText(verdict);
        }
        sortSounds();
        refillGrid();
        refreshCategoryLists();
        break;
    }
    default:
        break;
    }
}

void MainWindow::soundCommand(int index)
{
    switch (index) {
    case SoundMenu::Play:
        m_commands->play();
        break;
    case SoundMenu::Stop:
        m_commands->stop();
        break;
    case SoundMenu::Open:
        m_commands->open();
        break;
    case SoundMenu::Edit:
        m_commands->edit();
        break;
    case SoundMenu::PlayDistributed:
        m_commands->playDistributed();
        break;
    default:
        break;
    }
}

void MainWindow::selectSound(int tableIndex)
{
    if (!m_session.table().isValidIndex(tableIndex))
        return;
    m_session.selectOnly({tableIndex});
    refillGrid();
    makeCurrent(tableIndex, QAbstractItemView::EnsureVisible);
    m_lblFile->setText(m_session.table().at(tableIndex).filename);
}

void MainWindow::utilityCommand(int index)
{
    finishEditing();
    switch (index) {
    case UtilsMenu::ListAll:
        return m_commands->makeList(SoundCommands::List::AllSounds);
    case UtilsMenu::ListLocked:
        return m_commands->makeList(SoundCommands::List::LockedSounds);
    case UtilsMenu::Playlist:
        return m_commands->makeList(SoundCommands::List::Playlist);
    case UtilsMenu::CheckSounds:
        return m_commands->checkSounds();
    default:
        return;
    }
}

void MainWindow::gridKeyCommand(int key)
{
    if (key == Qt::Key_Delete) {
        // The key acts on the row the user is on: it becomes the selection unless it is part
        // of it already.
        const int index = currentSound();
        if (index && !m_session.table().at(index).isSelected()) {
            m_session.selectOnly({index});
            refillGrid();
        }
        selectionCommand(SoundPopMenu::RemoveSelected);
        return;
    }
    editCell(m_grid->currentIndex());
}

void MainWindow::helpCommand(int index)
{
    if (index == HelpMenu::HelpFile)
        m_commands->showHelp();
    else if (index == HelpMenu::About)
        m_commands->showAbout();
}

} // namespace sonquill
