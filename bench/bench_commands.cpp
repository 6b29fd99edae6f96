// What a user waits for: whole sonquill-cli commands (process start, catalogue load, the run,
// catalogue and record save) beside the plain tools doing the same file work, in one run.
//
//   cmake --preset bench && cmake --build --preset bench -j2
//   build/bench/bin/bench_commands [--repetitions N] [--cli PATH] [--keep]
//
// Every case is timed as a whole process, our command and the plain one alternately, each after
// a sync, on folders made before the timing starts; the median of the repetitions counts. The
// files live in a temporary folder (TMPDIR), and each game folder has its own HOME,
// XDG_CACHE_HOME and XDG_CONFIG_HOME there, so the record of made files and the settings are
// never the user's. --cli times another build of sonquill-cli, an older one say.
//   copy, empty:   999 WAVs and MP3s of 20 to 60 kB into a game folder holding only its
//                  catalogue: `distribute --no-ogg` beside one `cp -t` process. The sources are
//                  named SOUND<n>.<ext> already, so a single cp gives the same names; cp makes
//                  no hidden temporary and keeps no record, so this is the fastest plain copy.
//                  Each repetition has new folders of its own, made before the first timing.
//   copy, over:    the same again over the existing targets: `distribute --no-ogg --force`
//                  beside `cp -f -t` writing over them.
//   nothing to do: `distribute --no-ogg` with every target up to date beside `make -r -j2` on a
//                  generated Makefile with one explicit rule per sound (target: source, recipe
//                  cp), all targets newer than their sources. -r spares make its built-in rules,
//                  which would otherwise look for RCS and SCCS files beside every source and
//                  make it some 30 times slower: the stronger peer is the one timed.
//   ogg:           24 WAVs of 4 seconds, made by sox, encoded at quality 3 by
//                  `distribute --ogg` beside `xargs -P<cores> -n1 oggenc` on a copy of them.
// The ratios are printed last.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include "WavHeader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kCopies = 999;
constexpr int kEncodings = 24;

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "bench_commands: %s\n", qPrintable(what));
    std::exit(1);
}

double now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// The environment of the parent with some variables replaced.
class Environment
{
public:
    Environment() = default;
    Environment(const QString &root)
    {
        QDir().mkpath(root + QStringLiteral("/home"));
        QDir().mkpath(root + QStringLiteral("/cache"));
        QDir().mkpath(root + QStringLiteral("/config"));
        set("HOME", root + QStringLiteral("/home"));
        set("XDG_CACHE_HOME", root + QStringLiteral("/cache"));
        set("XDG_CONFIG_HOME", root + QStringLiteral("/config"));
    }
    void set(const char *name, const QString &value) { m_values[name] = QFile::encodeName(value); }
    std::vector<QByteArray> entries() const
    {
        std::vector<QByteArray> result;
        for (char **entry = environ; *entry != nullptr; ++entry) {
            const QByteArray text(*entry);
            if (!m_values.contains(text.left(text.indexOf('='))))
                result.push_back(text);
        }
        for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
            result.push_back(it.key() + '=' + it.value());
        return result;
    }

private:
    QMap<QByteArray, QByteArray> m_values;
};

struct Command
{
    QStringList arguments; // the program first, looked for on the search path
    Environment environment;
    QString input; // standard input; /dev/null when empty
};

struct Times
{
    double wall = 0; // seconds from start to exit: what the user waits for
    double cpu = 0;  // user and system time of the process and the children it waited for
};

// Runs command and returns the time it took; the output goes to a log that is shown when it
// fails.
Times run(const Command &command, const QString &log)
{
    std::vector<QByteArray> arguments;
    for (const QString &argument : command.arguments)
        arguments.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> environment = command.environment.entries();
    std::vector<char *> envp;
    for (QByteArray &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const QByteArray logName = QFile::encodeName(log);
    const QByteArray inputName =
        command.input.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(command.input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inputName.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logName.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    const double start = now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        fail(QStringLiteral("%1 cannot be started: %2")
                 .arg(command.arguments.first(), QString::fromLocal8Bit(std::strerror(spawned))));
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const double seconds = now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QFile output(log);
        output.open(QIODevice::ReadOnly);
        fail(QStringLiteral("'%1' failed (status %2):\n%3")
                 .arg(command.arguments.join(u' ').left(300))
                 .arg(status)
                 .arg(QString::fromLocal8Bit(output.readAll().right(2000))));
    }
    const auto secondsOf = [](const timeval &time) {
        return double(time.tv_sec) + double(time.tv_usec) / 1e6;
    };
    return {seconds, secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime)};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        fail(QStringLiteral("%1 cannot be written").arg(path));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1 cannot be read").arg(path));
    return file.readAll();
}

