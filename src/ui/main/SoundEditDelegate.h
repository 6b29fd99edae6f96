#pragma once

#include "ui/main/SoundTableModel.h"

#include <QPointer>
#include <QStringList>
#include <QStyledItemDelegate>

namespace sonquill {

// The grid's cells: file paths cut at their start, and the editors of number, name (a line)
// and category (a box with the categories in use). An edit the catalogue refuses leaves its
// editor open for a fix; after a refused number only Enter stores the number then offered.
class SoundEditDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit SoundEditDelegate(const SoundTableModel &model, QObject *parent = nullptr);

    void setCategories(const QStringList &categories) { m_categories = categories; }
    // Stores what the open editor holds, or drops it when it holds a number only offered or
    // text the catalogue refuses; afterwards no editor is open.
    void finishEditing();
    // Closes the open editor without storing anything.
    void cancelEditing();

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    // Storing happens in commit(), where a refusal can keep the editor open.
    void setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const override {}
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

signals:
    // The catalogue refused what was typed: tell the user.
    void refused(const sonquill::SoundTableModel::Refusal &refusal);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Stores the editor's text; false (the editor stays) when the catalogue refused it.
    bool commit(QWidget *editor);
    static QString editorText(const QWidget *editor);
    void close(QWidget *editor, EndEditHint hint);

    const SoundTableModel &m_model;
    QStringList m_categories;
    mutable QPointer<QWidget> m_editor;
    mutable QPersistentModelIndex m_index;
    mutable bool m_offered = false; // the editor shows a number offered after a refusal
    bool m_committing = false;
};

} // namespace sonquill
