// The main window: start-up, layout, the grid's mouse rules, in-cell editing, adding sounds,
// the game folder and closing.

#include "Form1Harness.h"
#include "storage/SoundInfoFile.h"
#include "support/TestFiles.h"
#include "ui/main/SoundGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

using namespace sonquill;
using namespace sonquill::test;
using Button = MessageRequest::Button;

namespace {

// Sounds numbered 1..n in table order, each with a real file of 2000 bytes.
SoundTable numberedTable(Form1Harness &h, int count)
{
    QList<SoundRecord> records;
    for (int i = 1; i <= count; ++i) {
        const QString name = QStringLiteral("Sound%1").arg(i, 2, 10, QLatin1Char('0'));
        records.append(makeRecord(name, qint16(i), QStringLiteral("Misc"), false, false,
                                  h.makeSource(name + QStringLiteral(".wav")), 2000.0f));
    }
    SoundTable table;
    table.replaceAll(records);
    return table;
}

QString expand(Form1Harness &h, QString text)
{
    return text.replace(QStringLiteral("<src>"), h.sourceFolder())
        .replace(QStringLiteral("<game>"), h.gameFolder())
        .replace(QStringLiteral("<home>"), h.home());
}

const QStringList kSoundFilters = {QStringLiteral("Orvane-Compatible Sound Files "
                                                  "(*.MP3 *.WAV *.OGG *.VOC)"),
                                   QStringLiteral("MP3 (*.MP3)"),
                                   QStringLiteral("Wave File (*.WAV)"),
                                   QStringLiteral("OGG Vorbis (*.OGG)"),
                                   QStringLiteral("VOC File (*.VOC)"),
                                   QStringLiteral("All Files (*.*)")};

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void startUpShowsSavedCatalogue();
    void layoutFollowsResize_data();
    void layoutFollowsResize();
    void sizeColumn_data();
    void sizeColumn();
    void clickSelection_data();
    void clickSelection();
    void rightClick_data();
    void rightClick();
    void headerClicksSort();
    void numberEdit_data();
    void numberEdit();
    void lockCell_data();
    void lockCell();
    void textEdits_data();
    void textEdits();
    void fileCell_data();
    void fileCell();
    void doubleClickOnSizePlays();
    void addSounds_data();
    void addSounds();
    void addScrollsLastToTop();
    void addToFullList();
    void blankRowHasNothingToEdit_data();
    void blankRowHasNothingToEdit();
    void gameFolder_data();
    void gameFolder();
    void closeSaves_data();
    void closeSaves();
};

void Form1Test::startUp_data()
{
    QTest::addColumn<QString>("storedOggUse");
    QTest::addColumn<int>("checkState");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("storedAfter");

    QTest::newRow("first start") << QString() << int(Qt::Unchecked) << false << "absent";
    QTest::newRow("OggUse 1 checks the box") << "1" << int(Qt::Checked) << true << "1";
    QTest::newRow("OggUse 2 greys it, writes 0")
        << "2" << int(Qt::PartiallyChecked) << false << "0";
    QTest::newRow("other numbers are ignored") << "7" << int(Qt::Unchecked) << false << "7";
}

void Form1Test::startUp()
{
    QFETCH(QString, storedOggUse);
    QFETCH(int, checkState);
    QFETCH(bool, flag);
    QFETCH(QString, storedAfter);

    Form1Harness h;
    if (!storedOggUse.isNull())
        h.settings().write(QStringLiteral("Ogg"), QStringLiteral("OggUse"), storedOggUse);
    Form1 &w = h.open();

    auto *chkOgg = h.control<QCheckBox>("chkOgg");
    QCOMPARE(int(chkOgg->checkState()), checkState);
    QCOMPARE(w.oggUseFlag(), flag);
    QCOMPARE(h.settings().read(QStringLiteral("Ogg"), QStringLiteral("OggUse"),
                               QStringLiteral("absent")),
             storedAfter);
    QCOMPARE(w.windowTitle(), QStringLiteral("Sonquill"));
    QCOMPARE(h.control<QLineEdit>("txtDir")->text(),
             h.home() + QStringLiteral("/Sonquill/Compiled"));
    QCOMPARE(h.control<QComboBox>("cmbNewCat")->currentText(), QStringLiteral("Misc"));
    QCOMPARE(h.control<QLabel>("lblFile")->text(), QStringLiteral("c:\\"));
    QCOMPARE(h.dataRows(), 1);
    QCOMPARE(h.columnTexts(3), QStringList{QString()});
    QCOMPARE(h.cell(0, 0) + h.cell(0, 1) + h.cell(0, 2) + h.cell(0, 3) + h.cell(0, 4) +
                 h.cell(0, 5),
             QStringLiteral("NumberLockCategoryNameFilenameSize kb"));
    QVERIFY(h.ui.messages.isEmpty());

    // A click on the grey box checks it, as a user's click on a checked-or-not box would.
    if (checkState == Qt::PartiallyChecked) {
        QTest::mouseClick(chkOgg, Qt::LeftButton, {}, QPoint(8, chkOgg->height() / 2));
        QCOMPARE(chkOgg->checkState(), Qt::Checked);
        QVERIFY(w.oggUseFlag());
        QCOMPARE(h.settings().oggUse(), qint16(1));
    }
}

