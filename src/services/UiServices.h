#pragma once

#include "services/MessageSink.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace sonquill {

// An open-file dialog as the window asks for it.
struct FileDialogRequest
{
    QString title;
    QString initialPath;       // folder + file name or pattern; the dialog opens in its folder
    QStringList nameFilters;   // "Description (*.A *.B)", the first preselected
    bool multiple = false;     // several files may be chosen
    bool fileMustExist = true; // false: any name inside an existing folder
};

// Modal dialogs: message boxes (MessageSink), the input box and file dialogs. The Qt
// implementation shows real dialogs; tests script the answers.
class UserInterface : public MessageSink
{
public:
    // Full paths of the chosen files, or nothing when the user cancelled.
    virtual std::optional<QStringList> openFiles(const FileDialogRequest &request) = 0;
    // The typed line, or nothing when the user cancelled.
    virtual std::optional<QString> inputText(const QString &title, const QString &prompt,
                                             const QString &preset) = 0;
};

// The desktop: handing a file to another application, starting helper programs.
class DesktopShell
{
public:
    virtual ~DesktopShell() = default;
    // Opens path with verb ("open", "Edit", "Record", "Modify" or "" for the default action).
    // Success is an answer of 32 or more, failure one below 32.
    virtual int ShellExecute(const QString &path, const QString &verb) = 0;
    // Starts the first system-information tool found; false when none could be started.
    virtual bool startSystemInformation() = 0;
};

// Plays one sound file at a time in the background.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &path) = 0;
    virtual void stop() = 0;
    // Called with a readable description when playing fails.
    std::function<void(const QString &)> onError;
};

} // namespace sonquill
