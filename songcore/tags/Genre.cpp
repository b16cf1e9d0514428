#include "songcore/tags/Genre.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "songcore/util/Text.h"

namespace {

// Ids 0 to 147: the ID3v1 list with its later extensions; 148: no genre.
// Views, so that a lookup compares lengths before it compares letters.
constexpr std::array<std::string_view, 149> kGenres = {"Blues",
                                                       "Classic Rock",
                                                       "Country",
                                                       "Dance",
                                                       "Disco",
                                                       "Funk",
                                                       "Grunge",
                                                       "Hip-Hop",
                                                       "Jazz",
                                                       "Metal",
                                                       "New Age",
                                                       "Oldies",
                                                       "Other",
                                                       "Pop",
                                                       "R&B",
                                                       "Rap",
                                                       "Reggae",
                                                       "Rock",
                                                       "Techno",
                                                       "Industrial",
                                                       "Alternative",
                                                       "Ska",
                                                       "Death Metal",
                                                       "Pranks",
                                                       "Soundtrack",
                                                       "Euro-Techno",
                                                       "Ambient",
                                                       "Trip Hop",
                                                       "Vocal",
                                                       "Jazz Funk",
                                                       "Fusion",
                                                       "Trance",
                                                       "Classical",
                                                       "Instrumental",
                                                       "Acid",
                                                       "House",
                                                       "Game",
                                                       "Sound Clip",
                                                       "Gospel",
                                                       "Noise",
                                                       "Alternative Rock",
                                                       "Bass",
                                                       "Soul",
                                                       "Punk",
                                                       "Space",
                                                       "Meditative",
                                                       "Instrumental Pop",
                                                       "Instrumental Rock",
                                                       "Ethnic",
                                                       "Gothic",
                                                       "Darkwave",
                                                       "Techno-Industrial",
                                                       "Electronic",
                                                       "Pop Folk",
                                                       "Eurodance",
                                                       "Dream",
                                                       "Southern Rock",
                                                       "Comedy",
                                                       "Cult",
                                                       "Gangsta",
                                                       "Top 40",
                                                       "Christian Rap",
                                                       "Pop Funk",
                                                       "Jungle",
                                                       "Native American",
                                                       "Cabaret",
                                                       "New Wave",
                                                       "Psychadelic",
                                                       "Rave",
                                                       "ShowTunes",
                                                       "Trailer",
                                                       "Lo-Fi",
                                                       "Tribal",
                                                       "Acid Punk",
                                                       "Acid Jazz",
                                                       "Polka",
                                                       "Retro",
                                                       "Musical",
                                                       "Rock & Roll",
                                                       "Hard Rock",
                                                       "Folk",
                                                       "Folk Rock",
                                                       "National Folk",
                                                       "Swing",
                                                       "Fast Fusion",
                                                       "Bebob",
                                                       "Latin",
                                                       "Revival",
                                                       "Celtic",
                                                       "Bluegrass",
                                                       "Avantgarde",
                                                       "Gothic Rock",
                                                       "Progressive Rock",
                                                       "Psychedelic Rock",
                                                       "Symphonic Rock",
                                                       "Slow Rock",
                                                       "Big Band",
                                                       "Chorus",
                                                       "Easy Listening",
                                                       "Acoustic",
                                                       "Humour",
                                                       "Speech",
                                                       "Chanson",
                                                       "Opera",
                                                       "Chamber Music",
                                                       "Sonata",
                                                       "Symphony",
                                                       "Booty Bass",
                                                       "Primus",
                                                       "Porn Groove",
                                                       "Satire",
                                                       "Slow Jam",
                                                       "Club",
                                                       "Tango",
                                                       "Samba",
                                                       "Folklore",
                                                       "Ballad",
                                                       "Power Ballad",
                                                       "Rhytmic Soul",
                                                       "Freestyle",
                                                       "Duet",
                                                       "Punk Rock",
                                                       "Drum Solo",
                                                       "A Capella",
                                                       "Euro House",
                                                       "Dance Hall",
                                                       "Goa",
                                                       "Drum & Bass",
                                                       "Club House",
                                                       "Hardcore",
                                                       "Terror",
                                                       "Indie",
                                                       "BritPop",
                                                       "Negerpunk",
                                                       "Polsk Punk",
                                                       "Beat",
                                                       "Christian Gangsta Rap",
                                                       "Heavy Metal",
                                                       "Black Metal",
                                                       "Crossover",
                                                       "Contemporary Christian",
                                                       "Christian Rock",
                                                       "Merengue",
                                                       "Salsa",
                                                       "Trash Metal",
                                                       "Anime",
                                                       "JPop",
                                                       "SynthPop",
                                                       "--"};

}  // namespace

std::string GetMP3Genre(int id) {
    if (id < 0 || id >= static_cast<int>(kGenres.size())) {
        return std::string(kGenres[GENRE_NONE]);
    }
    return std::string(kGenres[static_cast<size_t>(id)]);
}

namespace songcore {

uint16_t FindGenre(std::string_view name) {
    // Asked of every song read: the ids sorted by name, searched by halves
    // (the lowest id first where two ids share a name).
    static const std::array<uint8_t, GENRE_NONE> kByName = [] {
        std::array<uint8_t, GENRE_NONE> ids;
        for (size_t id = 0; id < ids.size(); ++id) {
            ids[id] = static_cast<uint8_t>(id);
        }
        std::stable_sort(ids.begin(), ids.end(),
                         [](uint8_t a, uint8_t b) { return kGenres[a] < kGenres[b]; });
        return ids;
    }();
    auto found =
        std::lower_bound(kByName.begin(), kByName.end(), name,
                         [](uint8_t id, std::string_view key) { return kGenres[id] < key; });
    return found != kByName.end() && kGenres[*found] == name ? *found : uint16_t(GENRE_NONE);
}

uint16_t FindGenreIgnoringCase(std::string_view name) {
    for (size_t id = 0; id < GENRE_NONE; ++id) {
        if (EqualsIgnoreCase(name, kGenres[id])) {
            return static_cast<uint16_t>(id);
        }
    }
    return GENRE_NONE;
}

}  // namespace songcore
