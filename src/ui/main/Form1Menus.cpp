// The main window's menus, the distribution button and the preview commands.

#include "ui/main/Form1.h"

#include "catalogue/PathUtils.h"
#include "catalogue/TextFormats.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "storage/SoundInfoFile.h"
#include "storage/SoundLists.h"
#include "ui/dialogs/FrmAbout.h"
#include "ui/dialogs/FrmOgg.h"
#include "ui/main/SoundGrid.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

namespace sonquill {

namespace {

using Button = MessageRequest::Button;

} // namespace

QAction *Form1::addMenuEntry(QMenu *menu, const QString &group, int index, const QString &caption,
                             const QKeySequence &shortcut, void (Form1::*handler)(int))
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(group);
    action->setData(index);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, handler, index] { (this->*handler)(index); });
    return action;
}

void Form1::addMenuSeparator(QMenu *menu, const QString &group, int index)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(group);
    separator->setData(index);
}

void Form1::buildMenus()
{
    const QString file = QStringLiteral("mnuFile");
    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("mnuFileTop"));
    addMenuEntry(fileMenu, file, 2, QStringLiteral("&Load"), QKeySequence(QStringLiteral("Ctrl+L")),
                 &Form1::mnuFile_Click);
    addMenuEntry(fileMenu, file, 4, QStringLiteral("&Save Selections"),
                 QKeySequence(QStringLiteral("Ctrl+S")), &Form1::mnuFile_Click);
    addMenuSeparator(fileMenu, file, 6);
    addMenuEntry(fileMenu, file, 8, QStringLiteral("&Distribute"),
                 QKeySequence(QStringLiteral("Ctrl+D")), &Form1::mnuFile_Click);
    addMenuEntry(fileMenu, file, 10, QStringLiteral("&Clear old SOUND#.* files"), {},
                 &Form1::mnuFile_Click);

    const QString edit = QStringLiteral("mnuEdit");
    QMenu *editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    editMenu->setObjectName(QStringLiteral("mnuEditTop"));
    addMenuEntry(editMenu, edit, 2, QStringLiteral("Select All"),
                 QKeySequence(QStringLiteral("Ctrl+A")), &Form1::mnuEdit_Click);
    addMenuEntry(editMenu, edit, 6, QStringLiteral("Remove all sounds"), {}, &Form1::mnuEdit_Click);

    const QString soundPop = QStringLiteral("mnuSoundPop");
    const QString sound = QStringLiteral("mnuSound");
    m_mnuSoundtop = menuBar()->addMenu(QStringLiteral("&Sound"));
    m_mnuSoundtop->setObjectName(QStringLiteral("mnuSoundtop"));
    addMenuEntry(m_mnuSoundtop, soundPop, 6, QStringLiteral("&Remove Selected"), {},
                 &Form1::mnuSoundPop_Click);
    addMenuEntry(m_mnuSoundtop, soundPop, 8, QStringLiteral("&Lock/Unlock Selected"), {},
                 &Form1::mnuSoundPop_Click);
    addMenuEntry(m_mnuSoundtop, soundPop, 10, QStringLiteral("&Change Selected's Category"), {},
                 &Form1::mnuSoundPop_Click);
    addMenuSeparator(m_mnuSoundtop, soundPop, 12);
    addMenuEntry(m_mnuSoundtop, sound, 2, QStringLiteral("&Play"),
                 QKeySequence(QStringLiteral("Ctrl+P")), &Form1::mnuSound_Click);
    addMenuEntry(m_mnuSoundtop, sound, 4, QStringLiteral("&Stop"), {}, &Form1::mnuSound_Click);
    addMenuEntry(m_mnuSoundtop, sound, 6, QStringLiteral("&Open"),
                 QKeySequence(QStringLiteral("Ctrl+O")), &Form1::mnuSound_Click);
    addMenuEntry(m_mnuSoundtop, sound, 8, QStringLiteral("&Edit"),
                 QKeySequence(QStringLiteral("Ctrl+E")), &Form1::mnuSound_Click);

    const QString utils = QStringLiteral("mnuUtils");
    QMenu *utilsMenu = menuBar()->addMenu(QStringLiteral("&Utilities"));
    utilsMenu->setObjectName(QStringLiteral("mnuUtilsTop"));
    addMenuEntry(utilsMenu, utils, 2, QStringLiteral("&Make List of All Sounds"), {},
                 &Form1::mnuUtils_Click);
    addMenuEntry(utilsMenu, utils, 4, QStringLiteral("Make List of &Locked Sounds"), {},
                 &Form1::mnuUtils_Click);
    addMenuEntry(utilsMenu, utils, 6, QStringLiteral("Make a &Winamp playlist"), {},
                 &Form1::mnuUtils_Click);

    const QString help = QStringLiteral("mnuHelp");
    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("mnuHelptop"));
    addMenuEntry(helpMenu, help, 2, QStringLiteral("&Help File"), {}, &Form1::mnuHelp_Click);
    addMenuEntry(helpMenu, help, 4, QStringLiteral("&About"), {}, &Form1::mnuHelp_Click);
}

