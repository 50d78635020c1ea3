// What the dialog tests share: the demo settings loaded into a document whose messages are
// real message boxes, the encoded image to compare, and finding and typing into controls.
#pragma once
#include "common/qt/qt_prompter.h"
#include "common/qt/testing/modal_dialog.h"
#include "settings/document.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

std::unique_ptr<COrvanel1Doc> LoadDemoDocument(Prompter& prompter);
// The document encoded into its settings image (the snapshot the codec leaves); empty when
// encoding fails.
std::vector<uint8_t> EncodedImage(COrvanel1Doc& doc);

template <typename T = QWidget>
T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}
inline void ClickButton(QWidget* dialog, const char* name) { QTest::mouseClick(Child<QPushButton>(dialog, name), Qt::LeftButton); }
// Replaces the edit's text by typing, as a user would.
inline void Retype(QWidget* dialog, const char* name, const QString& text)
{
    auto* edit = Child<QLineEdit>(dialog, name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}
