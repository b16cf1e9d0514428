#pragma once
// Field changes as a user gives them: each field (SongField.h) with its text
// as forms show it and the command line takes it. A list is its values
// joined by "; ", a number its digits, a genre its name. What a batch edit,
// a name pattern and the edit history hand around.

#include <string>
#include <utility>
#include <vector>

#include "songcore/tags/SongField.h"

class CSongFileInfo;

namespace songcore {

// Field changes in the order they were given; a field appears at most once.
using FieldValues = std::vector<std::pair<SongField, std::string>>;

// Sets field to text in values, replacing an earlier value of it.
void PutFieldValue(FieldValues& values, SongField field, std::string text);
const std::string* FindFieldValue(const FieldValues& values, SongField field);

// A number of a total given as "5/12" stands for both; "5/" clears the
// total, and so does clearing the number. The changes with such texts
// split, unless the total is given too.
FieldValues WithTotalsApart(const FieldValues& changes);

// Why text cannot be a value of field; empty when it can.
std::string FieldTextProblem(SongField field, const std::string& text);
// Sets the field from text: a list's values split at "; "; a genre of the
// table by its name in any letter case or by its number, any other as
// typed; a number by its digits, an empty text clearing it. False
// with the reason (FieldTextProblem) when text is no value of the field.
bool SetFieldText(CSongFileInfo& info, SongField field, const std::string& text,
                  std::string& problem);

}  // namespace songcore
