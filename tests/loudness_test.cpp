// Loudness as tunemoss measures it, against loudgain (the same meter behind
// another decoder front end) on songs that ffmpeg makes in every format.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "support/TestSupport.h"

using testsupport::RunTunemoss;
using testsupport::TempDir;

namespace {

struct Measured {
    double loudness = 0;
    double peak = 0;
    double range = 0;
};

// loudgain's -O table: file (or "Album") -> its figures.
std::map<std::string, Measured> Loudgain(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"loudgain", "-O", "-q"};
    argv.insert(argv.end(), args.begin(), args.end());
    testsupport::RunResult run = testsupport::Run(argv);
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, Measured> out;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream parts(line);
        for (std::string cell; std::getline(parts, cell, '\t');) {
            cells.push_back(cell);
        }
        if (cells.size() >= 4) {
            out[cells[0]] = {std::stod(cells[1]), std::stod(cells[3]), std::stod(cells[2])};
        }
    }
    return out;
}

// A number of one of our JSON lines.
double Field(const std::string& line, const std::string& key) {
    size_t at = line.find("\"" + key + "\":");
    EXPECT_NE(at, std::string::npos) << key << " in " << line;
    if (at == std::string::npos) {
        return 0;
    }
    size_t start = line.find_first_not_of(" \"", at + key.size() + 3);
    return std::stod(line.substr(start));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The integrated loudness ffmpeg's own meter (its ebur128 filter) gives, to
// a tenth.
double FfmpegLoudness(const std::string& path) {
    testsupport::RunResult run =
        testsupport::Run({"ffmpeg", "-nostats", "-i", path, "-af", "ebur128", "-f", "null", "-"});
    const size_t summary = run.err.find("Integrated loudness:");
    const size_t value = run.err.find("I:", summary);
    EXPECT_NE(value, std::string::npos) << run.err;
    return value == std::string::npos ? 0 : std::stod(run.err.substr(value + 2));
}

// The decoded audio's checksum, as ffmpeg makes it.
std::string AudioMd5(const std::string& path) {
    testsupport::RunResult run =
        testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

// The loudness tags of a song as mutagen reads them: key (upper case) ->
// the number its value starts with.
std::map<std::string, double> LoudnessTags(const std::string& path) {
    testsupport::RunResult run = testsupport::RunPython(R"(
import sys, mutagen
tags = mutagen.File(sys.argv[1]).tags or {}
for key in tags.keys():
    if 'REPLAYGAIN' in key.upper() or 'R128' in key.upper():
        value = tags[key]
        value = value[0] if isinstance(value, list) else value
        value = value.text[0] if hasattr(value, 'text') else value
        value = bytes(value).decode() if isinstance(value, (bytes, bytearray)) else str(value)
        print(key.upper() + '\t' + value.split()[0])
)",
                                                        {path});
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, double> tags;
    for (const std::string& line : Lines(run.out)) {
        size_t tab = line.find('\t');
        tags[line.substr(0, tab)] = std::stod(line.substr(tab + 1));
    }
    return tags;
}

}  // namespace

