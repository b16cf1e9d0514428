// The Ogg page parser, the header walk of Vorbis, Opus and FLAC streams, the
// comment list parser and the pictures of its items over arbitrary bytes, and
// the rewrite of the header pages where the walk succeeds. The tag read's
// walk, which leaves the comment packet in the file, must agree with the walk
// that reads it whole wherever the latter succeeds.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "songcore/tags/ogg/OggCodec.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/OggPage.h"
#include "songcore/tags/ogg/OggTagHeaders.h"
#include "songcore/tags/ogg/VorbisComments.h"
#include "songcore/util/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    songcore::ReadExactFn read = songcore::SpanReader(bytes);

    songcore::VorbisComments comments;
    songcore::VorbisComments::Parse(bytes, comments);
    // The input as the value of a picture item too, and as base64 text.
    std::string text(bytes.begin(), bytes.end());
    comments.items.push_back("METADATA_BLOCK_PICTURE=" + text);
    comments.items.push_back("COVERART=" + text);
    for (const songcore::Picture& picture : songcore::CommentPictures(comments.items)) {
        if (songcore::CommentPictures({songcore::PictureComment(picture)}).size() != 1) {
            __builtin_trap();
        }
    }
    songcore::DecodeBase64(text, size);
    songcore::VorbisComments withoutPictures;
    bool listWhole = songcore::VorbisComments::Parse(bytes, withoutPictures, nullptr,
                                                     songcore::VorbisComments::Pictures::kLeaveOut);
    // The reader's views of the list hold what the copies hold.
    songcore::VorbisCommentViews views;
    if (songcore::VorbisCommentViews::Parse(
            bytes, views, songcore::VorbisComments::Pictures::kLeaveOut) != listWhole ||
        views.vendor != withoutPictures.vendor ||
        !std::equal(views.items.begin(), views.items.end(), withoutPictures.items.begin(),
                    withoutPictures.items.end())) {
        __builtin_trap();
    }

    if (auto page = songcore::OggPage::Parse(bytes)) {
        page->Serialize();
    }
    using Pictures = songcore::VorbisComments::Pictures;
    auto whole = songcore::ReadOggHeaders(read, false);
    auto inFile = songcore::ReadOggTagHeaders(read);
    // The tag read's walk steps over runs of alike pages without reading
    // them, so it may accept a file whose damage lies in a page it never
    // reads (the writer walks every page); it must accept every file the
    // whole walk does.
    if (whole && !inFile) {
        __builtin_trap();
    }
    if (whole) {
        auto list = songcore::OggCommentList(whole->codec, whole->comment);
        std::vector<uint8_t> listBytes;
        if (!list || inFile->codec != whole->codec || inFile->first.body != whole->identification) {
            __builtin_trap();
        }
        // A page stepped over that is not as foretold fails the read of the
        // list (the tag reader then walks the pages one by one); a list read
        // must be the whole walk's.
        if (!inFile->list(0, static_cast<size_t>(inFile->listSize), listBytes)) {
            return 0;
        }
        if (inFile->listSize != list->size() ||
            !std::equal(listBytes.begin(), listBytes.end(), list->begin(), list->end())) {
            __builtin_trap();
        }
        // A range from within a page to within another reads the same bytes.
        const size_t from = listBytes.size() / 3;
        const size_t count = listBytes.size() / 2;
        std::vector<uint8_t> part;
        if (!inFile->list(from, count, part) ||
            !std::equal(part.begin(), part.end(), listBytes.begin() + from,
                        listBytes.begin() + from + count)) {
            __builtin_trap();
        }
        for (Pictures pictures : {Pictures::kKeep, Pictures::kLeaveOut}) {
            songcore::VorbisComments fromMemory, fromFile;
            size_t memoryUsed = 0;
            uint64_t fileUsed = 0;
            bool memoryComplete =
                songcore::VorbisComments::Parse(*list, fromMemory, &memoryUsed, pictures);
            bool fileComplete = songcore::VorbisComments::Parse(inFile->list, inFile->listSize,
                                                                fromFile, &fileUsed, pictures);
            if (memoryComplete != fileComplete || fromMemory.vendor != fromFile.vendor ||
                fromMemory.items != fromFile.items || (memoryComplete && memoryUsed != fileUsed)) {
                __builtin_trap();
            }
        }
    }

    auto headers = songcore::ReadOggHeaders(read, true);
    if (!headers) {
        return 0;
    }
    auto list = songcore::OggCommentList(headers->codec, headers->comment);
    if (!list) {
        __builtin_trap();  // the walk accepts only packets whose list can be found
    }
    songcore::VorbisComments old;
    size_t listSize = 0;
    bool complete = songcore::VorbisComments::Parse(*list, old, &listSize);
    songcore::CommentPictures(old.items);
    if (complete && songcore::OggCommentUsedSize(headers->codec, headers->comment, listSize) >
                        headers->comment.size()) {
        __builtin_trap();
    }
    old.items.push_back("TITLE=fuzz");
    std::vector<uint8_t> packet =
        songcore::BuildOggCommentPacket(headers->codec, old, headers->comment);
    if (packet.empty()) {
        return 0;
    }
    // The new packet reads back as the items it was built from.
    auto rebuilt = songcore::OggCommentList(headers->codec, packet);
    songcore::VorbisComments again;
    if (!rebuilt || !songcore::VorbisComments::Parse(*rebuilt, again) || again.items != old.items) {
        __builtin_trap();
    }
    // The same-length refill keeps every page's size.
    std::vector<uint8_t> same = headers->comment;
    same.back() ^= 0xFF;
    auto refilled = songcore::RefillCommentPages(*headers, same);
    if (!refilled) {
        __builtin_trap();
    }
    for (const songcore::RefilledPage& page : *refilled) {
        if (page.page.size() != headers->pages[page.index].size()) {
            __builtin_trap();
        }
    }
    if (auto second = songcore::RewriteSecondPage(*headers, packet)) {
        second->Serialize();
    }
    for (const songcore::OggPage& page : songcore::PaginateHeaders(*headers, packet)) {
        if (page.lacing.size() > songcore::OggPage::kMaxSegments) {
            __builtin_trap();
        }
        page.Serialize();
    }
    return 0;
}
