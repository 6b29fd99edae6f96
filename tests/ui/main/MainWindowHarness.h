#pragma once

#include "distribution/SystemProcessRunner.h"
#include "storage/Settings.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"
#include "ui/main/MainWindow.h"
#include "ui/main/SoundGrid.h"
#include "ui/main/SoundTableModel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace sonquill::test {

using Button = MessageRequest::Button;

// A record as the catalogue holds it.
inline SoundRecord makeRecord(const QString &name, qint16 number, const QString &category = {},
                              bool locked = false, bool selected = false,
                              const QString &filename = {}, float size = 0.0f)
{
    return {name, filename, number, toBool16(locked), category, toBool16(selected), size};
}

// A main window on a temporary home folder (holding Game and Sources) and settings file, with
// scripted dialogs, shell, progress and player.
class MainWindowHarness
{
    QTemporaryDir m_dir; // first: everything below lives in it
    QByteArray m_oldHome = qgetenv("HOME");

public:
    MainWindowHarness()
    {
        qputenv("HOME", m_dir.path().toLocal8Bit());
        QDir(m_dir.path()).mkpath("Game");
        QDir(m_dir.path()).mkpath("Sources");
    }
    ~MainWindowHarness()
    {
        m_window.reset();
        qputenv("HOME", m_oldHome);
    }

    QString home() const { return m_dir.path(); }
    QString gameFolder() const { return m_dir.filePath("Game"); }
    QString sourceFolder() const { return m_dir.filePath("Sources"); }
    static QString catalogueIn(const QString &folder) { return folder + "/SoundInfo.dat"; }

    // Sounds S1..S<count> numbered 1..count, category Misc, each with a real file of 2000 bytes;
    // selected and locked as the flags say ("0110": the 2nd and 3rd).
    SoundTable sounds(int count, const QString &selected = {}, const QString &locked = {})
    {
        QList<SoundRecord> records;
        for (int i = 1; i <= count; ++i) {
            const QString name = QStringLiteral("S%1").arg(i);
            records.append(makeRecord(name, qint16(i), "Misc", locked.mid(i - 1, 1) == "1",
                                      selected.mid(i - 1, 1) == "1", makeSource(name + ".wav"),
                                      2000.0f));
        }
        return table(records);
    }
    static SoundTable table(const QList<SoundRecord> &records)
    {
        SoundTable table;
        table.replaceAll(records);
        return table;
    }
    // A WAV file of the given size in the source folder; returns its path.
    QString makeSource(const QString &fileName, qint64 bytes = 2000)
    {
        writeFile(sourceFolder() + "/" + fileName, makeWav(bytes));
        return sourceFolder() + "/" + fileName;
    }

    // Shows the window (which runs its start-up) and waits until it is active.
    MainWindow &open(ProcessRunner *processRunner = nullptr, ProgressSink *progressSink = nullptr)
    {
        MainWindowServices services(ui, shell, settings, processRunner ? *processRunner : runner,
                                    progressSink ? *progressSink : progress, nullptr,
                                    home() + "/Program");
        services.makePlayer = [this] {
            auto made = std::make_unique<FakePlayer>();
            player = made.get();
            return made;
        };
        m_window = std::make_unique<MainWindow>(services);
        m_window->show();
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get()))
            qWarning("The main window did not become active");
        return *m_window;
    }
    // The same with table saved as the catalogue of the remembered game folder.
    MainWindow &openWith(const SoundTable &table)
    {
        writeFile(catalogueIn(gameFolder()), SerializeSoundInfo(table));
        settings.setLastGameDir(gameFolder());
        return open();
    }
    // Closes the window as the user's close box does.
    void close() { m_window->close(); }

    template <typename T = QWidget> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    SoundGridView *grid() const { return control<SoundGridView>("gridSound"); }
    // A click on a named button or box.
    void press(const char *name) { QTest::mouseClick(control(name), Qt::LeftButton, {}, {8, 8}); }
    // Runs a menu entry given as "group index" ("mnuFile 4").
    void trigger(const QString &entry)
    {
        for (QAction *found : m_window->findChildren<QAction *>(entry.section(' ', 0, 0))) {
            if (found->data().toInt() == entry.section(' ', 1).toInt())
                return found->trigger();
        }
        QFAIL(qPrintable(entry));
    }

    // A mouse click on a grid cell (row 0 is the header, data rows count from 1), released over
    // releaseRow when one is given.
    void click(int row, int col, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {}, int releaseRow = -1)
    {
        QWidget *target = nullptr; // set by cellCenter before it is passed on
        const QPoint down = cellCenter(row, col, &target);
        QTest::mousePress(target, button, modifiers, down);
        const QPoint up = cellCenter(releaseRow < 0 ? row : releaseRow, col, &target);
        QTest::mouseRelease(target, button, modifiers, up);
        // The desktop follows a right button's release with a context menu request.
        if (button == Qt::RightButton) {
            QContextMenuEvent menu(QContextMenuEvent::Mouse, up, target->mapToGlobal(up),
                                   modifiers);
            QApplication::sendEvent(target, &menu);
        }
    }
    // Two clicks on one cell: the second starts the cell's edit.
    void startEdit(int row, int col)
    {
        click(row, col);
        click(row, col);
    }
    // Edits a cell by typing text into the editor that opens, then Enter.
    void edit(int row, int col, const QString &text)
    {
        startEdit(row, col);
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }

    // The given columns of the grid as "cell,cell/cell,cell" in display order; a selected row
    // ends in '*'.
    QString shown(const QList<int> &cols) const
    {
        const QAbstractItemModel *model = grid()->model();
        QStringList rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int col : cols)
                cells.append(model->index(row, col).data().toString());
            rows.append(cells.join(',') +
                        (grid()->selectionModel()->isRowSelected(row) ? "*" : ""));
        }
        return rows.join('/');
    }
    // The grid row of the current cell (data rows count from 1), -1 for none.
    int currentRow() const
    {
        const QModelIndex current = grid()->currentIndex();
        return current.isValid() ? current.row() + 1 : -1;
    }
    // The table index of the sound shown on a grid row, 0 for none.
    int soundOnRow(int row) const
    {
        const auto *order = qobject_cast<const QSortFilterProxyModel *>(grid()->model());
        const QModelIndex source = order->mapToSource(order->index(row - 1, 0));
        return source.isValid() ? source.row() + 1 : 0;
    }
    // The messages shown so far as "title | text | buttons", the default button marked '*'.
    QStringList messages() const
    {
        const QStringList names{" Ok",    " Cancel", " Yes",     " No",    " Abort",
                                " Retry", " Ignore", " Replace", " Reload"};
        QStringList log;
        for (const MessageRequest &message : ui.messages) {
            log.append(message.title + " | " + message.text + " |");
            for (Button button : message.buttons)
                log.last() += names[int(button)] + (button == message.defaultButton ? "*" : "");
        }
        return log;
    }

    ScriptedUi ui;
    ScriptedShell shell;
    RecordingProgress progress;
    SystemProcessRunner runner;
    FakePlayer *player = nullptr; // owned by the window
    SettingsStore settings{m_dir.filePath("Sonquill.conf")};

private:
    QPoint cellCenter(int row, int col, QWidget **target) const
    {
        QHeaderView *header = grid()->horizontalHeader();
        *target = row ? grid()->viewport() : header->viewport();
        if (row)
            return grid()->visualRect(grid()->model()->index(row - 1, col)).center();
        return {header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                header->height() / 2};
    }

    std::unique_ptr<MainWindow> m_window;
};

} // namespace sonquill::test
