#pragma once
// CIni: typed access to one INI file by path. Nothing is held open and
// nothing is cached per object: every call goes to the file through the
// profile operations, so two objects on one path see each other's writes at
// once. A null section or key makes an operation fail without touching the
// file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CIni {
public:
    struct POINT {
        int32_t x = 0;
        int32_t y = 0;
    };
    struct RECT {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
    };
    using SubStrProc = int (*)(const char* item, void* userData);

    CIni() = default;
    explicit CIni(const char* path);
    CIni(const CIni&) = default;
    CIni& operator=(const CIni&) = default;
    virtual ~CIni() = default;

    void SetPathName(const char* path);
    std::string GetPathName() const { return path_; }
    uint32_t GetPathName(char* buffer, uint32_t size) const;

    // --- strings ---
    std::string GetString(const char* section, const char* key,
                          const char* defaultValue = nullptr) const;
    uint32_t GetString(const char* section, const char* key, char* buffer, uint32_t size,
                       const char* defaultValue = nullptr) const;
    int WriteString(const char* section, const char* key, const char* value) const;
    int AppendString(const char* section, const char* key, const char* text) const;

    // --- numbers and flags ---
    int GetInt(const char* section, const char* key, int defaultValue, int base = 10) const;
    uint32_t GetUInt(const char* section, const char* key, uint32_t defaultValue,
                     int base = 10) const;
    int WriteInt(const char* section, const char* key, int value, int base = 10) const;
    int WriteUInt(const char* section, const char* key, uint32_t value, int base = 10) const;
    int IncreaseInt(const char* section, const char* key, int delta = 1, int base = 10) const;
    int IncreaseUInt(const char* section, const char* key, uint32_t delta = 1, int base = 10) const;
    int GetBool(const char* section, const char* key, int defaultValue) const;
    int WriteBool(const char* section, const char* key, int value) const;
    int InvertBool(const char* section, const char* key) const;
    double GetDouble(const char* section, const char* key, double defaultValue) const;
    int WriteDouble(const char* section, const char* key, double value, int precision = -1) const;
    int IncreaseDouble(const char* section, const char* key, double delta,
                       int precision = -1) const;
    char GetChar(const char* section, const char* key, char defaultValue) const;
    int WriteChar(const char* section, const char* key, char ch) const;

    // --- data blocks ---
    uint32_t GetDataBlock(const char* section, const char* key, void* buffer, uint32_t size,
                          uint32_t offset = 0) const;
    int WriteDataBlock(const char* section, const char* key, const void* data, uint32_t size) const;
    int AppendDataBlock(const char* section, const char* key, const void* data,
                        uint32_t size) const;
    POINT GetPoint(const char* section, const char* key, POINT defaultValue) const;
    int WritePoint(const char* section, const char* key, POINT value) const;
    RECT GetRect(const char* section, const char* key, RECT defaultValue) const;
    int WriteRect(const char* section, const char* key, RECT value) const;

    // --- arrays ---
    uint32_t GetArray(const char* section, const char* key, char* buffer, uint32_t size,
                      const char* delimiter = nullptr, int trim = 1) const;
    void GetArray(const char* section, const char* key, std::vector<std::string>* array,
                  const char* delimiter = nullptr, int trim = 1) const;
    int WriteArray(const char* section, const char* key, const std::vector<std::string>* array,
                   int count = -1, const char* delimiter = nullptr) const;

    // --- sections and keys ---
    uint32_t GetSectionNames(char* buffer, uint32_t size) const;
    void GetSectionNames(std::vector<std::string>* array) const;
    uint32_t GetKeyLines(const char* section, char* buffer, uint32_t size) const;
    void GetKeyLines(const char* section, std::vector<std::string>* array) const;
    uint32_t GetKeyNames(const char* section, char* buffer, uint32_t size) const;
    void GetKeyNames(const char* section, std::vector<std::string>* array) const;
    int IsSectionExist(const char* section) const;
    int IsKeyExist(const char* section, const char* key) const;
    int DeleteSection(const char* section) const;
    int DeleteKey(const char* section, const char* key) const;
    int CopySection(const char* source, const char* dest, int failIfExist) const;
    int MoveSection(const char* source, const char* dest, int failIfExist = 1) const;
    int CopyKey(const char* sourceSection, const char* sourceKey, const char* destSection,
                const char* destKey, int failIfExist) const;
    int MoveKey(const char* sourceSection, const char* sourceKey, const char* destSection,
                const char* destKey, int failIfExist = 1) const;

    static int StringToBool(const char* text, int defaultValue);
    // A value's number as GetInt reads it (its first 64 bytes).
    static int TextToInt(std::string_view text, int base = 10);
    static int ParseDNTString(const char* list, SubStrProc callback, void* userData);

protected:
    // The numeric text of a value: its first 64 bytes, as the typed readers
    // parse it. Empty when the key is missing or empty.
    std::string GetNumberText(const char* section, const char* key) const;

private:
    std::string path_;
};
