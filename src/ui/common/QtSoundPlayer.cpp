#include "ui/common/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QDir>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace sonquill {

QtSoundPlayer::QtSoundPlayer()
    : m_output(std::make_unique<QAudioOutput>()), m_player(std::make_unique<QMediaPlayer>())
{
    m_player->setAudioOutput(m_output.get());
    QObject::connect(
        m_player.get(), &QMediaPlayer::errorOccurred, m_player.get(),
        [this](QMediaPlayer::Error, const QString &errorString) { reportError(errorString); });
}

QtSoundPlayer::~QtSoundPlayer()
{
    m_player->stop();
}

void QtSoundPlayer::play(const QString &path)
{
    m_path = path;
    m_errorReported = false;
    if (!m_player->isAvailable()) {
        reportError(QStringLiteral("no sound playback is available on this system."));
        return;
    }
    // Without an output device the player stays silent without an error of its own; it still
    // gets the file, in case the backend finds another way to the speakers.
    if (QMediaDevices::audioOutputs().isEmpty() && onError)
        onError(QStringLiteral("Cannot play %1: no sound output device is available.")
                    .arg(QDir::toNativeSeparators(path)));
    m_player->setSource(QUrl::fromLocalFile(path));
    m_player->play();
}

void QtSoundPlayer::stop()
{
    m_player->stop();
}

// A failing file may raise several errors in a row; the user hears about the first.
void QtSoundPlayer::reportError(const QString &description)
{
    if (m_errorReported)
        return;
    m_errorReported = true;
    if (onError) {
        const QString reason =
            description.isEmpty() ? QStringLiteral("the file cannot be played.") : description;
        onError(QStringLiteral("Cannot play %1: %2").arg(QDir::toNativeSeparators(m_path), reason));
    }
}

} // namespace sonquill
