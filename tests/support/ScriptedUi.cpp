#include "ScriptedUi.h"

namespace sonquill::test {

MessageRequest::Button ScriptedUi::showMessage(const MessageRequest &request)
{
    messages.append(request);
    if (!messageAnswers.isEmpty())
        return messageAnswers.dequeue();
    return request.defaultButton;
}

std::optional<QStringList> ScriptedUi::openFiles(const FileDialogRequest &request)
{
    fileRequests.append(request);
    if (fileAnswers.isEmpty())
        return std::nullopt;
    return fileAnswers.dequeue();
}

std::optional<QString> ScriptedUi::inputText(const QString &title, const QString &prompt,
                                             const QString &preset)
{
    inputRequests.append({title, prompt, preset});
    if (inputAnswers.isEmpty())
        return std::nullopt;
    return inputAnswers.dequeue();
}

int ScriptedShell::ShellExecute(const QString &path, const QString &verb)
{
    calls.append({path, verb});
    return answers.value(verb, 2);
}

bool ScriptedShell::startSystemInformation()
{
    ++systemInformationCalls;
    return systemInformationAvailable;
}

void RecordingProgress::ShowProgress(const QString &title, const QString &message, qint16 maximum,
                                     bool showCount)
{
    calls.append(
        QStringLiteral("show|%1|%2|%3|%4").arg(title, message).arg(maximum).arg(showCount ? 1 : 0));
}

void RecordingProgress::AdvanceProgress(qint16 step)
{
    calls.append(QStringLiteral("advance|%1").arg(step));
}

void RecordingProgress::CloseProgress()
{
    calls.append(QStringLiteral("close"));
}

} // namespace sonquill::test