// A 16-bit mono PCM WAV file of totalBytes bytes holding noise that differs from file to file.
QByteArray wavBytes(int totalBytes, quint32 seed)
{
    QByteArray out = wavHeader(totalBytes);
    out.reserve(totalBytes);
    quint32 state = seed * 2654435761u + 1;
    while (out.size() < totalBytes) {
        state = state * 1664525u + 1013904223u;
        out.append(char((state >> 16) & 0xFF));
        out.append(char((state >> 24) & 0x0F));
    }
    out.resize(totalBytes);
    return out;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

struct Case
{
    Case(const QString &caseName, double ratioTarget) : name(caseName), target(ratioTarget) {}
    QString name;
    double target = 0;
    QList<double> ours;
    QList<double> plain;
    QList<double> oursCpu;
    QList<double> plainCpu;
};

// Times ours and plain alternately, each after a sync; which of the two goes first changes from
// one repetition to the next. ours(i) and plain(i) prepare repetition i and give its command.
void measure(Case &result, int repetitions, const std::function<Command(int)> &ours,
             const std::function<Command(int)> &plain, const QString &log)
{
    std::fprintf(stderr, "%s (ms, ours/plain):", qPrintable(result.name));
    const auto runOne = [&](const std::function<Command(int)> &prepare, int repetition,
                            QList<double> &wall, QList<double> &cpu) {
        const Command command = prepare(repetition);
        sync();
        const Times times = run(command, log);
        wall << times.wall;
        cpu << times.cpu;
    };
    for (int i = 0; i < repetitions; ++i) {
        if (i % 2 == 0)
            runOne(ours, i, result.ours, result.oursCpu);
        runOne(plain, i, result.plain, result.plainCpu);
        if (i % 2 == 1)
            runOne(ours, i, result.ours, result.oursCpu);
        std::fprintf(stderr, " %.0f/%.0f", result.ours.last() * 1000, result.plain.last() * 1000);
    }
    std::fprintf(stderr, "\n");
}

void removeRecursively(const QString &path)
{
    if (QFileInfo::exists(path) && !QDir(path).removeRecursively())
        fail(QStringLiteral("%1 cannot be removed").arg(path));
}

// The folder copied file by file, outside any timing.
void copyFolder(const QString &from, const QString &to)
{
    removeRecursively(to);
    QDir().mkpath(to);
    const QStringList names = QDir(from).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (!QFile::copy(from + u'/' + name, to + u'/' + name))
            fail(QStringLiteral("%1 cannot be copied").arg(name));
    }
}

// Sound files made by sox, outside any timing.
void sox(const QStringList &arguments, const QString &log)
{
    run({QStringList{QStringLiteral("sox"), QStringLiteral("-n")} + arguments, {}, {}}, log);
}

// A game folder whose catalogue `sonquill-cli add` made from sources, a copy of it as it was
// then, and an environment of its own, so that its record of made files lives in its own cache.
struct Game
{
    Game(const QString &cli, const QString &path, const QStringList &sources, const QString &log)
        : folder(path), pristine(path + QStringLiteral(".pristine")),
          environment(path + QStringLiteral(".env")), cache(path + QStringLiteral(".env/cache"))
    {
        QDir().mkpath(folder);
        run({QStringList{cli, QStringLiteral("-g"), folder, QStringLiteral("add")} + sources,
             environment,
             {}},
            log);
        copyFolder(folder, pristine);
    }
    // Another game folder at path with the same catalogue, its first run still to come.
    Game(const Game &from, const QString &path)
        : folder(path), pristine(from.pristine), environment(path + QStringLiteral(".env")),
          cache(path + QStringLiteral(".env/cache"))
    {
        copyFolder(pristine, folder);
    }
    // Back to the catalogue alone, and no record: a first run.
    void restore() const
    {
        copyFolder(pristine, folder);
        removeRecursively(cache);
        QDir().mkpath(cache);
    }
    // Fails unless the folder holds count files matching pattern.
    void expect(const QString &pattern, int count) const
    {
        const qsizetype found =
            QDir(folder).entryList({pattern}, QDir::Files | QDir::CaseSensitive).size();
        if (found != count)
            fail(QStringLiteral("%1 holds %2 files %3, not %4")
                     .arg(folder)
                     .arg(found)
                     .arg(pattern)
                     .arg(count));
    }
    Command distribute(const QString &cli, const QStringList &options) const
    {
        return {QStringList{cli, QStringLiteral("-g"), folder, QStringLiteral("distribute")} +
                    options,
                environment,
                {}};
    }