void Form1Test::startUpShowsSavedCatalogue()
{
    Form1Harness h;
    SoundTable table;
    // Stale sizes in the file: the window shows the sizes measured now.
    table.replaceAll({makeRecord("Creak", 5, "doors", false, false, h.makeSource("c.wav", 1500)),
                      makeRecord("Rain", 2, "Weather", true, true, h.makeSource("r.wav", 2500)),
                      makeRecord("Slam", 9, "Doors", false, false, h.makeSource("s.wav", 3500))});
    h.openWith(table);

    QCOMPARE(h.control<QLineEdit>("txtDir")->text(), h.gameFolder());
    QCOMPARE(h.columnTexts(0), (QStringList{"2", "5", "9"}));
    QCOMPARE(h.columnTexts(1), (QStringList{"X", "", ""}));
    QCOMPARE(h.columnTexts(2), (QStringList{"Weather", "doors", "Doors"}));
    QCOMPARE(h.columnTexts(3), (QStringList{"Rain", "Creak", "Slam"}));
    QCOMPARE(h.columnTexts(4).at(0), h.sourceFolder() + QStringLiteral("/r.wav"));
    QCOMPARE(h.columnTexts(5), (QStringList{"2", "2", "4"}));
    QCOMPARE(h.cyanRows(), QList<int>{1});

    auto alignment = [&](int col) {
        return h.grid()->model()->index(0, col).data(Qt::TextAlignmentRole).toInt();
    };
    QCOMPARE(alignment(1), int(Qt::AlignCenter));
    QCOMPARE(alignment(3), int(Qt::AlignLeft | Qt::AlignVCenter));
    QCOMPARE(alignment(4), int(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(h.grid()->model()->headerData(4, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignLeft | Qt::AlignVCenter));

    auto *cmbNewCat = h.control<QComboBox>("cmbNewCat");
    QStringList listed;
    for (int i = 0; i < cmbNewCat->count(); ++i)
        listed.append(cmbNewCat->itemText(i));
    QCOMPARE(listed, (QStringList{"doors", "Weather"}));
    QCOMPARE(cmbNewCat->currentText(), QStringLiteral("Misc"));
}

void Form1Test::layoutFollowsResize_data()
{
    // Widths: "designed", a number of pixels, "narrowest" (the grid's width becomes 0) or
    // "too narrow" (one pixel less); heights: "designed" or a number.
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<bool>("keepsWidth");
    QTest::addColumn<bool>("keepsHeight");

    QTest::newRow("designed size") << "designed"
                                   << "designed" << false << false;
    QTest::newRow("larger") << "900"
                            << "700" << false << false;
    QTest::newRow("narrowest allowed width") << "narrowest"
                                             << "designed" << false << false;
    QTest::newRow("too narrow keeps the width") << "too narrow"
                                                << "designed" << true << false;
    QTest::newRow("too low keeps the height") << "700"
                                              << "120" << false << true;
}

void Form1Test::layoutFollowsResize()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(bool, keepsWidth);
    QFETCH(bool, keepsHeight);

    Form1Harness h;
    Form1 &w = h.open();
    QWidget *area = w.centralWidget();
    auto resizeClient = [&](QSize size) {
        w.resize(w.size() + size - area->size());
        QTRY_COMPARE(area->size(), size);
    };
    const QSize designed(w.scaledX(9255), w.scaledY(6960));
    const int margins = w.scaledX(120) + w.scaledX(60);
    const QSize client(width == "designed"     ? designed.width()
                       : width == "narrowest"  ? margins
                       : width == "too narrow" ? margins - 1
                                               : width.toInt(),
                       height == "designed" ? designed.height() : height.toInt());
    resizeClient(designed);
    const QRect before = h.grid()->geometry();
    QCOMPARE(before.width(), designed.width() - margins);
    resizeClient(client);

    const int bottomHeight = w.scaledY(855);
    QRect expected(w.scaledX(120), w.scaledY(1200), client.width() - margins,
                   client.height() - bottomHeight - w.scaledY(60) - w.scaledY(1200));
    if (keepsWidth)
        expected.setWidth(before.width());
    if (keepsHeight)
        expected.setHeight(before.height());
    QCOMPARE(h.grid()->geometry(), expected);
    QCOMPARE(h.control<QWidget>("picBottom")->geometry(),
             QRect(0, client.height() - bottomHeight, client.width(), bottomHeight));
}

void Form1Test::sizeColumn_data()
{
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("empty catalogue: one blank row") << QList<int>{} << QStringList{""};
    QTest::newRow("one sound: one row") << QList<int>{1500} << QStringList{"2"};
    QTest::newRow("halves round to even")
        << QList<int>{499, 500, 1500, 2500, 3500} << QStringList{"0", "0", "2", "2", "4"};
}

void Form1Test::sizeColumn()
{
    QFETCH(QList<int>, sizes);
    QFETCH(QStringList, texts);

    Form1Harness h;
    QList<SoundRecord> records;
    for (int i = 0; i < sizes.size(); ++i) {
        const QString file = h.makeSource(QStringLiteral("s%1.wav").arg(i), sizes[i]);
        records.append(
            makeRecord(QStringLiteral("S%1").arg(i), qint16(i + 1), {}, false, false, file));
    }
    SoundTable table;
    table.replaceAll(records);
    h.openWith(table);
    QCOMPARE(h.columnTexts(5), texts);
}

void Form1Test::clickSelection_data()
{
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QList<int>>("selected");

    // Clicks on the "Size kb" column, whose edit does nothing: "5" a click on row 5, "s" Shift,
    // "c" Ctrl, "sc" both, "a" Alt, "m" the middle button, "2>6" a press on 2 released on 6.
    QTest::newRow("click selects its row") << "2" << QList<int>{2};
    QTest::newRow("next click replaces the selection") << "2 5" << QList<int>{5};
    QTest::newRow("shift range upwards") << "7 s3" << QList<int>{3, 4, 5, 6, 7};
    QTest::newRow("shift range downwards") << "3 s6" << QList<int>{3, 4, 5, 6};
    QTest::newRow("shift clears the rest") << "1 c2 s4" << QList<int>{2, 3, 4};
    QTest::newRow("shift+ctrl adds a range") << "1 c8 sc5" << QList<int>{1, 5, 6, 7, 8};
    QTest::newRow("ctrl deselects only that row") << "2 c4 c2" << QList<int>{4};
    QTest::newRow("first shift click ranges from the top") << "s3" << QList<int>{1, 2, 3};
    QTest::newRow("press and release on two rows") << "2 5>6" << QList<int>{2};
    QTest::newRow("alt click changes nothing") << "2 a5" << QList<int>{2};
    QTest::newRow("middle button adds") << "2 m5" << QList<int>{2, 5};
}

void Form1Test::clickSelection()
{
    QFETCH(QString, clicks);
    QFETCH(QList<int>, selected);

    Form1Harness h;
    Form1 &w = h.openWith(numberedTable(h, 8));
    int lastRow = 0;
    for (QString click : clicks.split(QLatin1Char(' '))) {
        Qt::KeyboardModifiers modifiers;
        Qt::MouseButton button = Qt::LeftButton;
        while (!click.at(0).isDigit()) {
            const QChar flag = click.at(0);
            modifiers |= flag == 's'   ? Qt::ShiftModifier
                         : flag == 'c' ? Qt::ControlModifier
                         : flag == 'a' ? Qt::AltModifier
                                       : Qt::NoModifier;
            if (flag == 'm')
                button = Qt::MiddleButton;
            click.remove(0, 1);
        }
        const QStringList rows = click.split(QLatin1Char('>'));
        lastRow = rows.first().toInt();
        h.press(lastRow, 5, button, modifiers);
        h.release(rows.last().toInt(), 5, button, modifiers);
    }
    QCOMPARE(h.cyanRows(), selected);
    for (int row = 1; row <= 8; ++row)
        QCOMPARE(w.table().at(row).isSelected(), selected.contains(row));
    QCOMPARE(h.control<QLabel>("lblFile")->text(), w.table().at(lastRow).filename);
}

void Form1Test::rightClick_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("fileOfRow");

    QTest::newRow("unselected row: only it") << "2 c3" << 5 << QList<int>{5} << 5;
    QTest::newRow("row of a multi-selection keeps it") << "2 c3" << 3 << QList<int>{2, 3} << 3;
    QTest::newRow("header: nothing changes") << "2" << 0 << QList<int>{2} << 2;
}

