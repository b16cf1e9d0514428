#pragma once
// Song type codes and the small helpers every part of the library shares.

#include <cstdint>
#include <string>

#include "songcore/util/Paths.h"

// Where the song lives (exactly one is set).
constexpr uint32_t SONG_TYPE_LOCAL = 0x0001;
constexpr uint32_t SONG_TYPE_INTERNET = 0x0002;
// What format it is (at most one is set), told by the extension.
constexpr uint32_t SONG_TYPE_MPA = 0x0080;
constexpr uint32_t SONG_TYPE_OGG = 0x0100;
constexpr uint32_t SONG_TYPE_MP4 = 0x0200;
constexpr uint32_t SONG_TYPE_RM = 0x0400;
constexpr uint32_t SONG_TYPE_ASF = 0x0800;
constexpr uint32_t SONG_TYPE_AAC = 0x1000;
constexpr uint32_t SONG_TYPE_FLAC = 0x2000;
constexpr uint32_t SONG_TYPE_APE = 0x4000;
constexpr uint32_t SONG_TYPE_MPC = 0x8000;
constexpr uint32_t SONG_TYPE_WAV = 0x10000;
constexpr uint32_t SONG_TYPE_AIFF = 0x20000;
constexpr uint32_t SONG_TYPE_DSF = 0x40000;
constexpr uint32_t SONG_TYPE_WAVPACK = 0x80000;
constexpr uint32_t SONG_TYPE_MATROSKA = 0x100000;
// The formats whose tags the library reads.
constexpr uint32_t SONG_TYPE_TAGGED = 0x1F3F80;

uint32_t GetSongType(std::string path);
// The text after the last "." of the whole string; empty without a ".".
std::string GetFileExt(std::string path);

uint32_t InvertValue(uint32_t value);
uint16_t InvertValue(uint16_t value);

// UTF-16LE (NUL-terminated) to the library's UTF-8 strings.
std::string UnicodeToString(const char16_t* text);
// UTF-8 to NUL-terminated UTF-16LE. With a null buffer returns the bytes
// needed, terminator included; otherwise converts into buffer and returns the
// bytes written, terminator included.
int StringToUnicode(const std::string& text, uint8_t* buffer);

// 8-byte little-endian file fields (ASF, MP4) carried in a 64-bit container;
// only the low 32 bits are used.
uint32_t DoubleToLong(uint64_t field);
uint64_t LongToDouble(int32_t value);
