#include "ui/main/SoundGridController.h"

#include "soundfacts/SoundFactsCache.h"
#include "ui/main/SoundEditDelegate.h"
#include "ui/main/SoundFileAdder.h"
#include "ui/main/SoundGrid.h"
#include "ui/main/SoundOrderProxy.h"
#include "ui/main/SoundTableModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QToolBar>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

namespace sonquill {

namespace {

// Column widths in twips, in column order; the category, name and file name give up some of
// their designed width so that the columns read from the files fit beside them.
constexpr int kColumnWidths[GridColumnCount] = {750, 600, 1200, 1500, 1200, 750, 700, 700, 700};

} // namespace

SoundGridController::SoundGridController(const MainWindowServices &services,
                                         CatalogueSession &session, SoundFactsCache &facts,
                                         Context context, SoundGridView *view, QWidget *window)
    : m_services(services), m_session(session), m_facts(facts), m_context(std::move(context)),
      m_grid(view)
{
    connect(&m_loudness, &QFutureWatcher<void>::finished, this,
            &SoundGridController::loudnessMeasured);
    m_model = new SoundTableModel(m_session, m_facts, window);
    m_order = new SoundOrderProxy(window);
    m_order->setSourceModel(m_model);
    m_grid->setModel(m_order);
    m_delegate = new SoundEditDelegate(*m_model, m_grid);
    m_grid->setItemDelegate(m_delegate);
    connect(m_delegate, &SoundEditDelegate::refused, this,
            [this](const SoundTableModel::Refusal &refusal) {
                tellUser(m_services.ui, refusal.title, refusal.text, refusal.icon);
            });

    QItemSelectionModel *selection = m_grid->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this,
            [this] { gridSelectionChanged(); });
    connect(selection, &QItemSelectionModel::currentChanged, this, [this] { showCurrentFile(); });
    // Sounds that went take the selection with them; the current cell stays on its row.
    connect(m_order, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_followingTable = true;
        if (m_grid->currentIndex().isValid())
            m_currentBeforeReset = {m_grid->currentIndex().row(), m_grid->currentIndex().column()};
    });
    connect(m_order, &QAbstractItemModel::modelReset, this, [this] { m_followingTable = false; });

    // The filter narrows the rows shown; the catalogue keeps every sound.
    m_filterBar = new QToolBar(window);
    m_filterBar->setObjectName(QStringLiteral("barFilter"));
    m_filterBar->setMovable(false);
    m_filterBar->setFloatable(false);
    m_filterBar->addWidget(new QLabel(tr("Filter: "), m_filterBar));
    auto *filter = new QLineEdit(m_filterBar);
    filter->setObjectName(QStringLiteral("txtFilter"));
    filter->setPlaceholderText(tr("Number, category, name or file"));
    filter->setClearButtonEnabled(true);
    m_filterBar->addWidget(filter);
    connect(filter, &QLineEdit::textChanged, this,
            [this](const QString &text) { filterChanged(text); });

    connect(m_grid, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &cell) { cellClicked(cell); });
    connect(m_grid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &cell) { cellDoubleClicked(cell); });
    QHeaderView *header = m_grid->horizontalHeader();
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { headerClicked(column); });
    connect(m_grid, &SoundGridView::menuRequested, this,
            [this](QPoint globalPos) { m_context.showMenu(globalPos); });
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](QPoint pos) { m_context.showMenu(header->mapToGlobal(pos)); });
    connect(m_grid, &SoundGridView::gridKeyCommand, this, [this](int key) { gridKeyCommand(key); });
}

int SoundGridController::setUpColumns()
{
    // The designed widths at the screen's resolution, wider where a bold header text and the
    // order indicator would not fit; the file name takes whatever width the others leave.
    const double dpiScale = m_grid->logicalDpiX() / 96.0;
    int beyondDesign = 0;
    for (int column = 0; column < GridColumnCount; ++column) {
        const int designed = int(std::lround(kColumnWidths[column] / 15.0 * dpiScale));
        const int width = std::max(m_grid->headerRoom(column), designed);
        beyondDesign += width - designed;
        m_grid->setColumnWidth(column, width);
    }
    QFont bold = m_grid->horizontalHeader()->font();
    bold.setBold(true);
    m_grid->horizontalHeader()->setMinimumSectionSize(
        QFontMetrics(bold).horizontalAdvance(QLatin1Char('M')));
    m_grid->setStretchColumn(ColFilename);
    return beyondDesign;
}

