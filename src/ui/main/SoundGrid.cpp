#include "SoundGrid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionHeader>

namespace sonquill {

namespace {

// Room around a header text: the style sheet's padding and border, in pixels.
constexpr int kHeaderPadding = 10;

} // namespace

SoundGridView::SoundGridView(QWidget *parent) : QTableView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Editing starts by the window's rules: a second click on a cell, Enter or F2.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // The grid is one stop in the window's tab order; arrows move within it.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    QHeaderView *header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    connect(header, &QHeaderView::sectionResized, this, [this](int section) {
        if (section != m_stretchColumn)
            fitStretchColumn();
    });
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The header shows the order; sorting stays with the catalogue's own rules.
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    // A style sheet paints the same green under every widget style.
    header->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: rgb(0, 128, 0); "
        "color: rgb(255, 255, 255); font-weight: bold; border: none; "
        "border-right: 1px solid rgb(0, 90, 0); border-bottom: 1px solid rgb(0, 90, 0); "
        "padding: 1px 3px; }"));
}

void SoundGridView::setStretchColumn(int column)
{
    m_stretchColumn = column;
    fitStretchColumn();
}

void SoundGridView::fitStretchColumn()
{
    QHeaderView *header = horizontalHeader();
    if (m_stretchColumn < 0 || m_stretchColumn >= header->count())
        return;
    int others = 0;
    for (int section = 0; section < header->count(); ++section) {
        if (section != m_stretchColumn)
            others += header->sectionSize(section);
    }
    // Never narrower than its header's text and order indicator; a scroll bar shows the rest.
    const int least = std::max(header->minimumSectionSize() * 4, headerRoom(m_stretchColumn));
    header->resizeSection(m_stretchColumn, std::max(least, viewport()->width() - others));
}

int SoundGridView::headerRoom(int column) const
{
    const QHeaderView *header = horizontalHeader();
    QStyleOptionHeader option;
    option.initFrom(header);
    option.state |= QStyle::State_Horizontal;
    option.orientation = Qt::Horizontal;
    option.section = column;
    option.text = model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    option.sortIndicator = QStyleOptionHeader::SortDown;
    option.rect = QRect(0, 0, header->sectionSize(column), header->sizeHint().height());
    QFont bold = header->font();
    bold.setBold(true);
    const QStyle *style = header->style();
    const int arrow = style->subElementRect(QStyle::SE_HeaderArrow, &option, header).width();
    const int margin = style->pixelMetric(QStyle::PM_HeaderMargin, &option, header);
    return QFontMetrics(bold).horizontalAdvance(option.text) + kHeaderPadding + arrow + 2 * margin;
}

void SoundGridView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitStretchColumn();
}

void SoundGridView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && state() != EditingState &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2 ||
         key == Qt::Key_Delete)) {
        event->accept();
        emit gridKeyCommand(key);
        return;
    }
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, {}, {}, event->modifiers());
        contextMenuEvent(&menu);
        return;
    }
    QTableView::keyPressEvent(event);
}

void SoundGridView::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (event->reason() != QContextMenuEvent::Keyboard) {
        emit menuRequested(event->globalPos());
        return;
    }
    // From the keyboard: at the current cell, or the grid's corner when there is none.
    const QRect cell = visualRect(currentIndex());
    const QPoint at = cell.isValid() ? cell.center() : QPoint(0, 0);
    emit menuRequested(viewport()->mapToGlobal(at));
}

QModelIndex SoundGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // Home and End go to the list's first and last sound, in the column the user is in.
    if ((action == MoveHome || action == MoveEnd) && model() && model()->rowCount() > 0) {
        const int column = std::max(0, currentIndex().column());
        return model()->index(action == MoveHome ? 0 : model()->rowCount() - 1, column);
    }
    return QTableView::moveCursor(action, modifiers);
}

} // namespace sonquill