    QString folder;
    QString pristine;
    Environment environment;
    QString cache;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    int repetitions = 7;
    QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/sonquill-cli");
    bool keep = false;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--repetitions") && i + 1 < arguments.size())
            repetitions = std::max(1, arguments[++i].toInt());
        else if (arguments[i] == QLatin1String("--cli") && i + 1 < arguments.size())
            cli = arguments[++i];
        else if (arguments[i] == QLatin1String("--keep"))
            keep = true;
        else
            fail(QStringLiteral("usage: bench_commands [--repetitions N] [--cli PATH] [--keep]"));
    }
    if (!QFileInfo(cli).isExecutable())
        fail(QStringLiteral("%1 is not an executable sonquill-cli").arg(cli));
    for (const char *tool : {"cp", "make", "xargs", "oggenc", "sox", "sync"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            fail(QStringLiteral("%1 is not on the search path").arg(QString::fromLatin1(tool)));
    }
    QTemporaryDir workspace(QDir::tempPath() + QStringLiteral("/bench_commands-XXXXXX"));
    workspace.setAutoRemove(!keep);
    const QString root = workspace.path();
    const QString log = root + QStringLiteral("/output.log");
    if (keep)
        std::fprintf(stderr, "files kept in %s\n", qPrintable(root));

    // The copy corpus: every other file a WAV of noise, the others an MP3 that sox made, at
    // sizes from 20 to 60 kB.
    const QString sfx = root + QStringLiteral("/sfx");
    QDir().mkpath(sfx);
    QList<QByteArray> mp3s;
    for (int seconds : {5, 8, 11, 14}) {
        const QString mp3 = root + QStringLiteral("/noise%1.mp3").arg(seconds);
        sox({QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-c"),
             QStringLiteral("1"), mp3, QStringLiteral("synth"), QString::number(seconds),
             QStringLiteral("pinknoise")},
            log);
        mp3s << readFile(mp3);
    }
    QStringList sources;
    for (int n = 1; n <= kCopies; ++n) {
        const bool wav = n % 2 == 1;
        const QString path =
            sfx + QStringLiteral("/SOUND%1.%2").arg(n).arg(wav ? QStringLiteral("wav") : "mp3");
        writeFile(path,
                  wav ? wavBytes(20000 + (n * 397) % 40000, quint32(n)) : mp3s.at(n % mp3s.size()));
        sources << path;
    }
    const Game game(cli, root + QStringLiteral("/game"), sources, log);

    Case empty(QStringLiteral("999 copies into an empty folder"), 1.3);
    Case over(QStringLiteral("999 copies over existing targets"), 1.3);
    Case upToDate(QStringLiteral("999 sounds, nothing to do"), 1.5);
    Case ogg(QStringLiteral("24 WAVs encoded to Ogg"), 1.15);

    // Each repetition copies into folders of its own, all made before any timing. Emptying one
    // folder between runs would time the file system instead: ext4 without a journal passes over
    // every inode freed in the last minute when it makes a file, so each run would pay for the
    // files the one before deleted, cp more when it follows us and we more when we follow it.
    std::vector<Game> firstRuns;
    QStringList plainFolders;
    for (int i = 0; i < repetitions; ++i) {
        firstRuns.emplace_back(game, root + QStringLiteral("/game-%1").arg(i));
        plainFolders << root + QStringLiteral("/plain-%1").arg(i);
        QDir().mkpath(plainFolders.last());
    }
    const auto cpInto = [&sources](const QString &folder) {
        return Command{
            QStringList{QStringLiteral("cp"), QStringLiteral("-f"), QStringLiteral("-t"), folder} +
                sources,
            {},
            {}};
    };
    measure(
        empty, repetitions,
        [&](int i) {
            return firstRuns[std::size_t(i)].distribute(cli, {QStringLiteral("--no-ogg")});
        },
        [&](int i) { return cpInto(plainFolders[i]); }, log);

    // The last repetition's folders, full now.
    const Game &made = firstRuns.back();
    const QString plain = plainFolders.last();
    const Command force =
        made.distribute(cli, {QStringLiteral("--no-ogg"), QStringLiteral("--force")});
    measure(
        over, repetitions, [&](int) { return force; }, [&](int) { return cpInto(plain); }, log);

    QString makefile = QStringLiteral(".PHONY: all\nall:");
    QString rules;
    for (const QString &source : std::as_const(sources)) {
        const QString target = plain + u'/' + QFileInfo(source).fileName();
        makefile += QStringLiteral(" \\\n ") + target;
        rules += target + QStringLiteral(": ") + source + QStringLiteral("\n\tcp $< $@\n");
    }
    writeFile(root + QStringLiteral("/Makefile"), (makefile + u'\n' + rules).toUtf8());
    const Command make{{QStringLiteral("make"), QStringLiteral("-r"), QStringLiteral("-j2"),
                        QStringLiteral("-f"), root + QStringLiteral("/Makefile")},
                       {},
                       {}};
    const Command distribute = made.distribute(cli, {QStringLiteral("--no-ogg")});
    measure(
        upToDate, repetitions, [&](int) { return distribute; }, [&](int) { return make; }, log);
    // What was timed really had nothing to do.
    run(distribute, log);
    if (!readFile(log).contains("999 sounds were already up to date."))
        fail(QStringLiteral("the second run was not up to date:\n") +
             QString::fromLocal8Bit(readFile(log).right(2000)));

    // The encoding corpus, with a copy of the WAVs for the plain encoders to write beside.
    const QString wavs = root + QStringLiteral("/wavs");
    const QString plainWavs = root + QStringLiteral("/plain-wavs");
    QDir().mkpath(wavs);
    QStringList wavSources;
    for (int n = 1; n <= kEncodings; ++n) {
        const QString path = wavs + QStringLiteral("/SOUND%1.wav").arg(n);
        sox({QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
             QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), path,
             QStringLiteral("synth"), QStringLiteral("4"), QStringLiteral("sine"),
             QString::number(200 + 20 * n), QStringLiteral("pinknoise"), QStringLiteral("vol"),
             QStringLiteral("0.5")},
            log);
        wavSources << path;
    }
    copyFolder(wavs, plainWavs);
    QStringList plainList;
    for (int n = 1; n <= kEncodings; ++n)
        plainList << plainWavs + QStringLiteral("/SOUND%1.wav").arg(n);
    writeFile(root + QStringLiteral("/wavs.list"), (plainList.join(u'\n') + u'\n').toUtf8());
    const Game oggGame(cli, root + QStringLiteral("/game-ogg"), wavSources, log);
    const QString cores = QString::number(QThread::idealThreadCount());
    const Command encode = oggGame.distribute(
        cli, {QStringLiteral("--ogg"), QStringLiteral("--quality"), QStringLiteral("3"),
              QStringLiteral("--min-size"), QStringLiteral("4")});
    const Command xargs{{QStringLiteral("xargs"), QStringLiteral("-P") + cores,
                         QStringLiteral("-n1"), QStringLiteral("oggenc"), QStringLiteral("-Q"),
                         QStringLiteral("-q3")},
                        {},
                        root + QStringLiteral("/wavs.list")};
    measure(
        ogg, std::max(3, repetitions / 2 + 1),
        [&](int) {
            oggGame.restore();
            return encode;
        },
        [&](int) {
            for (const QString &wav : std::as_const(plainList))
                QFile::remove(wav.chopped(4) + QStringLiteral(".ogg"));
            return xargs;
        },
        log);
    for (const Game &first : firstRuns)
        first.expect(QStringLiteral("SOUND*.*"), kCopies);
    oggGame.expect(QStringLiteral("SOUND*.ogg"), kEncodings);

    // Steadier than wall time on a busy machine, but blind to waiting for the disk.
    std::printf("\nProcessor time (user + system, children included), medians:\n");
    std::printf("%-34s %12s %12s %7s\n", "case", "sonquill ms", "plain ms", "ratio");
    for (const Case *c : {&empty, &over, &upToDate, &ogg}) {
        const double ours = median(c->oursCpu);
        const double plainTime = median(c->plainCpu);
        std::printf("%-34s %12.1f %12.1f %6.2fx\n", qPrintable(c->name), ours * 1000,
                    plainTime * 1000, plainTime > 0 ? ours / plainTime : 0);
    }
    std::printf("\nWall time, medians of %d runs (%d for Ogg); plain: cp -t, cp -f -t, "
                "make -r -j2, xargs -P%s oggenc:\n",
                repetitions, int(ogg.ours.size()), qPrintable(cores));
    std::printf("%-34s %12s %12s %7s %7s  %s\n", "case", "sonquill ms", "plain ms", "ratio",
                "target", "met");
    for (const Case *c : {&empty, &over, &upToDate, &ogg}) {
        const double ours = median(c->ours);
        const double plainTime = median(c->plain);
        const double ratio = plainTime > 0 ? ours / plainTime : 0;
        std::printf("%-34s %12.1f %12.1f %6.2fx %6.2fx  %s\n", qPrintable(c->name), ours * 1000,
                    plainTime * 1000, ratio, c->target, ratio <= c->target ? "yes" : "no");
    }
    return 0;
}
