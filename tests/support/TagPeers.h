#pragma once
// Cross-checks of ID3v2 and APEv2 tags with mutagen, the independent reader
// the tests compare against.

#include <map>
#include <string>

namespace testsupport {

// Field names: title artist albumartist album track year comment genre encodedby
// copyright url composer origartist lyrics. Each returns "" when mutagen
// agrees, else what it found instead (or why it failed).
using PeerFields = std::map<std::string, std::string>;

// mutagen's reading of the ID3v2 tag of path against the expected values.
std::string MutagenId3Mismatch(const std::string& path, const PeerFields& expected);
// Every frame of before's ID3v2 tag that none of the fourteen fields comes
// from is in after's tag with the same bytes; "" or the frames that differ.
std::string MutagenId3CarriedMismatch(const std::string& before, const std::string& after);

std::string MutagenApeMismatch(const std::string& path, const PeerFields& expected);
// Every item of before's APEv2 tag whose key is none of the fourteen is in
// after's tag with the same kind and bytes.
std::string MutagenApeCarriedMismatch(const std::string& before, const std::string& after);

}  // namespace testsupport
