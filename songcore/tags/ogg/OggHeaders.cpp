#include "songcore/tags/ogg/OggHeaders.h"

#include <algorithm>
#include <numeric>

#include "songcore/tags/ogg/VorbisComments.h"

namespace songcore {
namespace {

bool HoldsOnePacket(const OggPage& page) {
    if (page.lacing.empty() || page.lacing.back() == 255) {
        return false;
    }
    return std::all_of(page.lacing.begin(), page.lacing.end() - 1,
                       [](uint8_t value) { return value == 255; });
}

bool PacketEndsOn(const std::vector<uint8_t>& lacing) {
    return std::any_of(lacing.begin(), lacing.end(), [](uint8_t value) { return value < 255; });
}

}  // namespace

namespace {

constexpr const char* kNotKnown =
    "the file holds no Ogg Vorbis, Opus or FLAC stream (Speex and Theora streams are not "
    "written)";

}  // namespace

std::optional<OggPage> ReadOggFirstPage(const ReadExactFn& read, uint64_t& offset,
                                        std::string* why) {
    auto refuse = [why](const char* reason) -> std::optional<OggPage> {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    offset = 0;
    // The first pages of all streams come before any other page.
    for (size_t streams = 0; streams < kMaxHeaderPages; ++streams) {
        std::optional<OggPage> first = ReadOggPage(read, offset);
        if (!first) {
            return refuse(streams == 0 ? "the file does not start with an intact Ogg page"
                                       : kNotKnown);
        }
        if (!(first->flags & OggPage::kFirst) || (first->flags & OggPage::kContinued)) {
            return refuse(kNotKnown);
        }
        if (OggCodecOf(first->body) != OggCodec::kNone) {
            if (!HoldsOnePacket(*first)) {
                return refuse("the first Ogg page holds more than the identification header");
            }
            return first;
        }
        offset += first->size();
    }
    return refuse(kNotKnown);
}

const char* OggHeaderPageFault(const OggPage& page, bool inPacket) {
    // A second first page of the stream: another stream chained after it.
    if (page.flags & OggPage::kFirst) {
        return kNotKnown;
    }
    if (((page.flags & OggPage::kContinued) != 0) != inPacket) {
        return "the Ogg pages of the headers are out of step with their packets";
    }
    return nullptr;
}

std::optional<OggHeaders> ReadOggHeaders(const ReadExactFn& read, bool withSetup,
                                         std::string* why) {
    auto refuse = [why](const char* reason) -> std::optional<OggHeaders> {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    OggHeaders headers;
    std::optional<OggPage> first = ReadOggFirstPage(read, headers.firstOffset, why);
    if (!first) {
        return std::nullopt;
    }
    headers.codec = OggCodecOf(first->body);
    headers.identification = first->body;
    headers.first = std::move(*first);

    headers.hasSetup = withSetup && headers.codec == OggCodec::kVorbis;
    const size_t wanted = headers.hasSetup ? 2 : 1;
    size_t done = 0;
    bool inPacket = false;
    std::vector<uint8_t> packet;
    uint64_t offset = headers.firstOffset + headers.first.size();
    while (done < wanted) {
        if (headers.pages.size() + headers.foreignPages.size() >= kMaxHeaderPages) {
            return refuse("the Ogg headers spread over too many pages");
        }
        std::optional<OggPage> page = ReadOggPage(read, offset);
        if (!page) {
            return refuse("the Ogg pages of the headers are damaged or cut short");
        }
        if (IsForeignOggPage(headers.first, *page)) {
            if (!headers.pages.empty()) {
                headers.foreignPages.emplace_back(offset, page->size());
            }
            offset += page->size();
            continue;
        }
        if (const char* fault = OggHeaderPageFault(*page, inPacket)) {
            return refuse(fault);
        }
        size_t at = 0;
        size_t index = 0;
        for (; index < page->lacing.size() && done < wanted; ++index) {
            uint8_t value = page->lacing[index];
            if (packet.size() + value > kMaxOggHeaderPacket) {
                return refuse("an Ogg header packet is larger than 128 MiB");
            }
            packet.insert(packet.end(), page->body.begin() + static_cast<ptrdiff_t>(at),
                          page->body.begin() + static_cast<ptrdiff_t>(at + value));
            at += value;
            inPacket = value == 255;
            if (inPacket) {
                continue;
            }
            if (done == 0) {
                if (!OggCommentList(headers.codec, packet)) {
                    return refuse("the comment header is missing or damaged");
                }
                if (headers.pages.empty()) {
                    headers.commentEndInFirst = index;
                }
                headers.comment = std::move(packet);
            } else {
                if (!IsVorbisPacket(packet, 5)) {
                    return refuse("the Vorbis setup header is missing or damaged");
                }
                headers.setup = std::move(packet);
            }
            packet.clear();
            ++done;
        }
        headers.tailSegment = index;
        headers.pageOffsets.push_back(offset);
        offset += page->size();
        headers.pages.push_back(std::move(*page));
    }
    headers.nextOffset = offset;
    return headers;
}

std::optional<OggPage> RewriteSecondPage(const OggHeaders& headers,
                                         const std::vector<uint8_t>& newComment) {
    if (!headers.commentEndInFirst || headers.pages.empty()) {
        return std::nullopt;
    }
    const OggPage& old = headers.pages.front();
    OggPage page = old;
    page.lacing.clear();
    AppendLacing(newComment.size(), page.lacing);
    page.lacing.insert(page.lacing.end(),
                       old.lacing.begin() + static_cast<ptrdiff_t>(*headers.commentEndInFirst + 1),
                       old.lacing.end());
    if (page.lacing.size() > OggPage::kMaxSegments) {
        return std::nullopt;
    }
    page.body = newComment;
    page.body.insert(page.body.end(),
                     old.body.begin() + static_cast<ptrdiff_t>(headers.comment.size()),
                     old.body.end());
    return page;
}

std::optional<std::vector<RefilledPage>> RefillCommentPages(
    const OggHeaders& headers, const std::vector<uint8_t>& sameLengthComment) {
    if (sameLengthComment.size() != headers.comment.size()) {
        return std::nullopt;
    }
    std::vector<RefilledPage> pages;
    // The comment packet starts the second page (the reader makes sure of
    // that) and runs on through the bodies of the pages that follow.
    size_t at = 0;
    for (size_t index = 0; index < headers.pages.size() && at < sameLengthComment.size(); ++index) {
        const OggPage& old = headers.pages[index];
        size_t count = std::min(old.body.size(), sameLengthComment.size() - at);
        const uint8_t* bytes = sameLengthComment.data() + at;
        at += count;
        if (std::equal(bytes, bytes + count, old.body.begin())) {
            continue;
        }
        RefilledPage& refilled = pages.emplace_back(RefilledPage{index, old});
        std::copy_n(bytes, count, refilled.page.body.begin());
    }
    return pages;
}

std::vector<OggPage> PaginateHeaders(const OggHeaders& headers,
                                     const std::vector<uint8_t>& newComment) {
    std::vector<OggPage> pages;
    if (headers.pages.empty()) {
        return pages;
    }
    const OggPage& firstOld = headers.pages.front();
    const OggPage& lastOld = headers.pages.back();

    std::vector<uint8_t> lacing;
    AppendLacing(newComment.size(), lacing);
    std::vector<uint8_t> data = newComment;
    if (headers.hasSetup) {
        AppendLacing(headers.setup.size(), lacing);
        data.insert(data.end(), headers.setup.begin(), headers.setup.end());
    }

    // What followed the last packet read on its page (usually nothing) stays on
    // one page, so the old granule position still describes it.
    std::vector<uint8_t> tailLacing(
        lastOld.lacing.begin() + static_cast<ptrdiff_t>(headers.tailSegment), lastOld.lacing.end());
    size_t tailStart = std::accumulate(
        lastOld.lacing.begin(),
        lastOld.lacing.begin() + static_cast<ptrdiff_t>(headers.tailSegment), size_t{0});
    std::vector<uint8_t> tailBody(lastOld.body.begin() + static_cast<ptrdiff_t>(tailStart),
                                  lastOld.body.end());

    auto newPage = [&](bool continued) {
        OggPage page;
        page.version = firstOld.version;
        page.serial = firstOld.serial;
        page.sequence = firstOld.sequence + static_cast<uint32_t>(pages.size());
        page.flags = continued ? OggPage::kContinued : 0;
        pages.push_back(std::move(page));
        return &pages.back();
    };

    size_t at = 0;
    for (size_t start = 0; start < lacing.size(); start += OggPage::kMaxSegments) {
        size_t end = std::min(lacing.size(), start + OggPage::kMaxSegments);
        OggPage* page = newPage(start > 0 && lacing[start - 1] == 255);
        page->lacing.assign(lacing.begin() + static_cast<ptrdiff_t>(start),
                            lacing.begin() + static_cast<ptrdiff_t>(end));
        size_t length = std::accumulate(page->lacing.begin(), page->lacing.end(), size_t{0});
        page->body.assign(data.begin() + static_cast<ptrdiff_t>(at),
                          data.begin() + static_cast<ptrdiff_t>(at + length));
        at += length;
    }
    if (!tailLacing.empty()) {
        OggPage* page = &pages.back();
        if (page->lacing.size() + tailLacing.size() > OggPage::kMaxSegments) {
            page = newPage(false);
        }
        page->lacing.insert(page->lacing.end(), tailLacing.begin(), tailLacing.end());
        page->body.insert(page->body.end(), tailBody.begin(), tailBody.end());
    }
    for (OggPage& page : pages) {
        page.granule = PacketEndsOn(page.lacing) ? 0 : OggPage::kNoGranule;
    }
    pages.back().granule = lastOld.granule;
    pages.back().flags |= lastOld.flags & OggPage::kLast;
    return pages;
}

}  // namespace songcore
