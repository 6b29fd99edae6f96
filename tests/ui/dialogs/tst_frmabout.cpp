#include "support/ScriptedUi.h"
#include "ui/dialogs/FrmAbout.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace sonquill;

class TestFrmAbout : public QObject
{
    Q_OBJECT

    test::ScriptedUi m_ui;
    test::ScriptedShell m_shell;

private slots:
    void init()
    {
        m_ui = {};
        m_shell = {};
    }

    void showsTheTexts()
    {
        FrmAbout box(m_ui, m_shell);
        box.show();
        QStringList texts{box.windowTitle()};
        for (const char *name : {"lblTitle", "lblVersion", "Label1", "lblDisclaimer"})
            texts.append(box.findChild<QLabel *>(QString::fromLatin1(name))->text());
        for (const char *name : {"cmdOK", "cmdSysInfo"})
            texts.append(box.findChild<QPushButton *>(QString::fromLatin1(name))->text());
        QCOMPARE(texts,
                 (QStringList{"About Sonquill", "Sonquill", "Version 1.0.0",
                              "The Sonquill is a small program designed to simplify the use of "
                              "sound effects file in Orvane. It manages large number of files and "
                              "makes it easier to play the sounds from the Orvane script language",
                              "Warning: Read the license terms in the help file before using.",
                              "OK", "&System Info..."}));
        QVERIFY(!box.findChild<QLabel *>("lblDescription")->text().isEmpty());
        QVERIFY(!box.findChild<QLabel *>("picIcon")->pixmap().isNull());
        QVERIFY(box.findChild<QLabel *>("lblTitle")->font().pointSizeF() >
                box.findChild<QLabel *>("lblVersion")->font().pointSizeF());
    }

    void versionCaption_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("caption");
        QTest::newRow("minor 0 shows a single 0") << "1.0.7"
                                                  << "Version 1.0.7";
        QTest::newRow("leading zeros dropped") << "01.00.07"
                                               << "Version 1.0.7";
        QTest::newRow("missing revision") << "3.10"
                                          << "Version 3.10.0";
    }
    void versionCaption()
    {
        QFETCH(QString, version);
        QFETCH(QString, caption);
        QCOMPARE(VersionCaption(version), caption);
    }

    void systemInformation_data()
    {
        QTest::addColumn<bool>("toolAvailable");
        QTest::newRow("tool started, nothing shown") << true;
        QTest::newRow("no tool, unavailable message") << false;
    }
    void systemInformation()
    {
        QFETCH(bool, toolAvailable);

        m_shell.systemInformationAvailable = toolAvailable;
        FrmAbout box(m_ui, m_shell);
        box.show();
        QTest::mouseClick(box.findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
        QCOMPARE(m_shell.systemInformationCalls, 1);
        QCOMPARE(m_ui.messages.size(), toolAvailable ? 0 : 1);
        if (toolAvailable)
            return;
        const MessageRequest &shown = m_ui.messages.first();
        QCOMPARE(shown.text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(shown.title, QStringLiteral("Sonquill"));
        QCOMPARE(shown.buttons, QList<MessageRequest::Button>{MessageRequest::Button::Ok});
        QCOMPARE(shown.icon, MessageRequest::Icon::None);
        QVERIFY(box.isVisible());
    }

    void closingDeletesTheBox_data()
    {
        QTest::addColumn<int>("key"); // 0: a click on OK
        QTest::newRow("OK clicked") << 0;
        QTest::newRow("Enter pressed") << int(Qt::Key_Return);
        QTest::newRow("Esc pressed") << int(Qt::Key_Escape);
    }
    void closingDeletesTheBox()
    {
        QFETCH(int, key);

        QPointer<FrmAbout> box = new FrmAbout(m_ui, m_shell);
        box->show();
        if (key == 0)
            QTest::mouseClick(box->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        else
            QTest::keyClick(box, Qt::Key(key));
        QTRY_VERIFY(box.isNull());
        QCOMPARE(m_shell.systemInformationCalls, 0);
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
