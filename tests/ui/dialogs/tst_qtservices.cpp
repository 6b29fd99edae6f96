#include "support/TestFiles.h"
#include "ui/dialogs/QtDesktopShell.h"
#include "ui/dialogs/QtSoundPlayer.h"
#include "ui/dialogs/QtUserInterface.h"

#include <QApplication>
#include <QAudioDevice>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QListView>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace sonquill;
using Button = MessageRequest::Button;

Q_DECLARE_METATYPE(MessageRequest::Button)

namespace {

const QStringList soundFilters{"Orvane-Compatible Sound Files (*.MP3;*.WAV;*.OGG;*.VOC)",
                               "MP3 (*.MP3)", "All Files (*.*)"};

// Runs the action on the modal dialog as soon as the code under test shows it.
void whenModalShown(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action] { action(QApplication::activeModalWidget()); });
}

// Points the search path at one folder for the life of the object.
struct SearchPath
{
    explicit SearchPath(const QString &folder) { qputenv("PATH", QFile::encodeName(folder)); }
    ~SearchPath() { qputenv("PATH", saved); }
    QByteArray saved = qgetenv("PATH");
};

// A stand-in program that writes its arguments, one a line, to outputPath.
bool writeFakeProgram(const QString &path, const QString &outputPath)
{
    return test::writeFile(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                     QFile::encodeName(outputPath) + "'\n") &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
}

QStringList listedNames(QFileDialog &dialog)
{
    auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
    QStringList names;
    for (int row = 0; view && row < view->model()->rowCount(view->rootIndex()); ++row)
        names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
    names.sort();
    return names;
}

} // namespace

