#include "support/ScriptedUi.h"
#include "support/TestFiles.h"
#include "ui/common/QtDesktopShell.h"
#include "ui/common/QtSoundPlayer.h"
#include "ui/common/QtUserInterface.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/CheckReportDialog.h"
#include "ui/dialogs/OggOptionsDialog.h"
#include "ui/dialogs/ProcessingOptionsDialog.h"
#include "ui/dialogs/ProgressDialog.h"

#include <QtTest>
#include <QtWidgets>

using namespace sonquill;
using Button = MessageRequest::Button;
using Icon = MessageRequest::Icon;

namespace {

// The controls of a form whose text does not show whole, or that stick out of the form.
QStringList clippedControls(const QWidget *form)
{
    QStringList clipped;
    for (const QWidget *control : form->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<const QLabel *>(control);
        if (!label && !qobject_cast<const QAbstractButton *>(control))
            continue;
        if (label && label->text().isEmpty())
            continue; // a picture, no text to cut
        QSize needed =
            control->fontMetrics().size(Qt::TextShowMnemonic, control->property("text").toString());
        if (label && label->wordWrap())
            needed = {0, label->heightForWidth(control->width())};
        else if (qobject_cast<const QCheckBox *>(control))
            needed = {control->sizeHint().width(), 0};
        if (control->width() < needed.width() || control->height() < needed.height() ||
            !form->rect().contains(control->geometry()))
            clipped.append(control->objectName());
    }
    return clipped;
}

// "Quality MinSize UseCustom Jobs CustomPath" as the next start would read them (a fresh store
// on the same file, "-" for none), then as the running program holds them.
QStringList oggNow(const QString &ini, const OggSettings &memory)
{
    const SettingsStore store(ini);
    QStringList stored;
    for (const char *key : {"Quality", "MinSize", "UseCustom", "Jobs", "CustomPath"})
        stored.append(store.read("Ogg", key, "-"));
    return {stored.join(' '),
            QString::asprintf("%d %d %d %d %s", memory.Quality, memory.MinSize, memory.UseCustom,
                              memory.Jobs, qUtf8Printable(memory.CustomPath))};
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
        QFileDialog dialog;
        QtUserInterface::prepareFileDialog(
            dialog, {"", dir.filePath("*.MP3;*.WAV"), {"Sounds (*.MP3;*.WAV)", "All Files (*.*)"}});
        dialog.show();
        const auto listed = [&dialog] {
            auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
            QStringList names;
            for (int row = 0; view && row < view->model()->rowCount(view->rootIndex()); ++row)
                names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
            return names;
        };
        QTRY_COMPARE(listed(), (QStringList{"BOOM.WAV", "door.wav", "Music.Mp3"}));
        dialog.selectNameFilter(dialog.nameFilters().last());
        QTRY_COMPARE(listed(),
                     (QStringList{"BOOM.WAV", "door.wav", "Music.Mp3", "notes.txt", "README"}));
    }

    // Each change of the Ogg options, and of the processing options opened from them, is stored
    // at once as shown and the running program follows it; offsets once they read as offsets.
    void oggAndProcessingOptions()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Sonquill.conf"));
        SettingsStore store(ini);
        store.write("Ogg", "Quality", "15"); // beyond the slider's range
        store.write("Ogg", "UseCustom", "1");
        store.write("Ogg", "CustomPath", "enc \"%1\" \"%2\"");
        store.write("Processing", "CategoryOffsets", "Ambience=-8");
        OggSettings memory;
        OggOptionsDialog ogg(store, memory);
        ogg.show();
        QCOMPARE(oggNow(ini, memory).first(), "15 - 1 - enc \"%1\" \"%2\""); // nothing written
        ogg.findChild<QLineEdit *>("txtMinSize")->selectAll(); // typing replaces the text
        QTest::keyClicks(ogg.findChild<QLineEdit *>("txtMinSize"), "12");
        QCOMPARE(oggNow(ini, memory), QStringList(2, "15 12 1 0 enc \"%1\" \"%2\""));
        QTest::mouseClick(ogg.findChild<QCheckBox *>(), Qt::LeftButton);
        QCOMPARE(oggNow(ini, memory), QStringList(2, "15 12 0 0 enc \"%1\" \"%2\""));
        ogg.findChild<QLineEdit *>("txtCustom")->selectAll();
        QTest::keyClicks(ogg.findChild<QLineEdit *>("txtCustom"), "e %1 ");
        QCOMPARE(oggNow(ini, memory), QStringList(2, "15 12 0 0 e %1 "));
        QTest::keyClick(ogg.findChild<QSpinBox *>(), Qt::Key_Up);
        QCOMPARE(oggNow(ini, memory), QStringList(2, "15 12 0 1 e %1 "));
        // The slider kept its place rather than show a quality it cannot.
        QTest::keyClick(ogg.findChild<QSlider *>(), Qt::Key_Right);
        QCOMPARE(oggNow(ini, memory), QStringList(2, "1 12 0 1 e %1 "));

