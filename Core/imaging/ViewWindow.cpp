#include "Core/imaging/ViewWindow.h"

#include <chrono>
#include <thread>

#include "platform/automation/Trap.h"
#include "platform/display/Windows.h"
#include "platform/os/System.h"

namespace rc::core {

namespace au = rc::automation;
namespace dp = rc::display;

namespace {

constexpr std::int32_t kViewWidth = 906;
constexpr std::int32_t kViewHeight = 831;
constexpr std::int64_t kSettleSeconds = 3;
// The pause between two passes of the wait, so it does not spin a core.
constexpr auto kPass = std::chrono::milliseconds(10);

std::int64_t wholeSeconds(std::chrono::system_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

// Waits until `seconds` second boundaries have passed since now, handling
// pending events on every pass.
void waitSecondBoundaries(std::int64_t seconds) {
  const std::int64_t start = wholeSeconds(std::chrono::system_clock::now());
  while (wholeSeconds(std::chrono::system_clock::now()) - start < seconds) {
    platform::doEvents();
    std::this_thread::sleep_for(kPass);
  }
}

}  // namespace

std::int32_t GetLastTopChild(std::int32_t& hwnd) {
  auto top = static_cast<dp::Handle>(hwnd);
  if (top != 0)
    for (dp::Handle parent = dp::getParent(top); parent != 0; parent = dp::getParent(top)) top = parent;
  const dp::Handle child = dp::getWindow(top, dp::Relation::Child);
  hwnd = static_cast<std::int32_t>(dp::getWindow(child, dp::Relation::Last));
  return hwnd;
}

std::int16_t SizeViewWindow(std::int32_t hwnd) {
  std::int16_t result = 0;
  au::trapped(
      [&] {
        const auto window = static_cast<dp::Handle>(hwnd);
        dp::Rect parent, own;
        dp::getWindowRect(dp::getParent(window), parent);
        dp::getWindowRect(window, own);
        dp::moveWindow(window, own.left - parent.left, own.top - parent.top, kViewWidth, kViewHeight, true);
        waitSecondBoundaries(kSettleSeconds);
      },
      [&](const au::AutomationError&) { result = 1; });
  return result;
}

}  // namespace rc::core
