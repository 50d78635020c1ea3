// Message boxes with the core's texts, titles, icons and buttons, for the Prompter and for
// windows that show a worker's box without waiting for it.
#pragma once
#include "common/prompter.h"

#include <QMessageBox>

#include <string>

// A box parented to `parent` (No is its escape button for Yes/No questions).
QMessageBox* MakeMessageBox(const std::string& text, const std::string& title, PromptButtons buttons,
                            PromptIcon icon, QWidget* parent);
// The answer a closed box gave; closing it by its frame or Escape gives the button a user
// would expect.
PromptAnswer AnswerOfBox(const QMessageBox& box, int result, PromptButtons buttons);
