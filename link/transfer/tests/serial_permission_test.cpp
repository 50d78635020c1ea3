// A serial device that the user may not open: a pseudo-terminal only root may use, opened
// by nobody.
#include "link/transfer/link_session.h"
#include "common/testing/ordinary_user.h"
#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/stat.h>

namespace {

TEST(SerialPermission, TheOpenFailureNamesTheDeviceTheReasonAndTheFix)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to open the device as nobody while root alone may";
    int master, slave;
    char name[64];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_EQ(::chmod(name, 0600), 0);
    testing_support::TempFolder dir;
    OrdinaryUserRun run = RunAsOrdinaryUser(dir.Path(), [&]() -> std::string {
        ScriptedPrompter prompter;
        LinkSessionParts parts;
        parts.modeConfigPath = dir / "mode.cfg";
        CLinkSession session(prompter, std::move(parts));
        LinkSettings settings{.bUsb = false};
        if (!settings.SetPort(name))
            return "not a device path";
        session.UseSettings(settings);
        if (session.OpenSerial())
            return "opened";
        const std::string expected = std::string(name) +
                                     ": Permission denied; join the dialout group (sudo adduser $USER dialout), "
                                     "then log in again";
        return session.SerialOpenFailReason() == expected ? "" : session.SerialOpenFailReason();
    });
    ::close(master);
    ::close(slave);
    if (!run.ran)
        GTEST_SKIP() << run.failure;
    EXPECT_EQ(run.failure, "");
}

}  // namespace
