// Test doubles for the prompter and the trace: record every message box and debug line,
// answer questions from a script.
#pragma once
#include "common/prompter.h"
#include "common/trace.h"

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

struct PromptRecord {
    std::string text;
    std::string title;
    bool question = false;
};

class ScriptedPrompter : public Prompter {
public:
    std::vector<PromptRecord> shown;
    std::deque<PromptAnswer> answers;

    void Notify(const std::string& text, const std::string& title, PromptIcon) override
    {
        shown.push_back({text, title, false});
    }
    PromptAnswer Ask(const std::string& text, const std::string& title, PromptButtons, PromptIcon) override
    {
        shown.push_back({text, title, true});
        if (answers.empty())
            throw std::logic_error("unscripted question: " + text);
        PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& r : shown)
            texts.push_back(r.text);
        return texts;
    }
};

// Collects the trace lines written while it lives.
class TraceCapture {
public:
    std::vector<std::string> lines;
    TraceCapture() { m_Previous = SetTraceSink([this](const std::string& l) { lines.push_back(l); }); }
    ~TraceCapture() { SetTraceSink(m_Previous); }
    bool Contains(const std::string& part) const
    {
        for (const auto& l : lines)
            if (l.find(part) != std::string::npos)
                return true;
        return false;
    }

private:
    TraceSink m_Previous;
};
