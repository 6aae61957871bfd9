// Answers that dialogs and message boxes give the logic behind them.
#pragma once

namespace velumix {

// A dialog that could not be shown counts as cancelled.
enum class DialogResult { Ok, Cancel };

enum class Answer { Yes, No };

// The caption of every message that answers a wrong entry.
inline constexpr char kOopsCaption[] = "Oops...";
inline constexpr char kPasswordMistake[] = "Mistake in entering a password. Try again!";
// A password with half of a UTF-16 surrogate pair: no UTF-8 holds that half,
// so it would be stored as U+FFFD, and any other half would unlock it.
inline constexpr char kPasswordNotWholeText[] =
    "The password holds a broken character (half of a surrogate pair), which cannot be stored. Try again!";

}  // namespace velumix
