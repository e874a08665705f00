#include "platform/NSProcessInfo.h"
#include "platform/NSWorkspace.h"

#include <gtest/gtest.h>

// Tests never hand a URL to the desktop: the workspace only records what it is asked.
TEST(NSWorkspace, RecordsEveryRequestWithItsVariant) {
    NSWorkspace &ws = NSWorkspace::sharedWorkspace();
    ws.clearRequests();
    const auto url = NSURL::URLWithString("https://zelvar.invalid/download");
    ASSERT_TRUE(url);
    EXPECT_FALSE(ws.openURL(*url));
    NSWorkspaceOpenConfiguration quiet;
    quiet.setActivates(false);
    bool handed = true;
    ws.openURL(*url, quiet, [&](bool h) { handed = h; });
    EXPECT_FALSE(handed);
    ws.openURL(*url, NSWorkspaceOpenConfiguration{}, nullptr);
    EXPECT_EQ(ws.requests(),
              (std::vector<NSWorkspace::Request>{{"https://zelvar.invalid/download", std::nullopt},
                                                 {"https://zelvar.invalid/download", false},
                                                 {"https://zelvar.invalid/download", true}}));
    ws.clearRequests();
}

TEST(NSProcessInfo, SystemVersionIsSettable) {
    NSProcessInfo &info = NSProcessInfo::processInfo();
    const NSOperatingSystemVersion saved = info.operatingSystemVersion();
    EXPECT_TRUE(info.isOperatingSystemAtLeastVersion({10, 15, 0})); // a current system
    info.setOperatingSystemVersion({10, 14, 6});
    EXPECT_FALSE(info.isOperatingSystemAtLeastVersion({10, 15, 0}));
    EXPECT_TRUE(info.isOperatingSystemAtLeastVersion({10, 14, 6}));
    info.setOperatingSystemVersion(saved);
}
