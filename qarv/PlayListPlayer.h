#pragma once
// The play list as the player control sees it.

#include "qarv/PlayerList.h"
#include "songcore/views/PlayList.h"

class PlayListPlayer : public PlayerList {
public:
    explicit PlayListPlayer(CPlayList& list) : list_(list) {}
    int GetItemCount() const override { return list_.GetItemCount(); }
    int GetPlayerCurrentIndex() const override { return list_.GetPlayerCurrentIndex(); }
    void SetPlayerCurrentIndex(int index) override { list_.SetPlayerCurrentIndex(index); }
    std::string GetPlayerNextSong() override { return list_.GetPlayerNextSong(); }
    std::string GetPlayerCurrentSong() const override { return list_.GetPlayerCurrentSong(); }
    std::string GetPlayerCurrentArtist() const override { return list_.GetPlayerCurrentArtist(); }
    std::string GetPlayerCurrentTitle() const override { return list_.GetPlayerCurrentTitle(); }
    int GetFirstSelectedRow() const override { return list_.GetNextSelectedItem(-1); }

private:
    CPlayList& list_;
};
