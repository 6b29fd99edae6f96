#pragma once

#include "catalogue/DisplayOrder.h"
#include "services/MessageSink.h"

#include <QAbstractTableModel>
#include <QString>

namespace sonquill {

class CatalogueSession;
class SoundFactsCache;

// Columns of the sound grid, in display position: a column's sort code less one.
enum GridColumn : int {
    ColNumber = SortNumber - 1,
    ColLock = SortLock - 1,
    ColCategory = SortCategory - 1,
    ColName = SortName - 1,
    ColFilename = SortFilename - 1,
    ColSize = SortSize - 1,
    ColLength = SortLength - 1,
    ColLoudness = SortLoudness - 1,
    ColTruePeak = SortTruePeak - 1,
    GridColumnCount = SortTruePeak,
};

// The catalogue of a session as a table: one row per sound in table order (row r is table
// index r + 1), the grid's columns, and the number, category and name edited under the
// catalogue's rules.
class SoundTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Why the last setData was refused, as the user is told, and what its editor shows then.
    struct Refusal
    {
        QString title;
        QString text;
        MessageRequest::Icon icon = MessageRequest::Icon::None;
        QString editorText; // empty: the editor keeps what was typed
    };

    SoundTableModel(CatalogueSession &session, SoundFactsCache &facts, QObject *parent = nullptr);

    // Follows the session's table after any change: rows added at the end are inserted, a
    // shorter or replaced table resets the model, and every cell is announced as changed.
    void tableChanged();
    const Refusal &lastRefusal() const { return m_refusal; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Number, category and name; false, with lastRefusal() saying why, when the catalogue
    // refuses the text. A refused number is not stored.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    CatalogueSession &m_session;
    SoundFactsCache &m_facts;
    int m_rows = 0; // the rows announced so far
    Refusal m_refusal;
};

} // namespace sonquill