void Form1Test::rightClick()
{
    QFETCH(QString, before);
    QFETCH(int, row);
    QFETCH(QList<int>, selected);
    QFETCH(int, fileOfRow);

    Form1Harness h;
    Form1 &w = h.openWith(numberedTable(h, 6));
    for (const QString &click : before.split(QLatin1Char(' '))) {
        const bool ctrl = click.startsWith(QLatin1Char('c'));
        h.click(click.mid(ctrl ? 1 : 0).toInt(), 0, Qt::LeftButton,
                ctrl ? Qt::ControlModifier : Qt::NoModifier);
    }
    h.click(row, 3, Qt::RightButton);

    QCOMPARE(h.cyanRows(), selected);
    QCOMPARE(h.control<QLabel>("lblFile")->text(), w.table().at(fileOfRow).filename);
    QVERIFY(w.soundMenu()->isVisible());
    QVERIFY(w.soundMenu()->actions().contains(w.menuEntry("mnuSoundPop", 6)));
    w.soundMenu()->hide();

    // A right-click is no click for the edit rule: the next left click on the cell clicked
    // last before it opens that cell's editor.
    const QString last = before.split(QLatin1Char(' ')).last();
    const int lastRow = last.mid(last.startsWith(QLatin1Char('c')) ? 1 : 0).toInt();
    h.click(lastRow, 0);
    QVERIFY(h.control<QLineEdit>("txtGrid")->isVisible());
    QCOMPARE(w.editRow(), lastRow);
}

