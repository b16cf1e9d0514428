#include "cli/Options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "songcore/tags/OldPlayerTags.h"
#include "songcore/util/Codepage.h"

namespace tunemoss {

Options::Options(const std::vector<OptionSpec>& specs) {
    for (const OptionSpec& spec : specs) {
        (spec.value == ValueKind::None ? flagOptions_ : valueOptions_).push_back(spec.name);
    }
}

bool Options::parse(const std::vector<std::string>& args) {
    auto contains = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            positional_.insert(positional_.end(), args.begin() + static_cast<long>(i) + 1,
                               args.end());
            break;
        }
        if (arg == "-h" || arg == "--help") {
            help_ = true;
            continue;
        }
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            positional_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (contains(flagOptions_, name) && !inlineValue) {
            values_[name] = "";
        } else if (contains(valueOptions_, name)) {
            if (inlineValue) {
                values_[name] = *inlineValue;
            } else if (i + 1 < args.size()) {
                values_[name] = args[++i];
            } else {
                error_ = "option --" + name + " needs a value";
                return false;
            }
            repeated_[name].push_back(values_[name]);
        } else {
            error_ = "unknown option --" + name;
            return false;
        }
    }
    return true;
}

std::optional<std::string> Options::value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::vector<std::string> Options::values(const std::string& name) const {
    auto it = repeated_.find(name);
    return it == repeated_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<unsigned long> ParseUnsigned(const std::string& text) {
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::strtoul(text.c_str(), nullptr, 10);
}

bool ParseDeadline(const Options& options, std::optional<int>& milliseconds) {
    std::optional<std::string> text = options.value("deadline");
    if (!text) {
        return true;
    }
    std::optional<unsigned long> seconds = ParseUnsigned(*text);
    if (!seconds || *seconds < 1 || *seconds > 86400) {
        return false;
    }
    milliseconds = static_cast<int>(*seconds * 1000);
    return true;
}

namespace {

// Hands the encoding named by the option, if given, to apply; false when
// ICU does not know it.
template <typename Apply>
bool ApplyEncodingOption(const Options& options, const char* name, const Apply& apply) {
    std::optional<std::string> encoding = options.value(name);
    if (encoding && !songcore::IsKnownEncoding(*encoding)) {
        return false;
    }
    if (encoding) {
        apply(std::move(*encoding));
    }
    return true;
}

}  // namespace

bool ApplyOldPlayers(const Options& options) {
    return ApplyEncodingOption(options, "old-players", [](std::string encoding) {
        songcore::SetOldPlayerCodepage(std::move(encoding));
    });
}

bool ApplyLegacyEncoding(const Options& options) {
    return ApplyEncodingOption(options, "legacy-encoding", [](std::string encoding) {
        songcore::SetLegacyEncoding(std::move(encoding));
    });
}

}  // namespace tunemoss
