#include "AlarmSound.h"

AlarmSound::AlarmSound(QObject *parent)
    : QObject(parent), m_player(new QMediaPlayer(this, QMediaPlayer::Flags()))
{
    m_player->setMedia(QUrl(QStringLiteral("qrc:///critical.mp3")));
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &AlarmSound::statusChanged);
}

void AlarmSound::play()
{
    if (m_playing)
        return;
    m_player->play();
    m_playing = true;
}

void AlarmSound::stop()
{
    m_playing = false;
    m_player->stop();
}

void AlarmSound::statusChanged(QMediaPlayer::MediaStatus status)
{
    if (status == QMediaPlayer::EndOfMedia) {
        m_player->stop();
        m_player->play();
    }
}