void Form1Test::headerClicksSort()
{
    Form1Harness h;
    SoundTable table;
    table.replaceAll({makeRecord("Creak", 1, "Doors"), makeRecord("Thunder", 2, "Weather"),
                      makeRecord("bang", 3, "Doors", false, true), makeRecord("Arrival", 4, "misc"),
                      makeRecord("Rain", 5, "Weather")});
    Form1 &w = h.openWith(table);

    h.click(0, 3);
    QCOMPARE(h.columnTexts(3), (QStringList{"Arrival", "bang", "Creak", "Rain", "Thunder"}));
    h.click(0, 2);
    const QStringList byCategoryThenName{"bang", "Creak", "Arrival", "Rain", "Thunder"};
    QCOMPARE(h.columnTexts(3), byCategoryThenName);
    h.click(0, 2);
    QCOMPARE(h.columnTexts(3), byCategoryThenName);
    QCOMPARE(w.sortState().PrimarySort, qint16(3));
    QCOMPARE(w.sortState().SecondarySort, qint16(4));
    // The selection follows its sound and header clicks never change it.
    QCOMPARE(h.cyanRows(), QList<int>{1});
    QCOMPARE(w.table().CountSelected(), qint16(1));
}

void Form1Test::numberEdit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("editorText");
    QTest::addColumn<int>("numberAfterSecondEnter");

    const QString taken = QStringLiteral("The sound number 4 is already assigned to sound "
                                         "'Gamma'.\r\nThe first available number is 3.");
    const QString low = QStringLiteral("The lowest sound number should be 1.");
    QTest::newRow("free number") << "7"
                                 << ""
                                 << ""
                                 << "" << 7;
    QTest::newRow("own number closes silently") << "2"
                                                << ""
                                                << ""
                                                << "" << 2;
    QTest::newRow("taken") << "4"
                           << "Number Taken!" << taken << "3" << 3;
    QTest::newRow("zero") << "0"
                          << "Sonquill" << low << "1" << 2;
    QTest::newRow("negative") << "-5"
                              << "Sonquill" << low << "1" << 2;
    QTest::newRow("no digits") << "abc"
                               << "Sonquill" << low << "1" << 2;
    QTest::newRow("above 999") << "1000"
                               << "Sonquill"
                               << "The highest sound number should be 999."
                               << "999" << 999;
}

void Form1Test::numberEdit()
{
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, editorText);
    QFETCH(int, numberAfterSecondEnter);

    Form1Harness h;
    SoundTable table;
    table.replaceAll({makeRecord("Alpha", 1), makeRecord("Gamma", 4), makeRecord("Beta", 2)});
    Form1 &w = h.openWith(table);
    auto *txtGrid = h.control<QLineEdit>("txtGrid");

    h.startEdit(2, 0);
    QVERIFY(txtGrid->isVisible());
    QCOMPARE(txtGrid->text(), QStringLiteral("2"));
    QCOMPARE(txtGrid->selectedText(), QStringLiteral("2"));
    QCOMPARE(txtGrid->geometry().top(),
             h.grid()->geometry().top() + h.grid()->viewport()->geometry().top() +
                 h.grid()->visualRect(h.grid()->model()->index(1, 0)).top() - 1);
    QTest::keyClicks(txtGrid, typed);
    QTest::keyClick(txtGrid, Qt::Key_Return);

    if (title.isEmpty()) {
        QVERIFY(h.ui.messages.isEmpty());
        QVERIFY(txtGrid->isHidden());
    } else {
        QCOMPARE(h.ui.messages.size(), 1);
        QCOMPARE(h.ui.messages[0].title, title);
        QCOMPARE(h.ui.messages[0].text, text);
        QCOMPARE(h.ui.messages[0].buttons, QList<Button>{Button::Ok});
        QVERIFY(h.ui.messages[0].icon == MessageRequest::Icon::None);
        QVERIFY(txtGrid->isVisible());
        QCOMPARE(txtGrid->text(), editorText);
        QCOMPARE(w.table().at(3).number, qint16(2));
        QTest::keyClick(txtGrid, Qt::Key_Return);
    }
    QCOMPARE(w.table().at(3).number, qint16(numberAfterSecondEnter));
    // The row keeps its place until the next sort.
    QCOMPARE(h.cell(2, 3), QStringLiteral("Beta"));
    QCOMPARE(h.cell(2, 0), QString::number(numberAfterSecondEnter));
}

