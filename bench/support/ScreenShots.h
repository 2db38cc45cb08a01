#pragma once

#include <QString>

// Saves the whole screen into a folder under a name, after the event loop
// has had time to paint; for the programs that walk a window through its
// states under Xvfb.
class ScreenShots
{
public:
    explicit ScreenShots(const QString &folder);

    // Runs the event loop for ms milliseconds.
    static void pause(int ms);
    // Pauses settle ms, then saves "<folder>/<name>.png" and prints the name.
    void take(const QString &name, int settle = 250) const;
    QString path(const QString &name) const;

private:
    QString m_folder;
};
