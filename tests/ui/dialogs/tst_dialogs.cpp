#include "support/ScriptedUi.h"
#include "support/TestFiles.h"
#include "ui/common/QtDesktopShell.h"
#include "ui/common/QtSoundPlayer.h"
#include "ui/common/QtUserInterface.h"
#include "ui/dialogs/FrmAbout.h"
#include "ui/dialogs/FrmCheck.h"
#include "ui/dialogs/FrmOgg.h"
#include "ui/dialogs/FrmProgress.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace sonquill;
using Button = MessageRequest::Button;
using Icon = MessageRequest::Icon;

Q_DECLARE_METATYPE(MessageRequest::Button)
Q_DECLARE_METATYPE(MessageRequest::Icon)

namespace {

// What the named control shows: its text, or the place of a slider, or "1" for a ticked box.
QString shownBy(const QWidget *form, const QString &name)
{
    const QWidget *control = form->findChild<QWidget *>(name);
    if (!control)
        return QStringLiteral("<no %1>").arg(name);
    if (control->inherits("QSlider") || control->inherits("QSpinBox"))
        return QString::number(control->property("value").toInt());
    if (control->inherits("QCheckBox"))
        return control->property("checked").toBool() ? "1" : "0";
    return control->property("text").toString();
}

// The controls of a form whose text does not show whole, or that stick out of the form.
QStringList clippedControls(const QWidget *form)
{
    QStringList clipped;
    for (const QWidget *control : form->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<const QLabel *>(control);
        QSize needed(0, 0);
        if (label && label->wordWrap())
            needed.setHeight(label->heightForWidth(control->width()));
        else if (qobject_cast<const QCheckBox *>(control))
            needed.setWidth(control->sizeHint().width());
        else if (label || qobject_cast<const QAbstractButton *>(control))
            needed = control->fontMetrics().size(Qt::TextShowMnemonic,
                                                 control->property("text").toString());
        else
            continue;
        if (control->width() < needed.width() || control->height() < needed.height() ||
            !form->rect().contains(control->geometry()))
            clipped.append(control->objectName());
    }
    return clipped;
}

// What the next start of the program would read (a fresh store on the same file), and what
// the running program holds.
QString stored(const QString &ini, const QString &key)
{
    return SettingsStore(ini).read(QStringLiteral("Ogg"), key, QStringLiteral("<absent>"));
}
QString inMemory(const OggSettings &memory, const QString &key)
{
    const QMap<QString, int> numbers{{"Quality", memory.Quality},
                                     {"MinSize", memory.MinSize},
                                     {"Jobs", memory.Jobs},
                                     {"UseCustom", memory.UseCustom}};
    return key == "CustomPath" ? memory.CustomPath : QString::number(numbers.value(key));
}

int progressWindowCount()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += widget->objectName() == QLatin1String("frmProgress");
    return count;
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void fileDialogShowsSoundsWhateverTheirCase()
    {
        QTemporaryDir dir;
        for (const char *name : {"door.wav", "BOOM.WAV", "Music.Mp3", "notes.txt", "README"})
            QVERIFY(test::writeFile(dir.filePath(QString::fromLatin1(name)), "x"));
        const QStringList filters{"Orvane-Compatible Sound Files (*.MP3;*.WAV;*.OGG;*.VOC)",
                                  "All Files (*.*)"};
        QFileDialog dialog;
        QtUserInterface::prepareFileDialog(
            dialog, {"", dir.filePath("*.MP3;*.WAV;*.OGG;*.VOC"), filters, true, true});
        dialog.show();
        const auto listed = [&dialog] {
            auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
            QStringList names;
            for (int row = 0; view && row < view->model()->rowCount(view->rootIndex()); ++row)
                names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
            names.sort();
            return names;
        };
        QTRY_COMPARE(listed(), (QStringList{"BOOM.WAV", "Music.Mp3", "door.wav"}));
        dialog.selectNameFilter(dialog.nameFilters().last());
        QTRY_COMPARE(listed(),
                     (QStringList{"BOOM.WAV", "Music.Mp3", "README", "door.wav", "notes.txt"}));
    }
    void oggOptions_data()
    {
        QTest::addColumn<QStringList>("keysAndValues"); // the store before the opening
        QTest::addColumn<QStringList>("shown"); // quality label, slider, min size, check, custom
        QTest::addColumn<QString>("name");      // the control then changed
        QTest::addColumn<QString>("input");     // typed into a box; elsewhere a step a character
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("storedAfterEachStep");

        const QStringList defaults{"3", "3", "4", "0", "c:\\MyEncoder.exe %1 %2"};
        // clang-format off
        QTest::newRow("empty store, slider to 7") << QStringList{} << defaults << "sldQuality" << QStringLiteral("....") << "Quality" << QStringList{"4", "5", "6", "7"};
        QTest::newRow("quality above the slider's range kept, minimum size 12") << QStringList{"Quality",   "15", "MinSize",    " 100", "UseCustom", "1",  "CustomPath", "enc \"%1\" \"%2\""} << QStringList{"15", "0", "100", "1", "enc \"%1\" \"%2\""} << "txtMinSize" << QStringLiteral("12") << "MinSize" << QStringList{"1", "12"};
        QTest::newRow("custom encoder off and on") << QStringList{"UseCustom", "1"} << QStringList{"3", "3", "4", "1", defaults.last()} << "chkCustom" << QStringLiteral("..") << "UseCustom" << QStringList{"0", "1"};
        QTest::newRow("custom command as typed") << QStringList{} << defaults << "txtCustom" << QStringLiteral("e %1") << "CustomPath" << QStringList{"e", "e ", "e %", "e %1"};
        QTest::newRow("parallel encoders up from one per core to 2") << QStringList{} << defaults << "spnJobs" << QStringLiteral("..") << "Jobs" << QStringList{"1", "2"};
        // clang-format on
    }
    void oggOptions()
    {
        QFETCH(QStringList, keysAndValues);
        QFETCH(QStringList, shown);
        QFETCH(QString, name);
        QFETCH(QString, input);
        QFETCH(QString, key);
        QFETCH(QStringList, storedAfterEachStep);

        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Sonquill.conf"));
        SettingsStore store(ini);
        for (int i = 0; i + 1 < keysAndValues.size(); i += 2)
            store.write(QStringLiteral("Ogg"), keysAndValues.at(i), keysAndValues.at(i + 1));
        const QByteArray before = test::readFile(ini);
        OggSettings memory;
        FrmOgg dialog(store, memory);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Ogg Encoding Options"));
        QStringList controls{"lblQuality", "sldQuality", "txtMinSize", "chkCustom", "txtCustom"};
        for (QString &text : controls)
            text = shownBy(&dialog, text);
        QCOMPARE(controls, shown);
        QCOMPARE(test::readFile(ini), before);
        QCOMPARE(clippedControls(&dialog), QStringList());

        auto *control = dialog.findChild<QWidget *>(name);
        auto *edit = qobject_cast<QLineEdit *>(control);
        if (edit)
            edit->clear();
        QStringList seen, followed;
        for (QChar c : input) {
            if (edit)
                QTest::keyClicks(edit, QString(c));
            else if (qobject_cast<QSlider *>(control))
                QTest::keyClick(control, Qt::Key_Right);
            else if (qobject_cast<QSpinBox *>(control))
                QTest::keyClick(control, Qt::Key_Up);
            else
                QTest::mouseClick(control, Qt::LeftButton);
            seen.append(stored(ini, key));
            followed.append(inMemory(memory, key));
        }
        QCOMPARE(seen, storedAfterEachStep);
        QCOMPARE(followed, storedAfterEachStep);
        // The quality is saved as shown, even one the slider cannot show.
        QCOMPARE(stored(ini, QStringLiteral("Quality")), shownBy(&dialog, "lblQuality"));
        QCOMPARE(inMemory(memory, QStringLiteral("Quality")), shownBy(&dialog, "lblQuality"));
    }

