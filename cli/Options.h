#pragma once
// A small command-line option parser: "--name value", "--name=value", flags,
// "--" to end the options, and everything else as positional arguments.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/Command.h"

namespace tunemoss {

class Options {
public:
    // The options a command takes; those of ValueKind::None are flags.
    explicit Options(const std::vector<OptionSpec>& specs);

    // False on an unknown option or a missing value; error() says which.
    bool parse(const std::vector<std::string>& args);
    const std::string& error() const { return error_; }

    bool has(const std::string& name) const { return values_.count(name) > 0; }
    // The last value given for the option; values gives each in turn, for
    // an option that may be given more than once.
    std::optional<std::string> value(const std::string& name) const;
    std::vector<std::string> values(const std::string& name) const;
    bool helpRequested() const { return help_; }
    const std::vector<std::string>& positional() const { return positional_; }

private:
    std::vector<std::string> valueOptions_, flagOptions_;
    std::map<std::string, std::string> values_;
    std::map<std::string, std::vector<std::string>> repeated_;
    std::vector<std::string> positional_;
    std::string error_;
    bool help_ = false;
};

// Parses a whole non-negative decimal number; nothing on any other text.
std::optional<unsigned long> ParseUnsigned(const std::string& text);

// The --deadline SECONDS option of the commands that go on the network: how
// long one transfer may take in all (1 to 86400 seconds). Sets milliseconds
// when the option is given; false for a value out of range.
bool ParseDeadline(const Options& options, std::optional<int>& milliseconds);

// --legacy-encoding ENC of the commands that read tags: the code page of
// legacy 8-bit tag text (ID3v1, ID3v2's ISO-8859-1 frames, RealMedia).
// Sets it when the option is given; false for an encoding ICU does not know.
bool ApplyLegacyEncoding(const Options& options);
// --old-players ENC of the commands that write tags: MPEG files get an
// ID3v1 tag in that code page beside their ID3v2 tag (OldPlayerTags.h).
// False for an encoding ICU does not know.
bool ApplyOldPlayers(const Options& options);

}  // namespace tunemoss
