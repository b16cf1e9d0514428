#pragma once
// Sample pictures, and reading and writing a song's pictures and title in the picture tests,
// each failure reported as a test failure.

#include <string>
#include <vector>

#include "songcore/tags/Picture.h"

namespace testsupport {

// The sample JPEG (pictures/front.jpg) as a picture of the role and
// description, with filler after it up to size bytes when it is smaller.
songcore::Picture JpegPicture(uint8_t type, std::string description, size_t size = 0);

// The song's pictures; none when they cannot be read (a failure).
std::vector<songcore::Picture> ReadPictures(const std::string& path);
// Writes the pictures in place of the song's (a failure when refused).
void WritePictures(const std::string& path, const std::vector<songcore::Picture>& pictures);
// The title the song tree's reader gives the song.
std::string TitleOf(const std::string& path);

// Gives two copies of the sample a front cover, one of 5 MB, and checks that
// the song tree's reader reads little more of the large one (where the
// system counts the bytes read) and that both read the same.
void ExpectALargeCoverLeftUnread(const std::string& sample);

}  // namespace testsupport