void Form1Test::lockCell_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("lockCell");

    QTest::newRow("locking asks nothing") << 2 << QList<Button>{} << false << "X";
    QTest::newRow("unlock answered Yes") << 1 << QList<Button>{Button::Yes} << true << "";
    QTest::newRow("unlock answered No") << 1 << QList<Button>{Button::No} << true << "X";
}

void Form1Test::lockCell()
{
    QFETCH(int, row);
    QFETCH(QList<Button>, answers);
    QFETCH(bool, asked);
    QFETCH(QString, lockCell);

    Form1Harness h;
    SoundTable table;
    table.replaceAll({makeRecord("Locked", 1, {}, true), makeRecord("Free", 2)});
    Form1 &w = h.openWith(table);
    h.ui.messageAnswers.append(answers);

    h.startEdit(row, 1);
    QCOMPARE(h.cell(row, 1), lockCell);
    QCOMPARE(w.table().at(row).isLocked(), lockCell == QStringLiteral("X"));
    QCOMPARE(h.ui.messages.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(h.ui.messages[0].title, QStringLiteral("Unlock Sound?"));
        QCOMPARE(h.ui.messages[0].text,
                 QStringLiteral("This sound is locked to keep its number. If you unlock it (and "
                                "change the #), this may cause incorrect sounds to play in "
                                "Orvane. Are you sure?"));
        QCOMPARE(h.ui.messages[0].buttons, (QList<Button>{Button::Yes, Button::No}));
        QCOMPARE(h.ui.messages[0].defaultButton, Button::Yes);
    }

    // A locked sound's number opens no editor; its name does.
    h.startEdit(1, 0);
    QCOMPARE(h.control<QLineEdit>("txtGrid")->isVisible(), !w.table().at(1).isLocked());
    h.startEdit(1, 3);
    QVERIFY(h.control<QLineEdit>("txtGrid")->isVisible());
}

void Form1Test::textEdits_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("stored");

    QTest::newRow("name by Enter") << 3 << "Door Slam"
                                   << "enter"
                                   << "Door Slam";
    QTest::newRow("empty name") << 3 << ""
                                << "enter"
                                << "";
    QTest::newRow("name by scrolling") << 3 << "Scrolled"
                                       << "scroll"
                                       << "Scrolled";
    QTest::newRow("name by focus loss") << 3 << "Left"
                                        << "focus"
                                        << "Left";
    QTest::newRow("Escape keeps the name") << 3 << "Dropped"
                                           << "escape"
                                           << "Sound01";
    QTest::newRow("category by Enter") << 2 << "Ambience "
                                       << "enter"
                                       << "Ambience ";
    QTest::newRow("empty category") << 2 << ""
                                    << "enter"
                                    << "";
    QTest::newRow("category by scrolling") << 2 << "Loud"
                                           << "scroll"
                                           << "Loud";
}

void Form1Test::textEdits()
{
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(QString, commit);
    QFETCH(QString, stored);

    Form1Harness h;
    Form1 &w = h.openWith(numberedTable(h, 40));
    h.startEdit(1, col);
    QWidget *editor = col == 3 ? static_cast<QWidget *>(h.control<QLineEdit>("txtGrid"))
                               : h.control<QComboBox>("cmbCateg");
    QVERIFY(editor->isVisible());
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, typed);
    if (commit == QStringLiteral("enter"))
        QTest::keyClick(editor, Qt::Key_Return);
    else if (commit == QStringLiteral("escape"))
        QTest::keyClick(editor, Qt::Key_Escape);
    else if (commit == QStringLiteral("scroll"))
        h.grid()->verticalScrollBar()->setValue(3);
    else
        QTest::mouseClick(h.control<QLineEdit>("txtDir"), Qt::LeftButton);

    QVERIFY(editor->isHidden());
    const SoundRecord &record = w.table().at(1);
    QCOMPARE(col == 3 ? record.name : record.category, stored);
    QCOMPARE(h.cell(1, col), stored);
    if (col == 2 && !stored.isEmpty()) {
        auto *cmbNewCat = h.control<QComboBox>("cmbNewCat");
        QVERIFY(cmbNewCat->findText(stored, Qt::MatchExactly) >= 0);
        QCOMPARE(cmbNewCat->currentText(), QStringLiteral("Misc"));
    }
}

void Form1Test::fileCell_data()
{
    QTest::addColumn<bool>("choose");

    QTest::newRow("a chosen file replaces path and size") << true;
    QTest::newRow("cancel changes nothing") << false;
}

