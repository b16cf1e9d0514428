#pragma once
// CoverPane: a small picture in the status bar, the cover of the song that
// is playing; empty (and hidden) when it has none.

#include <QLabel>
#include <string>

class CoverPane : public QLabel {
    Q_OBJECT
public:
    static constexpr int kSide = 40;
    explicit CoverPane(QWidget* parent = nullptr);

    // Shows the cover of path (empty: none). The pictures of a local song
    // are read again only when the song changes or reread is set (its tags
    // were written); web addresses are not downloaded for it.
    void ShowSong(const std::string& path, bool reread = false);
    const std::string& Song() const { return song_; }
    bool HasCover() const { return !pixmap().isNull(); }

private:
    std::string song_;
};
