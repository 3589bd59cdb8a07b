#include "WxDialogs.h"

#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

#include "WxText.h"

Answer WxDialogs::AskYesNoCancel(const std::string& caption, const std::string& text)
{
    switch (wxMessageBox(ToWx(text), ToWx(caption),
                         wxYES_NO | wxCANCEL | wxICON_QUESTION, m_parent)) {
    case wxYES:
        return Answer::Yes;
    case wxNO:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

bool WxDialogs::AskOkCancel(const std::string& caption, const std::string& text)
{
    return wxMessageBox(ToWx(text), ToWx(caption),
                        wxOK | wxCANCEL | wxICON_QUESTION, m_parent) == wxOK;
}

std::optional<std::string> WxDialogs::ChooseFileToOpen(const std::string& title,
                                                       const std::string& filter)
{
    wxFileDialog dialog(m_parent, ToWx(title), wxEmptyString, wxEmptyString,
                        ToWx(filter), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) {
        return std::nullopt;
    }
    return FromWx(dialog.GetPath());
}

std::optional<std::string> WxDialogs::ChooseFileToSave(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& folder,
                                                       const std::string& proposedName)
{
    wxFileDialog dialog(m_parent, ToWx(title), ToWx(folder),
                        ToWx(proposedName), ToWx(filter),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) {
        return std::nullopt;
    }
    return FromWx(dialog.GetPath());
}

void WxDialogs::ShowMessage(const std::string& caption, const std::string& text)
{
    wxMessageBox(ToWx(text), ToWx(caption), wxOK | wxICON_INFORMATION,
                 m_parent);
}

void WxDialogs::LogError(const std::string& text)
{
    wxLogError("%s", ToWx(text));
}

void WxDialogs::Working(const std::string& text)
{
    if (!text.empty() && !m_busy) {
        m_busy = std::make_unique<wxBusyCursor>();
    } else if (text.empty()) {
        m_busy.reset();
    }
    if (m_status) {
        m_status(text);
    }
}