    void progressWindow_data()
    {
        QTest::addColumn<bool>("showCount");
        QTest::addColumn<bool>("closeByButton");
        // clang-format off
        QTest::newRow("distribution: count line hidden, closed by the run") << false << false;
        QTest::newRow("count line shown, closed by the Close button") << true << true;
        // clang-format on
    }
    void progressWindow()
    {
        QFETCH(bool, showCount);
        QFETCH(bool, closeByButton);

        FrmProgressSink sink;
        sink.AdvanceProgress(1);
        QCOMPARE(progressWindowCount(), 0);
        // Maximum 0 (nothing to copy) keeps the designed range on a new window, and the range it
        // had on an open one; a step past the maximum is refused.
        sink.ShowProgress("Loading", "Reading...", 0, !showCount);
        QCOMPARE(sink.currentWindow()->findChild<QProgressBar *>()->maximum(), 100);
        sink.ShowProgress("Loading", "Reading...", 12, !showCount);
        sink.AdvanceProgress(2);
        sink.AdvanceProgress(11);
        QCOMPARE(sink.currentWindow()->findChild<QProgressBar *>()->value(), 2);
        sink.AdvanceProgress(2);
        sink.ShowProgress("Distributing Files", "Copying/Encoding 0 files...", 0, showCount);
        QPointer<QWidget> window = sink.currentWindow();
        QCOMPARE(progressWindowCount(), 1);
        QVERIFY(window && window->isVisible());
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QStringList texts{window->windowTitle()};
        for (const char *name : {"Label", "Label2", "LabelMax", "cmdClose"})
            texts.append(shownBy(window, QString::fromLatin1(name)));
        QCOMPARE(texts, (QStringList{"Distributing Files", "Copying/Encoding 0 files...",
                                     "Number of items to load:", "0", "Close"}));
        QCOMPARE(window->findChild<QLabel *>("Label2")->isVisible(), showCount);
        QCOMPARE(window->findChild<QLabel *>("LabelMax")->isVisible(), showCount);
        QCOMPARE(clippedControls(window), QStringList());
        const auto *bar = window->findChild<QProgressBar *>();
        QCOMPARE(QPoint(bar->value(), bar->maximum()), QPoint(0, 12));

        if (closeByButton)
            QTest::mouseClick(window->findChild<QPushButton *>(), Qt::LeftButton);
        else
            sink.CloseProgress();
        QTRY_VERIFY(window.isNull());
        sink.AdvanceProgress(1);
        sink.keepAlive();
        QVERIFY(!sink.currentWindow());
        QCOMPARE(progressWindowCount(), 0);
    }

