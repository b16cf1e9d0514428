#pragma once
// CMPAException: the one exception that leaves the MPEG audio scanner. It
// carries what failed and on which file; the library never shows it by
// itself, the application decides through the message hook.

#include <exception>
#include <functional>
#include <string>

class CMPAException : public std::exception {
public:
    enum ErrorIDs {
        ErrOpenFile = 0,
        ErrSetPosition = 1,
        ErrReadFile = 2,
        EndOfBuffer = 3,
        NoVBRHeader = 4,
        IncompleteVBRHeader = 5,
        NoFrameInTolerance = 6,
        NoFrame = 7,
    };

    // Receives the composed text and the caption of a message box.
    using MessageHook = std::function<void(const std::string& text, const std::string& caption)>;

    // An empty file or function name means there is none. With useLastError
    // the current errno is kept, so the text can say what the system said.
    CMPAException(ErrorIDs id, std::string fileName = {}, std::string functionName = {},
                  bool useLastError = false);

    ErrorIDs GetErrorID() const { return id_; }
    const std::string& GetFileName() const { return fileName_; }
    const std::string& GetFunctionName() const { return functionName_; }
    const char* what() const noexcept override;

    // The full text: "function: 'file'", the message and the system's reason,
    // at most 255 bytes.
    std::string GetErrorText() const;
    // Hands the text to the application's message hook; nothing happens when
    // the application set none.
    void ShowError() const;

    // Set by the application once; may be replaced or cleared at any time.
    static void SetMessageHook(MessageHook hook);

    static const char* GetMessage(ErrorIDs id);

private:
    ErrorIDs id_;
    std::string fileName_;
    std::string functionName_;
    int lastError_ = 0;
};