class TestQtServices : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxLooks_data()
    {
        QTest::addColumn<QList<Button>>("buttons"); // the last is the default
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("shownButtons");
        QTest::addColumn<int>("shownDefault");
        QTest::addColumn<int>("shownIcon");

        QTest::newRow("Yes/No, No the default, no icon")
            << QList<Button>{Button::Yes, Button::No} << int(MessageRequest::Icon::None)
            << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No)
            << int(QMessageBox::NoIcon);
        QTest::newRow("Abort/Retry/Ignore, critical")
            << QList<Button>{Button::Abort, Button::Ignore, Button::Retry}
            << int(MessageRequest::Icon::Critical)
            << int(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore)
            << int(QMessageBox::Retry) << int(QMessageBox::Critical);
        QTest::newRow("OK, exclamation")
            << QList<Button>{Button::Ok} << int(MessageRequest::Icon::Exclamation)
            << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(QMessageBox::Warning);
    }
    void messageBoxLooks()
    {
        QFETCH(QList<Button>, buttons);
        QFETCH(int, icon);
        QFETCH(int, shownButtons);
        QFETCH(int, shownDefault);
        QFETCH(int, shownIcon);

        MessageRequest request{"Number Taken!", "Sound '<b>Door</b>'.\r\nThe first is 6.", buttons,
                               buttons.last(), MessageRequest::Icon(icon)};
        std::unique_ptr<QMessageBox> box = QtUserInterface::makeMessageBox(request, nullptr);
        QCOMPARE(box->windowTitle(), QStringLiteral("Number Taken!"));
        QCOMPARE(box->text(), QStringLiteral("Sound '<b>Door</b>'.\nThe first is 6."));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(int(box->standardButtons()), shownButtons);
        QCOMPARE(int(box->standardButton(box->defaultButton())), shownDefault);
        QCOMPARE(int(box->icon()), shownIcon);
    }

    void messageAnswers_data()
    {
        QTest::addColumn<QList<Button>>("buttons");
        QTest::addColumn<int>("clicked"); // a QMessageBox::StandardButton; NoButton: Esc
        QTest::addColumn<Button>("answer");

        const QList<Button> report{Button::Abort, Button::Retry, Button::Ignore};
        QTest::newRow("Yes clicked")
            << QList<Button>{Button::Yes, Button::No} << int(QMessageBox::Yes) << Button::Yes;
        QTest::newRow("Esc on Yes/No answers No")
            << QList<Button>{Button::Yes, Button::No} << 0 << Button::No;
        QTest::newRow("Esc on OK/Cancel answers Cancel")
            << QList<Button>{Button::Ok, Button::Cancel} << 0 << Button::Cancel;
        QTest::newRow("Ignore clicked") << report << int(QMessageBox::Ignore) << Button::Ignore;
        QTest::newRow("Esc and close box refused on Abort/Retry/Ignore")
            << report << 0 << Button::Retry;
    }
    void messageAnswers()
    {
        QFETCH(QList<Button>, buttons);
        QFETCH(int, clicked);
        QFETCH(Button, answer);

        bool stayedOpen = false;
        whenModalShown([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
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
        QCOMPARE(ui.showMessage({"Question", "Go on?", buttons, buttons.first()}), answer);
        QCOMPARE(stayedOpen, clicked == QMessageBox::NoButton && buttons.contains(Button::Abort));
    }

    void fileDialogSetUp_data()
    {
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<bool>("mustExist");
        QTest::addColumn<QString>("initialName"); // inside the temporary folder
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<QString>("preselected"); // the file name box

        QTest::newRow("several files, pattern only")
            << true << true << "*.MP3;*.WAV;*.OGG;*.VOC" << int(QFileDialog::ExistingFiles) << "";
        QTest::newRow("one existing file, current file preselected")
            << false << true << "door.wav" << int(QFileDialog::ExistingFile) << "door.wav";
        QTest::newRow("any name in a folder")
            << false << false << "*.*" << int(QFileDialog::AnyFile) << "";
    }
    void fileDialogSetUp()
    {
        QFETCH(bool, multiple);
        QFETCH(bool, mustExist);
        QFETCH(QString, initialName);
        QFETCH(int, fileMode);
        QFETCH(QString, preselected);

        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath(QStringLiteral("door.wav")), test::makeWav(100)));
        QFileDialog dialog;
        QtUserInterface::prepareFileDialog(
            dialog, {"Choose", dir.filePath(initialName), soundFilters, multiple, mustExist});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose"));
        QCOMPARE(int(dialog.fileMode()), fileMode);
        QCOMPARE(dialog.directory().canonicalPath(), QDir(dir.path()).canonicalPath());
        auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        QStringList shown;
        for (int i = 0; i < types->count(); ++i)
            shown.append(types->itemText(i));
        QCOMPARE(shown, (QStringList{"Orvane-Compatible Sound Files", "MP3", "All Files (*.*)"}));
        QCOMPARE(types->currentIndex(), 0);
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text(),
                 preselected);
    }

    void fileDialogShowsSoundsWhateverTheirCase()
    {
        QTemporaryDir dir;
        for (const char *name : {"door.wav", "BOOM.WAV", "Music.Mp3", "notes.txt", "README"})
            QVERIFY(test::writeFile(dir.filePath(QString::fromLatin1(name)), "x"));
        QFileDialog dialog;
        QtUserInterface::prepareFileDialog(
            dialog, {"", dir.filePath("*.MP3;*.WAV;*.OGG;*.VOC"), soundFilters, true, true});
        dialog.show();
        QTRY_COMPARE(listedNames(dialog), (QStringList{"BOOM.WAV", "Music.Mp3", "door.wav"}));

        dialog.selectNameFilter(dialog.nameFilters().last());
        QTRY_COMPARE(listedNames(dialog),
                     (QStringList{"BOOM.WAV", "Music.Mp3", "README", "door.wav", "notes.txt"}));
    }

    void openFilesAnswers_data()
    {
        QTest::addColumn<QString>("typed"); // empty: the user cancels
        QTest::addColumn<QStringList>("answer");

        QTest::newRow("two files") << "\"a.wav\" \"b.ogg\"" << QStringList{"a.wav", "b.ogg"};
        QTest::newRow("cancelled") << "" << QStringList{};
    }
    void openFilesAnswers()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, answer);

        QTemporaryDir dir;
        for (const char *name : {"a.wav", "b.ogg"})
            QVERIFY(test::writeFile(dir.filePath(QString::fromLatin1(name)), "x"));
        whenModalShown([&](QWidget *modal) {
            auto *nameBox = modal->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(nameBox);
            nameBox->setText(typed);
            QTest::keyClick(nameBox, typed.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
        });
        QtUserInterface ui;
        const std::optional<QStringList> chosen =
            ui.openFiles({"Choose", dir.path(), soundFilters, true, true});
        QCOMPARE(chosen.has_value(), !answer.isEmpty());
        for (QString &name : answer)
            name = QDir(dir.path()).absoluteFilePath(name);
        QCOMPARE(chosen.value_or(QStringList{}), answer);
    }

    void inputTextAnswers_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("answer"); // "<none>" for a cancel

        QTest::newRow("typed and OK") << int(Qt::Key_Return) << " Door Sounds ";
        QTest::newRow("cancelled") << int(Qt::Key_Escape) << "<none>";
    }
    void inputTextAnswers()
    {
        QFETCH(int, key);
        QFETCH(QString, answer);

        QString shown;
        whenModalShown([&](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            QVERIFY(dialog);
            auto *edit = dialog->findChild<QLineEdit *>();
            shown = dialog->windowTitle() + '|' + dialog->labelText() + '|' + edit->text();
            edit->clear();
            QTest::keyClicks(edit, QStringLiteral(" Door Sounds "));
            QTest::keyClick(edit, Qt::Key(key));
        });
        QtUserInterface ui;
        const std::optional<QString> result = ui.inputText("New Category", "Enter it.", "Misc");
        QCOMPARE(shown, QStringLiteral("New Category|Enter it.|Misc"));
        QCOMPARE(result.value_or(QStringLiteral("<none>")), answer);
    }

    void shellVerbs_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QString>("installedEditor"); // a stand-in on the search path, or ""
        QTest::addColumn<int>("answer");

        QTest::newRow("Record is never accepted") << "Record" << true << "audacity" << 2;
        QTest::newRow("Modify is never accepted") << "Modify" << true << "audacity" << 2;
        QTest::newRow("open on a missing file fails") << "open" << false << "" << 2;
        QTest::newRow("Edit without an editor fails") << "Edit" << true << "" << 2;
        QTest::newRow("Edit starts ocenaudio") << "Edit" << true << "ocenaudio" << 33;
    }
    void shellVerbs()
    {
        QFETCH(QString, verb);
        QFETCH(bool, fileExists);
        QFETCH(QString, installedEditor);
        QFETCH(int, answer);

        QTemporaryDir dir;
        const QString received = dir.filePath(QStringLiteral("received.txt"));
        if (!installedEditor.isEmpty())
            QVERIFY(writeFakeProgram(dir.filePath(installedEditor), received));
        const QString sound = dir.filePath(QStringLiteral("My Door.wav"));
        if (fileExists)
            QVERIFY(test::writeFile(sound, test::makeWav(200)));

        SearchPath path(dir.path());
        QCOMPARE(QtDesktopShell().ShellExecute(sound, verb), answer);
        if (answer >= 32)
            QTRY_COMPARE(test::readFile(received), QFile::encodeName(sound) + '\n');
    }

    void systemInformationTool_data()
    {
        QTest::addColumn<QString>("installedTool");
        QTest::newRow("hardinfo") << "hardinfo";
        QTest::newRow("none installed") << "";
    }
    void systemInformationTool()
    {
        QFETCH(QString, installedTool);

        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("started.txt"));
        if (!installedTool.isEmpty())
            QVERIFY(writeFakeProgram(dir.filePath(installedTool), marker));
        SearchPath path(dir.path());
        QCOMPARE(QtDesktopShell().startSystemInformation(), !installedTool.isEmpty());
        if (!installedTool.isEmpty())
            QTRY_VERIFY(QFile::exists(marker));
    }

    void playerReportsFailures_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("missing file") << false;
        QTest::newRow("file that is no sound") << true;
    }
    void playerReportsFailures()
    {
        QFETCH(bool, fileExists);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Broken Door.wav"));
        if (fileExists)
            QVERIFY(test::writeFile(path, QByteArray(4000, 'z')));
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
        QVERIFY2(errors.first().contains(path), qPrintable(errors.first()));
    }

    void playerWithoutOutputDeviceSaysSo()
    {
        if (!QMediaDevices::audioOutputs().isEmpty())
            QSKIP("this system has a sound output device");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tone.wav"));
        QVERIFY(test::writeFile(path, test::makeWav(44100)));
        QStringList errors;
        {
            QtSoundPlayer player;
            player.onError = [&errors](const QString &text) { errors.append(text); };
            player.play(path);
            player.stop();
            player.play(path);
        }
        QCOMPARE(errors.size(), 2);
        QCOMPARE(errors.first(),
                 QStringLiteral("Cannot play %1: no sound output device is available.").arg(path));
    }

    void helpPageBesideThePrograms_data()
    {
        QTest::addColumn<QString>("phrase");
        // Every menu entry as the menus show it, the files written and what reads them.
        for (const char *phrase : {"Load",
                                   "Save Selections",
                                   "Distribute",
                                   "Clear old SOUND#.* files",
                                   "Select All",
                                   "Remove all sounds",
                                   "Remove Selected",
                                   "Lock/Unlock Selected",
                                   "Change Selected's Category",
                                   "Play",
                                   "Stop",
                                   "Open",
                                   "Edit",
                                   "Make List of All Sounds",
                                   "Make List of Locked Sounds",
                                   "Make a Winamp playlist",
                                   "Help File",
                                   "About",
                                   "SOUND<n>.<ext>",
                                   "SoundList.dat",
                                   "SoundCode.txt",
                                   "SoundInfo.dat",
                                   "AllSounds.txt",
                                   "LockedSounds.txt",
                                   "WinampPlaylist.m3u",
                                   "NumSounds",
                                   "SoundNames[n].Name",
                                   "LoadSoundNames",
                                   "Game_start",
                                   "oggenc2",
                                   "apt install vorbis-tools",
                                   "%1",
                                   "%2",
                                   "sonquill-cli",
                                   "--custom-command",
                                   "renumber",
                                   "clean --yes",
                                   "License"})
            QTest::newRow(phrase) << QString::fromLatin1(phrase);
    }
    void helpPageBesideThePrograms()
    {
        QFETCH(QString, phrase);

        QFile page(qEnvironmentVariable("SONQUILL_BIN_DIR") + "/SonquillHelp.html");
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(page.readAll()));
        QVERIFY(document.toPlainText().contains(phrase));
    }
};

QTEST_MAIN(TestQtServices)
#include "tst_qtservices.moc"
