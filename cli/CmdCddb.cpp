// tunemoss cddb: disc identifiers of CDs and CUE images, and the commands of
// a CDDB server.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/Options.h"
#include "songcore/cddb/CddbClient.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/util/Hex.h"

namespace tunemoss {
namespace {

const char kHelp[] =
    "Usage: tunemoss cddb discid (--cue FILE.cue | --drive DEVICE)\n"
    "       tunemoss cddb query (--cue FILE.cue | --drive DEVICE | --toc FRAMES) --server "
    "HOST[:PORT]\n"
    "       tunemoss cddb read --server HOST[:PORT] CATEGORY DISCID\n"
    "       tunemoss cddb sites|categories|status|motd --server HOST[:PORT]\n"
    "Computes the CDDB disc identifier of an audio CD or a CUE sheet image, and\n"
    "asks a CDDB server over HTTP.\n\n"
    "  discid      print the identifier (%08x), the track count and the track\n"
    "              offsets in frames\n"
    "  query       list the discs the server matches to the table of contents\n"
    "  read        print the record of a disc\n"
    "  sites       list the server's mirror sites\n"
    "  categories  list the categories\n"
    "  status      print the server status\n"
    "  motd        print the message of the day\n\n"
    "Options:\n"
    "  --cue FILE              a CUE sheet; its data file (.bin) must lie beside it\n"
    "  --drive DEVICE          a CD drive such as /dev/sr0\n"
    "  --toc FRAMES            the track offsets and the lead-out, in frames,\n"
    "                          separated by blanks or commas\n"
    "  --server HOST[:PORT]    the CDDB server (there is no default; port 80)\n"
    "  --path PATH             the CDDB program on the server\n"
    "                          (default /~cddb/cddb.cgi)\n"
    "  --proxy HOST[:PORT]     an HTTP proxy\n"
    "  --proxy-user USER       the user name and password for the proxy\n"
    "  --proxy-password PASSWORD\n"
    "  --email ADDRESS         your e-mail address, which the server is told in the\n"
    "                          hello (default: [Network] CDDB Email in the settings;\n"
    "                          without one the hello says anonymous@localhost, and\n"
    "                          the public server is not asked)\n"
    "  --protocol LEVEL        the CDDB protocol level, 1 to 6 (default 6: UTF-8)\n"
    "  --timeout MS            give up after this many milliseconds without data\n"
    "                          (default 2000)\n"
    "  --deadline SECONDS      give up a command that takes longer than this in all,\n"
    "                          however slowly the server answers (default 60)\n";

const std::vector<OptionSpec> kOptions = {
    {"cue", ValueKind::File},        {"drive", ValueKind::File},
    {"toc", ValueKind::Text},        {"server", ValueKind::Text},
    {"path", ValueKind::Text},       {"proxy", ValueKind::Text},
    {"proxy-user", ValueKind::Text}, {"proxy-password", ValueKind::Text},
    {"timeout", ValueKind::Text},    {"deadline", ValueKind::Text},
    {"email", ValueKind::Text},      {"protocol", ValueKind::Text},
};

std::string Hex8(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", id);
    return text;
}

std::string Coordinate(bool positive, char plus, char minus, int minutes) {
    char text[32];
    std::snprintf(text, sizeof text, "%c%03d.%02d", positive ? plus : minus, minutes / 60,
                  minutes % 60);
    return text;
}

std::string Names(const std::string& artist, const std::string& title) {
    return artist.empty() ? title : artist + " / " + title;
}

// The table of contents from --cue, --drive or --toc; "" or what failed.
std::string ReadPositions(CCDDB& cddb, const Options& options,
                          std::vector<CCDDBTrackPosition>& positions, std::string& source) {
    if (std::optional<std::string> toc = options.value("toc")) {
        source = *toc;
        std::string text = *toc;
        for (char& c : text) {
            if (c == ',') {
                c = ' ';
            }
        }
        std::istringstream words(text);
        std::string word;
        while (words >> word) {
            std::optional<unsigned long> frames = ParseUnsigned(word);
            if (!frames || *frames > 0xFFFFFFFFul) {
                return "not a frame number: " + word;
            }
            positions.push_back(CCDDBTrackPosition::FromFrames(static_cast<uint32_t>(*frames)));
        }
        if (positions.size() < 2) {
            return "give the offset of every track and the lead-out";
        }
        return {};
    }
    source = options.value("cue").value_or(options.value("drive").value_or(""));
    if (!cddb.GetTrackPositions(positions, source.c_str())) {
        return "cannot read the table of contents: " + cddb.GetErrorMessage();
    }
    return {};
}

int Fail(const std::string& server, CCDDB& cddb) {
    ReportFileError(server, songcore::CddbFailureText(cddb));
    return kExitFailure;
}

int PrintRecord(const CCDDBRecord& record) {
    std::ostringstream out;
    out << "Disc ID: " << Hex8(record.GetDiscID()) << "\n";
    out << "Artist: " << record.GetArtist() << "\n";
    out << "Title: " << record.GetTitle() << "\n";
    out << "Length: " << record.GetDiscLength() << " seconds\n";
    out << "Revision: " << record.GetRevision() << "\n";
    out << "Submitted via: " << record.GetClientName() << " " << record.GetClientVersion();
    if (!record.GetClientComments().empty()) {
        out << " " << record.GetClientComments();
    }
    out << "\n";
    const auto& titles = record.GetTrackTitles();
    const auto& offsets = record.GetTrackOffsets();
    for (size_t i = 0; i < titles.size(); ++i) {
        out << "Track " << i + 1 << ": " << titles[i];
        if (i < offsets.size()) {
            out << " (offset " << offsets[i] << ")";
        }
        out << "\n";
    }
    for (const std::string& line : record.GetExtendedDiscData()) {
        out << "Extended data: " << line << "\n";
    }
    const auto& tracks = record.GetExtendedTrackData();
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (!tracks[i].empty()) {
            out << "Track " << i + 1 << " extended data: " << tracks[i] << "\n";
        }
    }
    out << "Play order:";
    for (uint32_t track : record.GetPlayOrder()) {
        out << " " << track;
    }
    out << "\n";
    std::cout << out.str();
    return kExitOk;
}

void PrintStatus(const CCDDBStatus& status) {
    auto yesNo = [](bool value) { return value ? "yes" : "no"; };
    std::ostringstream out;
    out << "current proto: " << status.GetCurrentProtocol() << "\n"
        << "max proto: " << status.GetMaximumProtocol() << "\n"
        << "gets: " << yesNo(status.GetGets()) << "\n"
        << "updates: " << yesNo(status.GetUpdates()) << "\n"
        << "posting: " << yesNo(status.GetPosting()) << "\n"
        << "quotes: " << yesNo(status.GetQuotes()) << "\n"
        << "strip ext: " << yesNo(status.GetStripExtendedData()) << "\n"
        << "current users: " << status.GetCurrentUsers() << "\n"
        << "max users: " << status.GetMaximumUsers() << "\n"
        << "Database entries: " << status.GetDatabaseEntries() << "\n"
        << "Database entries by category:\n";
    for (size_t i = 0; i < status.GetCategories().size(); ++i) {
        out << "    " << status.GetCategories()[i] << ": " << status.GetCategoryEntries()[i]
            << "\n";
    }
    out << "Pending file transmissions:\n";
    for (size_t i = 0; i < status.GetPendingSites().size(); ++i) {
        out << "    " << status.GetPendingSites()[i] << ": " << status.GetPendingFiles()[i] << "\n";
    }
    std::cout << out.str();
}

int RunCddb(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("cddb", options.error());
    }
    const std::vector<std::string>& positional = options.positional();
    if (positional.empty()) {
        return UsageError("cddb", "no command given");
    }
    const std::string& command = positional[0];
    songcore::CddbClient cddb;
    int sources = options.has("cue") + options.has("drive") + options.has("toc");