void Form1Test::fileCell()
{
    QFETCH(bool, choose);

    Form1Harness h;
    SoundTable table;
    const QString oldFile = h.makeSource(QStringLiteral("old.wav"), 1000);
    table.replaceAll({makeRecord("Beta", 4, "Doors", true, false, oldFile)});
    Form1 &w = h.openWith(table);
    const QString newFile = h.makeSource(QStringLiteral("new.wav"), 5000);
    if (choose)
        h.ui.fileAnswers.enqueue(QStringList{newFile});

    h.startEdit(1, 4);
    QCOMPARE(h.ui.fileRequests.size(), 1);
    const FileDialogRequest &request = h.ui.fileRequests[0];
    QCOMPARE(request.title, QStringLiteral("Choose the sound file for 'Beta'..."));
    QCOMPARE(request.initialPath, oldFile);
    QCOMPARE(request.nameFilters, kSoundFilters);
    QVERIFY(!request.multiple);
    QVERIFY(request.fileMustExist);

    const SoundRecord &record = w.table().at(1);
    QCOMPARE(record.filename, choose ? newFile : oldFile);
    QCOMPARE(h.cell(1, 4), record.filename);
    QCOMPARE(h.cell(1, 5), choose ? QStringLiteral("5") : QStringLiteral("1"));
    QCOMPARE(record.name, QStringLiteral("Beta"));
    QCOMPARE(record.number, qint16(4));
    QVERIFY(record.isLocked());
}

void Form1Test::doubleClickOnSizePlays()
{
    Form1Harness h;
    Form1 &w = h.openWith(numberedTable(h, 3));
    auto doubleClick = [&](int row, int col) {
        QWidget *viewport = h.grid()->viewport();
        const QPoint pos = h.grid()->visualRect(h.grid()->model()->index(row - 1, col)).center();
        QTest::mousePress(viewport, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
    };
    doubleClick(2, 3);
    QVERIFY(h.player->played.isEmpty());
    doubleClick(3, 5);
    QCOMPARE(h.player->played, QStringList{w.table().at(3).filename});
    QCOMPARE(h.cyanRows(), QList<int>{3});
}

void Form1Test::addSounds_data()
{
    QTest::addColumn<QList<int>>("existing");
    QTest::addColumn<QString>("lastSourceDir");
    QTest::addColumn<QStringList>("files"); // empty: the dialog is cancelled
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("initialPath");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("names");

    const QString patterns = QStringLiteral("/*.MP3;*.WAV;*.OGG;*.VOC");
    QTest::newRow("one file, empty catalogue")
        << QList<int>{} << "" << QStringList{"Door.wav"} << "Misc"
        << "<game>" + patterns << QList<int>{1} << QStringList{"Door"};
    QTest::newRow("three files fill the gaps")
        << QList<int>{1, 3} << "<src>/" << QStringList{"c.wav", "a.wav", "b.wav"} << "Doors"
        << "<src>" + patterns << QList<int>{2, 4, 5} << QStringList{"c", "a", "b"};
    QTest::newRow("names cut at the last dot")
        << QList<int>{} << "<src>" << QStringList{"a.b.c.ogg", "Boom"} << ""
        << "<src>" + patterns << QList<int>{1, 2} << QStringList{"a.b.c", "Boom"};
    QTest::newRow("a listed file is added again")
        << QList<int>{1} << "<src>" << QStringList{"Sound01.wav"} << "Misc"
        << "<src>" + patterns << QList<int>{2} << QStringList{"Sound01"};
    QTest::newRow("cancel changes nothing")
        << QList<int>{1, 2} << "<home>/Elsewhere" << QStringList{} << "Misc"
        << "<home>/Elsewhere" + patterns << QList<int>{} << QStringList{};
}

void Form1Test::addSounds()
{
    QFETCH(QList<int>, existing);
    QFETCH(QString, lastSourceDir);
    QFETCH(QStringList, files);
    QFETCH(QString, category);
    QFETCH(QString, initialPath);
    QFETCH(QList<int>, numbers);
    QFETCH(QStringList, names);

    Form1Harness h;
    SoundTable table;
    QList<SoundRecord> records;
    for (int number : existing) {
        records.append(makeRecord(
            QStringLiteral("Old%1").arg(number), qint16(number), "Misc", false, true,
            h.makeSource(QStringLiteral("Sound%1.wav").arg(number, 2, 10, QLatin1Char('0')))));
    }
    table.replaceAll(records);
    if (!lastSourceDir.isEmpty())
        h.settings().setLastSourceDir(expand(h, lastSourceDir));
    Form1 &w = h.openWith(table);
    auto *cmbNewCat = h.control<QComboBox>("cmbNewCat");
    cmbNewCat->setEditText(category);
    QStringList paths;
    for (const QString &file : files)
        paths.append(h.makeSource(file, 3000));
    if (!paths.isEmpty())
        h.ui.fileAnswers.enqueue(paths);

    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);

    QCOMPARE(h.ui.fileRequests.size(), 1);
    const FileDialogRequest &request = h.ui.fileRequests[0];
    QCOMPARE(request.title, QStringLiteral("Choose one or more sound files..."));
    QCOMPARE(request.initialPath, expand(h, initialPath));
    QCOMPARE(request.nameFilters, kSoundFilters);
    QVERIFY(request.multiple);

    QCOMPARE(w.table().SoundCount(), qint16(existing.size() + files.size()));
    QList<int> cyan;
    for (int i = 0; i < files.size(); ++i) {
        const SoundRecord &added = w.table().at(int(existing.size()) + i + 1);
        QCOMPARE(added.number, qint16(numbers[i]));
        QCOMPARE(added.name, names[i]);
        QCOMPARE(added.filename, paths[i]);
        QCOMPARE(added.category, category);
        QCOMPARE(added.size, 3000.0f);
        QVERIFY(!added.isLocked());
        cyan.append(h.columnTexts(0).indexOf(QString::number(numbers[i])) + 1);
    }
    if (files.isEmpty()) {
        // Nothing changed: the old selection stands and the setting was not written.
        cyan = {1, 2};
        QCOMPARE(h.settings().lastSourceDir(), expand(h, lastSourceDir));
    } else {
        QCOMPARE(h.settings().lastSourceDir(), h.sourceFolder());
        if (!category.isEmpty())
            QVERIFY(cmbNewCat->findText(category, Qt::MatchExactly) >= 0);
    }
    std::sort(cyan.begin(), cyan.end());
    QCOMPARE(h.cyanRows(), cyan);
    QCOMPARE(cmbNewCat->currentText(), category);
}

