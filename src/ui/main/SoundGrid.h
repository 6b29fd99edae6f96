#pragma once

#include <QStringList>
#include <QTableView>

namespace sonquill {

// The grid of sounds: the view's own selection, current cell, type-ahead and editing, with
// the keys that act on the sounds and the requests for its menu reported.
class SoundGridView : public QTableView
{
    Q_OBJECT
public:
    explicit SoundGridView(QWidget *parent = nullptr);

    // The column that takes the width the others leave, so that neither spare room nor a
    // sideways scroll bar appears while it can still shrink.
    void setStretchColumn(int column);
    // The least width of a column's header: its bold text, with the order indicator beside it.
    int headerRoom(int column) const;

signals:
    // Enter, F2 or Delete on the grid.
    void gridKeyCommand(int key);
    // The right button, the Menu key or Shift+F10 asks for the grid's menu at a screen point.
    void menuRequested(QPoint globalPos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitStretchColumn();

    int m_stretchColumn = -1;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

} // namespace sonquill
