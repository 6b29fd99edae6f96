#pragma once

#include "distribution/ProcessRunner.h"
#include "storage/Settings.h"
#include "support/ScriptedUi.h"
#include "ui/main/Form1.h"

#include <QColor>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace sonquill {
class SoundGridView;
}

namespace sonquill::test {

// Records the command lines the window hands to the encoder starter; starts nothing.
class RecordingRunner : public ProcessRunner
{
public:
    RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                         const std::function<void()> &idle = {}) override;
    QStringList commandLines;
};

// A main window on a temporary home folder and settings file, with scripted dialogs, shell,
// progress, encoder starter and player.
class Form1Harness
{
public:
    Form1Harness();
    ~Form1Harness();
    Form1Harness(const Form1Harness &) = delete;
    Form1Harness &operator=(const Form1Harness &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString home() const { return m_dir.path(); }
    // <home>/Game and <home>/Sources; both exist.
    QString gameFolder() const;
    QString sourceFolder() const;
    SettingsStore &settings() { return *m_settings; }

    // Builds and shows the window (which runs its start-up) and waits until it is active.
    Form1 &open(ProcessRunner *runner = nullptr);
    // The same with table as the saved catalogue of the remembered game folder.
    Form1 &openWith(const SoundTable &table);
    Form1 &window() { return *m_window; }
    // Closes the window as the user's close box does.
    void close();

    SoundGridView *grid() const;
    template <typename T> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    // Mouse on grid cells: row 0 is the header, data rows count from 1.
    void press(int row, int col, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void release(int row, int col, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void click(int row, int col, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Two clicks on one cell: the second starts the cell's edit.
    void startEdit(int row, int col);

    // What the grid shows.
    int dataRows() const;
    QString cell(int row, int col) const;
    QStringList columnTexts(int col) const;
    QColor background(int row) const;
    // The 1-based data rows shown in light cyan; a row neither all cyan nor all white is listed
    // as its negative number.
    QList<int> cyanRows() const;

    // A WAV file of the given size in the source folder; returns its path.
    QString makeSource(const QString &fileName, qint64 bytes = 2000);
    // Writes table as the saved catalogue of folder.
    void writeCatalogue(const QString &folder, const SoundTable &table);

    ScriptedUi ui;
    ScriptedShell shell;
    RecordingProgress progress;
    RecordingRunner runner;
    FakePlayer *player = nullptr; // owned by the window; null once it was released

private:
    QPoint cellCenter(int row, int col, QWidget **target) const;

    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<Form1> m_window;
};

// A record as the catalogue holds it.
SoundRecord makeRecord(const QString &name, qint16 number, const QString &category = {},
                       bool locked = false, bool selected = false, const QString &filename = {},
                       float size = 0.0f);

} // namespace sonquill::test
