#pragma once
// Thread starts that fail on purpose, for code that must go on when the
// system has no thread left to give it.

#include <functional>
#include <memory>
#include <system_error>
#include <thread>

namespace testing_support {

using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

// Starts threads as std::thread does until `limit` have started, then throws
// what std::thread throws when the system refuses one; limit < 0: never.
inline ThreadStarter StartAtMost(int limit) {
  auto started = std::make_shared<int>(0);
  return [limit, started](std::function<void()> body) {
    if (limit >= 0 && *started >= limit)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    ++*started;
    return std::thread(std::move(body));
  };
}

}  // namespace testing_support
