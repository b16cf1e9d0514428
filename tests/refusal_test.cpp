// What `tunemoss write` and `tunemoss remove` say when a writer refuses a
// file: the file, the tag and the reason in plain words; the file untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Mp4TestFiles.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

struct Refusal {
    const char* what;
    std::string path;
    std::vector<std::string> args;  // after the command and the path
    std::string message;            // what follows "tunemoss: PATH: "
};

void ExpectRefused(const std::string& command, const Refusal& refusal) {
    SCOPED_TRACE(refusal.what);
    std::vector<uint8_t> before = ReadFileBytes(refusal.path);
    std::vector<std::string> args = {command, refusal.path};
    args.insert(args.end(), refusal.args.begin(), refusal.args.end());
    RunResult result = RunTunemoss(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "tunemoss: " + refusal.path + ": " + refusal.message + "\n");
    EXPECT_EQ(ReadFileBytes(refusal.path), before);
}

// The file with one edit made to its bytes, under a new name in dir.
std::string Damaged(const TempDir& dir, const std::string& sample, const std::string& name,
                    void (*edit)(std::vector<uint8_t>&)) {
    std::vector<uint8_t> bytes = ReadFileBytes(DataFile(sample));
    edit(bytes);
    std::string path = dir.file(name);
    WriteFileBytes(path, bytes);
    return path;
}

}  // namespace

TEST(Refusal, WriteSaysWhyForEachFormat) {
    TempDir dir;
    std::string mdatPastEnd =
        Damaged(dir, "mp4/tagged_end.m4a", "damaged.m4a", [](std::vector<uint8_t>& bytes) {
            PutU32(bytes, FindAtom(bytes, {"mdat"})->offset,
                   static_cast<uint32_t>(bytes.size() * 2));
        });
    std::string cutFlac = Damaged(dir, "flac/plain.flac", "cut.flac",
                                  [](std::vector<uint8_t>& bytes) { bytes.resize(120); });
    const Refusal refusals[] = {
        {"a Speex stream alone",
         CopyDataFile(dir, "ogg/speex.ogg"),
         {"--tag", "ogg", "--title", "x"},
         "could not write the OGG tag: the file holds no Ogg Vorbis, Opus or FLAC stream (Speex "
         "and Theora streams are not written)"},
        {"MP4 atom past the end of the file",
         mdatPastEnd,
         {"--title", "x"},
         "could not write the MP4 tag: the file's atoms are damaged: an atom is smaller than its "
         "header or runs past the end of the file"},
        {"MP4 movie fragments",
         CopyDataFile(dir, "mp4/fragmented.m4a"),
         {"--title", "a title long enough to grow the movie atom"},
         "could not write the MP4 tag: movie fragments follow the movie header; they would have "
         "to move"},
        {"ASF title over the 16-bit length",
         CopyDataFile(dir, "asf/tagged.wma"),
         {"--title", std::string(33000, 't')},
         "could not write the ASF tag: a text is longer than an ASF header allows (65535 bytes "
         "in UTF-16)"},
        {"FLAC cut inside its metadata",
         cutFlac,
         {"--title", "x"},
         "could not write the FLAC tag: the FLAC metadata blocks are cut short: the last one is "
         "missing or runs past the end of the file"},
        {"RealMedia title over the 16-bit length",
         CopyDataFile(dir, "rm/tagged.ra"),
         {"--title", std::string(70000, 't')},
         "could not write the RM tag: a text is longer than a RealMedia description allows "
         "(65535 bytes)"},
    };
    for (const Refusal& refusal : refusals) {
        ExpectRefused("write", refusal);
    }
}

TEST(Refusal, RemoveSaysWhy) {
    TempDir dir;
    // The first object of the header claims 64 bytes more than it has, so
    // the objects no longer fill the header exactly.
    std::string grown = Damaged(dir, "asf/tagged.wma", "damaged.wma",
                                [](std::vector<uint8_t>& bytes) { bytes[30 + 16] ^= 0x40; });
    ExpectRefused("remove", {"damaged ASF header",
                             grown,
                             {"--tag", "asf"},
                             "could not remove the ASF tag: the ASF header is damaged: an object "
                             "in it is cut short or runs past its end"});
}
