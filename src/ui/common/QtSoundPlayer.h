#pragma once

#include "services/UiServices.h"

#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace sonquill {

// Plays sounds through one media player and the default audio output. Needs a running
// QCoreApplication; failures go to onError, never to a dialog.
class QtSoundPlayer : public SoundPlayer
{
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer &) = delete;
    QtSoundPlayer &operator=(const QtSoundPlayer &) = delete;

    void play(const QString &path) override;
    void stop() override;

private:
    void reportError(const QString &description);

    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
    QString m_path;
    bool m_errorReported = false;
};

} // namespace sonquill