    void progressCancel_data()
    {
        QTest::addColumn<bool>("byKey");
        // clang-format off
        QTest::newRow("Cancel button") << false;
        QTest::newRow("Esc key") << true;
        // clang-format on
    }
    void progressCancel()
    {
        QFETCH(bool, byKey);

        QPushButton mainWindowButton("Remove");
        mainWindowButton.show();
        QSignalSpy mainWindowClicks(&mainWindowButton, &QPushButton::clicked);
        FrmProgressSink sink;
        sink.ShowProgress("Distributing Files", "Copying 3 files...", 3, false);
        QWidget *window = sink.currentWindow();
        auto *cancel = window->findChild<QPushButton *>("cmdCancel");
        QVERIFY(cancel && cancel->isVisible());
        QCOMPARE(clippedControls(window), QStringList());
        QVERIFY(!sink.cancelRequested());

        // While the run keeps the window alive, only the progress window takes the user's
        // clicks and keys.
        const auto click = [](QWidget *target) {
            const QPointF at = target->rect().center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(
                    target, new QMouseEvent(type, at, target->mapToGlobal(at), Qt::LeftButton,
                                            Qt::LeftButton, Qt::NoModifier));
        };
        click(&mainWindowButton);
        if (byKey) {
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(window,
                                            new QKeyEvent(type, Qt::Key_Escape, Qt::NoModifier));
        } else {
            click(cancel);
        }
        sink.keepAlive();

        QVERIFY(sink.cancelRequested());
        QCOMPARE(mainWindowClicks.count(), 0);
        QVERIFY(!cancel->isEnabled());
        sink.CloseProgress();
        QVERIFY(sink.cancelRequested()); // until the next run shows the window again
        sink.ShowProgress("Distributing Files", "Copying 3 files...", 3, false);
        QVERIFY(!sink.cancelRequested());
        // Outside a run the main window takes clicks again.
        QTest::mouseClick(&mainWindowButton, Qt::LeftButton);
        QCOMPARE(mainWindowClicks.count(), 1);
    }

