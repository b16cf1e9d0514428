#pragma once
// CCDDBStatus: what a CDDB server says about itself.

#include <string>
#include <vector>

class CCDDBStatus {
public:
    int GetCurrentProtocol() const { return currentProtocol_; }
    void SetCurrentProtocol(int level) { currentProtocol_ = level; }
    int GetMaximumProtocol() const { return maximumProtocol_; }
    void SetMaximumProtocol(int level) { maximumProtocol_ = level; }
    bool GetGets() const { return gets_; }
    void SetGets(bool value) { gets_ = value; }
    bool GetUpdates() const { return updates_; }
    void SetUpdates(bool value) { updates_ = value; }
    bool GetPosting() const { return posting_; }
    void SetPosting(bool value) { posting_ = value; }
    bool GetQuotes() const { return quotes_; }
    void SetQuotes(bool value) { quotes_ = value; }
    int GetCurrentUsers() const { return currentUsers_; }
    void SetCurrentUsers(int users) { currentUsers_ = users; }
    int GetMaximumUsers() const { return maximumUsers_; }
    void SetMaximumUsers(int users) { maximumUsers_ = users; }
    bool GetStripExtendedData() const { return stripExtendedData_; }
    void SetStripExtendedData(bool value) { stripExtendedData_ = value; }
    int GetDatabaseEntries() const { return databaseEntries_; }
    void SetDatabaseEntries(int entries) { databaseEntries_ = entries; }

    // Parallel lists: a category and the number of its entries.
    const std::vector<std::string>& GetCategories() const { return categories_; }
    const std::vector<int>& GetCategoryEntries() const { return categoryEntries_; }
    void AddCategoryEntries(std::string category, int entries) {
        categories_.push_back(std::move(category));
        categoryEntries_.push_back(entries);
    }
    // Parallel lists: a destination and the number of files waiting for it.
    const std::vector<std::string>& GetPendingSites() const { return pendingSites_; }
    const std::vector<int>& GetPendingFiles() const { return pendingFiles_; }
    void AddPendingFiles(std::string site, int files) {
        pendingSites_.push_back(std::move(site));
        pendingFiles_.push_back(files);
    }

private:
    int currentProtocol_ = 0;
    int maximumProtocol_ = 0;
    bool gets_ = false;
    bool updates_ = false;
    bool posting_ = false;
    bool quotes_ = false;
    int currentUsers_ = 0;
    int maximumUsers_ = 0;
    bool stripExtendedData_ = false;
    int databaseEntries_ = 0;
    std::vector<std::string> categories_;
    std::vector<int> categoryEntries_;
    std::vector<std::string> pendingSites_;
    std::vector<int> pendingFiles_;
};
