#pragma once

#include "FileError.h"

#include <QList>
#include <QString>

namespace sonquill {

// A modal question or notice, described exactly as the user sees it.
struct MessageRequest
{
    // Replace and Reload are the answers to a catalogue another program changed.
    enum class Button { Ok, Cancel, Yes, No, Abort, Retry, Ignore, Replace, Reload };
    enum class Icon { None, Critical, Exclamation, Question, Information };

    QString title;
    QString text;
    QList<Button> buttons{Button::Ok};
    Button defaultButton = Button::Ok;
    Icon icon = Icon::None;
};

// How the core talks to the user. The window shows message boxes; the command-line tool
// prints; tests script the answers.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    // Shows the message and returns the button the user chose.
    virtual MessageRequest::Button showMessage(const MessageRequest &request) = 0;
    // Shows the error report (request) for error, raised while doing context. A window shows
    // the request; a console may say the same in one line.
    virtual MessageRequest::Button showErrorReport(const MessageRequest &request,
                                                   const FileError &error, const QString &context)
    {
        Q_UNUSED(error);
        Q_UNUSED(context);
        return showMessage(request);
    }
    // Ends the program at once, without any close handling (Abort in the error report).
    // A test implementation records the call and returns.
    virtual void abortProgram() = 0;
};

} // namespace sonquill
