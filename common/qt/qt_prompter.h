// The Prompter of the Qt programs: message boxes with the core's exact texts.
// Workers may call it from their own threads: the box is shown on the GUI
// thread and the worker waits for the answer there. The GUI thread must never
// join a worker that may be asking (close asynchronously instead).
#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "common/prompter.h"

class CQtPrompter : public QObject, public Prompter {
    Q_OBJECT
public:
    // parent: the window the boxes are modal to; may change (SetParentWindow) as dialogs open.
    explicit CQtPrompter(QWidget* parent = nullptr);
    void SetParentWindow(QWidget* parent) { m_pParent = parent; }

    void Notify(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                     PromptIcon icon) override;

private:
    PromptAnswer ShowOnGuiThread(const std::string& text, const std::string& title, PromptButtons buttons,
                                 PromptIcon icon);
    QPointer<QWidget> m_pParent;
};