void Form1Test::addScrollsLastToTop()
{
    Form1Harness h;
    QList<SoundRecord> records;
    for (int i = 0; i < 100; ++i)
        records.append(
            makeRecord(QStringLiteral("%1%2").arg(i < 50 ? "A" : "Z").arg(i), qint16(i + 1)));
    SoundTable table;
    table.replaceAll(records);
    h.openWith(table);
    h.click(0, 3); // by name: the new sound lands in the middle
    h.ui.fileAnswers.enqueue(QStringList{h.makeSource(QStringLiteral("M.wav"))});
    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);

    QCOMPARE(h.cell(51, 3), QStringLiteral("M"));
    QCOMPARE(h.grid()->topRow(), 51);
}

void Form1Test::addToFullList()
{
    Form1Harness h;
    Form1 &w = h.open();
    w.table().replaceAll(QList<SoundRecord>(SoundTable::kMaxCount - 1, makeRecord("Old", 0)));
    h.ui.fileAnswers.enqueue(
        QStringList{h.makeSource("a.wav"), h.makeSource("b.wav"), h.makeSource("c.wav")});
    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);

    QCOMPARE(w.table().SoundCount(), qint16(SoundTable::kMaxCount));
    QCOMPARE(w.table().at(SoundTable::kMaxCount).name, QStringLiteral("a"));
    QCOMPARE(h.dataRows(), int(SoundTable::kMaxCount));
    QCOMPARE(h.ui.messages.size(), 1);
    QCOMPARE(h.ui.messages[0].text,
             QStringLiteral("The list is full: it can hold at most 32767 sounds.\r\n"
                            "2 of the chosen files were not added."));
}

void Form1Test::blankRowHasNothingToEdit_data()
{
    QTest::addColumn<int>("col");
    for (int col = 0; col < GridColumnCount; ++col)
        QTest::newRow(qPrintable(QStringLiteral("column %1").arg(col))) << col;
}

void Form1Test::blankRowHasNothingToEdit()
{
    QFETCH(int, col);

    Form1Harness h;
    h.ui.fileAnswers.enqueue(QStringList{h.makeSource("a.wav")});
    Form1 &w = h.open();
    h.startEdit(1, col);
    QVERIFY(h.control<QLineEdit>("txtGrid")->isHidden());
    QVERIFY(h.control<QComboBox>("cmbCateg")->isHidden());
    QVERIFY(h.ui.fileRequests.isEmpty());
    QVERIFY(h.ui.messages.isEmpty());
    QCOMPARE(w.table().SoundCount(), qint16(0));
    QCOMPARE(h.columnTexts(col), QStringList{QString()});
}

void Form1Test::gameFolder_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("folderShown");
    QTest::addColumn<QString>("folderStored");

    QTest::newRow("browse to a file that need not exist") << "browse:<home>/Other/any name.xyz"
                                                          << "<home>/Other"
                                                          << "<home>/Other";
    QTest::newRow("browse cancelled") << "browse:"
                                      << "<game>"
                                      << "<game>";
    QTest::newRow("Enter stores the typed folder") << "type+enter:<home>/Typed"
                                                   << "<home>/Typed"
                                                   << "<home>/Typed";
    QTest::newRow("typing alone stores nothing") << "type:<home>/Typed"
                                                 << "<home>/Typed"
                                                 << "<game>";
}

