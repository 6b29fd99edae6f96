#include "DistributionJob.h"

#include <QtConcurrent/QtConcurrentRun>

namespace sonquill {

namespace {

// The run's progress, turned into the job's signals; called on the run's thread only.
class SignallingProgress : public ProgressSink
{
public:
    explicit SignallingProgress(DistributionJob &job) : m_job(job) {}

    void ShowProgress(const QString &title, const QString &message, qint16 maximum, bool) override
    {
        m_total = maximum;
        emit m_job.started(title, message, maximum);
    }
    void soundFinished(int tableIndex) override { m_lastIndex = tableIndex; }
    void AdvanceProgress(qint16 step) override
    {
        m_done += step;
        emit m_job.soundDone(m_lastIndex, m_done, m_total);
    }
    void CloseProgress() override {}

private:
    DistributionJob &m_job;
    int m_total = 0;
    int m_done = 0;
    int m_lastIndex = 0;
};

} // namespace

DistributionJob::DistributionJob(ProcessRunner &runner, QObject *parent)
    : QObject(parent), m_runner(runner), m_cancelled(std::make_shared<std::atomic<bool>>(false))
{
    connect(&m_watcher, &QFutureWatcher<DistributionResult>::finished, this, [this] {
        m_busy = false;
        emit finished(m_watcher.result());
    });
}

DistributionJob::~DistributionJob()
{
    cancel();
    m_watcher.waitForFinished();
}

bool DistributionJob::start(const SoundTable &table, const QString &gameFolder,
                            const DistributionOptions &options)
{
    if (isRunning())
        return false;
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_busy = true;
    // The run keeps its own copies: the window may change while it works.
    m_watcher.setFuture(
        QtConcurrent::run([this, table, gameFolder, options, cancelled = m_cancelled] {
            SignallingProgress progress(*this);
            return Distribute(table, gameFolder, options,
                              DistributionServices{progress, m_runner,
                                                   [cancelled] { return cancelled->load(); }});
        }));
    return true;
}

} // namespace sonquill
