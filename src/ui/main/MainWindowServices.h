#pragma once

#include "services/UiServices.h"

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

} // namespace sonquill
