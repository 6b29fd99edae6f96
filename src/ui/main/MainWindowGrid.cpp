// The sound grid of the main window: refill, mouse rules and the in-cell editors.

#include "ui/main/MainWindow.h"

#include "catalogue/NumberRules.h"
#include "ui/main/SoundGrid.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace sonquill {

namespace {

// Column widths in twips, in column order; the file name gives up some of its designed width
// so that the Length column fits beside it.
constexpr int kColumnWidths[GridColumnCount] = {750, 600, 1500, 2250, 1900, 750, 700};
// Room around a header text: the header's padding and border, in pixels.
constexpr int kHeaderTextMargin = 10;

} // namespace

void MainWindow::setUpGridColumns()
{
    m_model->setHeaderTexts({QStringLiteral("Number"), QStringLiteral("Lock"),
                             QStringLiteral("Category"), QStringLiteral("Name"),
                             QStringLiteral("Filename"), QStringLiteral("Size kb"),
                             QStringLiteral("Length")});
    // Columns widen with the window, and further where a bold header text would be cut.
    QFont bold = m_grid->horizontalHeader()->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    double factor = m_scaleX;
    for (int column = 0; column < GridColumnCount; ++column) {
        const int needed =
            metrics.horizontalAdvance(m_model->cellText(0, column)) + kHeaderTextMargin;
        factor = std::max(factor, needed / (kColumnWidths[column] / 15.0));
    }
    for (int column = 0; column < GridColumnCount; ++column)
        m_grid->setColumnWidth(column, int(std::lround(kColumnWidths[column] / 15.0 * factor)));
    m_grid->horizontalHeader()->setMinimumSectionSize(metrics.horizontalAdvance(QLatin1Char('M')));
}

void MainWindow::refillGrid()
{
    m_refilling = true;
    const bool hadFocus = m_grid->hasFocus();
    m_grid->setUpdatesEnabled(false);
    const int currentRow = m_grid->currentGridRow();
    const int currentColumn = m_grid->currentColumn();
    const int verticalScroll = m_grid->verticalScrollBar()->value();
    const int horizontalScroll = m_grid->horizontalScrollBar()->value();

    // The sound the current cell is on, as shown; a new order moves the cell along with it.
    std::array<QString, GridColumnCount> currentCells;
    for (int column = 0; column < GridColumnCount; ++column)
        currentCells[size_t(column)] = m_model->cellText(currentRow, column);
    const bool onSound = soundIndexOfRow(currentRow) != 0;

    const SoundTable &table = m_session.table();
    QList<GridRow> rows(std::max<qsizetype>(1, table.SoundCount()));
    const qsizetype filled = std::min(rows.size(), m_sortOrder.size());
    for (qsizetype i = 0; i < filled; ++i) {
        const int index = m_sortOrder[i];
        if (table.isValidIndex(index))
            rows[i] =
                MakeGridRow(index, table.at(index), m_facts.remembered(table.at(index).filename));
    }
    int targetRow = std::min(currentRow, int(rows.size()));
    if (onSound && !(currentRow <= rows.size() && rows[currentRow - 1].cells == currentCells)) {
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows[i].link && rows[i].cells == currentCells) {
                targetRow = int(i) + 1;
                break;
            }
        }
    }
    m_model->refill(std::move(rows));

    if (targetRow >= 1 && currentColumn >= 0 &&
        (m_grid->currentGridRow() != targetRow || m_grid->currentColumn() != currentColumn))
        m_grid->setCurrentCell(targetRow, currentColumn);
    // The refill leaves the view where it was; only a shorter list can pull it up.
    m_grid->doItemsLayout();
    m_grid->verticalScrollBar()->setValue(verticalScroll);
    m_grid->horizontalScrollBar()->setValue(horizontalScroll);
    m_grid->setUpdatesEnabled(true);
    if (hadFocus)
        m_grid->setFocus();
    m_refilling = false;
    showCurrentFile();
    updateTitle();
}

