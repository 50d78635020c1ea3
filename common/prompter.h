// The one way the core shows a message box or asks a question.
// The Qt programs answer with message boxes, the command-line tools on the
// terminal, tests with ScriptedPrompter.
#pragma once
#include <string>

enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void Notify(const std::string& text, const std::string& title, PromptIcon icon) = 0;
    virtual PromptAnswer Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                             PromptIcon icon) = 0;
};

// Says nothing and takes the default answer (Ok / Yes); for headless runs that expect no questions.
class SilentPrompter : public Prompter {
public:
    void Notify(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons buttons, PromptIcon) override
    {
        return buttons == PromptButtons::Ok || buttons == PromptButtons::OkCancel ? PromptAnswer::Ok
                                                                                  : PromptAnswer::Yes;
    }
};
