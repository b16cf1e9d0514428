#pragma once
// What the player control needs of the play list: its row count, the
// player's cursor and the selection. The main window's play list and the
// tests' lists implement it.

#include <string>

class PlayerList {
public:
    virtual ~PlayerList() = default;
    virtual int GetItemCount() const = 0;
    virtual int GetPlayerCurrentIndex() const = 0;
    virtual void SetPlayerCurrentIndex(int index) = 0;
    // Advances the cursor; "" (and the cursor at -1) past the last row.
    virtual std::string GetPlayerNextSong() = 0;
    virtual std::string GetPlayerCurrentSong() const = 0;
    virtual std::string GetPlayerCurrentArtist() const = 0;
    virtual std::string GetPlayerCurrentTitle() const = 0;
    // The lowest selected row, or -1.
    virtual int GetFirstSelectedRow() const = 0;
};
