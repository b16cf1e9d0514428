// tunemoss art: the pictures (covers) embedded in a song.
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/TerminalText.h"
#include "songcore/tags/Picture.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/util/Paths.h"
#include "songcore/util/UserFile.h"

namespace tunemoss {
namespace {

using songcore::Picture;

std::vector<std::string> PictureTypeWords() {
    std::vector<std::string> words;
    for (std::string_view name : songcore::PictureTypeNames()) {
        words.emplace_back(name);
    }
    return words;
}

const std::vector<OptionSpec> kOptions = {
    {"json"},
    {"extract", ValueKind::Text},
    {"out", ValueKind::File},
    {"set", ValueKind::Image},
    {"type", ValueKind::Choice, PictureTypeWords()},
    {"description", ValueKind::Text},
    {"remove", ValueKind::Text},
};

std::string Dimensions(const Picture& picture) {
    uint32_t width = picture.width, height = picture.height;
    if (width == 0 || height == 0) {
        if (auto size = songcore::ImageSize(picture.data)) {
            width = size->width;
            height = size->height;
        }
    }
    return width && height ? std::to_string(width) + "x" + std::to_string(height) : "";
}

void PrintList(const std::string& path, const std::vector<Picture>& pictures, bool json) {
    if (json) {
        std::string list;
        int index = 1;
        for (const Picture& picture : pictures) {
            JsonObject item;
            item.add("index", int64_t{index++})
                .add("type", std::string(songcore::PictureTypeName(picture.type)))
                .add("mime", picture.mime)
                .add("description", picture.description)
                .add("size", static_cast<int64_t>(picture.data.size()));
            std::string dimensions = Dimensions(picture);
            if (!dimensions.empty()) {
                item.add("dimensions", dimensions);
            }
            list += (list.empty() ? "" : ",") + item.str();
        }
        std::cout << JsonObject().add("file", path).addRaw("pictures", "[" + list + "]").str()
                  << "\n";
        return;
    }
    std::cout << EscapeForTerminal(path) << ": "
              << (pictures.empty() ? "no pictures"
                                   : std::to_string(pictures.size()) +
                                         (pictures.size() == 1 ? " picture" : " pictures"))
              << "\n";
    int index = 1;
    for (const Picture& picture : pictures) {
        std::ostringstream line;
        line << "  " << index++ << ". " << songcore::PictureTypeName(picture.type) << "  "
             << (picture.mime.empty() ? "?" : picture.mime) << "  " << picture.data.size()
             << " bytes";
        if (std::string dimensions = Dimensions(picture); !dimensions.empty()) {
            line << "  " << dimensions;
        }
        if (!picture.description.empty()) {
            line << "  \"" << EscapeForTerminal(picture.description) << "\"";
        }
        std::cout << line.str() << "\n";
    }
}

// The picture a 1-based index names; nothing (and a usage error said) when
// the index is not one of the song's.
std::optional<size_t> PictureIndex(const std::string& text, size_t count) {
    std::optional<unsigned long> number = ParseUnsigned(text);
    if (!number || *number == 0 || *number > count) {
        return std::nullopt;
    }
    return *number - 1;
}

// The usage error of a picture number that is not one of the song's.
int WrongPictureNumber(const std::string& option, const std::string& path, size_t count) {
    if (count == 0) {
        return UsageError("art", option + ": " + path + " has no pictures");
    }
    std::string takes = option == "--remove" ? " takes \"all\" or" : " takes";
    return UsageError(
        "art", option + takes + " the number of a picture (1 to " + std::to_string(count) + ")");
}

int Extract(const std::string& path, const std::vector<Picture>& pictures, const Options& options) {
    std::optional<size_t> index = PictureIndex(*options.value("extract"), pictures.size());
    if (!index) {
        return WrongPictureNumber("--extract", path, pictures.size());
    }
    std::optional<std::string> out = options.value("out");
    if (!out) {
        return UsageError("art", "--extract needs --out PATH");
    }
    const std::vector<uint8_t>& data = pictures[*index].data;
    if (*out == "-") {
        std::cout.write(reinterpret_cast<const char*>(data.data()),
                        static_cast<std::streamsize>(data.size()));
        std::cout.flush();
        if (!std::cout) {
            ReportError("cannot write the picture to standard output");
            return kExitFailure;
        }
        return kExitOk;
    }
    std::string error;
    if (!songcore::WriteUserFile(*out, data, path, error)) {
        ReportFileError(*out, "the picture was not written: " + error);
        return kExitFailure;
    }
    return kExitOk;
}

// The song's pictures with the new one in place of those of its role (where
// the first of them stood), or added after the others.
std::vector<Picture> WithPicture(std::vector<Picture> pictures, Picture added) {
    std::vector<Picture> result;
    bool placed = false;
    for (Picture& picture : pictures) {
        if (picture.type != added.type) {
            result.push_back(std::move(picture));
        } else if (!placed) {
            result.push_back(added);
            placed = true;
        }
    }
    if (!placed) {
        result.push_back(std::move(added));
    }
    return result;
}

int Change(const std::string& path, std::vector<Picture> pictures, const Options& options) {
    if (options.has("set")) {
        uint8_t type = songcore::kPictureFrontCover;
        if (auto name = options.value("type")) {
            auto parsed = songcore::PictureTypeFromName(*name);
            if (!parsed) {
                std::string names;
                for (std::string_view known : songcore::PictureTypeNames()) {
                    names += (names.empty() ? "" : ", ") + std::string(known);
                }
                return UsageError("art", "unknown picture type \"" + *name + "\" (" + names + ")");
            }
            type = *parsed;
        }
        std::string image = *options.value("set");
        std::string bytes, error;
        if (!songcore::ReadSmallFile(image, songcore::kMaxPictureSize, bytes, error)) {
            ReportFileError(image, "cannot read the picture: " + error);
            return kExitFailure;
        }
        std::optional<Picture> picture = songcore::PictureFromImage(
            std::vector<uint8_t>(bytes.begin(), bytes.end()), type, &error);
        if (!picture) {
            ReportFileError(image, error);
            return kExitFailure;
        }
        picture->description = options.value("description").value_or("");
        pictures = WithPicture(std::move(pictures), std::move(*picture));
    } else {
        std::string which = *options.value("remove");
        if (which == "all") {
            pictures.clear();
        } else if (auto index = PictureIndex(which, pictures.size())) {
            pictures.erase(pictures.begin() + static_cast<ptrdiff_t>(*index));
        } else {
            return WrongPictureNumber("--remove", path, pictures.size());
        }
    }
    std::string error;
    if (!songcore::WriteSongPictures(path, pictures, error)) {
        ReportFileError(path, "cannot write the pictures: " + error);
        return kExitFailure;
    }
    return kExitOk;
}

int RunArt(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("art", options.error());
    }
    if (options.positional().size() != 1) {
        return UsageError("art", options.positional().empty() ? "no file given" : "takes one file");
    }
    int actions = options.has("extract") + options.has("set") + options.has("remove");
    if (actions > 1) {
        return UsageError("art", "give one of --extract, --set and --remove");
    }
    if ((options.has("type") || options.has("description")) && !options.has("set")) {
        return UsageError("art", "--type and --description go with --set");
    }
    const std::string& path = options.positional().front();
    std::vector<Picture> pictures;
    std::string error;
    if (!songcore::ReadSongPictures(path, pictures, error)) {
        ReportFileError(path, "cannot read the pictures: " + error);
        return kExitFailure;
    }
    if (options.has("extract")) {
        return Extract(path, pictures, options);
    }
    if (options.has("set") || options.has("remove")) {
        return Change(path, std::move(pictures), options);
    }
    PrintList(path, pictures, options.has("json"));
    return kExitOk;
}

const CommandRegistrar registrar({
    "art",
    "list, extract, set or remove the pictures (covers) of a song",
    "Usage: tunemoss art [--json] FILE\n"
    "       tunemoss art FILE --extract N --out PATH\n"
    "       tunemoss art FILE --set IMAGE [--type TYPE] [--description TEXT]\n"
    "       tunemoss art FILE --remove N|all\n"
    "Without an action, lists the pictures embedded in the song: number, type,\n"
    "MIME type, size, dimensions and description.\n\n"
    "  --json              the list as one JSON object\n"
    "  --extract N         writes the bytes of picture N to --out PATH (- for\n"
    "                      standard output); a FIFO or a device is written into,\n"
    "                      a file replaced whole, and the song itself refused\n"
    "  --set IMAGE         embeds a JPEG, PNG, GIF, BMP or WebP image (at most\n"
    "                      16 MB) in place of the pictures of its type\n"
    "  --type TYPE         front (the default), back, other, artist, media,\n"
    "                      leaflet, ... or the number of an ID3v2 picture type\n"
    "  --description TEXT  the picture's description\n"
    "  --remove N|all      removes picture N, or every picture\n\n"
    "MP4 files keep neither type nor description, and APEv2 tags one picture of\n"
    "each type. Every other tag item is kept.\n",
    &RunArt,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss art song.mp3\n"
    "tunemoss art song.mp3 --set front.jpg\n"
    "tunemoss art song.mp3 --set back.png --type back --description Back\n"
    "tunemoss art song.mp3 --extract 1 --out cover.jpg\n"
    "tunemoss art song.mp3 --remove all\n",
});

}  // namespace
}  // namespace tunemoss
