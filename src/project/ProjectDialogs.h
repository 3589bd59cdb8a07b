#pragma once
// The questions and file choices the open project asks of the user. The
// desktop program answers them with dialogs; tests answer them from a script,
// since a modal file dialog cannot be driven from a test.

#include <optional>
#include <string>

enum class Answer { Yes, No, Cancel };

class ProjectDialogs {
public:
    virtual ~ProjectDialogs() = default;

    virtual Answer AskYesNoCancel(const std::string& caption, const std::string& text) = 0;
    // True for OK.
    virtual bool AskOkCancel(const std::string& caption, const std::string& text) = 0;
    // An existing file, or nothing when the user cancels.
    virtual std::optional<std::string> ChooseFileToOpen(const std::string& title,
                                                        const std::string& filter) = 0;
    // The file to write (the user has agreed to overwrite it), or nothing.
    virtual std::optional<std::string> ChooseFileToSave(const std::string& title,
                                                        const std::string& filter,
                                                        const std::string& folder,
                                                        const std::string& proposedName) = 0;
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
    // A problem with a file the user chose, for the error log.
    virtual void LogError(const std::string& text) = 0;
    // Tells the user what the program is busy with until Working("") says it
    // is done (a load can take a while: the window cannot respond meanwhile).
    virtual void Working(const std::string& text) { (void)text; }
};
