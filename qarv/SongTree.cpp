#include "qarv/SongTree.h"

SongTree::Local::~Local() {
    Stop();
    Wait();
}

SongTree::Internet::~Internet() {
    Stop();
    Wait();
}

SongTree::SongTree() : local_(*this), internet_(*this) {}

SongTree::~SongTree() {
    StopAll();
    WaitAll();
}

bool SongTree::IsBusy() const {
    return local_.IsSearching() || internet_.IsSearching() || IsDoing() ||
           GetInsertThreadCount() > 0;
}

void SongTree::StopAll() {
    local_.Stop();
    internet_.Stop();
    Stop();
}

void SongTree::WaitAll() {
    local_.Wait();
    internet_.Wait();
    // The internet search may have started insert threads until it ended.
    Stop();
    Wait();
}
