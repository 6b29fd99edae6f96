#include "ConsoleServices.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sonquill::cli {

namespace {

QString outputError; // why the first failed write to stdout failed

bool writeAll(std::FILE *stream, const QByteArray &bytes)
{
    const std::size_t written =
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    return std::fflush(stream) == 0 && written == std::size_t(bytes.size());
}

QByteArray terminalText(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines.toLocal8Bit();
}

} // namespace

void printOutBytes(const QByteArray &bytes)
{
    errno = 0;
    if (!writeAll(stdout, bytes) && outputError.isEmpty())
        outputError = QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
}

void printOut(const QString &text)
{
    printOutBytes(terminalText(text));
}

void printErr(const QString &text)
{
    // Nowhere left to tell of a failure here.
    writeAll(stderr, terminalText(text));
}

QString StandardOutputError()
{
    return outputError;
}

MessageRequest::Button ConsoleMessages::showMessage(const MessageRequest &request)
{
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    printErr(QStringLiteral("sonquill-cli: ") + request.title + QStringLiteral(": ") +
             text.trimmed() + QLatin1Char('\n'));
    // Nobody can answer here: the error report goes on as after Ignore, anything else takes
    // its default.
    if (request.buttons.contains(MessageRequest::Button::Ignore))
        return MessageRequest::Button::Ignore;
    return request.defaultButton;
}

MessageRequest::Button ConsoleMessages::showErrorReport(const MessageRequest &request,
                                                        const FileError &error,
                                                        const QString &context)
{
    Q_UNUSED(request);
    QString line =
        QStringLiteral("sonquill-cli: error %1: %2").arg(error.number).arg(error.description);
    if (!context.isEmpty())
        line += QStringLiteral(" (while ") + context.at(0).toLower() + context.mid(1) +
                QLatin1Char(')');
    printErr(line + QLatin1Char('\n'));
    // Nobody can answer here: the work goes on as after Ignore.
    return MessageRequest::Button::Ignore;
}

void ConsoleMessages::abortProgram()
{
    std::_Exit(EXIT_FAILURE);
}

void ConsoleProgress::ShowProgress(const QString &title, const QString &message, qint16 maximum,
                                   bool showCount)
{
    Q_UNUSED(title);
    Q_UNUSED(showCount);
    m_visible = true;
    m_value = 0;
    m_maximum = maximum;
    if (m_enabled)
        printErr(message + QLatin1Char('\n'));
}

void ConsoleProgress::AdvanceProgress(qint16 step)
{
    if (!m_visible || !m_enabled)
        return;
    const int value = m_value + step;
    // As the progress bar does: a value past the maximum is refused.
    if (value < 0 || value > m_maximum)
        return;
    m_value = value;
    const QString name = m_table.isValidIndex(m_finished) ? m_table.at(m_finished).name : QString();
    printErr(QStringLiteral("[%1/%2] %3\n").arg(m_value).arg(m_maximum).arg(name));
}

void ConsoleProgress::CloseProgress()
{
    m_visible = false;
}

} // namespace sonquill::cli
