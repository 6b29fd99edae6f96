#include "ui/main/MainWindow.h"

#include "catalogue/Categories.h"
#include "catalogue/PathUtils.h"
#include "catalogue/TextFormats.h"
#include "storage/SoundInfoFile.h"
#include "ui/common/DesignMetrics.h"
#include "ui/main/CatalogueEditCommands.h"
#include "ui/main/CatalogueFileCommands.h"
#include "ui/main/GameFolderWork.h"
#include "ui/main/SoundCommands.h"
#include "ui/main/SoundFileAdder.h"
#include "ui/main/SoundGrid.h"
#include "ui/main/SoundGridController.h"
#include "ui/main/SoundTableModel.h"
#include "ui/main/WindowMenus.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace sonquill {

namespace {

// The designed client area, in twips: the window's starting size.
constexpr int kClientWidth = 9255;
constexpr int kClientHeight = 6960;
// The designed grid height, in twips: the least room the grid keeps.
constexpr int kGridMinimumHeight = 1200;
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

template <typename Widget> Widget *MainWindow::makeControl(QWidget *parent, const char *objectName)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(QLatin1String(objectName));
    return widget;
}

MainWindow::MainWindow(const MainWindowServices &services, QWidget *parent)
    : QMainWindow(parent), m_services(services), m_session(services.ui)
{
    // Files and folders dropped anywhere on the window are added.
    setAcceptDrops(true);
    m_undo = new QUndoStack(this);
    SoundCommandsContext context;
    context.gameFolder = [this] { return gameFolder(); };
    context.selectedFile = [this] { return m_lblFile->text(); };
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
    adding.category = [this] { return m_cmbNewCat->currentText(); };
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
            .expandedTo(m_client->sizeHint());
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
    connect(m_txtDir, &QLineEdit::textChanged, &m_alive, [this] { updateTitle(); });
    startUp();
    restoreWindowState();
    updateTitle();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    m_label1 = makeControl<QLabel>(m_client, "Label1");
    m_label1->setText(QStringLiteral("Game Compiled Directory:"));
    m_txtDir = makeControl<QLineEdit>(m_client, "txtDir");
    m_cmdBrowseDir = makeControl<QPushButton>(m_client, "cmdBrowseDir");
    m_cmdBrowseDir->setText(QStringLiteral("..."));
    m_cmdAdd = makeControl<QPushButton>(m_client, "cmdAdd");
    m_cmdAdd->setText(QStringLiteral("Add Sound(s)"));
    m_label3 = makeControl<QLabel>(m_client, "Label3");
    m_label3->setText(QStringLiteral("of category"));
    m_cmbNewCat = makeControl<QComboBox>(m_client, "cmbNewCat");
    m_cmbNewCat->setEditable(true);
    m_cmbNewCat->setInsertPolicy(QComboBox::NoInsert);
    // Categories are taken exactly as typed, so nothing may complete them behind the user's back.
    m_cmbNewCat->setCompleter(nullptr);
    m_cmbNewCat->setEditText(QStringLiteral("Misc"));
    m_cmbNewCat->setToolTip(QStringLiteral("Category for new added sounds"));
    m_cmdDistribute = makeControl<QPushButton>(m_client, "cmdDistribute");
    m_cmdDistribute->setText(QStringLiteral("Distribute SOUND# files"));
    m_chkOgg = makeControl<QCheckBox>(m_client, "chkOgg");
    m_chkOgg->setText(QStringLiteral("Ogg-encode Wav files"));
    m_chkOgg->setToolTip(QStringLiteral("Check to automatically encode WAV files in the list. "
                                        "Other formats are copied."));
    m_cmdOggOptions = makeControl<QPushButton>(m_client, "cmdOggOptions");
    m_cmdOggOptions->setText(QStringLiteral("Ogg Options..."));
    m_cmdOggOptions->setToolTip(QStringLiteral("Opens the ogg encoder options dialog"));

    SoundGridController::Context grid;
    grid.play = [this] { m_commands->play(); };
    grid.showMenu = [this](QPoint globalPos) { m_menus->gridMenu()->popup(globalPos); };
    grid.removeSelected = [this] { m_edits->selectionCommand(SoundPopMenu::RemoveSelected); };
    grid.reportRefused = [this](const AddedFile &result) { m_adder->report({result}); };
    grid.refilled = [this] { updateTitle(); };
    grid.showFile = [this](const QString &file) { m_lblFile->setText(file); };
    grid.showSummary = [this](const QString &text) { m_summary->setText(text); };
    m_grid = std::make_unique<SoundGridController>(m_services, m_session, m_facts, std::move(grid),
                                                   m_client, this);
    SoundGridView *view = m_grid->view();

    m_picBottom = makeControl<QWidget>(m_client, "picBottom");
    m_label2 = makeControl<QLabel>(m_picBottom, "Label2");
    m_label2->setText(QStringLiteral("Selected file:"));
    m_lblFile = makeControl<QLabel>(m_picBottom, "lblFile");
    m_cmdPlay = makeControl<QPushButton>(m_picBottom, "cmdPlay");
    m_cmdPlay->setText(QStringLiteral("Play"));
    m_cmdPlay->setToolTip(
        QStringLiteral("Plays the sound file in the background. OGG files may not be supported."));
    m_cmdStop = makeControl<QPushButton>(m_picBottom, "cmdStop");
    m_cmdStop->setText(QStringLiteral("Stop"));
    m_cmdStop->setToolTip(QStringLiteral("Stops the sound if it is playing."));
    m_cmdEdit = makeControl<QPushButton>(m_picBottom, "cmdEdit");
    m_cmdEdit->setText(QStringLiteral("Edit"));
    m_cmdEdit->setToolTip(QStringLiteral("Open the default editor application, if any"));
    m_cmdOpen = makeControl<QPushButton>(m_picBottom, "cmdOpen");
    m_cmdOpen->setText(QStringLiteral("Open"));
    m_cmdOpen->setToolTip(QStringLiteral("Open with default application"));

    view->setMinimumHeight(twipsToPixels(kGridMinimumHeight));

    // Rows of controls above and below the grid; the grid and the file name take the room.
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_label1);
    folderRow->addWidget(m_txtDir, 1);
    folderRow->addWidget(m_cmdBrowseDir);
    auto *oggColumn = new QVBoxLayout;
    oggColumn->addWidget(m_chkOgg);
    oggColumn->addWidget(m_cmdOggOptions, 0, Qt::AlignRight);
    auto *commandRow = new QHBoxLayout;
    commandRow->addWidget(m_cmdAdd);
    commandRow->addWidget(m_label3);
    commandRow->addWidget(m_cmbNewCat, 1);
    commandRow->addStretch(1);
    commandRow->addWidget(m_cmdDistribute);
    commandRow->addLayout(oggColumn);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_label2);
    fileRow->addWidget(m_lblFile, 1);
    auto *previewRow = new QHBoxLayout;
    for (QWidget *button : {m_cmdPlay, m_cmdStop})
        previewRow->addWidget(button);
    previewRow->addStretch(1);
    for (QWidget *button : {m_cmdEdit, m_cmdOpen})
        previewRow->addWidget(button);
    auto *bottom = new QVBoxLayout(m_picBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addLayout(fileRow);
    bottom->addLayout(previewRow);
    auto *client = new QVBoxLayout(m_client);
    client->addLayout(folderRow);
    client->addLayout(commandRow);
    client->addWidget(view, 1);
    client->addWidget(m_picBottom);
    // As narrow as designed, as far as its "..." allows.
    m_cmdBrowseDir->setMaximumWidth(m_cmdBrowseDir->minimumSizeHint().width());
    m_lblFile->setMinimumWidth(twipsToPixels(1500));

    QWidget *tabOrder[] = {m_txtDir,        m_cmdBrowseDir, m_cmdAdd,        m_cmbNewCat,
                           m_cmdDistribute, m_chkOgg,       m_cmdOggOptions, view,
                           m_cmdPlay,       m_cmdStop,      m_cmdEdit,       m_cmdOpen};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    connect(m_cmdAdd, &QPushButton::clicked, m_adder, &SoundFileAdder::addChosen);
    connect(m_cmdBrowseDir, &QPushButton::clicked, this, &MainWindow::browseFolderClicked);
    connect(m_txtDir, &QLineEdit::returnPressed, &m_alive, [this] { folderEntered(); });
    connect(m_chkOgg, &QCheckBox::stateChanged, &m_alive, [this] { oggEncodingToggled(); });
    connect(m_cmdDistribute, &QPushButton::clicked, this, &MainWindow::distributeClicked);
    connect(m_cmdOggOptions, &QPushButton::clicked, this, &MainWindow::oggOptionsClicked);
    connect(m_cmdPlay, &QPushButton::clicked, m_commands.get(), &SoundCommands::play);
    connect(m_cmdStop, &QPushButton::clicked, m_commands.get(), &SoundCommands::stop);
    connect(m_cmdOpen, &QPushButton::clicked, m_commands.get(), &SoundCommands::open);
    connect(m_cmdEdit, &QPushButton::clicked, m_commands.get(), &SoundCommands::edit);

    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_grid->filterBar());
}

