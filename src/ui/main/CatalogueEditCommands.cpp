#include "ui/main/CatalogueEditCommands.h"

#include "catalogue/TextFormats.h"
#include "distribution/ClearFiles.h"
#include "session/CatalogueSession.h"
#include "ui/main/GameFolderWork.h"
#include "ui/main/WindowMenus.h"

namespace sonquill {

using Button = MessageRequest::Button;

CatalogueEditCommands::CatalogueEditCommands(const MainWindowServices &services,
                                             CatalogueSession &session, GameFolderWork &work,
                                             Context context, QObject *parent)
    : QObject(parent), m_services(services), m_session(session), m_work(work),
      m_context(std::move(context))
{}

void CatalogueEditCommands::editCommand(int index)
{
    m_context.finishEditing();
    switch (index) {
    case EditMenu::SelectAll:
        m_session.setAllSelected(true);
        m_context.refill();
        break;
    case EditMenu::RemoveAll:
        if (askUser(m_services.ui, QStringLiteral("Clear List?"),
                    QStringLiteral("Really remove all entries from the list?"),
                    {Button::Yes, Button::No}, Button::No) != Button::Yes)
            return;
        m_session.removeAll();
        m_context.resort();
        break;
    default:
        break;
    }
}

void CatalogueEditCommands::selectionCommand(int index)
{
    m_context.finishEditing();
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
        m_context.resort();
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
        m_context.resort();
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
                tellUser(m_services.ui, QStringLiteral("Sonquill"), TypedTextRefusal(verdict),
                         MessageRequest::Icon::Exclamation);
        }
        m_context.resort();
        m_context.categoriesChanged();
        break;
    }
    default:
        break;
    }
}

void CatalogueEditCommands::clearNumberedFiles()
{
    const QString folder = m_context.gameFolder();
    // Not under a run that is writing those files; a distribution asked for shows its own
    // window, so only an update can be running here.
    if (m_work.isRunning()) {
        m_context.showStatus(
            tr("The game folder is being updated; clear it once that has finished."));
        return;
    }
    const Button answer =
        askUser(m_services.ui, QStringLiteral("Delete SOUND files?"),
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
}

} // namespace sonquill
