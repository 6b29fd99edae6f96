#pragma once

#include "services/UiServices.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace sonquill {

class ProcessRunner;
class ProgressSink;
class SettingsStore;

// Everything the main window needs from outside: the user, the desktop, the settings, the
// encoder starter, the progress window and a media player.
struct MainWindowServices
{
    UserInterface &ui;
    DesktopShell &shell;
    SettingsStore &settings;
    ProcessRunner &runner;
    ProgressSink &progress;
    std::function<std::unique_ptr<SoundPlayer>()> makePlayer;
    QString programFolder;
    int encoderTimeoutMs = 60000;
};

// Asks the user through ui; the answer is the button chosen.
inline MessageRequest::Button askUser(UserInterface &ui, const QString &title, const QString &text,
                                      QList<MessageRequest::Button> buttons,
                                      MessageRequest::Button defaultButton,
                                      MessageRequest::Icon icon = MessageRequest::Icon::None)
{
    MessageRequest request;
    request.title = title;
    request.text = text;
    request.buttons = std::move(buttons);
    request.defaultButton = defaultButton;
    request.icon = icon;
    return ui.showMessage(request);
}

// Tells the user something that only needs an OK.
inline void tellUser(UserInterface &ui, const QString &title, const QString &text,
                     MessageRequest::Icon icon = MessageRequest::Icon::None)
{
    askUser(ui, title, text, {MessageRequest::Button::Ok}, MessageRequest::Button::Ok, icon);
}

} // namespace sonquill
