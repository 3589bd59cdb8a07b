#pragma once
// ProjectDialogs answered from a script: each question takes the next answer
// queued for it, and everything shown is recorded.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "project/ProjectDialogs.h"

class ScriptedDialogs : public ProjectDialogs {
public:
    std::deque<Answer> yesNoCancel;
    std::deque<bool> okCancel;
    std::deque<std::optional<std::string>> openChoices;
    std::deque<std::optional<std::string>> saveChoices;

    std::vector<std::string> questions;     // texts of the questions asked
    std::vector<std::string> proposedNames; // names proposed by the save dialogs
    std::vector<std::string> messages;      // "caption: text" of the messages shown
    std::vector<std::string> errors;

    Answer AskYesNoCancel(const std::string&, const std::string& text) override
    {
        questions.push_back(text);
        return Next(yesNoCancel, Answer::Cancel);
    }
    bool AskOkCancel(const std::string&, const std::string& text) override
    {
        questions.push_back(text);
        return Next(okCancel, false);
    }
    std::optional<std::string> ChooseFileToOpen(const std::string&, const std::string&) override
    {
        return Next(openChoices, std::optional<std::string>());
    }
    std::optional<std::string> ChooseFileToSave(const std::string&, const std::string&,
                                                const std::string&,
                                                const std::string& proposedName) override
    {
        proposedNames.push_back(proposedName);
        return Next(saveChoices, std::optional<std::string>());
    }
    void ShowMessage(const std::string& caption, const std::string& text) override
    {
        messages.push_back(caption + ": " + text);
    }
    void LogError(const std::string& text) override { errors.push_back(text); }

private:
    // An unscripted question is a test fault: it fails and gets the safe answer.
    template <typename T>
    T Next(std::deque<T>& queue, T fallback)
    {
        if (queue.empty()) {
            ADD_FAILURE() << "a question the test did not expect";
            return fallback;
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};
