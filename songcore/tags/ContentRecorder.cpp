#include "songcore/tags/ContentRecorder.h"

#include <algorithm>

namespace songcore {

bool ContentRecorder::append(std::span<const uint8_t> data) {
    return target_.append(data);
}

bool ContentRecorder::appendOriginal(uint64_t offset, uint64_t length) {
    const uint64_t at = target_.size();
    if (!target_.appendOriginal(offset, length)) {
        return false;
    }
    if (length > 0) {
        kept_.push_back({offset, length, at});
    }
    return true;
}

bool ContentRecorder::InversePlan(uint64_t oldLength, const ReadOld& readOld, uint64_t maxBytes,
                                  RestorePlan& plan) const {
    plan = RestorePlan{};
    plan.currentLength = target_.size();
    std::vector<Kept> kept = kept_;
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Kept& a, const Kept& b) { return a.oldOffset < b.oldOffset; });
    uint64_t saved = 0;
    auto save = [&](uint64_t from, uint64_t to) {
        if (from >= to) {
            return true;
        }
        saved += to - from;
        if (saved > maxBytes) {
            return false;
        }
        RestorePiece piece;
        piece.bytes.resize(static_cast<size_t>(to - from));
        if (!readOld(from, piece.bytes.data(), piece.bytes.size())) {
            return false;
        }
        plan.pieces.push_back(std::move(piece));
        return true;
    };
    uint64_t cursor = 0;
    for (const Kept& range : kept) {
        const uint64_t end = std::min(range.oldOffset + range.length, oldLength);
        if (end <= cursor) {
            continue;  // kept twice: the first landing serves
        }
        if (!save(cursor, std::max(cursor, range.oldOffset))) {
            return false;
        }
        const uint64_t start = std::max(cursor, range.oldOffset);
        const uint64_t from = range.newOffset + (start - range.oldOffset);
        RestorePiece* last = plan.pieces.empty() ? nullptr : &plan.pieces.back();
        if (last != nullptr && last->kept && last->from + last->length == from) {
            last->length += end - start;
        } else {
            plan.pieces.push_back({true, from, end - start, {}});
        }
        cursor = end;
    }
    return save(cursor, oldLength);
}

}  // namespace songcore
