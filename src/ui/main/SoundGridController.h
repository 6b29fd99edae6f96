#pragma once

#include "catalogue/DisplayOrder.h"
#include "session/CatalogueSession.h"
#include "ui/main/MainWindowServices.h"

#include <QAbstractItemView>
#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class QToolBar;

namespace sonquill {

class SoundEditDelegate;
class SoundFactsCache;
class SoundGridView;
class SoundOrderProxy;
class SoundTableModel;

// The main window's grid of sounds: its rows in the catalogue's display order narrowed by the
// filter, the selection kept with the catalogue, the current row, the edit of a cell, the order
// chosen by the headers and the summary of the sounds.
class SoundGridController : public QObject
{
    Q_OBJECT
public:
    // What the grid needs from the window.
    struct Context
    {
        // A double click on a sound's size plays it.
        std::function<void()> play;
        // The grid's menu at a screen point.
        std::function<void(QPoint globalPos)> showMenu;
        // Delete on the grid removes the selected sounds.
        std::function<void()> removeSelected;
        // Tells the user why a sound's new file was refused.
        std::function<void(const AddedFile &result)> reportRefused;
        // The grid shows the table again after a change.
        std::function<void()> refilled;
        // The current row's file for "Selected file", empty for none.
        std::function<void(const QString &file)> showFile;
        // "N sounds, M selected, total size" for the status bar.
        std::function<void(const QString &text)> showSummary;
    };

    // Shows the sounds in view. The filter bar, the model and its order are children of window,
    // which places the bar.
    SoundGridController(const MainWindowServices &services, CatalogueSession &session,
                        SoundFactsCache &facts, Context context, SoundGridView *view,
                        QWidget *window);

    ~SoundGridController() override;

    SoundGridView *view() const { return m_grid; }
    QToolBar *filterBar() const { return m_filterBar; }

    // Sets the starting column widths; answers how much wider than designed they are together.
    int setUpColumns();
    // The table's order by the sort keys, for the lists and the grid.
    void sort();
    // The grid follows the table after a change: its rows, the selection the table marks, the
    // summary and "Selected file".
    void refill();
    // 1-based table indexes in the order the grid shows them.
    QList<int> displayOrder() const { return m_sortOrder; }
    // The table index of the current row's sound, 0 for none.
    int currentSound() const;
    // Makes a sound's row the current one (the selection unchanged) and scrolls to it.
    void makeCurrent(int tableIndex, QAbstractItemView::ScrollHint hint);
    // Makes the sound at a table index the one selected and current, scrolled into view.
    void selectSound(int tableIndex);
    // The current row's sound in "Selected file", or nothing.
    void showCurrentFile();
    // The categories the category editor offers.
    void setCategories(const QStringList &categories);
    // Stores what an open editor holds, or drops what the catalogue refuses, before a command
    // reads or changes the catalogue.
    void finishEditing();
    // Closes an open editor without storing anything.
    void cancelEditing();

private:
    void headerClicked(int column);
    void cellClicked(const QModelIndex &cell);
    void cellDoubleClicked(const QModelIndex &cell);
    // The edit of a cell's column: an editor, the lock toggled or another file chosen.
    void editCell(const QModelIndex &cell);
    void gridSelectionChanged();
    void filterChanged(const QString &text);
    // Shows the sounds the catalogue marks selected as the grid's selection.
    void showSelection();
    void showSummary();
    void gridKeyCommand(int key);
    // Has the loudness of the sounds never measured measured off the window's thread.
    void measureLoudness();
    void loudnessMeasured();

    MainWindowServices m_services;
    CatalogueSession &m_session;
    SoundFactsCache &m_facts;
    Context m_context;
    SoundGridView *m_grid; // a child of the window's client area
    SortState m_sort;
    QList<int> m_sortOrder;

    // The cell of the last click: a second click there edits it.
    QPersistentModelIndex m_lastClicked;
    // The grid's selection is being set from the catalogue, not by the user.
    bool m_followingTable = false;
    QPoint m_currentBeforeReset{-1, -1}; // the current cell's row and column before a reset

    SoundTableModel *m_model = nullptr;
    SoundOrderProxy *m_order = nullptr;
    SoundEditDelegate *m_delegate = nullptr;
    QToolBar *m_filterBar = nullptr;
    QFutureWatcher<void> m_loudness;
    QStringList m_unmeasured; // the files being measured
};

} // namespace sonquill
