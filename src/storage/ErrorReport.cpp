#include "ErrorReport.h"

#include "catalogue/TextFormats.h"

namespace sonquill {

QString ErrorReportText(const FileError &error, const QString &context)
{
    QString text = QStringLiteral("Error ") + QString::number(error.number) +
                   QStringLiteral(": '") + error.description + QStringLiteral("'.") + kCrLf;
    if (!context.isEmpty())
        text += QStringLiteral("Raised while ") + context + kCrLf;
    text += kCrLf;
    text += QStringLiteral("Press Ignore to continue.") + kCrLf;
    text += QStringLiteral(
                "If you press Abort, the program will end and you will lose any unsaved data.") +
            kCrLf;
    text += QStringLiteral("If this error occurs again, try reinstalling Sonquill.") + kCrLf;
    return text;
}

MessageRequest ErrorReportRequest(const FileError &error, const QString &context)
{
    MessageRequest request;
    request.title = QStringLiteral("Error!");
    request.text = ErrorReportText(error, context);
    request.buttons = {MessageRequest::Button::Abort, MessageRequest::Button::Retry,
                       MessageRequest::Button::Ignore};
    request.defaultButton = MessageRequest::Button::Ignore;
    request.icon = MessageRequest::Icon::Critical;
    return request;
}

MessageRequest::Button ReportError(MessageSink &sink, FileError &error, const QString &context)
{
    if (!error)
        return MessageRequest::Button::Ignore;
    const MessageRequest request = ErrorReportRequest(error, context);
    const FileError reported = error;
    error = FileError{};
    // Retry does what Ignore does: the failed operation is not attempted again.
    const MessageRequest::Button answer = sink.showErrorReport(request, reported, context);
    if (answer == MessageRequest::Button::Abort)
        sink.abortProgram();
    return answer;
}

} // namespace sonquill
