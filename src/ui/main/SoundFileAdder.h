#pragma once

#include "session/CatalogueSession.h"
#include "ui/main/MainWindowServices.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;

namespace sonquill {

class GameFolderWork;

// Adding sound files to the catalogue: chosen in the file dialog, given by name or dropped with
// whole folders, and the messages about the files that were not added.
class SoundFileAdder : public QObject
{
    Q_OBJECT
public:
    // What the adder needs from the window.
    struct Context
    {
        std::function<QString()> gameFolder;
        // The category of the "of category" box, for new sounds.
        std::function<QString()> category;
        // Stores what an open editor holds before the catalogue changes.
        std::function<void()> finishEditing;
        // Sounds were added; the last new one's table index, 0 for none.
        std::function<void(int lastAdded)> added;
    };

    SoundFileAdder(const MainWindowServices &services, CatalogueSession &session,
                   GameFolderWork &work, Context context, QObject *parent);

    // Add Sound(s): the files the user chooses, remembering their folder.
    void addChosen();
    // Adds the files with the category of the "of category" box, and tells the user about any
    // it refused.
    void addFiles(const QStringList &paths);
    // Adds dropped files and the sounds inside dropped folders; names dropped files that are
    // no sounds in one message.
    void addDropped(const QStringList &paths);
    // Tells the user about the files an add or a file change refused.
    void report(const QList<AddedFile> &results);

    // The local files and folders a drag carries; empty when it carries anything else or
    // nothing that could be added.
    static QStringList droppedPaths(const QMimeData *mime);
    // The file types of both sound-file choosers, the first preselected.
    static QStringList fileFilters();

private:
    MainWindowServices m_services;
    CatalogueSession &m_session;
    GameFolderWork &m_work;
    Context m_context;
};

} // namespace sonquill
