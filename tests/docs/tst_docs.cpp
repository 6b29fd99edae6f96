// The help page and the manual pages against the programs: every menu entry, shortcut and
// command-line option that exists is described in both documents a user may read.

#include "../ui/main/MainWindowHarness.h"

#include <QAction>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTextDocumentFragment>

using namespace sonquill;
using namespace sonquill::test;

namespace {

QString sourceFile(const QString &relative)
{
    return QString::fromUtf8(readFile(QStringLiteral(SONQUILL_SOURCE_DIR "/") + relative));
}

// The help page as its reader sees it: text without markup or entities.
QString helpPageText()
{
    return QTextDocumentFragment::fromHtml(sourceFile("resources/SonquillHelp.html")).toPlainText();
}

// A manual page's source with its escapes for dashes and quotes undone.
QString manualText(const QString &name)
{
    return sourceFile("dist/unix/" + name)
        .replace(QStringLiteral("\\-"), QStringLiteral("-"))
        .replace(QStringLiteral("\\(dq"), QStringLiteral("\""))
        .replace(QStringLiteral("\\&"), QString());
}

// The terms the document does not hold, joined by commas.
QString missingFrom(const QString &document, const QStringList &terms)
{
    QStringList missing;
    for (const QString &term : terms) {
        if (!document.contains(term))
            missing << term;
    }
    return missing.join(", ");
}

} // namespace

class DocsTest : public QObject
{
    Q_OBJECT
private slots:
    void everyMenuEntryAndKey()
    {
        MainWindowHarness h;
        MainWindow &window = h.open();
        QStringList terms;
        for (QAction *menu : window.menuBar()->actions()) {
            for (QAction *entry : menu->menu()->actions()) {
                if (entry->isSeparator())
                    continue;
                terms << entry->text().remove(QLatin1Char('&'));
                if (!entry->shortcut().isEmpty())
                    terms << entry->shortcut().toString();
            }
        }
        terms += QStringList{"F2", "Enter", "Esc", "Delete", "Reload", "Keep Mine"};
        QVERIFY(terms.size() > 25);
        QCOMPARE(missingFrom(helpPageText(), terms), QString());
        QCOMPARE(missingFrom(manualText("sonquill.1"), terms), QString());
    }

    void everyCommandLineOption()
    {
        QProcess cli;
        cli.start(qEnvironmentVariable("SONQUILL_BIN_DIR") + "/sonquill-cli", {"--help"});
        QVERIFY(cli.waitForFinished(30000));
        const QString help = QString::fromUtf8(cli.readAllStandardOutput());
        QStringList terms;
        static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]+"));
        for (const QRegularExpressionMatch &match : option.globalMatch(help))
            terms << match.captured();
        static const QRegularExpression command(QStringLiteral("^  ([a-z]+) "),
                                                QRegularExpression::MultilineOption);
        const QString commands =
            help.section(QStringLiteral("Commands"), 1).section(QStringLiteral("Exit codes"), 0, 0);
        for (const QRegularExpressionMatch &match : command.globalMatch(commands))
            terms << match.captured(1);
        terms.removeDuplicates();
        QVERIFY2(terms.contains("--dry-run") && terms.contains("renumber"),
                 qPrintable(terms.join(' ')));
        terms += QStringList{"-g", "129", "130", "143", "SONQUILL_LOCK_WAIT"};
        QCOMPARE(missingFrom(manualText("sonquill-cli.1"), terms), QString());
        QCOMPARE(missingFrom(helpPageText(), terms), QString());
    }
};

QTEST_MAIN(DocsTest)
#include "tst_docs.moc"
