// Listening where the system does not allow it. (The server's answers are
// tested end to end, against the program: src/driver/preview_*_test.cpp.)
#ifndef _WIN32
#include "preview/server.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tourwright {
namespace {

std::string noModel(void*) { return "{}"; }

TEST(PreviewServerTest, APrivilegedPortGivesTheSystemsReason) {
  // In a child, as a user without the privilege (the superuser has it).
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    PreviewSettings settings = {TourFolder(), noModel, nullptr};
    PreviewServer* server = createPreviewServer(settings);
    ListenOutcome outcome = listenForPreview(server, 1);
    destroyPreviewServer(server);
    if (outcome.result == ListenResult::kListening) _exit(2);  // no privileged ports here
    bool named = outcome.result == ListenResult::kPermissionDenied &&
                 outcome.reason == "Permission denied" && std::string(outcome.address) == "127.0.0.1";
    _exit(named ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2 || WEXITSTATUS(status) == 3) {
    GTEST_SKIP() << "every port may be had here";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tourwright

#endif  // !_WIN32
