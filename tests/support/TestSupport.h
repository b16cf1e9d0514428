#pragma once
// Helpers shared by the tests: temporary folders, file contents, the sample
// files in tests/data, and running programs (tunemoss, mutagen's Python).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Returns once done() holds, looking again every millisecond. Without a
// limit of its own: how long a loaded machine takes is not the test's
// business, and ctest's time-out ends a test that waits for ever.
void WaitUntil(const std::function<bool()>& done);

// Path of a sample file in tests/data.
std::string DataFile(const std::string& name);
// Copies a sample file into dir under newName (default: its own name).
std::string CopyDataFile(const TempDir& dir, const std::string& name,
                         const std::string& newName = "");

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadFileText(const std::string& path);

struct RunResult {
    int status = -1;  // exit status, or -1 when the program could not be run
    std::string out;
    std::string err;
};
// Runs a program with arguments (no shell), capturing its output.
RunResult Run(const std::vector<std::string>& argv, const std::string& input = "");
// Runs the tunemoss program under test.
RunResult RunTunemoss(const std::vector<std::string>& args);
// Runs a Python script with Debian's python (which sees python3-mutagen).
RunResult RunPython(const std::string& script, const std::vector<std::string>& args = {});
// True when Debian's python has mutagen.
bool HaveMutagen();

}  // namespace testsupport