void SoundGridController::refill()
{
    m_model->tableChanged();
    // Once the rows are in order again, after a reset the current cell stays on its row.
    const int rows = m_order->rowCount();
    if (!m_grid->currentIndex().isValid() && rows > 0 && m_currentBeforeReset.x() >= 0) {
        m_grid->selectionModel()->setCurrentIndex(
            m_order->index(std::min(m_currentBeforeReset.x(), rows - 1), m_currentBeforeReset.y()),
            QItemSelectionModel::NoUpdate);
        m_currentBeforeReset = {-1, -1};
    }
    showSelection();
    showSummary();
    showCurrentFile();
    m_context.refilled();
    measureLoudness();
}

SoundGridController::~SoundGridController()
{
    // The measuring reads the facts cache, which outlives this controller only so long.
    disconnect(&m_loudness, nullptr, this, nullptr);
    m_loudness.cancel();
    m_loudness.waitForFinished();
}

void SoundGridController::measureLoudness()
{
    if (m_loudness.isRunning())
        return;
    // Readable sounds whose loudness was never measured: each file decoded once, off the
    // window's thread, and the grid shown again when all are done.
    m_unmeasured.clear();
    for (const SoundRecord &record : m_session.table().records()) {
        if (m_facts.remembered(record.filename).readable &&
            !m_facts.rememberedLoudness(record.filename) && !m_unmeasured.contains(record.filename))
            m_unmeasured.append(record.filename);
    }
    if (!m_unmeasured.isEmpty()) {
        m_loudness.setFuture(QtConcurrent::map(
            m_unmeasured, [facts = &m_facts](const QString &path) { facts->loudness(path); }));
    }
}

void SoundGridController::loudnessMeasured()
{
    // Files that changed while they were measured are measured at the next refill; when none
    // could be kept, that waits for one the user causes, rather than going round at once.
    if (std::none_of(m_unmeasured.cbegin(), m_unmeasured.cend(), [this](const QString &path) {
            return m_facts.rememberedLoudness(path).has_value();
        }))
        return;
    // The order follows the new values when the grid is sorted by them.
    if (m_sort.PrimarySort == SortLoudness || m_sort.PrimarySort == SortTruePeak ||
        m_sort.SecondarySort == SortLoudness || m_sort.SecondarySort == SortTruePeak)
        sort();
    refill();
}

void SoundGridController::showSummary()
{
    const SoundTable &table = m_session.table();
    double bytes = 0;
    for (const SoundRecord &record : table.records())
        bytes += std::max(0.0f, record.size); // -1: a file that could not be measured
    const int count = table.SoundCount();
    m_context.showSummary(
        (count == 1 ? tr("1 sound") : tr("%1 sounds").arg(count)) +
        tr(", %1 selected, %2")
            .arg(table.CountSelected())
            .arg(QLocale().formattedDataSize(qint64(bytes), 1, QLocale::DataSizeSIFormat)));
}

void SoundGridController::sort()
{
    m_model->tableChanged();
    QList<FileMeasures> measures;
    if (m_sort.PrimarySort >= SortLength || m_sort.SecondarySort >= SortLength) {
        for (const SoundRecord &record : m_session.table().records()) {
            FileMeasures measured;
            measured.seconds = m_facts.remembered(record.filename).seconds;
            if (const auto loudness = m_facts.rememberedLoudness(record.filename);
                loudness && loudness->read) {
                measured.lufs = loudness->loudness.integratedLufs;
                measured.truePeak = loudness->loudness.truePeakDbtp;
            }
            measures.append(measured);
        }
    }
    m_sortOrder = MakeSort(m_session.table(), m_sort, measures);
    m_order->arrange(m_sortOrder);
}

void SoundGridController::showSelection()
{
    QItemSelection selection;
    QList<int> shown;
    const SoundTable &table = m_session.table();
    for (int index = 1; index <= table.SoundCount(); ++index) {
        const QModelIndex row = m_order->indexOfSound(index);
        if (table.at(index).isSelected() && row.isValid()) {
            selection.select(row, row);
            shown.append(index);
        }
    }
    m_followingTable = true;
    m_grid->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
    m_followingTable = false;
    // The commands act on what the user sees selected, never on a sound the filter hides.
    if (shown.size() != table.CountSelected())
        m_session.selectOnly(shown);
}

void SoundGridController::filterChanged(const QString &text)
{
    m_order->setFilterText(text);
    showSelection();
    showSummary();
    showCurrentFile();
}

