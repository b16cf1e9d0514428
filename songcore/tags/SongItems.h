#pragma once
// The items of a song's tag that no field shows (TagItem.h), read apart
// from the fields: the song tree never needs them.

#include <string>
#include <string_view>
#include <vector>

#include "songcore/tags/TagItem.h"

namespace songcore {

// The items of the song at path; false, and why, when the file or its tag
// cannot be read.
bool ReadSongItems(const std::string& path, std::vector<TagItem>& out, std::string& error);

// Adds value to the item of key in items (a new item when there is none),
// for the readers that meet the values of one key one by one.
void AddItemValue(std::vector<TagItem>& items, std::string key, std::string value, bool editable,
                  bool (*equal)(std::string_view, std::string_view));

}  // namespace songcore
