// A controller over a real document and real settings files, with scripted dialogs, link
// and prompter.
#pragma once
#include "common/testing/scripted_prompter.h"
#include "editor_ui/core/editor_controller.h"
#include "editor_ui/tests/scripted_host.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <unistd.h>

// The status line's passing messages.
struct PassingMessages : EditorListener {
    std::vector<std::string> texts;
    void Refresh(unsigned) override {}
    void ShowPassing(const std::string& text) override { texts.push_back(text); }
    std::string Last() const { return texts.empty() ? std::string() : texts.back(); }
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc->m_SideFileFolder = dir;
    }

    // A settings file of the given model, written by the real file writer.
    fs::path MakeFile(const std::string& name, DemoOptions options = {})
    {
        auto source = std::make_unique<COrvanel1Doc>();
        source->m_SideFileFolder = dir;
        BuildDemoSettings(*source, options);
        fs::path path = dir / name;
        EXPECT_EQ(SaveSettingsFile(*source, path), SettingsFileResult::Ok);
        return path;
    }
    void OpenDemo(DemoOptions options = {}) { ASSERT_TRUE(ctl.OpenAtStart(MakeFile("demo.std", options))); }

    testing_support::TempFolder temp{"editor"};
    fs::path dir = temp.Path();
    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    ScriptedLink link;
    CEditorController ctl{*doc, prompter, dialogs, link};
};
