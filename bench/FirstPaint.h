// Waiting for a window's first paint, which is when the user first sees it: the end of every
// benchmark that opens a window.
#pragma once

#include <functional>

class QWidget;

namespace torvel::bench {

// Pending events handled until `done` holds (or a few seconds passed).
void ProcessUntil(const std::function<bool()>& done);

// Shows the widget and handles events until it has painted once.
void ShowAndWaitForPaint(QWidget& widget);

} // namespace torvel::bench
