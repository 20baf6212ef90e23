// The health report's man page against the program: every finding kind the
// findings table can hold and every camera status the report gives has its
// entry, under the name the program writes, so that a new kind or status
// cannot ship undocumented.
#include <gtest/gtest.h>

#include <string>

#include "common/findings_csv.h"
#include "health/findings/camera_status.h"
#include "tests/support/scratch_folder.h"

namespace {

// The man page's entry heads: a ".B name" line, as under .TP.
bool HasEntry(const std::string& page, std::string_view name) {
    return page.find("\n.B " + std::string(name) + "\n") != std::string::npos;
}

}  // namespace

TEST(HealthManPage, ListsEveryFindingKindAndStatusByItsWrittenName) {
    const std::string page = ReadFile(NORV_HEALTH_MAN_PAGE);
    ASSERT_FALSE(page.empty()) << NORV_HEALTH_MAN_PAGE;
    for (int k = 0; k < kFindingKindCount; ++k) {
        const std::string_view kind = KindName(static_cast<FindingKind>(k));
        EXPECT_NE(kind, "unknown") << "finding kind " << k << " has no name";
        EXPECT_TRUE(HasEntry(page, kind)) << "no entry for finding kind " << kind;
    }
    // Statuses are numbered from 0 up; past the last one StatusName gives "?".
    int statuses = 0;
    for (; StatusName(static_cast<CameraStatus>(statuses)) != "?"; ++statuses) {
        const std::string_view status = StatusName(static_cast<CameraStatus>(statuses));
        EXPECT_TRUE(HasEntry(page, status)) << "no entry for status " << status;
    }
    EXPECT_GE(statuses, 3);
    for (const char* code : {"0", "1", "2", "3"}) {
        EXPECT_TRUE(HasEntry(page, code)) << "no entry for exit status " << code;
    }
}
