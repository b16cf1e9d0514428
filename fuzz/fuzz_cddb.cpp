// Runs every parser of CDDB server answers over arbitrary text, takes the
// songs' fields from a record, and reads back a record built from whatever
// was parsed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "songcore/cddb/CddbResponse.h"
#include "songcore/cddb/CddbSubmit.h"
#include "songcore/cddb/DiscOfSongs.h"

namespace cddb = songcore::cddb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string_view body = cddb::ResponseBody(text);
    if (body.empty()) {
        body = text;
    }
    std::vector<CCDDBSite> sites;
    cddb::ParseSites(body, sites);
    std::vector<std::string> categories;
    cddb::ParseCategories(body, categories);
    CCDDBStatus status;
    cddb::ParseStatus(body, status);
    std::vector<CCDDBQueryResult> results;
    cddb::ParseQuery(body, results);
    std::string motd;
    cddb::ParseMessageOfTheDay(body, motd);
    CCDDBRecord record;
    if (cddb::ParseRecord(body, record)) {
        // Each track's fields, and one past the last title.
        for (size_t track = 0; track <= record.GetTrackTitles().size(); ++track) {
            songcore::FieldsFromCddbTrack(record, track);
        }
        // What was read must survive being written and read again (a bare CR
        // has no escape of its own and is written as a line break).
        CCDDBRecord again;
        bool exact = text.find('\r') == std::string_view::npos;
        if (!cddb::ParseRecord("210 x 0\r\n" + cddb::BuildSubmitBody(record), again) ||
            again.GetTrackTitles().size() != record.GetTrackTitles().size() ||
            again.GetExtendedTrackData().size() != record.GetExtendedTrackData().size() ||
            (exact && (again.GetTrackTitles() != record.GetTrackTitles() ||
                       again.GetExtendedTrackData() != record.GetExtendedTrackData()))) {
            __builtin_trap();
        }
    }
    return 0;
}
