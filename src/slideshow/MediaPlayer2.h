#pragma once
// CMediaPlayer2: the sound of a slide show, with the three operations the player and the
// editor's preview rely on: the file name (setting it to an existing file loads it and starts
// playback; an empty name stops and unloads), the play count (how many times the file plays; a
// looped show sound asks for 10000) and stop. Sounds play through Qt Multimedia to the
// desktop's audio output; without one they play to nowhere and the show runs silently.

#include <QObject>
#include <QString>

#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace tsl {

class CMediaPlayer2 : public QObject {
    Q_OBJECT
public:
    explicit CMediaPlayer2(QObject* parent = nullptr);
    ~CMediaPlayer2() override;

    QString GetFileName() const { return m_fileName; }
    void SetFileName(const QString& path);
    int GetPlayCount() const { return m_playCount; }
    void SetPlayCount(int count);
    void Stop();

    // For those who watch: whether the sound is playing now.
    bool IsPlaying() const;
    QMediaPlayer* Player() const { return m_player.get(); }

private:
    QString m_fileName;
    int m_playCount = 1;
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};

} // namespace tsl
