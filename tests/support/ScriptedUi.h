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
    MessageRequest::Button showMessage(const MessageRequest &request) override
    {
        messages.append(request);
        return messageAnswers.isEmpty() ? request.defaultButton : messageAnswers.dequeue();
    }
    void abortProgram() override { ++abortCount; }
    std::optional<QStringList> openFiles(const FileDialogRequest &request) override
    {
        fileRequests.append(request);
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
    }
    std::optional<QString> inputText(const QString &title, const QString &prompt,
                                     const QString &preset) override
    {
        inputRequests.append({title, prompt, preset});
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
    }

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
    int ShellExecute(const QString &path, const QString &verb) override
    {
        calls.append({path, verb});
        return answers.value(verb, 2);
    }
    bool startSystemInformation() override
    {
        ++systemInformationCalls;
        return systemInformationAvailable;
    }

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
                      bool showCount) override
    {
        calls.append(QStringLiteral("show|%1|%2|%3|%4")
                         .arg(title, message)
                         .arg(maximum)
                         .arg(showCount ? 1 : 0));
    }
    void AdvanceProgress(qint16 step) override
    {
        calls.append(QStringLiteral("advance|%1").arg(step));
    }
    void CloseProgress() override { calls.append(QStringLiteral("close")); }
    QStringList calls;
};

} // namespace sonquill::test
