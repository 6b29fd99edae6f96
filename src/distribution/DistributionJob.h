#pragma once

#include "Distribution.h"

#include <QFutureWatcher>
#include <QObject>

#include <atomic>
#include <memory>

namespace sonquill {

// A distribution run as a job off the caller's thread: it works on its own copy of the table,
// reports progress by signals (delivered on the thread that owns the job) and stops on request.
class DistributionJob : public QObject
{
    Q_OBJECT
public:
    explicit DistributionJob(ProcessRunner &runner, QObject *parent = nullptr);
    ~DistributionJob() override;

    // From start until finished has been emitted: a run that has ended but whose result is
    // not delivered yet still counts, so that no second run starts in between.
    bool isRunning() const { return m_busy; }
    // Starts a run; false (nothing started) while another runs.
    bool start(const SoundTable &table, const QString &gameFolder,
               const DistributionOptions &options);
    void cancel() { m_cancelled->store(true); }
    // Blocks until the run has ended (the caller is going away); finished still follows.
    void waitForFinished() { m_watcher.waitForFinished(); }
    // The last run's result, once it has ended.
    DistributionResult result() const { return m_watcher.result(); }

signals:
    void started(const QString &title, const QString &message, int soundCount);
    // A sound is done: its entry (1-based), how many are done, of how many.
    void soundDone(int tableIndex, int done, int total);
    void finished(const sonquill::DistributionResult &result);

private:
    ProcessRunner &m_runner;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QFutureWatcher<DistributionResult> m_watcher;
    bool m_busy = false;
};

} // namespace sonquill
