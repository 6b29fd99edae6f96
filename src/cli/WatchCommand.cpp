#include "WatchCommand.h"

#include "ConsoleServices.h"
#include "Interrupts.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "distribution/InputWatcher.h"
#include "distribution/SystemProcessRunner.h"
#include "storage/SoundInfoFile.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTime>
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace sonquill::cli {

namespace {

// How often a signal is looked for, and how soon a run tries again for a folder in use.
constexpr int kSignalPollMs = 100;
constexpr int kLockRetryMs = 250;

class Watch
{
public:
    Watch(CatalogueSession &session, const QString &folder, const DistributionOptions &options,
          bool json, bool quiet, MessageSink &messages)
        : m_session(session), m_folder(folder), m_catalogue(SoundInfoPath(folder)),
          m_options(options), m_json(json), m_quiet(quiet), m_messages(messages)
    {}

    int exec();

private:
    QStringList inputs() const;
    // A run with the lock held and the catalogue loaded; false when it was interrupted.
    bool run(bool first);
    void runAgain();
    void changed(const QStringList &present, const QStringList &gone);
    void print(QJsonObject json, const QString &text);
    void skipped(const QString &reason);

    CatalogueSession &m_session;
    const QString m_folder;
    const QString m_catalogue;
    DistributionOptions m_options;
    const bool m_json;
    const bool m_quiet;
    MessageSink &m_messages;
    SystemProcessRunner m_runner;
    InputWatcher m_inputs;
    QEventLoop m_loop;
    QTimer m_lockRetry;
    bool m_waitingSaid = false;
};

QStringList Watch::inputs() const
{
    QStringList files{m_catalogue};
    for (const SoundRecord &record : m_session.table().records())
        files << record.filename;
    return files;
}

void Watch::print(QJsonObject json, const QString &text)
{
    if (m_json) {
        printOutBytes(QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n');
    } else {
        printOut(QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + text +
                 QLatin1Char('\n'));
    }
}

void Watch::skipped(const QString &reason)
{
    print({{QStringLiteral("schema"), 1},
           {QStringLiteral("command"), QStringLiteral("distribute --watch")},
           {QStringLiteral("event"), QStringLiteral("skipped")},
           {QStringLiteral("reason"), reason}},
          QStringLiteral("not distributed: ") + reason);
}

bool Watch::run(bool first)
{
    const SoundTable &table = m_session.table();
    ConsoleProgress progress(table, first && !m_quiet && isatty(fileno(stderr)) != 0);
    const DistributionResult result = Distribute(
        table, m_folder, m_options, DistributionServices{progress, m_runner, InterruptRequested});
    // Only the first run is the distribution asked for; later ones make what changed, and a
    // forced remake of everything on each save would defeat the watch.
    m_options.force = false;
    bool saveFailed = false;
    if (first) {
        if (result.encoderMissing) {
            MessageRequest notFound;
            notFound.title = EncoderNotFoundTitle();
            notFound.text = EncoderNotFoundText();
            m_messages.showMessage(notFound);
        }
        if (!result.cancelled) {
            saveFailed = bool(m_session.save(m_folder));
            if (saveFailed)
                printErr(QStringLiteral("sonquill-cli: the catalogue '%1' could not be saved\n")
                             .arg(m_catalogue));
            // The save is this program's own change, not the author's.
            m_inputs.acceptCurrent({m_catalogue});
        }
    }
    // Released before the line is printed: whoever reads it may use the folder at once.
    m_session.unlockFolder();
    QJsonObject json = DistributionResultJson(result);
    json.insert(QStringLiteral("event"), QStringLiteral("run"));
    json.insert(QStringLiteral("saveFailed"), saveFailed);
    QString text = DistributionResultLine(result, table);
    if (saveFailed)
        text += QStringLiteral("; the catalogue could not be saved");
    print(json, text);
    return !result.cancelled;
}

void Watch::runAgain()
{
    if (const FileError busy = m_session.lockFolder(m_folder, 0)) {
        if (!m_waitingSaid && !m_quiet)
            printErr(QStringLiteral("sonquill-cli: %1; waiting\n").arg(busy.description));
        m_waitingSaid = true;
        m_lockRetry.start();
        return;
    }
    m_waitingSaid = false;
    // Another sonquill-cli or the window saved the catalogue: that one is distributed now.
    if (m_session.changedOnDisk(m_folder) && m_session.load(m_folder)) {
        m_session.unlockFolder();
        return skipped(QStringLiteral("the catalogue '%1' cannot be read").arg(m_catalogue));
    }
    // The sources of a catalogue read anew are watched from before the run reads them, so that
    // a save while it works is not missed.
    m_inputs.watch(inputs());
    m_options.catalogueWhole = m_session.isWholeCatalogueOf(m_folder);
    if (!m_options.catalogueWhole && m_session.table().isEmpty()) {
        m_session.unlockFolder();
        return skipped(QStringLiteral("the catalogue '%1' is missing or could not be read whole")
                           .arg(m_catalogue));
    }
    if (!run(false))
        m_loop.quit();
}

void Watch::changed(const QStringList &present, const QStringList &gone)
{
    for (const QString &path : gone) {
        QJsonArray numbers;
        QStringList texts;
        for (const SoundRecord &record : m_session.table().records()) {
            if (record.filename == path) {
                numbers.append(record.number);
                texts << QStringLiteral("#%1").arg(record.number);
            }
        }
        const QString text =
            path == m_catalogue
                ? QStringLiteral("missing: the catalogue %1; nothing is distributed until it is "
                                 "back")
                      .arg(path)
                : QStringLiteral("missing: %1 (%2); its files stay until it is back")
                      .arg(path, texts.join(QStringLiteral(", ")));
        print({{QStringLiteral("schema"), 1},
               {QStringLiteral("command"), QStringLiteral("distribute --watch")},
               {QStringLiteral("event"), QStringLiteral("missing")},
               {QStringLiteral("path"), path},
               {QStringLiteral("numbers"), numbers}},
              text);
    }
    // A file that went away changes nothing in the game folder: its sound keeps what it has.
    if (!present.isEmpty() && !m_lockRetry.isActive())
        runAgain();
}

int Watch::exec()
{
    InstallInterruptHandlers();
    m_lockRetry.setSingleShot(true);
    m_lockRetry.setInterval(kLockRetryMs);
    QObject::connect(&m_lockRetry, &QTimer::timeout, [this] { runAgain(); });
    // Watched from before the first run, so that a save during it is not missed.
    m_inputs.watch(inputs());
    m_options.catalogueWhole = m_session.isWholeCatalogueOf(m_folder);
    if (!run(true))
        return InterruptExitCode();
    if (!m_quiet)
        printErr(QStringLiteral("sonquill-cli: watching the catalogue and %1 source files; "
                                "Ctrl-C ends\n")
                     .arg(m_inputs.watchedFiles().size() - 1));
    QObject::connect(
        &m_inputs, &InputWatcher::changed,
        [this](const QStringList &present, const QStringList &gone) { changed(present, gone); });
    // The signal handlers only raise a flag; the loop looks at it.
    QTimer signalPoll;
    QObject::connect(&signalPoll, &QTimer::timeout, [this] {
        if (InterruptRequested())
            m_loop.quit();
    });
    signalPoll.start(kSignalPollMs);
    m_loop.exec();
    return InterruptExitCode();
}

} // namespace

int RunDistributeWatch(CatalogueSession &session, const QString &folder,
                       const DistributionOptions &options, bool json, bool quiet,
                       MessageSink &messages)
{
    return Watch(session, folder, options, json, quiet, messages).exec();
}

} // namespace sonquill::cli
