// Answers that dialogs and message boxes give the logic behind them.
#pragma once

namespace velumix {

// A dialog that could not be shown counts as cancelled.
enum class DialogResult { Ok, Cancel };

enum class Answer { Yes, No };

// The caption of every message that answers a wrong entry.
inline constexpr char kOopsCaption[] = "Oops...";
inline constexpr char kPasswordMistake[] = "Mistake in entering a password. Try again!";

}  // namespace velumix
