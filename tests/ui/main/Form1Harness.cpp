#include "Form1Harness.h"

#include "storage/SoundInfoFile.h"
#include "support/TestFiles.h"
#include "ui/main/SoundGrid.h"

#include <QDir>
#include <QHeaderView>
#include <QTest>

namespace sonquill::test {

RunResult RecordingRunner::RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                                      const std::function<void()> &idle)
{
    Q_UNUSED(hideWindow);
    Q_UNUSED(timeoutMs);
    Q_UNUSED(idle);
    commandLines.append(commandLine);
    return {};
}

Form1Harness::Form1Harness() : m_oldHome(qgetenv("HOME"))
{
    qputenv("HOME", m_dir.path().toLocal8Bit());
    QDir(m_dir.path()).mkpath(QStringLiteral("Game"));
    QDir(m_dir.path()).mkpath(QStringLiteral("Sources"));
    m_settings = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("Sonquill.conf")));
}

Form1Harness::~Form1Harness()
{
    m_window.reset();
    qputenv("HOME", m_oldHome);
}

QString Form1Harness::gameFolder() const
{
    return m_dir.filePath(QStringLiteral("Game"));
}

QString Form1Harness::sourceFolder() const
{
    return m_dir.filePath(QStringLiteral("Sources"));
}

Form1 &Form1Harness::open(ProcessRunner *processRunner)
{
    Form1Services services{ui,
                           shell,
                           *m_settings,
                           processRunner ? *processRunner : runner,
                           progress,
                           [this] {
                               auto fake = std::make_unique<FakePlayer>();
                               player = fake.get();
                               return fake;
                           },
                           m_dir.filePath(QStringLiteral("Program")),
                           20000};
    m_window = std::make_unique<Form1>(services);
    m_window->show();
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("The main window did not become active");
    return *m_window;
}

Form1 &Form1Harness::openWith(const SoundTable &table)
{
    writeCatalogue(gameFolder(), table);
    m_settings->setLastGameDir(gameFolder());
    return open();
}

void Form1Harness::close()
{
    m_window->close();
    player = nullptr;
}

SoundGridView *Form1Harness::grid() const
{
    return control<SoundGridView>("gridSound");
}

QPoint Form1Harness::cellCenter(int row, int col, QWidget **target) const
{
    SoundGridView *view = grid();
    if (row == 0) {
        QHeaderView *header = view->horizontalHeader();
        *target = header->viewport();
        return QPoint(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                      header->height() / 2);
    }
    *target = view->viewport();
    return view->visualRect(view->model()->index(row - 1, col)).center();
}

void Form1Harness::press(int row, int col, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = nullptr;
    const QPoint pos = cellCenter(row, col, &target);
    QTest::mousePress(target, button, modifiers, pos);
}

void Form1Harness::release(int row, int col, Qt::MouseButton button,
                           Qt::KeyboardModifiers modifiers)
{
    QWidget *target = nullptr;
    const QPoint pos = cellCenter(row, col, &target);
    QTest::mouseRelease(target, button, modifiers, pos);
}

void Form1Harness::click(int row, int col, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    press(row, col, button, modifiers);
    release(row, col, button, modifiers);
}

void Form1Harness::startEdit(int row, int col)
{
    click(row, col);
    click(row, col);
}

int Form1Harness::dataRows() const
{
    return grid()->model()->rowCount();
}

QString Form1Harness::cell(int row, int col) const
{
    if (row == 0)
        return grid()->model()->headerData(col, Qt::Horizontal).toString();
    return grid()->model()->index(row - 1, col).data().toString();
}

QStringList Form1Harness::columnTexts(int col) const
{
    QStringList texts;
    for (int row = 1; row <= dataRows(); ++row)
        texts.append(cell(row, col));
    return texts;
}

QColor Form1Harness::background(int row) const
{
    return grid()->model()->index(row - 1, 0).data(Qt::BackgroundRole).value<QBrush>().color();
}

QList<int> Form1Harness::cyanRows() const
{
    const QColor cyan(128, 255, 255);
    const QColor white(255, 255, 255);
    QList<int> rows;
    for (int row = 1; row <= dataRows(); ++row) {
        int cyanCells = 0;
        int whiteCells = 0;
        for (int col = 0; col < GridColumnCount; ++col) {
            const QColor colour = grid()
                                      ->model()
                                      ->index(row - 1, col)
                                      .data(Qt::BackgroundRole)
                                      .value<QBrush>()
                                      .color();
            cyanCells += colour == cyan;
            whiteCells += colour == white;
        }
        // A row in two colours, or in another colour, shows up as its negative number.
        if (cyanCells == GridColumnCount)
            rows.append(row);
        else if (whiteCells != GridColumnCount)
            rows.append(-row);
    }
    return rows;
}

QString Form1Harness::makeSource(const QString &fileName, qint64 bytes)
{
    const QString path = QDir(sourceFolder()).filePath(fileName);
    writeFile(path, makeWav(bytes));
    return path;
}

void Form1Harness::writeCatalogue(const QString &folder, const SoundTable &table)
{
    QDir().mkpath(folder);
    writeFile(QDir(folder).filePath(QLatin1String(kSoundInfoFileName)), SerializeSoundInfo(table));
}

SoundRecord makeRecord(const QString &name, qint16 number, const QString &category, bool locked,
                       bool selected, const QString &filename, float size)
{
    SoundRecord record;
    record.name = name;
    record.number = number;
    record.category = category;
    record.locked = toBool16(locked);
    record.selected = toBool16(selected);
    record.filename = filename;
    record.size = size;
    return record;
}

} // namespace sonquill::test
