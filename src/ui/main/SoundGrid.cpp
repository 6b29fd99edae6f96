#include "SoundGrid.h"

#include "catalogue/TextFormats.h"

#include <QBrush>
#include <QColor>
#include <QDropEvent>
#include <QFileInfo>
#include <QFont>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

namespace sonquill {

namespace {

const QColor kSelectedBackground(128, 255, 255);
const QColor kPlainBackground(255, 255, 255);

// Paths are right-aligned so that the file name stays visible; cut them at the start.
class SoundGridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == ColFilename)
            option->textElideMode = Qt::ElideLeft;
    }

public:
    // The whole path shows as a tool tip only where the cell cuts it short.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() == QEvent::ToolTip && index.column() == ColFilename &&
            option.fontMetrics.horizontalAdvance(index.data().toString()) + 2 * kTextRoom <=
                option.rect.width()) {
            QToolTip::hideText();
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    static constexpr int kTextRoom = 4;
};

// The local files and folders a drag carries; empty when it carries anything else or nothing
// that could be added.
QStringList localPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    bool addable = false;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
        addable = addable || IsSoundFile(paths.last()) || QFileInfo(paths.last()).isDir();
    }
    return addable ? paths : QStringList();
}

} // namespace

GridRow MakeGridRow(int link, const SoundRecord &record, const SoundFacts &facts)
{
    GridRow row;
    row.link = link;
    row.selected = record.isSelected();
    row.cells[ColNumber] = QString::number(record.number);
    row.cells[ColLock] = record.isLocked() ? QStringLiteral("X") : QString();
    row.cells[ColCategory] = record.category;
    row.cells[ColName] = record.name;
    row.cells[ColFilename] = record.filename;
    row.cells[ColSize] = KilobytesText(double(record.size));
    row.cells[ColLength] = LengthText(facts);
    if (facts.readable) {
        row.toolTip =
            QStringLiteral("%1, %2, %3 Hz")
                .arg(facts.format,
                     facts.channels == 1   ? QStringLiteral("mono")
                     : facts.channels == 2 ? QStringLiteral("stereo")
                                           : QStringLiteral("%1 channels").arg(facts.channels),
                     QString::number(facts.sampleRate));
    } else if (!facts.problem.isEmpty()) {
        row.toolTip = facts.problem;
    }
    return row;
}

SoundGridModel::SoundGridModel(QObject *parent) : QAbstractTableModel(parent), m_rows(1) {}

void SoundGridModel::setHeaderTexts(const QStringList &texts)
{
    m_headers = texts;
    emit headerDataChanged(Qt::Horizontal, 0, GridColumnCount - 1);
}

void SoundGridModel::refill(QList<GridRow> rows)
{
    if (rows.isEmpty())
        rows.resize(1);
    const int oldCount = int(m_rows.size());
    const int newCount = int(rows.size());
    // Growing or shrinking at the end keeps the view's current cell and scroll position, which a
    // model reset would throw away.
    if (newCount > oldCount) {
        beginInsertRows({}, oldCount, newCount - 1);
        m_rows = std::move(rows);
        endInsertRows();
    } else if (newCount < oldCount) {
        beginRemoveRows({}, newCount, oldCount - 1);
        m_rows = std::move(rows);
        endRemoveRows();
    } else {
        m_rows = std::move(rows);
    }
    emit dataChanged(index(0, 0), index(newCount - 1, GridColumnCount - 1));
}

int SoundGridModel::linkOf(int gridRow) const
{
    if (gridRow < 1 || gridRow > m_rows.size())
        return 0;
    return m_rows[gridRow - 1].link;
}

int SoundGridModel::gridRowOfLink(int link) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].link == link)
            return i + 1;
    }
    return -1;
}

QString SoundGridModel::cellText(int gridRow, int column) const
{
    if (gridRow == 0)
        return m_headers.value(column);
    if (gridRow < 1 || gridRow > m_rows.size() || column < 0 || column >= GridColumnCount)
        return {};
    return m_rows[gridRow - 1].cells[size_t(column)];
}

int SoundGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SoundGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : GridColumnCount;
}

QVariant SoundGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= GridColumnCount)
        return {};
    const GridRow &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.cells[size_t(index.column())];
    case Qt::BackgroundRole:
        return QBrush(row.selected ? kSelectedBackground : kPlainBackground);
    case Qt::ToolTipRole:
        if (index.column() == ColFilename)
            return row.cells[ColFilename];
        return row.toolTip.isEmpty() ? QVariant() : QVariant(row.toolTip);
    case Qt::ForegroundRole:
        // The background is always light, whatever the desktop's colour scheme.
        return QBrush(Qt::black);
    case Qt::TextAlignmentRole:
        switch (index.column()) {
        case ColLock:
            return int(Qt::AlignCenter);
        case ColName:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        case ColFilename:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    default:
        return {};
    }
}

QVariant SoundGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= GridColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return m_headers.value(section);
    case Qt::TextAlignmentRole:
        switch (section) {
        case ColLock:
            return int(Qt::AlignCenter);
        case ColName:
        case ColFilename:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    case Qt::FontRole: {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    default:
        return {};
    }
}

SoundGridHeader::SoundGridHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(false);
    setSectionsMovable(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setStretchLastSection(true);
    setSortIndicator(-1, Qt::AscendingOrder);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A style sheet paints the same green under every widget style.
    setStyleSheet(QStringLiteral("QHeaderView::section { background-color: rgb(0, 128, 0); "
                                 "color: rgb(255, 255, 255); font-weight: bold; "
                                 "border: none; border-right: 1px solid rgb(0, 90, 0); "
                                 "border-bottom: 1px solid rgb(0, 90, 0); padding: 1px 3px; }"));
}

