#include "ui/main/MainWindow.h"

#include "catalogue/Categories.h"
#include "ui/common/DesignMetrics.h"
#include "ui/main/CatalogueEditCommands.h"
#include "ui/main/CatalogueFileCommands.h"
#include "ui/main/GameFolderWork.h"
#include "ui/main/SoundCommands.h"
#include "ui/main/SoundFileAdder.h"
#include "ui/main/SoundGrid.h"
#include "ui/main/SoundGridController.h"
#include "ui/main/SoundTableModel.h"
#include "ui/main/WindowControls.h"
#include "ui/main/WindowMenus.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <functional>

namespace sonquill {

namespace {

// The designed client area, in twips: the window's starting size.
constexpr int kClientWidth = 9255;
constexpr int kClientHeight = 6960;
// How long a status-bar message stays.
constexpr int kStatusMs = 5000;

// One change of the catalogue: the table before and after it. The change itself has already
// been made when it is recorded, so the first redo does nothing.
class TableChange : public QUndoCommand
{
public:
    TableChange(const QString &what, SoundTable before, SoundTable after,
                std::function<void(const SoundTable &)> show)
        : QUndoCommand(what), m_before(std::move(before)), m_after(std::move(after)),
          m_show(std::move(show))
    {}
    void undo() override { m_show(m_before); }
    void redo() override
    {
        if (m_done)
            m_show(m_after);
        m_done = true;
    }

private:
    SoundTable m_before;
    SoundTable m_after;
    std::function<void(const SoundTable &)> m_show;
    bool m_done = false;
};

} // namespace

MainWindow::MainWindow(const MainWindowServices &services, QWidget *parent)
    : QMainWindow(parent), m_services(services), m_session(services.ui)
{
    // Files and folders dropped anywhere on the window are added.
    setAcceptDrops(true);
    m_undo = new QUndoStack(this);
    SoundCommandsContext context;
    context.gameFolder = [this] { return gameFolder(); };
    context.selectedFile = [this] { return m_controls->selectedFile(); };
    context.currentSound = [this] { return m_grid->currentSound(); };
    context.displayOrder = [this] { return m_grid->displayOrder(); };
    context.distributionOptions = [this](const QString &folder) {
        return distributionOptions(folder, false);
    };
    context.showStatus = [this](const QString &text) { showStatus(text); };
    m_commands =
        std::make_unique<SoundCommands>(m_services, m_session, m_facts, std::move(context), this);
    connect(m_commands.get(), &SoundCommands::soundActivated, &m_alive,
            [this](int tableIndex) { m_grid->selectSound(tableIndex); });
    statusBar()->setSizeGripEnabled(true);
    m_summary = new QLabel(statusBar());
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    statusBar()->addPermanentWidget(m_summary);
    GameFolderWork::Context work;
    work.gameFolder = [this] { return gameFolder(); };
    work.options = [this](const QString &folder, bool force) {
        return distributionOptions(folder, force);
    };
    work.save = [this](const QString &folder) { m_file->save(folder); };
    work.showStatus = [this](const QString &text) { showStatus(text); };
    m_work = new GameFolderWork(m_services, m_session, statusBar(), std::move(work), this);
    connect(m_work, &GameFolderWork::distributionFinished, this, &MainWindow::distributionFinished);
    connect(m_work, &GameFolderWork::gameFolderUpdated, this, &MainWindow::gameFolderUpdated);
    CatalogueFileCommands::Context file;
    file.gameFolder = [this] { return gameFolder(); };
    file.catalogueReplaced = [this] {
        m_undo->clear();
        sortSounds();
        refreshCategoryLists();
        refillGrid();
    };
    file.updateTitle = [this] { updateTitle(); };
    file.finishEditing = [this] { finishEditing(); };
    file.stopPlayer = [this] { m_commands->stopPlayer(); };
    m_file =
        new CatalogueFileCommands(m_services, m_session, m_facts, *m_work, std::move(file), this);
    SoundFileAdder::Context adding;
    adding.gameFolder = [this] { return gameFolder(); };
    adding.category = [this] { return m_controls->category(); };
    adding.finishEditing = [this] { finishEditing(); };
    adding.added = [this](int lastAdded) {
        sortSounds();
        refillGrid();
        // The last new sound is the current one, at the top, so Play and Open act on it.
        if (lastAdded > 0) {
            m_grid->makeCurrent(lastAdded, QAbstractItemView::PositionAtTop);
            m_grid->showCurrentFile();
        }
        refreshCategoryLists();
    };
    m_adder = new SoundFileAdder(m_services, m_session, *m_work, std::move(adding), this);
    CatalogueEditCommands::Context editing;
    editing.gameFolder = [this] { return gameFolder(); };
    editing.finishEditing = [this] { finishEditing(); };
    editing.refill = [this] { refillGrid(); };
    editing.resort = [this] {
        sortSounds();
        refillGrid();
    };
    editing.categoriesChanged = [this] { refreshCategoryLists(); };
    editing.showStatus = [this](const QString &text) { showStatus(text); };
    m_edits = new CatalogueEditCommands(m_services, m_session, *m_work, std::move(editing), this);
    buildControls();
    WindowMenus::Commands menuCommands;
    menuCommands.file = [this](int index) { fileCommand(index); };
    menuCommands.edit = [this](int index) { m_edits->editCommand(index); };
    menuCommands.selection = [this](int index) { m_edits->selectionCommand(index); };
    menuCommands.distributeAgain = [this] { distribute(true); };
    menuCommands.finishEditing = [this] { finishEditing(); };
    m_menus = new WindowMenus(this, *m_commands, *m_work, m_undo, std::move(menuCommands));
    // The designed size to start with, wider by what the columns need beyond their designed
    // widths, as far as the screen has room for it.
    QSize start =
        QSize(twipsToPixels(kClientWidth) + m_grid->setUpColumns(), twipsToPixels(kClientHeight))
            .expandedTo(m_controls->client()->sizeHint());
    start += QSize(0, menuBar()->sizeHint().height() + m_grid->filterBar()->sizeHint().height() +
                          statusBar()->sizeHint().height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        start = start.boundedTo(screen->availableSize());
    resize(start);
    connect(&m_session, &CatalogueSession::changed, &m_alive,
            [this](const QString &what, const SoundTable &before) {
                m_undo->push(
                    new TableChange(what, before, m_session.table(),
                                    [this](const SoundTable &table) { showRestoredTable(table); }));
            });
    // An edit in a cell changes the table without a refill: the title and the categories
    // offered follow every change.
    connect(&m_session, &CatalogueSession::changed, &m_alive, [this] {
        updateTitle();
        refreshCategoryLists();
    });
    startUp();
    restoreWindowState();
    updateTitle();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    WindowControls::Context controls;
    controls.addChosen = [this] { m_adder->addChosen(); };
    controls.distribute = [this] { distributeClicked(); };
    controls.folderChanged = [this] { updateTitle(); };
    m_controls =
        std::make_unique<WindowControls>(m_services, *m_commands, std::move(controls), this);
    setCentralWidget(m_controls->client());

    SoundGridController::Context grid;
    grid.play = [this] { m_commands->play(); };
    grid.showMenu = [this](QPoint globalPos) { m_menus->gridMenu()->popup(globalPos); };
    grid.removeSelected = [this] { m_edits->selectionCommand(SoundPopMenu::RemoveSelected); };
    grid.reportRefused = [this](const AddedFile &result) { m_adder->report({result}); };
    grid.refilled = [this] { updateTitle(); };
    grid.showFile = [this](const QString &file) { m_controls->setSelectedFile(file); };
    grid.showSummary = [this](const QString &text) { m_summary->setText(text); };
    m_grid = std::make_unique<SoundGridController>(m_services, m_session, m_facts, std::move(grid),
                                                   m_controls->grid(), this);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_grid->filterBar());
}

void MainWindow::startUp()
{
    m_controls->loadOggChoices();

    const QString folder = CatalogueSession::StartFolder(m_services.settings);
    m_controls->setGameFolder(folder);
    m_file->load(folder);
    sortSounds();
    refreshCategoryLists();
    // Checking the entry updates the game folder at once, as the user's choice would.
    m_work->keepUpToDateAction()->setChecked(m_services.settings.keepUpToDate());

    m_commands->startPlayer();

    refillGrid();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Nothing new starts from here on.
    // A run still working is stopped and its end shown before the window goes.
    m_work->stopForClose();
    if (!m_file->isUnloaded())
        saveWindowState();
    if (!m_file->confirmClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (SoundFileAdder::droppedPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = SoundFileAdder::droppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // After the drop has finished, so that no question blocks the file manager's drag.
    QMetaObject::invokeMethod(
        this, [this, paths] { addDroppedPaths(paths); }, Qt::QueuedConnection);
}

void MainWindow::addSoundFiles(const QStringList &paths)
{
    m_adder->addFiles(paths);
}

void MainWindow::addDroppedPaths(const QStringList &paths)
{
    m_adder->addDropped(paths);
}

void MainWindow::refreshGrid()
{
    sortSounds();
    refillGrid();
}

void MainWindow::sortSounds()
{
    m_grid->sort();
}

void MainWindow::refillGrid()
{
    m_grid->refill();
}

void MainWindow::finishEditing()
{
    m_grid->finishEditing();
}

void MainWindow::showRestoredTable(const SoundTable &table)
{
    // The rows under an open editor are about to change; what it holds is dropped.
    m_grid->cancelEditing();
    m_session.restoreTable(table);
    sortSounds();
    refreshCategoryLists();
    refillGrid();
}

bool MainWindow::isDistributing() const
{
    return m_work->isRunning();
}

bool MainWindow::isUpdatingGameFolder() const
{
    return m_work->isUpdating();
}

void MainWindow::updateTitle()
{
    setWindowTitle(gameFolder() + QStringLiteral("[*] \u2014 Sonquill"));
    setWindowModified(m_session.isModified());
}

void MainWindow::restoreWindowState()
{
    const QByteArray geometry = QByteArray::fromBase64(
        m_services.settings.read(QStringLiteral("Window"), QStringLiteral("Geometry"), {})
            .toLatin1());
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const QStringList widths =
        m_services.settings.read(QStringLiteral("Window"), QStringLiteral("ColumnWidths"), {})
            .split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (widths.size() == GridColumnCount) {
        for (int column = 0; column < GridColumnCount; ++column) {
            const int width = widths[column].toInt();
            if (width > 0)
                m_grid->view()->setColumnWidth(column, width);
        }
    }
}

void MainWindow::saveWindowState()
{
    m_services.settings.write(QStringLiteral("Window"), QStringLiteral("Geometry"),
                              QString::fromLatin1(saveGeometry().toBase64()));
    QStringList widths;
    for (int column = 0; column < GridColumnCount; ++column)
        widths.append(QString::number(m_grid->view()->columnWidth(column)));
    m_services.settings.write(QStringLiteral("Window"), QStringLiteral("ColumnWidths"),
                              widths.join(QLatin1Char(',')));
}

void MainWindow::refreshCategoryLists()
{
    QStringList categories = CollectCategories(m_session.table());
    std::sort(categories.begin(), categories.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    m_controls->setCategories(categories);
    m_grid->setCategories(categories);
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
    options.OggUse = m_controls->oggUse();
    options.ogg = m_controls->ogg();
    options.processing = LoadProcessingSettings(m_services.settings);
    options.programFolder = m_services.programFolder;
    options.timeoutMs = m_services.encoderTimeoutMs;
    options.jobs = m_controls->ogg().Jobs;
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

QString MainWindow::gameFolder() const
{
    return m_controls->gameFolder();
}

void MainWindow::showStatus(const QString &text)
{
    statusBar()->showMessage(text, kStatusMs);
}

} // namespace sonquill
