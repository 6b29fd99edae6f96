// The main window's commands from its menus and buttons that change the catalogue or the folder.

#include "ui/main/MainWindow.h"

#include "catalogue/TextFormats.h"
#include "distribution/Distribution.h"
#include "ui/dialogs/OggOptionsDialog.h"
#include "ui/main/CatalogueEditCommands.h"
#include "ui/main/CatalogueFileCommands.h"
#include "ui/main/GameFolderWork.h"
#include "ui/main/SoundCommands.h"
#include "ui/main/SoundGrid.h"
#include "ui/main/WindowMenus.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace sonquill {

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
    case FileMenu::ClearOld:
        m_edits->clearNumberedFiles();
        break;
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

} // namespace sonquill