    void aboutBox_data()
    {
        QTest::addColumn<bool>("toolAvailable");
        // clang-format off
        QTest::newRow("tool started, nothing shown, Enter closes") << true;
        QTest::newRow("no tool, unavailable message, Esc closes") << false;
        // clang-format on
    }
    void aboutBox()
    {
        QFETCH(bool, toolAvailable);

        test::ScriptedUi ui;
        test::ScriptedShell shell;
        shell.systemInformationAvailable = toolAvailable;
        QPointer<FrmAbout> box = new FrmAbout(ui, shell);
        box->show();
        QStringList texts{box->windowTitle()};
        for (const char *name :
             {"lblTitle", "lblVersion", "Label1", "lblDisclaimer", "cmdOK", "cmdSysInfo"})
            texts.append(shownBy(box, QString::fromLatin1(name)));
        QCOMPARE(texts,
                 (QStringList{"About Sonquill", "Sonquill", "Version 1.0.0",
                              "The Sonquill is a small program designed to simplify the use of "
                              "sound effects file in Orvane. It manages large number of files and "
                              "makes it easier to play the sounds from the Orvane script language",
                              "Warning: Read the license terms in the help file before using.",
                              "OK", "&System Info..."}));
        QCOMPARE(clippedControls(box), QStringList());
        QCOMPARE(VersionCaption(QStringLiteral("01.00.07")), QStringLiteral("Version 1.0.7"));

        QTest::mouseClick(box->findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
        QCOMPARE(shell.systemInformationCalls, 1);
        QCOMPARE(ui.messages.size(), toolAvailable ? 0 : 1);
        for (const MessageRequest &shown : ui.messages) {
            QCOMPARE(shown.title + '|' + shown.text,
                     "Sonquill|System Information Is Unavailable At This Time");
            QCOMPARE(shown.buttons, QList<MessageRequest::Button>{MessageRequest::Button::Ok});
            QCOMPARE(shown.icon, MessageRequest::Icon::None);
        }
        QVERIFY(box->isVisible());
        QTest::keyClick(box, toolAvailable ? Qt::Key_Return : Qt::Key_Escape);
        QTRY_VERIFY(box.isNull());
    }

    void messageBox_data()
    {
        using MB = QMessageBox;
        QTest::addColumn<QList<Button>>("buttons"); // the last is the default
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<QList<int>>("shown"); // standard buttons, default, icon
        QTest::addColumn<int>("clicked");      // NoButton: Esc, then the close box
        QTest::addColumn<Button>("answer");

        const QList<Button> report{Button::Abort, Button::Ignore, Button::Retry};
        const QList<int> reportShown{MB::Abort | MB::Retry | MB::Ignore, MB::Retry, MB::Critical};
        // clang-format off
        QTest::newRow("Yes/No, No the default, no icon: Esc answers No") << QList<Button>{Button::Yes, Button::No} << Icon::None << QList<int>{MB::Yes | MB::No, MB::No, MB::NoIcon} << 0 << Button::No;
        QTest::newRow("OK/Cancel, exclamation: Esc answers Cancel") << QList<Button>{Button::Ok, Button::Cancel} << Icon::Exclamation << QList<int>{MB::Ok | MB::Cancel, MB::Cancel, MB::Warning} << 0 << Button::Cancel;
        QTest::newRow("Abort/Retry/Ignore, critical: Ignore clicked") << report << Icon::Critical << reportShown << int(MB::Ignore) << Button::Ignore;
        QTest::newRow("Abort/Retry/Ignore: Esc and the close box refused") << report << Icon::Critical << reportShown << 0 << Button::Retry;
        // clang-format on
    }
    void messageBox()
    {
        QFETCH(QList<Button>, buttons);
        QFETCH(Icon, icon);
        QFETCH(int, clicked);

        QStringList texts;
        QList<int> looks;
        bool stayedOpen = false;
        QTimer::singleShot(0, qApp, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            texts = {box->windowTitle(), box->text()};
            looks = {int(box->standardButtons()), int(box->standardButton(box->defaultButton())),
                     int(box->icon())};
            if (box->textFormat() != Qt::PlainText)
                texts.append(QStringLiteral("not plain text"));
            if (clicked != QMessageBox::NoButton) {
                QTest::mouseClick(box->button(QMessageBox::StandardButton(clicked)),
                                  Qt::LeftButton);
                return;
            }
            QTest::keyClick(box, Qt::Key_Escape);
            if (box->isVisible()) {
                stayedOpen = !box->close() && box->isVisible();
                QTest::mouseClick(box->button(QMessageBox::Retry), Qt::LeftButton);
            }
        });
        QtUserInterface ui;
        QTEST(ui.showMessage({"Number Taken!", "Sound '<b>Door</b>'.\r\nThe first is 6.", buttons,
                              buttons.last(), icon}),
              "answer");
        QCOMPARE(texts, (QStringList{"Number Taken!", "Sound '<b>Door</b>'.\nThe first is 6."}));
        QTEST(looks, "shown");
        QCOMPARE(stayedOpen, clicked == QMessageBox::NoButton && buttons.contains(Button::Abort));
    }

