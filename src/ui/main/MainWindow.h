#pragma once

#include "catalogue/SoundTable.h"
#include "distribution/DistributionPlan.h"
#include "session/CatalogueSession.h"
#include "soundfacts/SoundFactsCache.h"
#include "ui/main/MainWindowServices.h"

#include <QMainWindow>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLabel;
class QUndoStack;

namespace sonquill {

class CatalogueEditCommands;
class CatalogueFileCommands;
class GameFolderWork;
class SoundCommands;
class SoundFileAdder;
class SoundGridController;
class WindowControls;
class WindowMenus;

// The main window: the catalogue of one compiled-game folder in a grid, with the commands that
// add, edit, distribute and list its sounds.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // Builds the window and runs startUp.
    explicit MainWindow(const MainWindowServices &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The catalogue shown.
    const SoundTable &table() const { return m_session.table(); }
    // Adds the files as Add Sound(s) does, with the category of the "of category" box, and
    // tells the user about any it refused.
    void addSoundFiles(const QStringList &paths);
    // Adds dropped files and the sounds inside dropped folders; names dropped files that are
    // no sounds in one message.
    void addDroppedPaths(const QStringList &paths);
    // Recomputes the display order and refills the grid.
    void refreshGrid();
    // True while a distribution works in the background.
    bool isDistributing() const;
    // True while the game folder is being kept up to date (no window shows that run).
    bool isUpdatingGameFolder() const;

signals:
    // A distribution ended and its summary was shown.
    void distributionFinished();
    // An update of the game folder ended; the status bar tells how it went.
    void gameFolderUpdated();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void startUp();
    void distributeClicked();
    void refreshCategoryLists();
    void fileCommand(int index);
    // Distributes into the folder shown; force makes every sound again, up to date or not.
    void distribute(bool force);
    // The run's settings as the window holds them, for folder.
    DistributionOptions distributionOptions(const QString &folder, bool force) const;

    // The controls around the grid, the grid and its filter bar.
    void buildControls();
    // The grid follows the table after a change, and the title with it.
    void refillGrid();
    void sortSounds();
    void finishEditing();
    // Puts a table of the undo history back and shows it.
    void showRestoredTable(const SoundTable &table);
    void updateTitle();
    void restoreWindowState();
    void saveWindowState();

    QString gameFolder() const;
    void showStatus(const QString &text);

    MainWindowServices m_services;
    CatalogueSession m_session;

    WindowMenus *m_menus = nullptr;
    SoundFileAdder *m_adder = nullptr;
    CatalogueEditCommands *m_edits = nullptr;
    QLabel *m_summary = nullptr; // how many sounds, how many selected, their size

    QUndoStack *m_undo = nullptr;

    // What each sound file is, read once per file version.
    SoundFactsCache m_facts;
    // Previews, lists, checking and help; goes before the catalogue and facts it reads.
    std::unique_ptr<SoundCommands> m_commands;
    // The controls and the grid go before the catalogue and facts they show, and take their
    // connections with them before the window's children go.
    std::unique_ptr<WindowControls> m_controls;
    std::unique_ptr<SoundGridController> m_grid;
    GameFolderWork *m_work = nullptr;
    CatalogueFileCommands *m_file = nullptr;
    // The context of the connections from the window's children, and the first member to go:
    // a child's signal while the window's children are deleted reaches no member already gone.
    QObject m_alive;
};

} // namespace sonquill
