#pragma once
// The genre table: the ID3v1 genre list with its later extensions, ids 0 to
// 147, and 148 for no genre. The one place where a genre's name and its
// number are turned into each other; the tags that keep numbers (ID3v1, an
// MP4 "gnre", an ID3v2 "(17)") convert at their own edge.

#include <cstdint>
#include <string>
#include <string_view>

// Genre id that means "no genre".
constexpr uint16_t GENRE_NONE = 148;

// The name of a genre id; "--" for 148 and for any id outside the table.
std::string GetMP3Genre(int id);

namespace songcore {

// The id of the table entry named exactly so (letter case matters);
// GENRE_NONE when there is none.
uint16_t FindGenre(std::string_view name);
// The same without regard to letter case ("hard rock" is 79).
uint16_t FindGenreIgnoringCase(std::string_view name);

}  // namespace songcore
