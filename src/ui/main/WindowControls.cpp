#include "ui/main/WindowControls.h"

#include "catalogue/PathUtils.h"
#include "ui/common/DesignMetrics.h"
#include "ui/dialogs/OggOptionsDialog.h"
#include "ui/main/SoundCommands.h"
#include "ui/main/SoundGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace sonquill {

namespace {

// The designed grid height, in twips: the least room the grid keeps.
constexpr int kGridMinimumHeight = 1200;

} // namespace

template <typename Widget>
Widget *WindowControls::makeControl(QWidget *parent, const char *objectName)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(QLatin1String(objectName));
    return widget;
}

WindowControls::WindowControls(const MainWindowServices &services, SoundCommands &sounds,
                               Context context, QWidget *window)
    : m_services(services), m_context(std::move(context)), m_window(window)
{
    m_client = new QWidget(window);
    m_client->setObjectName(QStringLiteral("client"));

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

    m_grid = makeControl<SoundGridView>(m_client, "gridSound");

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

    layOut();

    connect(m_cmdAdd, &QPushButton::clicked, this, [this] { m_context.addChosen(); });
    connect(m_cmdBrowseDir, &QPushButton::clicked, this, [this] { browseFolderClicked(); });
    connect(m_txtDir, &QLineEdit::returnPressed, this, [this] { folderEntered(); });
    connect(m_txtDir, &QLineEdit::textChanged, this, [this] { m_context.folderChanged(); });
    connect(m_chkOgg, &QCheckBox::stateChanged, this, [this] { oggEncodingToggled(); });
    connect(m_cmdDistribute, &QPushButton::clicked, this, [this] { m_context.distribute(); });
    connect(m_cmdOggOptions, &QPushButton::clicked, this, [this] { oggOptionsClicked(); });
    connect(m_cmdPlay, &QPushButton::clicked, &sounds, &SoundCommands::play);
    connect(m_cmdStop, &QPushButton::clicked, &sounds, &SoundCommands::stop);
    connect(m_cmdOpen, &QPushButton::clicked, &sounds, &SoundCommands::open);
    connect(m_cmdEdit, &QPushButton::clicked, &sounds, &SoundCommands::edit);
}

WindowControls::~WindowControls() = default;

void WindowControls::layOut()
{
    m_grid->setMinimumHeight(twipsToPixels(kGridMinimumHeight));

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
    client->addWidget(m_grid, 1);
    client->addWidget(m_picBottom);
    // As narrow as designed, as far as its "..." allows.
    m_cmdBrowseDir->setMaximumWidth(m_cmdBrowseDir->minimumSizeHint().width());
    m_lblFile->setMinimumWidth(twipsToPixels(1500));

    QWidget *tabOrder[] = {m_txtDir,        m_cmdBrowseDir, m_cmdAdd,        m_cmbNewCat,
                           m_cmdDistribute, m_chkOgg,       m_cmdOggOptions, m_grid,
                           m_cmdPlay,       m_cmdStop,      m_cmdEdit,       m_cmdOpen};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void WindowControls::loadOggChoices()
{
    m_ogg = LoadOggSettings(m_services.settings);

    // Setting the box runs oggEncodingToggled as a user's click would, which writes the value back.
    const qint16 storedOggUse = m_services.settings.oggUse();
    if (storedOggUse == 1)
        m_chkOgg->setCheckState(Qt::Checked);
    else if (storedOggUse == 2)
        m_chkOgg->setCheckState(Qt::PartiallyChecked);
}

QString WindowControls::gameFolder() const
{
    return m_txtDir->text();
}

void WindowControls::setGameFolder(const QString &folder)
{
    m_txtDir->setText(folder);
}

QString WindowControls::category() const
{
    return m_cmbNewCat->currentText();
}

void WindowControls::setCategories(const QStringList &categories)
{
    const QString newCategory = m_cmbNewCat->currentText();
    m_cmbNewCat->clear();
    m_cmbNewCat->addItems(categories);
    m_cmbNewCat->setEditText(newCategory);
}

QString WindowControls::selectedFile() const
{
    return m_lblFile->text();
}

void WindowControls::setSelectedFile(const QString &file)
{
    m_lblFile->setText(file);
}

void WindowControls::browseFolderClicked()
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

void WindowControls::folderEntered()
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

void WindowControls::oggEncodingToggled()
{
    const Qt::CheckState state = m_chkOgg->checkState();
    m_oggUse = state == Qt::Checked;
    // The grey state only shows a stored value; clicks toggle between checked and unchecked.
    if (state != Qt::PartiallyChecked)
        m_chkOgg->setTristate(false);
    m_services.settings.setOggUse(m_oggUse);
}

void WindowControls::oggOptionsClicked()
{
    if (!m_oggOptionsDialog)
        m_oggOptionsDialog =
            std::make_unique<OggOptionsDialog>(m_services.settings, m_ogg, m_window);
    m_oggOptionsDialog->show();
    m_oggOptionsDialog->raise();
    m_oggOptionsDialog->activateWindow();
}

} // namespace sonquill
