// The main window's commands from its menus and buttons that change the catalogue or the folder.

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
#include "ui/main/WindowMenus.h"

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

} // namespace

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

void MainWindow::selectSound(int tableIndex)
{
    if (!m_session.table().isValidIndex(tableIndex))
        return;
    m_session.selectOnly({tableIndex});
    refillGrid();
    makeCurrent(tableIndex, QAbstractItemView::EnsureVisible);
    m_lblFile->setText(m_session.table().at(tableIndex).filename);
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

} // namespace sonquill