void Form1Test::gameFolder()
{
    QFETCH(QString, action);
    QFETCH(QString, folderShown);
    QFETCH(QString, folderStored);

    Form1Harness h;
    QDir(h.home()).mkpath(QStringLiteral("Other"));
    Form1 &w = h.openWith(numberedTable(h, 2));
    auto *txtDir = h.control<QLineEdit>("txtDir");
    const QString argument = expand(h, action.section(QLatin1Char(':'), 1));
    if (action.startsWith(QStringLiteral("browse"))) {
        if (!argument.isEmpty())
            h.ui.fileAnswers.enqueue(QStringList{argument});
        QTest::mouseClick(h.control<QWidget>("cmdBrowseDir"), Qt::LeftButton);
        QCOMPARE(h.ui.fileRequests.size(), 1);
        QCOMPARE(h.ui.fileRequests[0].title,
                 QStringLiteral("Choose any file in your compiled game directory..."));
        QCOMPARE(h.ui.fileRequests[0].initialPath, h.gameFolder() + QStringLiteral("/*.*"));
        QCOMPARE(h.ui.fileRequests[0].nameFilters, QStringList{"All Files (*.*)"});
        QVERIFY(!h.ui.fileRequests[0].fileMustExist);
    } else {
        txtDir->selectAll();
        QTest::keyClicks(txtDir, argument);
        if (action.startsWith(QStringLiteral("type+enter")))
            QTest::keyClick(txtDir, Qt::Key_Return);
    }
    QCOMPARE(txtDir->text(), expand(h, folderShown));
    QCOMPARE(h.settings().lastGameDir(), expand(h, folderStored));
    // The catalogue is neither saved nor reloaded.
    QCOMPARE(w.table().SoundCount(), qint16(2));
    QVERIFY(!QFile::exists(expand(h, folderShown) + QStringLiteral("/SoundInfo.dat")) ||
            folderShown == QStringLiteral("<game>"));
}

void Form1Test::closeSaves_data()
{
    QTest::addColumn<QString>("otherFolder"); // empty: close in the loaded folder
    QTest::addColumn<bool>("otherHasCatalogue");
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("savedThere");

    QTest::newRow("unchanged catalogue is rewritten")
        << QString() << false << QList<Button>{} << false << true;
    QTest::newRow("typed folder without a catalogue")
        << "Other" << false << QList<Button>{} << false << true;
    QTest::newRow("other game's catalogue: No keeps it")
        << "Other" << true << QList<Button>{Button::No} << true << false;
    QTest::newRow("other game's catalogue: Yes replaces it")
        << "Other" << true << QList<Button>{Button::Yes} << true << true;
}

void Form1Test::closeSaves()
{
    QFETCH(QString, otherFolder);
    QFETCH(bool, otherHasCatalogue);
    QFETCH(QList<Button>, answers);
    QFETCH(bool, asked);
    QFETCH(bool, savedThere);

    Form1Harness h;
    SoundTable saved;
    saved.replaceAll({makeRecord("Door", 3, "Doors", true, false, h.makeSource("d.wav", 1234)),
                      makeRecord("Wind", 1, "", false, true, h.makeSource("w.wav", 777))});
    h.openWith(saved);
    const QByteArray original = readFile(h.gameFolder() + QStringLiteral("/SoundInfo.dat"));

    h.startEdit(1, 3);
    QTest::keyClicks(h.control<QLineEdit>("txtGrid"), QStringLiteral("Gust"));
    QTest::keyClick(h.control<QLineEdit>("txtGrid"), Qt::Key_Return);

    QString folder = h.gameFolder();
    const QByteArray otherBytes("not a catalogue of this game");
    if (!otherFolder.isEmpty()) {
        folder = QDir(h.home()).filePath(otherFolder);
        QDir().mkpath(folder);
        if (otherHasCatalogue)
            writeFile(folder + QStringLiteral("/SoundInfo.dat"), otherBytes);
        auto *txtDir = h.control<QLineEdit>("txtDir");
        txtDir->selectAll();
        QTest::keyClicks(txtDir, folder);
    }
    h.ui.messageAnswers.append(answers);
    h.close();

    // Sizes are measured afresh at start-up; the name typed into the grid is saved.
    SoundTable expected;
    expected.replaceAll(
        {makeRecord("Door", 3, "Doors", true, false, h.sourceFolder() + "/d.wav", 1234.0f),
         makeRecord("Gust", 1, "", false, true, h.sourceFolder() + "/w.wav", 777.0f)});
    QCOMPARE(h.ui.messages.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(h.ui.messages[0].buttons, (QList<Button>{Button::Yes, Button::No}));
        QCOMPARE(h.ui.messages[0].defaultButton, Button::No);
        QVERIFY(h.ui.messages[0].text.contains(folder + QStringLiteral("/SoundInfo.dat")));
    }
    const QByteArray written = readFile(folder + QStringLiteral("/SoundInfo.dat"));
    QCOMPARE(written, savedThere ? SerializeSoundInfo(expected) : otherBytes);
    if (!otherFolder.isEmpty()) {
        QCOMPARE(readFile(h.gameFolder() + QStringLiteral("/SoundInfo.dat")), original);
        QCOMPARE(h.settings().lastGameDir(), h.gameFolder());
    }
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
