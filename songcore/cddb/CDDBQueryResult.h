#pragma once
// CCDDBQueryResult: one disc that a CDDB query matched.

#include <cstdint>
#include <string>

class CCDDBQueryResult {
public:
    const std::string& GetCategory() const { return category_; }
    void SetCategory(std::string category) { category_ = std::move(category); }
    uint32_t GetDiscID() const { return discId_; }
    void SetDiscID(uint32_t id) { discId_ = id; }
    const std::string& GetArtist() const { return artist_; }
    void SetArtist(std::string artist) { artist_ = std::move(artist); }
    const std::string& GetTitle() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

private:
    std::string category_;
    uint32_t discId_ = 0;
    std::string artist_;
    std::string title_;
};