QAction *Form1::menuEntry(const QString &group, int index) const
{
    const QList<QAction *> actions = findChildren<QAction *>(group);
    for (QAction *action : actions) {
        if (action->data().toInt() == index)
            return action;
    }
    return nullptr;
}

void Form1::mnuFile_Click(int index)
{
    finishEditing();
    const QString folder = gameFolder();
    const QString file = soundInfoPath();
    switch (index) {
    case 2: {
        if (!FileExists(file)) {
            ask(QStringLiteral("No Selections found"),
                QStringLiteral("No saved selections found at '") + file +
                    QStringLiteral("'. Cannot load."),
                {Button::Ok, Button::Cancel}, Button::Ok);
            return;
        }
        const Button answer = ask(QStringLiteral("Replace Selections?"),
                                  QStringLiteral("This will replace your current selections with "
                                                 "what was saved at ") +
                                      folder + QStringLiteral(". Are you sure?"),
                                  {Button::Yes, Button::No}, Button::Yes);
        if (answer != Button::Yes)
            return;
        if (!LoadSoundInfo(m_table, file, m_services.ui))
            m_catalogueFolder = folder;
        MakeSort();
        UpdateCategories();
        gridSound_Update();
        break;
    }
    case 4:
        if (!SaveSoundInfo(m_table, file, m_services.ui))
            m_catalogueFolder = folder;
        break;
    case 8:
        cmdDistribute_Click();
        break;
    case 10: {
        const Button answer =
            ask(QStringLiteral("Delete SOUND files?"),
                QStringLiteral("This will delete all the SOUND#.* files in the compiled game "
                               "directory.") +
                    kCrLf + QStringLiteral("The source files will not be touched. Are you sure?"),
                {Button::Yes, Button::No}, Button::No);
        if (answer != Button::Yes)
            return;
        QStringList kept;
        ClearNumberedFiles(folder, m_table, &kept);
        if (!kept.isEmpty()) {
            tell(QStringLiteral("Sonquill"),
                 tr("These files were not deleted because sounds in the list use them as their "
                    "source files:") +
                     kCrLf + kept.join(kCrLf));
        }
        break;
    }
    default:
        break;
    }
}

void Form1::cmdDistribute_Click()
{
    finishEditing();
    DistributionOptions options;
    options.OggUse = m_oggUse;
    options.ogg = m_ogg;
    options.programFolder = m_services.programFolder;
    options.timeoutMs = m_services.encoderTimeoutMs;
    const QString folder = gameFolder();
    const DistributionResult result =
        Distribute(m_table, folder, options,
                   {m_services.ui, m_services.progress, m_services.runner, {}, [&] {
                        return !SaveSoundInfo(m_table, SoundInfoPath(folder), m_services.ui);
                    }});
    // The run ends by saving the catalogue there, so it now belongs to that folder.
    if (!result.saveFailed)
        m_catalogueFolder = folder;
}

void Form1::cmdOggOptions_Click()
{
    if (!m_frmOgg)
        m_frmOgg = new FrmOgg(m_services.settings, m_ogg, this);
    m_frmOgg->show();
    m_frmOgg->raise();
    m_frmOgg->activateWindow();
}

void Form1::mnuEdit_Click(int index)
{
    finishEditing();
    switch (index) {
    case 2:
        m_table.SetAllSelected(true);
        gridSound_Update();
        break;
    case 6:
        if (ask(QStringLiteral("Clear List?"),
                QStringLiteral("Really remove all entries from the list?"),
                {Button::Yes, Button::No}, Button::No) != Button::Yes)
            return;
        m_table.ClearSounds();
        MakeSort();
        gridSound_Update();
        break;
    default:
        break;
    }
}

