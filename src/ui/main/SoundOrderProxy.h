#pragma once

#include <QList>
#include <QSortFilterProxyModel>

namespace sonquill {

// The grid's rows in the catalogue's display order, which the catalogue's own order keys give,
// narrowed to those a filter text finds.
class SoundOrderProxy : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit SoundOrderProxy(QObject *parent = nullptr);

    // Puts the rows in a display order of 1-based table indexes (as MakeSort gives it); rows
    // keep their place until the next call.
    void arrange(const QList<int> &order);
    // Shows only the sounds whose number, category, name or file name holds text, in any
    // letter case; an empty text shows them all.
    void setFilterText(const QString &text);
    // The 1-based table index of the sound on a proxy row, 0 for none.
    int soundAt(const QModelIndex &index) const;
    // The proxy index of a table index's row in column, or an invalid one.
    QModelIndex indexOfSound(int tableIndex, int column = 0) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QList<int> m_position; // display position of each table row
    QString m_filter;
};

} // namespace sonquill
