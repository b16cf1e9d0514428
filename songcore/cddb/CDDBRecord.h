#pragma once
// CCDDBRecord: one disc's entry in the CDDB database (the xmcd record).

#include <cstdint>
#include <string>
#include <vector>

class CCDDBRecord {
public:
    const std::vector<uint32_t>& GetTrackOffsets() const { return trackOffsets_; }
    void SetTrackOffsets(std::vector<uint32_t> offsets) { trackOffsets_ = std::move(offsets); }
    // Seconds.
    uint32_t GetDiscLength() const { return discLength_; }
    void SetDiscLength(uint32_t seconds) { discLength_ = seconds; }
    int GetRevision() const { return revision_; }
    void SetRevision(int revision) { revision_ = revision; }
    const std::string& GetClientName() const { return clientName_; }
    void SetClientName(std::string name) { clientName_ = std::move(name); }
    const std::string& GetClientVersion() const { return clientVersion_; }
    void SetClientVersion(std::string version) { clientVersion_ = std::move(version); }
    const std::string& GetClientComments() const { return clientComments_; }
    void SetClientComments(std::string comments) { clientComments_ = std::move(comments); }
    uint32_t GetDiscID() const { return discId_; }
    void SetDiscID(uint32_t id) { discId_ = id; }
    const std::string& GetArtist() const { return artist_; }
    void SetArtist(std::string artist) { artist_ = std::move(artist); }
    const std::string& GetTitle() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    const std::vector<std::string>& GetTrackTitles() const { return trackTitles_; }
    void SetTrackTitles(std::vector<std::string> titles) { trackTitles_ = std::move(titles); }
    // One entry per line.
    const std::vector<std::string>& GetExtendedDiscData() const { return extendedDiscData_; }
    void SetExtendedDiscData(std::vector<std::string> lines) {
        extendedDiscData_ = std::move(lines);
    }
    // One entry per track.
    const std::vector<std::string>& GetExtendedTrackData() const { return extendedTrackData_; }
    void SetExtendedTrackData(std::vector<std::string> data) {
        extendedTrackData_ = std::move(data);
    }
    // DYEAR and DGENRE, where the record has them.
    const std::string& GetYear() const { return year_; }
    void SetYear(std::string year) { year_ = std::move(year); }
    const std::string& GetGenre() const { return genre_; }
    void SetGenre(std::string genre) { genre_ = std::move(genre); }
    const std::vector<uint32_t>& GetPlayOrder() const { return playOrder_; }
    void SetPlayOrder(std::vector<uint32_t> order) { playOrder_ = std::move(order); }

private:
    std::vector<uint32_t> trackOffsets_;
    uint32_t discLength_ = 0;
    int revision_ = 0;
    std::string clientName_;
    std::string clientVersion_;
    std::string clientComments_;
    uint32_t discId_ = 0;
    std::string artist_;
    std::string title_;
    std::string year_;
    std::string genre_;
    std::vector<std::string> trackTitles_;
    std::vector<std::string> extendedDiscData_;
    std::vector<std::string> extendedTrackData_;
    std::vector<uint32_t> playOrder_;
};
