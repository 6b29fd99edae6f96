#include "SoundOrderProxy.h"

#include "ui/main/SoundTableModel.h"

namespace sonquill {

SoundOrderProxy::SoundOrderProxy(QObject *parent) : QSortFilterProxyModel(parent)
{
    // An edit does not move its row; only arrange() does, as a header click or an add would.
    setDynamicSortFilter(false);
    sort(0);
}

void SoundOrderProxy::arrange(const QList<int> &order)
{
    m_position = QList<int>(order.size(), 0);
    for (qsizetype position = 0; position < order.size(); ++position)
        m_position[order[position] - 1] = int(position);
    // Sorting again keeps the selection and the current cell on their sounds.
    invalidate();
}

void SoundOrderProxy::setFilterText(const QString &text)
{
    m_filter = text.trimmed();
    invalidateFilter();
}

bool SoundOrderProxy::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_filter.isEmpty())
        return true;
    const auto cell = [&](int column) {
        return sourceModel()->index(sourceRow, column, sourceParent).data().toString();
    };
    // The file by its name: the folders above it would match almost any text.
    const QString path = cell(ColFilename);
    const QString fileName = path.mid(
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1);
    for (const QString &text : {cell(ColNumber), cell(ColCategory), cell(ColName), fileName}) {
        if (text.contains(m_filter, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

int SoundOrderProxy::soundAt(const QModelIndex &index) const
{
    const QModelIndex source = mapToSource(index);
    return source.isValid() ? source.row() + 1 : 0;
}

QModelIndex SoundOrderProxy::indexOfSound(int tableIndex, int column) const
{
    if (!sourceModel())
        return {};
    return mapFromSource(sourceModel()->index(tableIndex - 1, column));
}

bool SoundOrderProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    // Rows the last arrange() did not see (none, as adds arrange) go last, in table order.
    const auto position = [this](int row) {
        return row < m_position.size() ? m_position[row] : int(m_position.size()) + row;
    };
    return position(left.row()) < position(right.row());
}

} // namespace sonquill
