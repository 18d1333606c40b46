// Message boxes recorded and answered instead of shown, and modal windows driven by a test.
#pragma once

#include "tests/support/HookGuard.h"
#include "util/Dialogs.h"

#include <functional>

namespace torvel::test {

// true: every box goes to torvel::testing::Boxes() and is answered with OK; false: boxes are
// shown (for a test that closes a real one). Either way the recorded boxes start empty.
using RecordBoxesGuard = HookGuard<bool, &torvel::testing::RecordBoxes>;

// What a recorded Yes/No question is answered: true for "Sim".
using QuestionAnswerGuard = HookGuard<bool, &torvel::testing::AnswerQuestions>;

// ExecModal hands the shown dialog to the hook, which drives and closes it.
using ModalHookGuard = HookGuard<std::function<void(QDialog&)>, &torvel::testing::SetModalHook>;

} // namespace torvel::test