void MainWindow::showCurrentFile()
{
    const int index = soundIndexOfRow(m_grid->currentGridRow());
    m_lblFile->setText(index ? m_session.table().at(index).filename : QString());
}

void MainWindow::scrollSoundToTop(qint16 theIndex)
{
    if (theIndex < 1)
        return;
    const int row = m_model->gridRowOfLink(theIndex);
    if (row >= 1)
        m_grid->setTopRow(row);
}

void MainWindow::gridPressed(Qt::MouseButton button, Qt::KeyboardModifiers shift, int row, int col)
{
    Q_UNUSED(button);
    Q_UNUSED(shift);
    Q_UNUSED(col);
    // A header click re-sorts the rows under an open editor, and the header takes no focus
    // that would have committed it.
    if (row == 0)
        finishEditing();
    m_downRow = row;
}

void MainWindow::gridReleased(Qt::MouseButton button, Qt::KeyboardModifiers shift, int row, int col,
                              QPoint globalPos)
{
    const int anchor = m_lastClickRow;
    const int index = soundIndexOfRow(row);
    const bool shiftDown = shift.testFlag(Qt::ShiftModifier);
    const bool ctrlDown = shift.testFlag(Qt::ControlModifier);
    const bool altDown = shift.testFlag(Qt::AltModifier);

    if (m_downRow == row && row >= 1) {
        auto select = [this](int soundIndex) { m_session.setSelected(soundIndex, true); };
        if (shiftDown) {
            if (!ctrlDown)
                m_session.setAllSelected(false);
            // The anchor may lie past the rows of a list that has since grown shorter.
            const int from = std::clamp(anchor, 0, m_model->gridRowCount() - 1);
            const int step = from <= row ? 1 : -1;
            for (int r = from;; r += step) {
                select(soundIndexOfRow(r));
                if (r == row)
                    break;
            }
        } else if (ctrlDown) {
            if (index)
                m_session.setSelected(index, !m_session.table().at(index).isSelected());
        } else if (!altDown) {
            if (button == Qt::LeftButton) {
                m_session.setAllSelected(false);
            } else if (button == Qt::RightButton) {
                if (!(index && m_session.table().at(index).isSelected()))
                    m_session.setAllSelected(false);
            }
            select(index);
        }
        refillGrid();
    }

    if (button == Qt::RightButton) {
        if (row >= 1 && col >= 0)
            m_grid->setCurrentCell(row, col);
        m_mnuSoundtop->popup(globalPos);
        return;
    }
    if (row >= 1 && !shiftDown)
        m_keyAnchorRow = row;

    const bool sameCell = m_lastClickRow == row && m_lastClickCol == col;
    m_lastClickRow = row;
    m_lastClickCol = col;
    if (row == 0) {
        if (col >= 0 && col < GridColumnCount) {
            m_sort.headerClicked(qint16(col + 1));
            m_grid->horizontalHeader()->setSortIndicator(m_sort.PrimarySort - 1,
                                                         Qt::AscendingOrder);
            sortSounds();
            refillGrid();
        }
    } else if (row >= 1 && sameCell) {
        editCell(row, col);
    } else if (row >= 1) {
        m_downRow = -1;
    }
}

