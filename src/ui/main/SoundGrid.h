#pragma once

#include "catalogue/DisplayOrder.h"
#include "catalogue/SoundFileNames.h"
#include "catalogue/SoundRecord.h"
#include "soundfacts/SoundFacts.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QList>
#include <QStringList>
#include <QTableView>

#include <array>

namespace sonquill {

// Columns of the sound grid, in display position: a column's sort code less one.
enum GridColumn : int {
    ColNumber = SortNumber - 1,
    ColLock = SortLock - 1,
    ColCategory = SortCategory - 1,
    ColName = SortName - 1,
    ColFilename = SortFilename - 1,
    ColSize = SortSize - 1,
    ColLength = SortLength - 1,
    GridColumnCount = SortLength,
};

// One data row as the last refill wrote it: the six cell texts, the selection colour and the
// row link (the 1-based table index of the sound shown, 0 for a row without a sound).
struct GridRow
{
    int link = 0;
    bool selected = false;
    std::array<QString, GridColumnCount> cells;
    QString toolTip; // what the file is: format, channels, sample rate
};

// The cell texts of a sound as the grid shows them, with what its file was read to be.
GridRow MakeGridRow(int link, const SoundRecord &record, const SoundFacts &facts = {});

// The grid's contents. Grid rows count from 1 for data, as the header is row 0; model rows are
// grid rows minus one. The model only ever holds what the last refill put there.
class SoundGridModel : public QAbstractTableModel
{
public:
    explicit SoundGridModel(QObject *parent = nullptr);

    void setHeaderTexts(const QStringList &texts);
    // Rewrites every row. At least one row is kept, so an empty catalogue shows a blank row.
    void refill(QList<GridRow> rows);

    // Grid rows including the header.
    int gridRowCount() const { return int(m_rows.size()) + 1; }
    // The link of grid row r (r >= 1), or 0 when r lies outside the data rows.
    int linkOf(int gridRow) const;
    // The first grid row whose link equals link, or -1.
    int gridRowOfLink(int link) const;
    QString cellText(int gridRow, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<GridRow> m_rows;
    QStringList m_headers;
};

// The grid's header row: reports presses and releases as grid row 0.
class SoundGridHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit SoundGridHeader(QWidget *parent = nullptr);

signals:
    void headerPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column);
    void headerReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column,
                        QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // True when pos lies on the grip between two sections, where a press starts a resize.
    bool onGrip(QPoint pos) const;
    // A press that started a resize is no click on the header.
    bool m_resizing = false;
};

// The grid widget: reports mouse presses, releases and double-clicks in grid rows and columns
// (row 0 the header, -1 when the pointer is over no cell), after its own handling has run.
class SoundGridView : public QTableView
{
    Q_OBJECT
public:
    explicit SoundGridView(QWidget *parent = nullptr);

    SoundGridModel *gridModel() const { return m_model; }
    // The grid row and column under a point of the viewport; -1 for either when outside.
    int gridRowAt(QPoint viewportPos) const;
    int columnAtPoint(QPoint viewportPos) const;
    // Cell geometry in the coordinates of the grid widget itself.
    QRect cellRect(int gridRow, int column) const;
    // Current cell in grid rows; row -1 when there is none.
    int currentGridRow() const;
    int currentColumn() const;
    void setCurrentCell(int gridRow, int column);
    // Scrolls so that gridRow is the first visible data row, as far as the scroll range allows.
    void setTopRow(int gridRow);

signals:
    void gridMousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int row,
                          int column);
    void gridMouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int row,
                           int column, QPoint globalPos);
    void gridDoubleClicked(int row, int column);
    // A key moved the current cell to another row.
    void gridCursorMoved(int row, Qt::KeyboardModifiers modifiers);
    // Enter, F2 or Delete on the grid.
    void gridKeyCommand(int key);
    // Local files and folders dropped on the grid.
    void pathsDropped(const QStringList &paths);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    SoundGridModel *m_model;
};

} // namespace sonquill
