#pragma once

#include <QStringList>
#include <QTableView>

namespace sonquill {

// The grid of sounds: the view's own selection, current cell, type-ahead and editing, with
// the keys that act on the sounds reported, and local files and folders dropped on it.
class SoundGridView : public QTableView
{
    Q_OBJECT
public:
    explicit SoundGridView(QWidget *parent = nullptr);

signals:
    // Enter, F2 or Delete on the grid.
    void gridKeyCommand(int key);
    // Local files and folders dropped on the grid.
    void pathsDropped(const QStringList &paths);
    // The right button, the Menu key or Shift+F10 asks for the grid's menu at a screen point.
    void menuRequested(QPoint globalPos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// The local files and folders a drag carries; empty when it carries anything else or nothing
// that could be added.
QStringList DroppedPaths(const QMimeData *mime);

} // namespace sonquill