void MainWindow::startUp()
{
    m_ogg = LoadOggSettings(m_services.settings);

    // Setting the box runs oggEncodingToggled as a user's click would, which writes the value back.
    const qint16 storedOggUse = m_services.settings.oggUse();
    if (storedOggUse == 1)
        m_chkOgg->setCheckState(Qt::Checked);
    else if (storedOggUse == 2)
        m_chkOgg->setCheckState(Qt::PartiallyChecked);

    const QString folder = CatalogueSession::StartFolder(m_services.settings);
    m_txtDir->setText(folder);
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

void MainWindow::browseFolderClicked()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Choose any file in your compiled game directory...");
    request.initialPath = JoinPath(gameFolder(), QStringLiteral("*.*"));
    request.nameFilters = {QStringLiteral("All Files (*.*)")};
    request.multiple = false;
    request.fileMustExist = false;
    const std::optional<QStringList> chosen = m_services.ui.openFiles(request);
    if (!chosen || chosen->isEmpty())
        return;
    m_txtDir->setText(FolderFromPath(chosen->first()));
    folderEntered();
}

void MainWindow::folderEntered()
{
    m_services.settings.setLastGameDir(gameFolder());
    // A mistyped name must not leave a new folder behind: one is made only when asked for.
    const QString folder = gameFolder();
    if (folder.isEmpty() || QFileInfo(folder).isDir())
        return;
    if (askUser(m_services.ui, QStringLiteral("Sonquill"),
                tr("The folder %1 does not exist. Create it?").arg(folder),
                {MessageRequest::Button::Yes, MessageRequest::Button::No},
                MessageRequest::Button::No) != MessageRequest::Button::Yes)
        return;
    if (!QDir().mkpath(folder))
        tellUser(m_services.ui, QStringLiteral("Sonquill"),
                 tr("The folder %1 could not be created.").arg(folder),
                 MessageRequest::Icon::Exclamation);
}

void MainWindow::oggEncodingToggled()
{
    const Qt::CheckState state = m_chkOgg->checkState();
    m_oggUse = state == Qt::Checked;
    // The grey state only shows a stored value; clicks toggle between checked and unchecked.
    if (state != Qt::PartiallyChecked)
        m_chkOgg->setTristate(false);
    m_services.settings.setOggUse(m_oggUse);
}

void MainWindow::refreshCategoryLists()
{
    QStringList categories = CollectCategories(m_session.table());
    std::sort(categories.begin(), categories.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    const QString newCategory = m_cmbNewCat->currentText();
    m_cmbNewCat->clear();
    m_cmbNewCat->addItems(categories);
    m_grid->setCategories(categories);
    m_cmbNewCat->setEditText(newCategory);
}

QString MainWindow::gameFolder() const
{
    return m_txtDir->text();
}

void MainWindow::showStatus(const QString &text)
{
    statusBar()->showMessage(text, kStatusMs);
}

} // namespace sonquill