void Form1::mnuSoundPop_Click(int index)
{
    finishEditing();
    switch (index) {
    case 6: {
        const qint16 count = m_table.CountSelected();
        if (count > 1 && ask(QStringLiteral("Remove Entries?"),
                             QStringLiteral("Really remove all ") + QString::number(count) +
                                 QStringLiteral(" selected sounds from the list?"),
                             {Button::Yes, Button::No}, Button::Yes) != Button::Yes)
            return;
        // Downwards, so that the indexes still to visit stay valid.
        for (int i = m_table.SoundCount(); i >= 1; --i) {
            if (m_table.at(i).isSelected())
                m_table.RemoveSound(i);
        }
        MakeSort();
        gridSound_Update();
        break;
    }
    case 8: {
        // With nothing selected there is nothing to lock or unlock, and no reason to warn.
        if (m_table.CountSelected() == 0)
            return;
        bool allLocked = true;
        for (const SoundRecord &record : m_table.records()) {
            if (record.isSelected() && !record.isLocked())
                allLocked = false;
        }
        if (allLocked &&
            ask(QStringLiteral("Unlock Sounds?"),
                QStringLiteral("These sounds are locked to keep their number. If you unlock them "
                               "(and change the #), this may cause incorrect sounds to play in "
                               "Orvane. Are you sure?"),
                {Button::Yes, Button::No}, Button::Yes) != Button::Yes)
            return;
        const Bool16 newLock = toBool16(!allLocked);
        for (int i = 1; i <= m_table.SoundCount(); ++i) {
            if (m_table.at(i).isSelected())
                m_table.at(i).locked = newLock;
        }
        MakeSort();
        gridSound_Update();
        break;
    }
    case 10: {
        QString preset;
        for (const SoundRecord &record : m_table.records()) {
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
            for (int i = 1; i <= m_table.SoundCount(); ++i) {
                if (m_table.at(i).isSelected())
                    m_table.at(i).category = *answer;
            }
        }
        MakeSort();
        gridSound_Update();
        break;
    }
    default:
        break;
    }
}

void Form1::mnuSound_Click(int index)
{
    switch (index) {
    case 2:
        cmdPlay_Click();
        break;
    case 4:
        cmdStop_Click();
        break;
    case 6:
        cmdOpen_Click();
        break;
    case 8:
        cmdEdit_Click();
        break;
    default:
        break;
    }
}

void Form1::cmdPlay_Click()
{
    if (m_player)
        m_player->play(m_lblFile->text());
    else
        showStatus(tr("No media player is available to play %1.").arg(m_lblFile->text()));
}

void Form1::cmdStop_Click()
{
    if (m_player)
        m_player->stop();
}

void Form1::cmdOpen_Click()
{
    m_services.shell.ShellExecute(m_lblFile->text(), QStringLiteral("open"));
}

void Form1::cmdEdit_Click()
{
    const QString path = m_lblFile->text();
    for (const QString &verb :
         {QStringLiteral("Edit"), QStringLiteral("Record"), QStringLiteral("Modify")}) {
        if (m_services.shell.ShellExecute(path, verb) >= 32)
            return;
    }
    m_services.shell.ShellExecute(path, QString());
}

void Form1::mnuUtils_Click(int index)
{
    finishEditing();
    QString path;
    FileError error;
    switch (index) {
    case 2:
        path = JoinPath(gameFolder(), QLatin1String(kAllSoundsFileName));
        error = MakeListOfAll(m_table, m_sortOrder, path);
        break;
    case 4:
        path = JoinPath(gameFolder(), QLatin1String(kLockedSoundsFileName));
        error = MakeListOfLocked(m_table, path);
        break;
    case 6:
        path = JoinPath(gameFolder(), QLatin1String(kPlaylistFileName));
        error = MakeWinampList(m_table, m_sortOrder, path);
        break;
    default:
        return;
    }
    if (error) {
        tell(QStringLiteral("Sonquill"),
             tr("The file %1 could not be written.").arg(path) + kCrLf + error.description,
             MessageRequest::Icon::Exclamation);
        return;
    }
    const int answer = m_services.shell.ShellExecute(path, QStringLiteral("open"));
    if (index == 6 && answer < 32)
        tell(QStringLiteral("Sonquill"), QStringLiteral("Playlist saved to ") + path);
}

void Form1::mnuHelp_Click(int index)
{
    switch (index) {
    case 2: {
        const QString path =
            JoinPath(m_services.programFolder, QStringLiteral("SonquillHelp.html"));
        if (!FileExists(path)) {
            tell(QStringLiteral("No Help Found."),
                 QStringLiteral("The help file, ") + path + QStringLiteral(", was not found."));
        }
        m_services.shell.ShellExecute(path, QStringLiteral("open"));
        break;
    }
    case 4:
        if (!m_frmAbout)
            m_frmAbout = new FrmAbout(m_services.ui, m_services.shell, this);
        m_frmAbout->show();
        m_frmAbout->raise();
        m_frmAbout->activateWindow();
        break;
    default:
        break;
    }
}

} // namespace sonquill
