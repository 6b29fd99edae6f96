#pragma once

#include "ui/main/MainWindowServices.h"

#include <QObject>
#include <QString>

#include <functional>

namespace sonquill {

class CatalogueSession;
class GameFolderWork;

// The commands that change the catalogue as a whole or its selected sounds (select all, remove,
// lock, change the category) and clear the game folder's numbered files, each after the
// design's question.
class CatalogueEditCommands : public QObject
{
    Q_OBJECT
public:
    // What the commands need from the window.
    struct Context
    {
        std::function<QString()> gameFolder;
        // Stores what an open editor holds before the catalogue is read.
        std::function<void()> finishEditing;
        // The grid shows the catalogue again: in the same order, or sorted anew.
        std::function<void()> refill;
        std::function<void()> resort;
        std::function<void()> categoriesChanged;
        std::function<void(const QString &text)> showStatus;
    };

    CatalogueEditCommands(const MainWindowServices &services, CatalogueSession &session,
                          GameFolderWork &work, Context context, QObject *parent);

    // The Edit menu's own entries, by the design's index.
    void editCommand(int index);
    // The Sound menu's entries for the selected sounds, by the design's index.
    void selectionCommand(int index);
    // File > Clear old SOUND#.* files (an open editor's text is stored by the caller).
    void clearNumberedFiles();

private:
    MainWindowServices m_services;
    CatalogueSession &m_session;
    GameFolderWork &m_work;
    Context m_context;
};

} // namespace sonquill
