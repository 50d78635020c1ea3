// The terminal's answer to message boxes and questions: every text goes to stderr as
// "Title: text"; questions are asked on the terminal, or answered from the command line.
// A file failure noted in Detail() is added to the next text: "Title: text "PATH": reason".
#pragma once
#include "common/prompter.h"
#include "common/safe_file.h"

#include <optional>

class CliPrompter : public Prompter {
public:
    // preset: the answer for every Yes/No question (from --reboot / --no-reboot); without one
    // the terminal is asked, and without a terminal the answer is No (Cancel).
    explicit CliPrompter(std::optional<bool> preset = std::nullopt) : preset_(preset) {}
    void Notify(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                     PromptIcon icon) override;
    FileFailure* Detail() { return &detail_; }

private:
    FileFailure detail_;
    std::optional<bool> preset_;
};
