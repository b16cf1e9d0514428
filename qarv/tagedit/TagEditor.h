#pragma once
// Opens the tag editor of a song file: the dialog of its family of formats,
// chosen by the song type the file's name gives.

#include <QString>
#include <memory>
#include <string>

class QWidget;
class TagDialog;

// Null for a file whose type has no tag editor (an unknown extension, a web
// address).
std::unique_ptr<TagDialog> CreateTagDialog(QWidget* parent, const std::string& path);

// Shows the dialog of the song modally; true when the user updated the tags
// and every write succeeded.
bool OpenTagEditor(QWidget* parent, const std::string& path);