        QTest::mouseClick(ogg.findChild<QPushButton *>("cmdProcessing"), Qt::LeftButton);
        auto *dialog = ogg.findChild<ProcessingOptionsDialog *>("frmProcessing");
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(store.read("Processing", "Loudness", "-"), "-"); // opening writes nothing

        const auto stored = [&] { return LoadProcessingSettings(SettingsStore(ini)); };
        QTest::mouseClick(dialog->findChild<QCheckBox *>("chkLoudness"), Qt::LeftButton);
        QVERIFY(stored().loudness);
        auto *target = dialog->findChild<QDoubleSpinBox *>("spnTarget");
        target->selectAll();
        QTest::keyClicks(target, "-23");
        QCOMPARE(stored().targetLufs, -23.0);
        auto *offsets = dialog->findChild<QLineEdit *>("txtOffsets");
        offsets->end(false);
        QTest::keyClicks(offsets, "; Mus");
        QVERIFY(dialog->findChild<QLabel *>("lblOffsetsRefused")->isVisible());
        QCOMPARE(clippedControls(dialog->findChild<QGroupBox *>()), QStringList());
        QCOMPARE(stored().categoryOffsets, (QMap<QString, double>{{"Ambience", -8}}));
        QTest::keyClicks(offsets, "ic=-3");
        QCOMPARE(stored().categoryOffsets,
                 (QMap<QString, double>{{"Ambience", -8}, {"Music", -3}}));
        auto *mono = dialog->findChild<QCheckBox *>("chkMono"); // a row wide: its box at the left
        QTest::mouseClick(mono, Qt::LeftButton, {}, QPoint(8, mono->height() / 2));
        auto *rate = dialog->findChild<QComboBox *>("cmbMaxRate");
        rate->setCurrentIndex(rate->findData(32000));
        const ProcessingSettings now = stored();
        QVERIFY(now.mono && now.maxRate == 32000 && !now.trim);
    }

    // Three runs, stopped by Cancel, by Esc and by Close (which is Cancel too: the window stays
    // until the run has ended).
    void progressRuns()
    {
        QWidget mainWindow;
        mainWindow.show();
        ProgressDialogSink sink;
        sink.setParentWidget(&mainWindow);
        // A step past the maximum is refused.
        sink.ShowProgress("Loading", "Reading...", 12, false);
        sink.AdvanceProgress(2);
        sink.AdvanceProgress(11);
        QCOMPARE(sink.currentWindow()->findChild<QProgressBar *>()->value(), 2);

        for (const QString how : {"Cancel", "Esc", "Close"}) {
            // Maximum 0 (nothing to copy) keeps the range of an open window, or the designed one.
            sink.ShowProgress("Distributing Files", "Copying/Encoding 999 files...", 0,
                              how == "Esc");
            QVERIFY(!sink.cancelRequested()); // a request lasts until the next run shows the window
            QPointer<QWidget> window = sink.currentWindow();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const auto *bar = window->findChild<QProgressBar *>();
            QCOMPARE(QPoint(bar->value(), bar->maximum()), QPoint(0, how == "Cancel" ? 12 : 100));
            QCOMPARE(clippedControls(window), QStringList());
            QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            // Blocks the window it belongs to (the test's clicks go past modality, so it is
            // asked for, not clicked at).
            QCOMPARE(window->windowModality(), Qt::WindowModal);
            QCOMPARE(window->parentWidget(), &mainWindow);
            QCOMPARE(QApplication::activeModalWidget(), window.data());
            QCOMPARE(window->findChild<QLabel *>("LabelMax")->isVisible(), how == "Esc");
            sink.showCurrent("Door (1 of 999)");
            QCOMPARE(window->findChild<QLabel *>("Label")->text(),
                     "Copying/Encoding 999 files...\nDoor (1 of 999)");
            if (how == "Esc")
                QTest::keyClick(window, Qt::Key_Escape);
            else
                QTest::mouseClick(window->findChild<QPushButton *>("cmd" + how), Qt::LeftButton);
            QVERIFY(sink.cancelRequested());
            QVERIFY(!window->findChild<QPushButton *>("cmdCancel")->isEnabled());
            window->close(); // the close box asks the same
            QVERIFY(window->isVisible());
            sink.CloseProgress();
            QTRY_VERIFY(window.isNull());
            sink.AdvanceProgress(1);
            QVERIFY(!sink.currentWindow());
            QVERIFY(sink.cancelRequested());
        }
        QVERIFY(!QApplication::activeModalWidget());
    }

    void dialogsFollowTheDesktopFont_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<double>("points");
        for (const char *dialog : {"Ogg options", "progress", "About"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, small type").arg(dialog)))
                << dialog << 7.0;
            QTest::newRow(qPrintable(QStringLiteral("%1, large type").arg(dialog)))
                << dialog << 14.0;
        }
    }

    // The dialogs take the desktop's type and its size, and grow with it so that nothing is cut
    // (also run at QT_SCALE_FACTOR 1.5 and 2).
    void dialogsFollowTheDesktopFont()
    {
        QFETCH(QString, dialog);
        QFETCH(double, points);
        const QFont before = QApplication::font();
        QFont desktop = before;
        desktop.setPointSizeF(points);
        QApplication::setFont(desktop);
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Sonquill.conf")));
        OggSettings memory;
        test::ScriptedUi ui;
        test::ScriptedShell shell;
        ProgressDialogSink sink;
        std::unique_ptr<QWidget> owned;
        QWidget *form = nullptr;
        if (dialog == "Ogg options") {
            owned = std::make_unique<OggOptionsDialog>(store, memory);
            form = owned.get();
        } else if (dialog == "About") {
            owned = std::make_unique<AboutDialog>(ui, shell);
            form = owned.get();
        } else {
            sink.ShowProgress("Distributing Files", "Copying/Encoding 999 files...", 9, false);
            form = sink.currentWindow();
        }
        form->show();
        const double shown = form->findChild<QPushButton *>()->font().pointSizeF();
        const QStringList clipped = clippedControls(form);
        sink.CloseProgress();
        owned.reset();
        QApplication::setFont(before);
        QCOMPARE(shown, points);
        QCOMPARE(clipped.join(", "), QString());
    }

    // System Info starts a tool, or says none is there; Enter and Esc close the box.
    void aboutBox()
    {
        QCOMPARE(VersionCaption(QStringLiteral("01.00.07")), QStringLiteral("Version 1.0.7"));
        test::ScriptedUi ui;
        test::ScriptedShell shell;
        for (const bool toolAvailable : {true, false}) {
            shell.systemInformationAvailable = toolAvailable;
            QPointer<AboutDialog> box = new AboutDialog(ui, shell);
            box->show();
            QTest::mouseClick(box->findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
            QVERIFY(box->isVisible());
            QTest::keyClick(box, toolAvailable ? Qt::Key_Return : Qt::Key_Escape);
            QTRY_VERIFY(box.isNull());
        }
        QCOMPARE(shell.systemInformationCalls, 2);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, "System Information Is Unavailable At This Time");
    }

    void messageBox_data()
    {
        using MB = QMessageBox;
        QTest::addColumn<QList<Button>>("buttons"); // the last is the default
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<QList<int>>("shown"); // standard buttons, default, icon, text format
        QTest::addColumn<Button>("answer");    // to Esc, then the close box, then Retry

        // clang-format off
        QTest::newRow("Yes/No: Esc answers No") << QList<Button>{Button::Yes, Button::No} << Icon::None << QList<int>{MB::Yes | MB::No, MB::No, MB::NoIcon, Qt::PlainText} << Button::No;
        QTest::newRow("OK/Cancel: Esc answers Cancel") << QList<Button>{Button::Ok, Button::Cancel} << Icon::Exclamation << QList<int>{MB::Ok | MB::Cancel, MB::Cancel, MB::Warning, Qt::PlainText} << Button::Cancel;
        QTest::newRow("report: Esc and close box refused") << QList<Button>{Button::Abort, Button::Ignore, Button::Retry} << Icon::Critical << QList<int>{MB::Abort | MB::Retry | MB::Ignore, MB::Retry, MB::Critical, Qt::PlainText} << Button::Retry;
        // clang-format on
    }
    void messageBox()
    {
        QFETCH(QList<Button>, buttons);
        QFETCH(Icon, icon);

        QStringList texts;
        QList<int> looks;
        bool stayedOpen = false;
        QTimer::singleShot(0, qApp, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            texts = {box->windowTitle(), box->text()};
            looks = {int(box->standardButtons()), int(box->standardButton(box->defaultButton())),
                     int(box->icon()), int(box->textFormat())};
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
        QCOMPARE(stayedOpen, buttons.contains(Button::Abort));
    }

    // Only "open" and "Edit" are done, never on a missing file; Edit needs an editor.
    void shellVerbs()
    {
        QTemporaryDir dir;
        const QString sound = dir.filePath(QStringLiteral("My Door.wav"));
        const auto restorePath = qScopeGuard([saved = qgetenv("PATH")] { qputenv("PATH", saved); });
        qputenv("PATH", QFile::encodeName(dir.path()));
        QtDesktopShell shell;
        QVERIFY(test::writeFile(sound, test::makeWav(200)));
        QCOMPARE(shell.ShellExecute(sound, "Edit"), 2);
        // A stand-in editor on the search path writes its arguments beside it, one a line.
        const QString editor = dir.filePath(QStringLiteral("ocenaudio"));
        QVERIFY(test::writeFile(editor, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.txt\"\n"));
        QVERIFY(QFile::setPermissions(editor, QFile::ReadOwner | QFile::ExeOwner));
        QCOMPARE(shell.ShellExecute(sound, "Record"), 2);
        QCOMPARE(shell.ShellExecute(sound, "Edit"), 33);
        QTRY_COMPARE(test::readFile(editor + ".txt"), QFile::encodeName(sound) + '\n');
        QVERIFY(QFile::remove(sound));
        QCOMPARE(shell.ShellExecute(sound, "Edit"), 2);
    }

    void playerReportsAMissingFile()
    {
        const QString path = QTemporaryDir().filePath(QStringLiteral("Gone/Missing Door.wav"));
        // A system without speakers says so as well; that notice is not what is tested here.
        QStringList errors;
        auto player = std::make_unique<QtSoundPlayer>();
        player->onError = [&errors](const QString &text) {
            if (!text.contains(QLatin1String("no sound output device")))
                errors.append(text);
        };
        player->play(path);
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 30000);
        player.reset(); // nothing more to say once stopped
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith("Cannot play " + path + ": "),
                 qPrintable(errors.first()));
    }

    // The help page beside the program explains the menus, the files written, the tools run.
    void helpPageBesideTheProgram()
    {
        const QByteArray html =
            test::readFile(qEnvironmentVariable("SONQUILL_BIN_DIR") + "/SonquillHelp.html");
        for (const char *phrase : {"Distribute", "SoundCode.txt", "oggenc2", "sonquill-cli"})
            QVERIFY2(html.contains(phrase), phrase);
    }

    void checkSoundsDialog()
    {
        const QList<Finding> findings{{Finding::Severity::Error, 2, 7, "Door Creak", "/s/door.wav",
                                       "the file is missing", "missing-source"},
                                      {Finding::Severity::Note,
                                       9,
                                       30,
                                       {},
                                       "/s/rain.wav",
                                       "encoding would save 812 kB",
                                       "ogg-would-save"}};
        CheckReportDialog form;
        form.setFindings(findings);
        form.setFindings(findings); // a refill replaces, never adds
        form.show();
        auto *tree = form.findChild<QTreeWidget *>();
        QStringList rows;
        for (const QTreeWidgetItem *item : tree->findItems("*", Qt::MatchWildcard))
            rows.append(item->text(0) + '|' + item->text(1) + '|' + item->text(2));
        QCOMPARE(rows, (QStringList{"error|#7 Door Creak|the file is missing",
                                    "note|#30|encoding would save 812 kB"}));
        // A real double-click (a click, then the double-click) names the row's sound.
        QSignalSpy activated(&form, &CheckReportDialog::soundActivated);
        for (int row = 0; row < 2; ++row) {
            const QPoint at = tree->visualItemRect(tree->topLevelItem(row)).center();
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(activated.count(), row);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(QList<QVariantList>(activated), (QList<QVariantList>{{2}, {9}}));
        form.setFindings({});
        QCOMPARE(tree->topLevelItemCount(), 0);
        QCOMPARE(form.findChild<QLabel *>("lblSummary")->text(), "No problems found");
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
