#include "TextFit.h"
#include "ui/dialogs/FrmOgg.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace sonquill;

class TestFrmOgg : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_ini;
    std::unique_ptr<SettingsStore> m_store;
    OggSettings m_memory;
    std::unique_ptr<FrmOgg> m_dialog;

    // What the next start of the program would read: a fresh store on the same file.
    QString stored(const QString &key) const
    {
        return SettingsStore(m_ini).read(QStringLiteral("Ogg"), key, QStringLiteral("<absent>"));
    }
    QByteArray fileBytes() const
    {
        QFile file(m_ini);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }
    template <typename T> T *control(const char *name) const
    {
        return m_dialog->findChild<T *>(QString::fromLatin1(name));
    }
    void open()
    {
        m_dialog = std::make_unique<FrmOgg>(*m_store, m_memory);
        m_dialog->show();
    }

private slots:
    void init()
    {
        // A fresh store for every test and row.
        static int count = 0;
        m_ini = m_dir.filePath(QStringLiteral("%1.conf").arg(++count));
        m_store = std::make_unique<SettingsStore>(m_ini);
        m_memory = OggSettings{};
    }
    void cleanup() { m_dialog.reset(); }

    void sliderStoresQualityAtOnce()
    {
        open();
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(control<QSlider>("sldQuality"), Qt::Key_Right);
            seen.append(stored(QStringLiteral("Quality")));
        }
        QCOMPARE(seen, (QStringList{"4", "5", "6", "7"}));
        QCOMPARE(control<QLabel>("lblQuality")->text(), QStringLiteral("7"));
        QCOMPARE(m_memory.Quality, qint16(7));
    }

    void typingStoresEveryKeystroke_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("storedAfterEachKey");
        QTest::addColumn<QString>("inMemory");

        QTest::newRow("minimum size 12") << "txtMinSize"
                                         << "MinSize"
                                         << "12" << QStringList{"1", "12"} << "12";
        QTest::newRow("minimum size as letters reads as 0")
            << "txtMinSize"
            << "MinSize"
            << "ab" << QStringList{"a", "ab"} << "0";
        QTest::newRow("custom command as typed")
            << "txtCustom"
            << "CustomPath"
            << "e %1" << QStringList{"e", "e ", "e %", "e %1"} << "e %1";
    }
    void typingStoresEveryKeystroke()
    {
        QFETCH(QString, box);
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QStringList, storedAfterEachKey);
        QFETCH(QString, inMemory);

        open();
        auto *edit = m_dialog->findChild<QLineEdit *>(box);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(stored(key), QString());
        QStringList seen;
        for (QChar c : typed) {
            QTest::keyClicks(edit, QString(c));
            seen.append(stored(key));
        }
        QCOMPARE(seen, storedAfterEachKey);
        QCOMPARE(box == "txtMinSize" ? QString::number(m_memory.MinSize) : m_memory.CustomPath,
                 inMemory);
    }

    void customCheckBoxStoresAllFour()
    {
        open();
        QTest::mouseClick(control<QCheckBox>("chkCustom"), Qt::LeftButton);
        QCOMPARE(m_memory.UseCustom, qint16(1));
        QStringList keys{"UseCustom", "Quality", "MinSize", "CustomPath"};
        for (QString &key : keys)
            key = stored(key);
        QCOMPARE(keys, (QStringList{"1", "3", "4", "c:\\MyEncoder.exe %1 %2"}));

        QTest::mouseClick(control<QCheckBox>("chkCustom"), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("UseCustom")), QStringLiteral("0"));
        QCOMPARE(m_memory.UseCustom, qint16(0));
    }

    void openingShowsStoreAndRewritesNothing_data()
    {
        QTest::addColumn<QStringList>("keysAndValues");
        QTest::addColumn<QStringList>("shown"); // quality label, slider, min size, check, custom

        // Each store differs from what a save of the shown values would write.
        QTest::newRow("empty store shows the defaults")
            << QStringList{} << QStringList{"3", "3", "4", "0", "c:\\MyEncoder.exe %1 %2"};
        QTest::newRow("texts read as numbers")
            << QStringList{"Quality",   "7.5", "MinSize",    "abc",
                           "UseCustom", "1",   "CustomPath", "enc \"%1\" \"%2\""}
            << QStringList{"8", "8", "0", "1", "enc \"%1\" \"%2\""};
        QTest::newRow("quality above the slider's range keeps the slider")
            << QStringList{"Quality", "15", "MinSize", " 100"}
            << QStringList{"15", "0", "100", "0", "c:\\MyEncoder.exe %1 %2"};
    }
    void openingShowsStoreAndRewritesNothing()
    {
        QFETCH(QStringList, keysAndValues);
        QFETCH(QStringList, shown);

        for (int i = 0; i + 1 < keysAndValues.size(); i += 2)
            m_store->write(QStringLiteral("Ogg"), keysAndValues.at(i), keysAndValues.at(i + 1));
        const QByteArray before = fileBytes();
        open();
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Ogg Encoding Options"));
        QCOMPARE((QStringList{control<QLabel>("lblQuality")->text(),
                              QString::number(control<QSlider>("sldQuality")->value()),
                              control<QLineEdit>("txtMinSize")->text(),
                              control<QCheckBox>("chkCustom")->isChecked() ? "1" : "0",
                              control<QLineEdit>("txtCustom")->text()}),
                 shown);
        QCOMPARE(QString::number(m_memory.Quality), shown.first());
        QCOMPARE(fileBytes(), before);
    }

    void outOfRangeQualityIsSavedBackUnchanged()
    {
        m_store->write(QStringLiteral("Ogg"), QStringLiteral("Quality"), QStringLiteral("15"));
        open();
        QTest::keyClicks(control<QLineEdit>("txtMinSize"), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("MinSize")), QStringLiteral("40"));
        QCOMPARE(stored(QStringLiteral("Quality")), QStringLiteral("15"));
        QCOMPARE(m_memory.Quality, qint16(15));

        QTest::keyClick(control<QSlider>("sldQuality"), Qt::Key_Right);
        const QString moved = QString::number(control<QSlider>("sldQuality")->value());
        QCOMPARE(stored(QStringLiteral("Quality")), moved);
        QCOMPARE(control<QLabel>("lblQuality")->text(), moved);
    }

    void reopeningShowsTheStoreAsItIsNow()
    {
        open();
        m_dialog->close();
        m_store->write(QStringLiteral("Ogg"), QStringLiteral("Quality"), QStringLiteral("9"));
        m_dialog->show();
        QCOMPARE(control<QSlider>("sldQuality")->value(), 9);
        QCOMPARE(m_memory.Quality, qint16(9));
    }

    void textsShowWhole()
    {
        open();
        QCOMPARE(test::clippedControls(m_dialog.get()), QStringList());
    }
};

QTEST_MAIN(TestFrmOgg)
#include "tst_frmogg.moc"
