#pragma once

#include <QMediaPlayer>
#include <QObject>

// The looping alarm sound: started once, played again at each end until it
// is stopped.
class AlarmSound : public QObject
{
    Q_OBJECT
public:
    explicit AlarmSound(QObject *parent = nullptr);

    void play();
    void stop();
    bool isPlaying() const { return m_playing; }

private:
    void statusChanged(QMediaPlayer::MediaStatus status);

    QMediaPlayer *m_player = nullptr;
    bool m_playing = false;
};