    void shellVerbs_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QString>("installedEditor"); // a stand-in on the search path, or ""
        QTest::addColumn<int>("answer");

        // clang-format off
        QTest::newRow("Record is never accepted") << "Record" << true << "audacity" << 2;
        QTest::newRow("Modify is never accepted") << "Modify" << true << "audacity" << 2;
        QTest::newRow("open on a missing file fails") << "open" << false << "" << 2;
        QTest::newRow("Edit without an editor fails") << "Edit" << true << "" << 2;
        QTest::newRow("Edit starts the editor found") << "Edit" << true << "ocenaudio" << 33;
        // clang-format on
    }
    void shellVerbs()
    {
        QFETCH(QString, verb);
        QFETCH(bool, fileExists);
        QFETCH(QString, installedEditor);

        // The stand-in editor writes its arguments, one a line, to received.txt.
        QTemporaryDir dir;
        const QString received = dir.filePath(QStringLiteral("received.txt"));
        if (!installedEditor.isEmpty()) {
            const QString editor = dir.filePath(installedEditor);
            QVERIFY(test::writeFile(editor, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                                QFile::encodeName(received) + "'\n"));
            QVERIFY(QFile::setPermissions(editor, QFile::ReadOwner | QFile::ExeOwner));
        }
        const QString sound = dir.filePath(QStringLiteral("My Door.wav"));
        if (fileExists)
            QVERIFY(test::writeFile(sound, test::makeWav(200)));

        const QByteArray savedPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", savedPath); });
        qputenv("PATH", QFile::encodeName(dir.path()));
        const int answer = QtDesktopShell().ShellExecute(sound, verb);
        QTEST(answer, "answer");
        if (answer >= 32)
            QTRY_COMPARE(test::readFile(received), QFile::encodeName(sound) + '\n');
    }

    void playerReportsAMissingFile()
    {
        const QString path = QTemporaryDir().filePath(QStringLiteral("Gone/Missing Door.wav"));
        // A system without speakers says so as well; that notice is not what is tested here.
        QStringList errors;
        {
            QtSoundPlayer player;
            player.onError = [&errors](const QString &text) {
                if (!text.contains(QLatin1String("no sound output device")))
                    errors.append(text);
            };
            player.play(path);
            QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 30000);
            player.stop();
        }
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith("Cannot play " + path + ": "),
                 qPrintable(errors.first()));
    }

    void helpPageBesideTheProgramsNamesEveryMenuEntry()
    {
        QFile page(qEnvironmentVariable("SONQUILL_BIN_DIR") + "/SonquillHelp.html");
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(page.readAll()));
        const QString text = document.toPlainText();
        // Every menu entry as the menus show it, then what the program writes and runs.
        QStringList missing =
            QStringLiteral("Load|Save Selections|Distribute|Clear old SOUND#.* files|Select All|"
                           "Remove all sounds|Remove Selected|Lock/Unlock Selected|"
                           "Change Selected's Category|Play|Stop|Open|Edit|Make List of All Sounds|"
                           "Make List of Locked Sounds|Make a Winamp playlist|Help File|About|"
                           "SOUND<n>.<ext>|SoundList.dat|SoundCode.txt|SoundInfo.dat|AllSounds.txt|"
                           "LockedSounds.txt|WinampPlaylist.m3u|NumSounds|SoundNames[n].Name|"
                           "LoadSoundNames|Game_start|oggenc2|apt install vorbis-tools|%1|%2|"
                           "sonquill-cli|--custom-command|renumber|clean --yes|License")
                .split('|');
        missing.removeIf([&text](const QString &phrase) { return text.contains(phrase); });
        QCOMPARE(missing, QStringList());
    }

    void checkSoundsDialog()
    {
        using Severity = Finding::Severity;
        const QList<Finding> findings{
            {Severity::Error, 2, 7, "Door Creak", "/s/door.wav", "the source file is missing"},
            {Severity::Warning, 5, 12, "Bell", "/s/bell.ogg", "the sound has no category"},
            {Severity::Note, 9, 30, QString(), "/s/rain.wav", "Ogg encoding would save 812 kB"}};
        FrmCheck form;
        form.setFindings(findings);
        form.setFindings(findings); // a refill replaces, never adds
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Check Sounds"));
        auto *tree = form.findChild<QTreeWidget *>(QStringLiteral("treeFindings"));
        QStringList rows;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = tree->topLevelItem(i);
            rows.append(item->text(0) + "|" + item->text(1) + "|" + item->text(2));
        }
        QCOMPARE(rows, (QStringList{"error|#7 Door Creak|the source file is missing",
                                    "warning|#12 Bell|the sound has no category",
                                    "note|#30|Ogg encoding would save 812 kB"}));
        QCOMPARE(shownBy(&form, "lblSummary"), "1 error, 1 warning, 1 note");
        // A real double-click (a click, then the double-click) names the row's sound.
        QSignalSpy activated(&form, &FrmCheck::soundActivated);
        for (int row = 0; row < 3; ++row) {
            const QPoint at = tree->visualItemRect(tree->topLevelItem(row)).center();
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(activated.count(), row);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(activated.count(), 3);
        QCOMPARE(
            QList<int>({activated[0][0].toInt(), activated[1][0].toInt(), activated[2][0].toInt()}),
            QList<int>({2, 5, 9}));
        form.setFindings({});
        QCOMPARE(tree->topLevelItemCount(), 0);
        QCOMPARE(shownBy(&form, "lblSummary"), "No problems found");
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
