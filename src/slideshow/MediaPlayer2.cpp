#include "slideshow/MediaPlayer2.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace tsl {

CMediaPlayer2::CMediaPlayer2(QObject* parent) : QObject(parent) {}

CMediaPlayer2::~CMediaPlayer2() {
    if (m_player) m_player->stop();
}

void CMediaPlayer2::SetFileName(const QString& path) {
    m_fileName = path;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        // Nothing to play: what played stops; a missing file stays silent.
        if (m_player) {
            m_player->stop();
            m_player->setSource(QUrl());
        }
        return;
    }
    // The player and its output are made on first use: a show without sound never opens the
    // audio device.
    if (!m_player) {
        m_output = std::make_unique<QAudioOutput>();
        m_player = std::make_unique<QMediaPlayer>();
        m_player->setAudioOutput(m_output.get());
    }
    m_player->setLoops(m_playCount);
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_player->play();
}

void CMediaPlayer2::SetPlayCount(int count) {
    m_playCount = count < 1 ? 1 : count;
    if (m_player) m_player->setLoops(m_playCount);
}

void CMediaPlayer2::Stop() {
    if (m_player) m_player->stop();
}

bool CMediaPlayer2::IsPlaying() const {
    return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
}

} // namespace tsl