void MainWindow::editCell(int row, int col)
{
    // A row without a sound has nothing to edit; an editor there would accept text that is
    // then silently dropped.
    const int index = soundIndexOfRow(row);
    if (!index)
        return;
    // Only the edited fields are written back. A copy taken before the click's selection step
    // and stored whole would undo that step, leaving a clicked row unselected.
    const SoundRecord before = m_session.table().at(index);

    switch (col) {
    case ColNumber:
        if (!before.isLocked())
            placeEditor(m_txtGrid, row, col);
        break;
    case ColLock:
        if (before.isLocked()) {
            const auto answer =
                ask(QStringLiteral("Unlock Sound?"),
                    QStringLiteral("This sound is locked to keep its number. If you unlock it (and "
                                   "change the #), this may cause incorrect sounds to play in "
                                   "Orvane. Are you sure?"),
                    {MessageRequest::Button::Yes, MessageRequest::Button::No},
                    MessageRequest::Button::Yes);
            if (answer != MessageRequest::Button::Yes)
                return;
        }
        m_session.setLocked(index, !before.isLocked());
        break;
    case ColCategory:
        placeEditor(m_cmbCateg, row, col);
        break;
    case ColName:
        placeEditor(m_txtGrid, row, col);
        break;
    case ColFilename: {
        FileDialogRequest request;
        request.title =
            QStringLiteral("Choose the sound file for '") + before.name + QStringLiteral("'...");
        request.initialPath = before.filename;
        request.nameFilters = soundFileFilters();
        request.multiple = false;
        request.fileMustExist = true;
        const std::optional<QStringList> chosen = m_services.ui.openFiles(request);
        if (!chosen || chosen->isEmpty())
            return;
        const AddedFile result = m_session.setFile(index, chosen->first());
        if (!result.added())
            reportAddedFiles({result});
        break;
    }
    default:
        break;
    }

    refillGrid();
    currentCellChanged();
    m_downRow = -1;
}

void MainWindow::gridKeyMoved(int row, Qt::KeyboardModifiers modifiers)
{
    // Ctrl moves the focus alone; Shift stretches the selection from where it began.
    if (modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::ShiftModifier))
        return;
    QList<int> indexes;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        const int from = std::clamp(m_keyAnchorRow, 1, m_model->gridRowCount() - 1);
        for (int r = std::min(from, row); r <= std::max(from, row); ++r) {
            if (const int index = soundIndexOfRow(r))
                indexes.append(index);
        }
    } else {
        m_keyAnchorRow = row;
        if (const int index = soundIndexOfRow(row))
            indexes.append(index);
    }
    m_session.selectOnly(indexes);
    refillGrid();
}

void MainWindow::cellDoubleClicked(int row, int col)
{
    if (row >= 1 && col == ColSize)
        playClicked();
}

void MainWindow::currentCellChanged()
{
    if (m_refilling)
        return;
    showCurrentFile();
}

void MainWindow::gridScrolled()
{
    if (m_refilling)
        return;
    if (!m_txtGrid->isHidden())
        leaveTextEditor();
    else
        m_txtGrid->hide();
    if (!m_cmbCateg->isHidden())
        commitCategoryEditor();
    else
        m_cmbCateg->hide();
}

void MainWindow::placeEditor(QWidget *editor, int row, int col)
{
    if (row < 1 || row >= m_model->gridRowCount() || col < 0 || col >= GridColumnCount) {
        editor->hide();
        return;
    }
    m_grid->setCurrentCell(row, col);
    m_numberRefused = false;
    m_editRow = row;
    m_editCol = col;

    const QRect cell = m_grid->cellRect(row, col);
    QFont font = editor->font();
    font.setPointSizeF(m_grid->font().pointSizeF());
    font.setBold(m_grid->font().bold());
    editor->setFont(font);
    const QPoint topLeft = m_grid->geometry().topLeft() + cell.topLeft() - QPoint(0, 1);
    const QString text = m_model->cellText(row, col);
    if (auto *lineEdit = qobject_cast<QLineEdit *>(editor)) {
        const QVariant alignment = m_model->index(row - 1, col).data(Qt::TextAlignmentRole);
        const Qt::Alignment horizontal =
            alignment.isValid() ? Qt::Alignment(alignment.toInt()) & Qt::AlignHorizontal_Mask
                                : Qt::AlignLeft;
        lineEdit->setAlignment(horizontal | Qt::AlignVCenter);
        lineEdit->setGeometry(QRect(topLeft, QSize(cell.width(), cell.height())));
        lineEdit->setText(text);
        lineEdit->raise();
        lineEdit->show();
        lineEdit->selectAll();
    } else if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setGeometry(QRect(topLeft, QSize(cell.width(), combo->height())));
        combo->setEditText(text);
        combo->raise();
        combo->show();
        if (combo->lineEdit())
            combo->lineEdit()->selectAll();
    }
    editor->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::textEditorKey(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        commitTextEditor();
        return true;
    }
    if (key == Qt::Key_Escape) {
        // Escape leaves the editor without storing what was typed.
        hideEditor(m_txtGrid);
        return true;
    }
    return false;
}

