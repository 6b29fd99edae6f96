#pragma once

#include <QString>

namespace sonquill {

// The progress window as the distribution run sees it.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void ShowProgress(const QString &title, const QString &message, qint16 maximum,
                              bool showCount) = 0;
    // Names the sound (1-based table index) whose step follows; sounds may finish in any order.
    virtual void soundFinished(int tableIndex) { Q_UNUSED(tableIndex); }
    virtual void AdvanceProgress(qint16 step) = 0;
    virtual void CloseProgress() = 0;
    // Called now and then while an encoder runs. Does nothing here.
    virtual void keepAlive() {}
    // Names what is being done now, e.g. the sound and "12 of 60".
    virtual void showCurrent(const QString &text) { Q_UNUSED(text); }
    // True once the user asked to stop the run (a Cancel button). Asked on the calling thread.
    virtual bool cancelRequested() { return false; }
};

} // namespace sonquill
