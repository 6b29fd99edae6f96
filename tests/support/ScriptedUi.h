#pragma once

#include "services/ProgressSink.h"
#include "services/UiServices.h"

#include <QList>
#include <QMap>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <optional>

namespace sonquill::test {

// Answers dialogs from queues the test fills, and records every request it was shown.
// A message without a queued answer is answered with its default button.
class ScriptedUi : public UserInterface
{
public:
    MessageRequest::Button showMessage(const MessageRequest &request) override;
    void abortProgram() override { ++abortCount; }
    std::optional<QStringList> openFiles(const FileDialogRequest &request) override;
    std::optional<QString> inputText(const QString &title, const QString &prompt,
                                     const QString &preset) override;

    QQueue<MessageRequest::Button> messageAnswers;
    QQueue<std::optional<QStringList>> fileAnswers; // empty queue: cancel
    QQueue<std::optional<QString>> inputAnswers;    // empty queue: cancel

    QList<MessageRequest> messages;
    QList<FileDialogRequest> fileRequests;
    struct InputRequest
    {
        QString title, prompt, preset;
    };
    QList<InputRequest> inputRequests;
    int abortCount = 0;
};

// Records shell requests; answers per verb from a map (missing verb: failure, 2).
class ScriptedShell : public DesktopShell
{
public:
    int ShellExecute(const QString &path, const QString &verb) override;
    bool startSystemInformation() override;

    QMap<QString, int> answers;
    bool systemInformationAvailable = false;
    struct Call
    {
        QString path, verb;
    };
    QList<Call> calls;
    int systemInformationCalls = 0;
};

// Records what it was asked to play.
class FakePlayer : public SoundPlayer
{
public:
    void play(const QString &path) override { played.append(path); }
    void stop() override { ++stops; }
    QStringList played;
    int stops = 0;
};

// Records the progress calls of a run as readable lines ("show|title|message|max|count",
// "advance|1", "close").
class RecordingProgress : public ProgressSink
{
public:
    void ShowProgress(const QString &title, const QString &message, qint16 maximum,
                      bool showCount) override;
    void AdvanceProgress(qint16 step) override;
    void CloseProgress() override;
    QStringList calls;
};

} // namespace sonquill::test
