#pragma once

#include "catalogue/DisplayOrder.h"
#include "catalogue/SoundTable.h"
#include "distribution/DistributionJob.h"
#include "services/MessageSink.h"
#include "services/UiServices.h"
#include "session/CatalogueSession.h"
#include "soundfacts/SoundFactsCache.h"
#include "storage/Settings.h"
#include "ui/dialogs/OggOptionsDialog.h"
#include "ui/main/MainWindowServices.h"

#include <QAbstractItemView>
#include <QFutureWatcher>
#include <QList>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QFileSystemWatcher;
class QToolButton;
class QTimer;
class QToolBar;
class QUndoStack;

namespace sonquill {

class CatalogueEditCommands;
class CatalogueFileCommands;
class GameFolderWork;
class ProcessRunner;
class ProgressSink;
class SoundCommands;
class SoundFileAdder;
class SoundGridController;
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

private slots:
    void startUp();

    void browseFolderClicked();
    // Enter in the folder box, or a folder chosen: remembered as the game folder.
    void folderEntered();
    void oggEncodingToggled();
    void distributeClicked();
    void oggOptionsClicked();

    void refreshCategoryLists();

    void fileCommand(int index);

private:
    // Distributes into the folder shown; force makes every sound again, up to date or not.
    void distribute(bool force);
    // The run's settings as the window holds them, for folder.
    DistributionOptions distributionOptions(const QString &folder, bool force) const;

    void buildControls();
    template <typename Widget> Widget *makeControl(QWidget *parent, const char *objectName);
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
    OggSettings m_ogg;
    bool m_oggUse = false;

    QWidget *m_client = nullptr;
    QLabel *m_label1 = nullptr;
    QLineEdit *m_txtDir = nullptr;
    QPushButton *m_cmdBrowseDir = nullptr;
    QPushButton *m_cmdAdd = nullptr;
    QLabel *m_label3 = nullptr;
    QComboBox *m_cmbNewCat = nullptr;
    QPushButton *m_cmdDistribute = nullptr;
    QCheckBox *m_chkOgg = nullptr;
    QPushButton *m_cmdOggOptions = nullptr;
    QWidget *m_picBottom = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_lblFile = nullptr;
    QPushButton *m_cmdPlay = nullptr;
    QPushButton *m_cmdStop = nullptr;
    QPushButton *m_cmdEdit = nullptr;
    QPushButton *m_cmdOpen = nullptr;
    WindowMenus *m_menus = nullptr;
    SoundFileAdder *m_adder = nullptr;
    CatalogueEditCommands *m_edits = nullptr;
    QLabel *m_summary = nullptr; // how many sounds, how many selected, their size

    QUndoStack *m_undo = nullptr;

    // Goes before the settings it edits.
    std::unique_ptr<OggOptionsDialog> m_oggOptionsDialog;
    // What each sound file is, read once per file version.
    SoundFactsCache m_facts;
    // Previews, lists, checking and help; goes before the catalogue and facts it reads.
    std::unique_ptr<SoundCommands> m_commands;
    // Goes before the catalogue and facts it shows, and takes its connections with it before
    // the window's children go.
    std::unique_ptr<SoundGridController> m_grid;
    GameFolderWork *m_work = nullptr;
    CatalogueFileCommands *m_file = nullptr;
    // The context of the connections from the window's children, and the first member to go:
    // a child's signal while the window's children are deleted reaches no member already gone.
    QObject m_alive;
};

} // namespace sonquill
