#include "SoundEditDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolTip>

namespace sonquill {

namespace {

// Room a cell leaves around its text, in pixels.
constexpr int kTextRoom = 4;

} // namespace

SoundEditDelegate::SoundEditDelegate(const SoundTableModel &model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{}

QWidget *SoundEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                         const QModelIndex &index) const
{
    QWidget *editor = nullptr;
    if (index.column() == ColCategory) {
        auto *combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("cmbCateg"));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // Categories are taken exactly as typed, so nothing may complete them.
        combo->setCompleter(nullptr);
        combo->addItems(m_categories);
        editor = combo;
    } else if (index.column() == ColNumber || index.column() == ColName) {
        auto *line = new QLineEdit(parent);
        line->setObjectName(QStringLiteral("txtGrid"));
        line->setFrame(false);
        // A number typed after a refusal is the user's again, stored by leaving as any other.
        connect(line, &QLineEdit::textEdited, this, [this] { m_offered = false; });
        editor = line;
    }
    if (editor) {
        m_editor = editor;
        m_index = index;
        m_offered = false;
    }
    return editor;
}

void SoundEditDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        const Qt::Alignment horizontal =
            alignment.isValid() ? Qt::Alignment(alignment.toInt()) : Qt::Alignment(Qt::AlignLeft);
        line->setAlignment((horizontal & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
        line->setText(text);
        line->selectAll();
    } else if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setEditText(text);
        combo->lineEdit()->selectAll();
    }
}

void SoundEditDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                             const QModelIndex &) const
{
    // The box keeps its own height, so its text and arrow are not squeezed into the row.
    QRect rect = option.rect;
    if (qobject_cast<QComboBox *>(editor))
        rect.setHeight(std::max(rect.height(), editor->sizeHint().height()));
    editor->setGeometry(rect);
}

QString SoundEditDelegate::editorText(const QWidget *editor)
{
    if (const auto *line = qobject_cast<const QLineEdit *>(editor))
        return line->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(editor))
        return combo->currentText();
    return {};
}

bool SoundEditDelegate::commit(QWidget *editor)
{
    if (!m_index.isValid())
        return true;
    auto *model = const_cast<QAbstractItemModel *>(m_index.model());
    m_committing = true;
    const bool stored = model->setData(m_index, editorText(editor), Qt::EditRole);
    m_committing = false;
    if (stored)
        return true;
    const SoundTableModel::Refusal refusal = m_model.lastRefusal();
    emit refused(refusal);
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        if (!refusal.editorText.isEmpty()) {
            line->setText(refusal.editorText);
            m_offered = true;
        }
        line->selectAll();
    }
    // The editor keeps the keyboard even when a click was taking it elsewhere.
    if (!editor->hasFocus()) {
        QTimer::singleShot(0, editor, [this, editor] {
            if (editor == m_editor && editor->isVisible())
                editor->setFocus(Qt::OtherFocusReason);
        });
    }
    return false;
}

void SoundEditDelegate::close(QWidget *editor, EndEditHint hint)
{
    m_editor.clear();
    m_index = QPersistentModelIndex();
    m_offered = false;
    emit closeEditor(editor, hint);
}

void SoundEditDelegate::finishEditing()
{
    QWidget *editor = m_editor;
    // One the view has closed already (it hides it before deleting it) holds nothing to store.
    if (!editor || !editor->isVisible())
        return;
    if (!m_offered)
        commit(editor);
    close(editor, RevertModelCache);
}

void SoundEditDelegate::cancelEditing()
{
    if (QWidget *editor = m_editor)
        close(editor, RevertModelCache);
}

bool SoundEditDelegate::eventFilter(QObject *watched, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(watched);
    if (!editor || editor != m_editor || m_committing)
        return QStyledItemDelegate::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (commit(editor))
                close(editor, NoHint);
            return true;
        case Qt::Key_Escape:
            // Leaves without storing what was typed.
            close(editor, RevertModelCache);
            return true;
        default:
            return false;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        // A message box or the category list opening takes the keyboard without the user
        // leaving the editor.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const QWidget *now = QApplication::focusWidget();
        auto *combo = qobject_cast<QComboBox *>(editor);
        const bool intoList = now && (editor->isAncestorOf(now) ||
                                      (combo && combo->view()->window()->isAncestorOf(now)));
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || intoList)
            return false;
        // Leaving drops a number only offered: the user never confirmed it.
        if (m_offered)
            close(editor, RevertModelCache);
        else if (commit(editor))
            close(editor, NoHint);
        return false;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

void SoundEditDelegate::initStyleOption(QStyleOptionViewItem *option,
                                        const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // Paths are right-aligned so that the file name stays visible; cut them at the start.
    if (index.column() == ColFilename)
        option->textElideMode = Qt::ElideLeft;
}

bool SoundEditDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                  const QStyleOptionViewItem &option, const QModelIndex &index)
{
    // The whole path shows as a tool tip only where the cell cuts it short.
    if (event->type() == QEvent::ToolTip && index.column() == ColFilename &&
        option.fontMetrics.horizontalAdvance(index.data().toString()) + 2 * kTextRoom <=
            option.rect.width()) {
        QToolTip::hideText();
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace sonquill
