// What every editing dialog shares: the data exchange of number fields with the framework's
// texts and the typing limit of text fields.
#pragma once
#include <QString>

#include <functional>
#include <limits>
#include <string>

class Prompter;
class QLineEdit;

// The range a number field accepts on OK. A field without a range of its own takes the
// whole of its type: unsigned fields refuse with "Please enter a positive integer.", the
// others with "Please enter an integer between %1 and %2." and their bounds.
struct IntRange {
    long long min = std::numeric_limits<int>::min();
    long long max = std::numeric_limits<int>::max();
    bool bUnsigned = false;
};
constexpr IntRange kAnyUnsigned{0, std::numeric_limits<unsigned>::max(), true};

// Reads the field as the dialog's OK does: on a refusal the text is shown, the field gets
// the focus with its text selected, and false is returned (the dialog stays open).
bool ReadIntField(QLineEdit* edit, IntRange range, long long& value, Prompter& prompter);
// The framework's refusal text for a range.
std::string IntFieldText(IntRange range);

// Limits the edit to `limit` characters. A key that would add one past the limit calls
// beyond(text it would have made) and is swallowed, so the text stays at the limit.
void LimitTyping(QLineEdit* edit, int limit, std::function<void(const QString&)> beyond);
