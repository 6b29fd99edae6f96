#pragma once

#include "services/FileError.h"
#include "services/MessageSink.h"

#include <QString>

namespace sonquill {

// The text of the error report, lines ended by CR LF; the context line only when given.
QString ErrorReportText(const FileError &error, const QString &context);
// The error report's message box: title "Error!", Abort/Retry/Ignore, critical icon, Ignore
// default.
MessageRequest ErrorReportRequest(const FileError &error, const QString &context);

// When error is pending, shows the report and clears the error. Abort ends the program through
// the sink. Returns the button chosen, or Ignore when nothing was pending.
MessageRequest::Button ReportError(MessageSink &sink, FileError &error, const QString &context);

} // namespace sonquill
