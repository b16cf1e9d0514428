#include "songcore/tags/RestorePlan.h"

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFile.h"

namespace songcore {

uint64_t RestorePlan::SavedBytes() const {
    uint64_t total = 0;
    for (const RestorePiece& piece : pieces) {
        total += piece.bytes.size();
    }
    return total;
}

bool ApplyRestorePlan(CSongFile& file, const RestorePlan& plan, std::string& error) {
    if (file.GetLength() != plan.currentLength) {
        error = "its length is not the one the edit left; left as it is";
        return false;
    }
    const bool written = file.ReplaceContents([&](ContentWriter& out) {
        for (const RestorePiece& piece : plan.pieces) {
            if (piece.kept ? !file.CopyRange(out, piece.from, piece.length)
                           : !out.append(piece.bytes)) {
                return false;
            }
        }
        return true;
    });
    if (!written) {
        error = "could not put the old tags back: " + file.GetErrorMessage();
    }
    return written;
}

}  // namespace songcore