bool MainWindow::categoryEditorKey(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        commitCategoryEditor();
        return false;
    }
    if (key == Qt::Key_Escape) {
        hideEditor(m_cmbCateg);
        return true;
    }
    return false;
}

void MainWindow::commitTextEditor()
{
    if (m_txtGrid->isHidden() || m_committing)
        return;
    m_committing = true;
    const int index = soundIndexOfRow(m_editRow);
    bool store = true;
    if (m_editCol == ColNumber) {
        const NumberEdit edit = m_session.renumber(index, m_txtGrid->text());
        switch (edit.verdict) {
        case NumberEdit::Verdict::TooHigh:
            tell(QStringLiteral("Sonquill"), NumberTooHighMessage());
            store = false;
            break;
        case NumberEdit::Verdict::TooLow:
            tell(QStringLiteral("Sonquill"), NumberTooLowMessage());
            store = false;
            break;
        case NumberEdit::Verdict::Taken:
            tell(NumberTakenTitle(), NumberTakenMessage(edit));
            store = false;
            break;
        case NumberEdit::Verdict::Unchanged:
        case NumberEdit::Verdict::Locked:
            hideEditor(m_txtGrid);
            m_committing = false;
            return;
        case NumberEdit::Verdict::Accepted:
            break;
        }
        if (!store) {
            // The editor stays open over its cell with the suggested number, and keeps the
            // keyboard even when a Tab or a click was taking it elsewhere.
            m_txtGrid->setText(edit.editorText);
            m_txtGrid->selectAll();
            m_numberRefused = true;
            QTimer::singleShot(0, m_txtGrid, [this] {
                if (m_txtGrid->isVisible())
                    m_txtGrid->setFocus(Qt::OtherFocusReason);
            });
            m_committing = false;
            return;
        }
    } else if (m_editCol == ColName) {
        if (const TextVerdict verdict = m_session.rename(index, m_txtGrid->text());
            verdict != TextVerdict::Accepted) {
            // The editor stays open with what was typed, so it can be put right.
            refuseText(verdict);
            m_txtGrid->selectAll();
            m_committing = false;
            return;
        }
    }
    refillGrid();
    hideEditor(m_txtGrid);
    m_committing = false;
}

void MainWindow::leaveTextEditor()
{
    // After a refusal only Enter stores the number shown: leaving or scrolling drops it, since
    // the user never confirmed it.
    if (m_numberRefused && m_editCol == ColNumber)
        hideEditor(m_txtGrid);
    else
        commitTextEditor();
}

void MainWindow::commitCategoryEditor()
{
    if (m_committing)
        return;
    m_committing = true;
    if (!m_cmbCateg->isHidden()) {
        const TextVerdict verdict =
            m_session.setCategory(soundIndexOfRow(m_editRow), m_cmbCateg->currentText());
        if (verdict != TextVerdict::Accepted) {
            refuseText(verdict);
            m_committing = false;
            return;
        }
        refillGrid();
        refreshCategoryLists();
    }
    hideEditor(m_cmbCateg);
    m_committing = false;
}

void MainWindow::finishEditing()
{
    gridScrolled();
    // An editor still open now holds a refused number; the command may move its row.
    m_txtGrid->hide();
    m_cmbCateg->hide();
}

void MainWindow::hideEditor(QWidget *editor)
{
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    if (hadFocus)
        m_grid->setFocus();
}

int MainWindow::soundIndexOfRow(int row) const
{
    if (row < 1 || row >= m_model->gridRowCount())
        return 0;
    const int link = m_model->linkOf(row);
    return m_session.table().isValidIndex(link) ? link : 0;
}

} // namespace sonquill