bool SoundGridHeader::onGrip(QPoint pos) const
{
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    for (int section = 0; section < count() - 1; ++section) {
        const int edge = sectionViewportPosition(section) + sectionSize(section);
        if (std::abs(pos.x() - edge) <= grip)
            return true;
    }
    return false;
}

void SoundGridHeader::mousePressEvent(QMouseEvent *event)
{
    m_resizing = event->button() == Qt::LeftButton && onGrip(event->position().toPoint());
    QHeaderView::mousePressEvent(event);
    if (!m_resizing) {
        emit headerPressed(event->button(), event->modifiers(),
                           logicalIndexAt(event->position().toPoint()));
    }
}

void SoundGridHeader::mouseReleaseEvent(QMouseEvent *event)
{
    QHeaderView::mouseReleaseEvent(event);
    if (m_resizing) {
        m_resizing = false;
        return;
    }
    emit headerReleased(event->button(), event->modifiers(),
                        logicalIndexAt(event->position().toPoint()),
                        event->globalPosition().toPoint());
}

SoundGridView::SoundGridView(QWidget *parent)
    : QTableView(parent), m_model(new SoundGridModel(this))
{
    setModel(m_model);
    auto *header = new SoundGridHeader(this);
    setHorizontalHeader(header);
    header->setModel(m_model);
    // The header shows the order, but sorting stays with the window's own rules.
    header->setSortIndicatorShown(true);
    setItemDelegate(new SoundGridDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setWordWrap(false);
    // The grid is one stop in the window's tab order; arrows move within it.
    setTabKeyNavigation(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    // The scroll value then counts rows, which is what scrolling a row to the top needs.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    connect(header, &SoundGridHeader::headerPressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column) {
                emit gridMousePressed(button, modifiers, 0, column);
            });
    connect(header, &SoundGridHeader::headerReleased, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column,
                   QPoint globalPos) {
                emit gridMouseReleased(button, modifiers, 0, column, globalPos);
            });
}

int SoundGridView::gridRowAt(QPoint viewportPos) const
{
    const int row = rowAt(viewportPos.y());
    return row < 0 ? -1 : row + 1;
}

int SoundGridView::columnAtPoint(QPoint viewportPos) const
{
    return columnAt(viewportPos.x());
}

QRect SoundGridView::cellRect(int gridRow, int column) const
{
    const QRect inViewport = visualRect(m_model->index(gridRow - 1, column));
    return inViewport.translated(viewport()->mapTo(this, QPoint(0, 0)));
}

int SoundGridView::currentGridRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : -1;
}

int SoundGridView::currentColumn() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() : -1;
}

void SoundGridView::setCurrentCell(int gridRow, int column)
{
    const QModelIndex index = m_model->index(gridRow - 1, column);
    if (index.isValid())
        setCurrentIndex(index);
}

void SoundGridView::setTopRow(int gridRow)
{
    if (gridRow < 1 || gridRow >= m_model->gridRowCount())
        return;
    // The scroll range may still lag behind a refill that added rows.
    updateGeometries();
    verticalScrollBar()->setValue(gridRow - 1);
}

void SoundGridView::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    const QPoint pos = event->position().toPoint();
    emit gridMousePressed(event->button(), event->modifiers(), gridRowAt(pos), columnAtPoint(pos));
}

void SoundGridView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    const QPoint pos = event->position().toPoint();
    emit gridMouseReleased(event->button(), event->modifiers(), gridRowAt(pos), columnAtPoint(pos),
                           event->globalPosition().toPoint());
}

void SoundGridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click is no new press for the grid's click rules: the
    // release after it counts as a second release on the cell.
    QTableView::mouseDoubleClickEvent(event);
    const QPoint pos = event->position().toPoint();
    emit gridDoubleClicked(gridRowAt(pos), columnAtPoint(pos));
}

void SoundGridView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
    case Qt::Key_Delete:
        if (!plain)
            break;
        event->accept();
        emit gridKeyCommand(key);
        return;
    case Qt::Key_Home:
    case Qt::Key_End: {
        // The list's first and last sound, in the column the user is in.
        const int row = key == Qt::Key_Home ? 1 : m_model->gridRowCount() - 1;
        setCurrentCell(row, std::max(0, currentColumn()));
        scrollTo(currentIndex());
        event->accept();
        emit gridCursorMoved(row, event->modifiers());
        return;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int before = currentGridRow();
        QTableView::keyPressEvent(event);
        if (currentGridRow() != before)
            emit gridCursorMoved(currentGridRow(), event->modifiers());
        return;
    }
    default:
        break;
    }
    // Any other key (type-ahead among them) may move the current row: the selection follows
    // it, so that Delete and the Sound menu act on the sound the user sees chosen.
    const int before = currentGridRow();
    QTableView::keyPressEvent(event);
    if (currentGridRow() != before && currentGridRow() >= 1)
        emit gridCursorMoved(currentGridRow(), event->modifiers());
}

void SoundGridView::dragEnterEvent(QDragEnterEvent *event)
{
    if (localPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void SoundGridView::dragMoveEvent(QDragMoveEvent *event)
{
    if (localPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void SoundGridView::dropEvent(QDropEvent *event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pathsDropped(paths);
}

} // namespace sonquill
