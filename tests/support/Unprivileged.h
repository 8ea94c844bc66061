#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

namespace numino::testing {

// Root may read and write anything; permissions bind only for another
// user. While it lives, the test runs as "nobody" (real, effective and file
// system ids alike, since Qt asks access(), which looks at the real ones),
// keeping root's as the saved ids to come back to. Other users are
// bound by permissions already and change nothing.
class AsUnprivilegedUser {
 public:
  AsUnprivilegedUser() : root_(geteuid() == 0) {
    if (!root_) return;
    EXPECT_EQ(setresgid(kNobody, kNobody, 0), 0);
    EXPECT_EQ(setresuid(kNobody, kNobody, 0), 0);
  }
  ~AsUnprivilegedUser() {
    if (!root_) return;
    EXPECT_EQ(setresuid(0, 0, 0), 0);
    EXPECT_EQ(setresgid(0, 0, 0), 0);
  }
  AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
  AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

 private:
  static constexpr uid_t kNobody = 65534;
  bool root_;
};

}  // namespace numino::testing