    if (command == "discid") {
        if (sources != 1 || options.has("toc") || positional.size() != 1) {
            return UsageError("cddb", "discid needs exactly one of --cue or --drive");
        }
        std::vector<CCDDBTrackPosition> positions;
        std::string source;
        std::string error = ReadPositions(cddb, options, positions, source);
        if (!error.empty()) {
            ReportFileError(source, error);
            return kExitFailure;
        }
        std::ostringstream out;
        out << Hex8(cddb.ComputeDiscID(positions)) << " " << positions.size() - 1;
        for (size_t i = 0; i + 1 < positions.size(); ++i) {
            out << " " << positions[i].Frames();
        }
        std::cout << out.str() << "\n";
        return kExitOk;
    }

    static const char* kServerCommands[] = {"query",      "read",   "sites",
                                            "categories", "status", "motd"};
    if (std::find(std::begin(kServerCommands), std::end(kServerCommands), command) ==
        std::end(kServerCommands)) {
        return UsageError("cddb", "unknown cddb command '" + command + "'");
    }
    songcore::CddbEndpoint server;
    if (!options.has("server")) {
        return UsageError("cddb", command + " needs --server HOST[:PORT]");
    }
    if (!songcore::ParseCddbEndpoint(*options.value("server"), server)) {
        return UsageError("cddb", "not a server: " + *options.value("server"));
    }
    CCDDBSite site;
    site.SetHost(server.host);
    site.SetPort(server.port);
    if (std::optional<std::string> path = options.value("path")) {
        site.SetAddress(*path);
    }
    if (std::optional<std::string> proxy = options.value("proxy")) {
        songcore::CddbEndpoint endpoint;
        if (!songcore::ParseCddbEndpoint(*proxy, endpoint)) {
            return UsageError("cddb", "not a proxy: " + *proxy);
        }
        cddb.SetProxyDetails(endpoint.host, endpoint.port, options.value("proxy-user").value_or(""),
                             options.value("proxy-password").value_or(""));
    }
    if (std::optional<std::string> timeout = options.value("timeout")) {
        std::optional<unsigned long> ms = ParseUnsigned(*timeout);
        if (!ms || *ms > 3600000) {
            return UsageError("cddb", "not a time-out in milliseconds: " + *timeout);
        }
        cddb.SetTimeout(static_cast<uint32_t>(*ms));
    }
    std::optional<int> deadline;
    if (!ParseDeadline(options, deadline)) {
        return UsageError("cddb", "--deadline takes whole seconds, 1 to 86400");
    }
    if (deadline) {
        cddb.SetTotalTimeout(static_cast<uint32_t>(*deadline));
    }
    std::string email = options.value("email").value_or(CAppRegKey().GetCddbEmail());
    if (!email.empty()) {
        std::string user, host;
        if (!songcore::SplitEmail(email, user, host)) {
            return UsageError("cddb", "not an e-mail address: " + email);
        }
        cddb.SetUser(user, host);
    } else if (songcore::IsPublicCddbServer(server.host)) {
        return UsageError("cddb", server.host +
                                      " answers only clients that give an e-mail address: "
                                      "give --email ADDRESS, or set CDDB Email under [Network] "
                                      "in the settings");
    }
    if (std::optional<std::string> level = options.value("protocol")) {
        std::optional<unsigned long> number = ParseUnsigned(*level);
        if (!number || *number < 1 || *number > 6) {
            return UsageError("cddb", "not a protocol level from 1 to 6: " + *level);
        }
        cddb.SetCDDBProtocolVersion(static_cast<int>(*number));
    }
    const std::string name = *options.value("server");
    size_t wantedArgs = command == "read" ? 3 : 1;
    if (positional.size() != wantedArgs) {
        return UsageError("cddb", command == "read" ? "read needs CATEGORY and DISCID"
                                                    : command + " takes no arguments");
    }
    if ((command == "query") != (sources > 0) || sources > 1) {
        return UsageError("cddb", command == "query"
                                      ? "query needs exactly one of --cue, --drive or --toc"
                                      : "--cue, --drive and --toc go with discid and query");
    }