TEST(Loudness, AgreesWithLoudgainOnEveryFormat) {
    if (testsupport::Run({"loudgain", "--version"}).status != 0) {
        GTEST_SKIP() << "loudgain is not installed";
    }
    TempDir dir;
    // A tone over noise, different in each file; mono and 48 kHz among them.
    struct Sample {
        const char* name;
        std::vector<std::string> encode;
    } samples[] = {
        {"a.mp3", {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}},
        {"b.flac", {"-ac", "2", "-ar", "48000", "-c:a", "flac"}},
        {"c.ogg", {"-ac", "1", "-c:a", "libvorbis"}},
        {"d.opus", {"-ac", "2", "-c:a", "libopus"}},
        {"e.m4a", {"-ac", "1", "-c:a", "aac"}},
        {"f.wav", {"-ac", "2", "-c:a", "pcm_s16le"}},
    };
    std::vector<std::string> paths;
    double volume = 0.9;
    for (const Sample& sample : samples) {
        std::vector<std::string> argv = {"ffmpeg",
                                         "-v",
                                         "error",
                                         "-f",
                                         "lavfi",
                                         "-i",
                                         "sine=f=440:d=6,volume=" + std::to_string(volume),
                                         "-f",
                                         "lavfi",
                                         "-i",
                                         "anoisesrc=d=6:a=0.1:c=pink",
                                         "-filter_complex",
                                         "amix=inputs=2:duration=shortest"};
        argv.insert(argv.end(), sample.encode.begin(), sample.encode.end());
        argv.push_back(dir.file(sample.name));
        ASSERT_EQ(testsupport::Run(argv).status, 0) << sample.name;
        paths.push_back(dir.file(sample.name));
        volume *= 0.6;
    }

    // loudgain tags copies of the songs, for the tags ours are held to.
    std::vector<std::string> peerCopies = {"loudgain", "-s", "i", "-q"};
    for (const Sample& sample : samples) {
        peerCopies.push_back(dir.file(std::string("peer-") + sample.name));
        ASSERT_EQ(testsupport::Run({"cp", dir.file(sample.name), peerCopies.back()}).status, 0);
    }
    ASSERT_EQ(testsupport::Run(peerCopies).status, 0);

    std::vector<std::string> audio;
    for (const std::string& path : paths) {
        audio.push_back(AudioMd5(path));
    }
    std::vector<std::string> args = {"loudness", "--json"};
    args.insert(args.end(), paths.begin(), paths.end());
    testsupport::RunResult ours = RunTunemoss(args);
    ASSERT_EQ(ours.status, 0) << ours.err;
    std::vector<std::string> lines = Lines(ours.out);
    ASSERT_EQ(lines.size(), paths.size());
    std::map<std::string, Measured> peer = Loudgain(paths);
    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(samples[i].name);
        const Measured& theirs = peer[paths[i]];
        EXPECT_NEAR(Field(lines[i], "track_loudness_lufs"), theirs.loudness, 0.05);
        EXPECT_NEAR(Field(lines[i], "track_peak"), theirs.peak, 0.001);
        EXPECT_NEAR(Field(lines[i], "track_range_lu"), theirs.range, 0.05);
        EXPECT_NEAR(Field(lines[i], "track_gain"), -18 - theirs.loudness, 0.05);
        EXPECT_NEAR(Field(lines[i], "track_loudness_lufs"), FfmpegLoudness(paths[i]), 0.1 + 0.05);
    }

    // The tags written: loudgain's keys, with values as near as the figures;
    // the audio untouched.
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.name);
        EXPECT_EQ(AudioMd5(dir.file(sample.name)), audio[&sample - samples]);
        std::map<std::string, double> theirs =
            LoudnessTags(dir.file(std::string("peer-") + sample.name));
        std::map<std::string, double> ourTags = LoudnessTags(dir.file(sample.name));
        ASSERT_EQ(ourTags.size(), theirs.size());
        ASSERT_FALSE(ourTags.empty());
        for (const auto& [key, value] : theirs) {
            ASSERT_TRUE(ourTags.count(key)) << key;
            EXPECT_NEAR(ourTags[key], value, key.find("PEAK") != std::string::npos ? 0.001 : 0.051)
                << key;
        }
    }

    // An album of the two songs of one type, as loudgain measures it.
    ours = RunTunemoss({"loudness", "--json", "--dry-run", "--album", paths[0], paths[5]});
    ASSERT_EQ(ours.status, 0) << ours.err;
    lines = Lines(ours.out);
    ASSERT_EQ(lines.size(), 3u);
    Measured album = Loudgain({"-a", paths[0], paths[5]})["Album"];
    EXPECT_NEAR(Field(lines[2], "album_loudness_lufs"), album.loudness, 0.05);
    EXPECT_NEAR(Field(lines[2], "album_peak"), album.peak, 0.001);
    EXPECT_NEAR(Field(lines[0], "album_gain"), -18 - album.loudness, 0.05);

    // Removed again, the R128 items of the Opus song too.
    args = {"loudness", "--remove"};
    args.insert(args.end(), paths.begin(), paths.end());
    ASSERT_EQ(RunTunemoss(args).status, 0);
    for (const std::string& path : paths) {
        EXPECT_EQ(LoudnessTags(path).size(), 0u) << path;
    }
}

TEST(Loudness, NamesWhatCannotBeMeasuredAndMeasuresTheRest) {
    TempDir dir;
    std::string song = dir.file("song.flac");
    ASSERT_EQ(
        testsupport::Run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=d=2", song}).status,
        0);
    std::string text = dir.file("notes.mp3");
    std::ofstream(text) << "not a song";
    testsupport::RunResult run =
        RunTunemoss({"loudness", "--album", "--json", "--jobs", "2", text, song});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(text + ": cannot measure its loudness"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("not every song of the album"), std::string::npos) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(song), std::string::npos);
    EXPECT_EQ(RunTunemoss({"loudness", "--jobs", "0", song}).status, 2);
}
