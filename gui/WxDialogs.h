#pragma once
// The project's questions and file choices as the toolkit's dialogs.

#include <functional>
#include <memory>

#include <wx/utils.h>

#include "project/ProjectDialogs.h"

class wxWindow;

class WxDialogs : public ProjectDialogs {
public:
    // parent: the main window, which outlives this object.
    explicit WxDialogs(wxWindow* parent) : m_parent(parent) {}

    Answer AskYesNoCancel(const std::string& caption, const std::string& text) override;
    bool AskOkCancel(const std::string& caption, const std::string& text) override;
    std::optional<std::string> ChooseFileToOpen(const std::string& title,
                                                const std::string& filter) override;
    std::optional<std::string> ChooseFileToSave(const std::string& title,
                                                const std::string& filter,
                                                const std::string& folder,
                                                const std::string& proposedName) override;
    void ShowMessage(const std::string& caption, const std::string& text) override;
    void LogError(const std::string& text) override;
    // A busy cursor while working, and the text shown by status (the status bar).
    void Working(const std::string& text) override;
    void SetStatusHandler(std::function<void(const std::string&)> status)
    {
        m_status = std::move(status);
    }

private:
    wxWindow* m_parent;
    std::unique_ptr<wxBusyCursor> m_busy;
    std::function<void(const std::string&)> m_status;
};