    if (command == "query") {
        std::vector<CCDDBTrackPosition> positions;
        std::string source;
        std::string error = ReadPositions(cddb, options, positions, source);
        if (!error.empty()) {
            ReportFileError(source, error);
            return kExitFailure;
        }
        std::vector<CCDDBQueryResult> results;
        if (!cddb.Query(site, cddb.ComputeDiscID(positions), positions, results)) {
            if (cddb.GetLastError() == 0) {
                ReportFileError(name, "no match for disc " + Hex8(cddb.ComputeDiscID(positions)));
                return kExitFailure;
            }
            return Fail(name, cddb);
        }
        for (const CCDDBQueryResult& result : results) {
            std::cout << result.GetCategory() << " " << Hex8(result.GetDiscID()) << " "
                      << Names(result.GetArtist(), result.GetTitle()) << "\n";
        }
        return kExitOk;
    }
    if (command == "read") {
        const std::string& idText = positional[2];
        uint32_t id = 0;
        bool valid = !idText.empty() && idText.size() <= 8;
        for (char c : idText) {
            int digit = songcore::HexDigitValue(c);
            valid = valid && digit >= 0;
            id = id * 16 + static_cast<uint32_t>(std::max(digit, 0));
        }
        if (!valid) {
            return UsageError("cddb", "not a disc identifier: " + idText);
        }
        CCDDBRecord record;
        if (!cddb.Read(site, id, positional[1], record)) {
            return Fail(name, cddb);
        }
        return PrintRecord(record);
    }
    if (command == "sites") {
        std::vector<CCDDBSite> sites;
        if (!cddb.Sites(sites, site)) {
            return Fail(name, cddb);
        }
        for (const CCDDBSite& entry : sites) {
            std::cout << entry.GetHost() << " " << entry.GetPort() << " " << entry.GetAddress()
                      << " " << Coordinate(entry.GetNorth(), 'N', 'S', entry.GetLatitude()) << " "
                      << Coordinate(entry.GetEast(), 'E', 'W', entry.GetLongitude()) << " "
                      << entry.GetDescription() << "\n";
        }
        return kExitOk;
    }
    if (command == "categories") {
        std::vector<std::string> categories;
        if (!cddb.Categories(site, categories)) {
            return Fail(name, cddb);
        }
        for (const std::string& category : categories) {
            std::cout << category << "\n";
        }
        return kExitOk;
    }
    if (command == "status") {
        CCDDBStatus status;
        if (!cddb.Status(site, status)) {
            return Fail(name, cddb);
        }
        PrintStatus(status);
        return kExitOk;
    }
    std::string text;
    if (!cddb.MessageOfTheDay(site, text)) {
        return Fail(name, cddb);
    }
    std::cout << text;
    if (!text.empty() && text.back() != '\n') {
        std::cout << "\n";
    }
    return kExitOk;
}

const CommandRegistrar kRegistrar({
    "cddb",
    "CD disc identifiers and CDDB server commands",
    kHelp,
    RunCddb,
    kOptions,
    ValueKind::Text,
    {"discid", "query", "read", "sites", "categories", "status", "motd"},
    "tunemoss cddb discid --drive /dev/sr0\n"
    "tunemoss cddb query --cue album.cue --server cddb.example.org --email me@example.org\n"
    "tunemoss cddb read --server cddb.example.org rock 1202ce03\n",
});

}  // namespace
}  // namespace tunemoss
