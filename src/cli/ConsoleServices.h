#pragma once

#include "catalogue/SoundTable.h"
#include "services/MessageSink.h"
#include "services/ProgressSink.h"

#include <QByteArray>
#include <QString>

namespace sonquill::cli {

// Writes text to stdout or stderr in the terminal's encoding, CR LF turned into newlines.
void printOut(const QString &text);
void printErr(const QString &text);
// Writes bytes to stdout as they are (JSON, UTF-8 whatever the terminal's encoding).
void printOutBytes(const QByteArray &bytes);
// Why a write to stdout failed (the first failure), empty while every write succeeded.
QString StandardOutputError();

// Dialogs of the core as text on stderr: the title line, then the text. Every question is
// answered with its default button, the error report with Ignore.
class ConsoleMessages : public MessageSink
{
public:
    MessageRequest::Button showMessage(const MessageRequest &request) override;
    // One line: the error number, the description and what was being done.
    MessageRequest::Button showErrorReport(const MessageRequest &request, const FileError &error,
                                           const QString &context) override;
    [[noreturn]] void abortProgram() override;
};

// The progress window as "[i/N] name" lines on stderr, one per finished sound; silent when
// disabled (stderr is not a terminal).
class ConsoleProgress : public ProgressSink
{
public:
    ConsoleProgress(const SoundTable &table, bool enabled) : m_table(table), m_enabled(enabled) {}

    void ShowProgress(const QString &title, const QString &message, qint16 maximum,
                      bool showCount) override;
    void soundFinished(int tableIndex) override { m_finished = tableIndex; }
    void AdvanceProgress(qint16 step) override;
    void CloseProgress() override;

private:
    const SoundTable &m_table;
    const bool m_enabled;
    bool m_visible = false;
    int m_value = 0;
    int m_maximum = 0;
    int m_finished = 0; // the sound the next step is for
};

} // namespace sonquill::cli