void SoundGridController::gridSelectionChanged()
{
    if (m_followingTable)
        return;
    // The catalogue keeps the selection with its sounds, so that a save stores it.
    QList<int> indexes;
    for (const QModelIndex &row : m_grid->selectionModel()->selectedRows())
        indexes.append(m_order->soundAt(row));
    m_session.selectOnly(indexes);
    showSummary();
}

int SoundGridController::currentSound() const
{
    return m_order->soundAt(m_grid->currentIndex());
}

void SoundGridController::showCurrentFile()
{
    const int index = currentSound();
    m_context.showFile(index ? m_session.table().at(index).filename : QString());
}

void SoundGridController::makeCurrent(int tableIndex, QAbstractItemView::ScrollHint hint)
{
    const QModelIndex cell =
        m_order->indexOfSound(tableIndex, std::max(0, m_grid->currentIndex().column()));
    if (!cell.isValid())
        return;
    m_grid->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    m_grid->scrollTo(cell, hint);
}

void SoundGridController::selectSound(int tableIndex)
{
    if (!m_session.table().isValidIndex(tableIndex))
        return;
    m_session.selectOnly({tableIndex});
    refill();
    makeCurrent(tableIndex, QAbstractItemView::EnsureVisible);
    m_context.showFile(m_session.table().at(tableIndex).filename);
}

void SoundGridController::setCategories(const QStringList &categories)
{
    m_delegate->setCategories(categories);
}

void SoundGridController::headerClicked(int column)
{
    // The rows are about to move under an open editor.
    finishEditing();
    m_lastClicked = QPersistentModelIndex();
    m_sort.headerClicked(qint16(column + 1));
    m_grid->horizontalHeader()->setSortIndicator(m_sort.PrimarySort - 1, Qt::AscendingOrder);
    sort();
    refill();
}

void SoundGridController::cellClicked(const QModelIndex &cell)
{
    // A first click chooses the sound; a second one on the same cell edits it.
    const bool again = cell == m_lastClicked;
    m_lastClicked = cell;
    if (again)
        editCell(cell);
}

void SoundGridController::cellDoubleClicked(const QModelIndex &cell)
{
    if (cell.column() == ColSize)
        m_context.play();
    else
        editCell(cell);
}

void SoundGridController::editCell(const QModelIndex &cell)
{
    // A row without a sound has nothing to edit.
    const int index = m_order->soundAt(cell);
    if (!index)
        return;
    const SoundRecord before = m_session.table().at(index);
    switch (cell.column()) {
    case ColNumber:
    case ColCategory:
    case ColName:
        m_grid->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
        m_grid->edit(cell);
        return;
    case ColLock:
        if (before.isLocked()) {
            const auto answer = askUser(
                m_services.ui, QStringLiteral("Unlock Sound?"),
                QStringLiteral("This sound is locked to keep its number. If you unlock it (and "
                               "change the #), this may cause incorrect sounds to play in "
                               "Orvane. Are you sure?"),
                {MessageRequest::Button::Yes, MessageRequest::Button::No},
                MessageRequest::Button::Yes);
            if (answer != MessageRequest::Button::Yes)
                return;
        }
        m_session.setLocked(index, !before.isLocked());
        break;
    case ColFilename: {
        FileDialogRequest request;
        request.title =
            QStringLiteral("Choose the sound file for '") + before.name + QStringLiteral("'...");
        request.initialPath = before.filename;
        request.nameFilters = SoundFileAdder::fileFilters();
        request.multiple = false;
        request.fileMustExist = true;
        const std::optional<QStringList> chosen = m_services.ui.openFiles(request);
        if (!chosen || chosen->isEmpty())
            return;
        const AddedFile result = m_session.setFile(index, chosen->first());
        if (!result.added())
            m_context.reportRefused(result);
        break;
    }
    default:
        return;
    }
    refill();
}

void SoundGridController::finishEditing()
{
    m_delegate->finishEditing();
}

void SoundGridController::cancelEditing()
{
    m_delegate->cancelEditing();
}

void SoundGridController::gridKeyCommand(int key)
{
    if (key == Qt::Key_Delete) {
        // The key acts on the row the user is on: it becomes the selection unless it is part
        // of it already.
        const int index = currentSound();
        if (index && !m_session.table().at(index).isSelected()) {
            m_session.selectOnly({index});
            refill();
        }
        m_context.removeSelected();
        return;
    }
    editCell(m_grid->currentIndex());
}

} // namespace sonquill
