#include <gtest/gtest.h>

#include "flows/Outcome.h"

namespace vemora {
namespace {

TEST(Outcome, FixedMessagesAndIcons) {
    struct Case {
        Outcome outcome;
        const char* text;
        MessageIcon icon;
    } cases[] = {
        {Outcome::Connected, "Connected.", MessageIcon::Information},
        {Outcome::ConfigureRefused, "Port Configuration Set Error!", MessageIcon::None},
        {Outcome::OpenFailed, "Can't open port and Display is disconnected",
         MessageIcon::Exclamation},
        {Outcome::PortError, "Port error! Check port, please.", MessageIcon::Exclamation},
        {Outcome::WrongIdentity, "This Display don't match our company name.",
         MessageIcon::Exclamation},
        {Outcome::NoResponse, "Display did not respond. Check the display, please.",
         MessageIcon::Exclamation},
        {Outcome::GotStatus, "Success to get status of ZRN.", MessageIcon::Information},
        {Outcome::SetStatus, "Success to set status of ZRN", MessageIcon::Information},
        {Outcome::WrongFormat, "Wrong format files loaded.", MessageIcon::Exclamation},
        {Outcome::Unchanged, "Unchanged.", MessageIcon::Information},
        {Outcome::Changed, "Changed.", MessageIcon::Information},
        {Outcome::NotHeld, "The display does not hold what was sent.", MessageIcon::Exclamation},
        {Outcome::WouldChange, "Would change; nothing was written.", MessageIcon::Information},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageFor(c.outcome).text, c.text);
        EXPECT_EQ(MessageFor(c.outcome).icon, c.icon) << c.text;
    }
    const Message partly = MessageFor(Outcome::PartlySet);
    EXPECT_EQ(partly.text, MessageFor(Outcome::PortError).text);
    EXPECT_EQ(partly.detail,
              "The display may now hold only part of the new settings; run Set Status again.");
}

TEST(Outcome, OpenErrorsTellWhatToDo) {
    // Joining the group helps only where the group may read and write the port; the advice
    // names the user, since a dialog runs no shell that would fill in a variable.
    const struct {
        DeviceAccess access;
        const char* says;
    } denied[] = {
        {{"root", "dialout", 0660, "ana", false},
         "/dev/ttyUSB0: permission denied (owner root, group dialout, mode 0660). Join the group "
         "dialout (sudo usermod -aG dialout ana), then log in again."},
        {{"root", "root", 0600, "ana", false},
         "/dev/ttyUSB0: permission denied (owner root, group root, mode 0600). Its group may not "
         "read and write it, so joining the group would not help; ask the administrator to open "
         "it to a group (mode 0660)."},
        {{"root", "dialout", 0660, "ana", true}, "is in the group dialout already; something else"},
        {{}, "/dev/ttyUSB0: permission denied. Ask the administrator for access to it."},
    };
    for (const auto& c : denied) {
        const std::string text = DescribeOpenError(
            {OpenFailure::PermissionDenied, "/dev/ttyUSB0", "Permission denied", c.access});
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_EQ(text.find('$'), std::string::npos) << text;
    }
    EXPECT_NE(DescribeOpenError({OpenFailure::Busy, "/dev/ttyS3", ""}).find("another program"),
              std::string::npos);
    EXPECT_EQ(DescribeOpenError({OpenFailure::DsrOff, "COM1", ""}),
              "COM1: DSR is off. Check that the display is attached and powered.");
    EXPECT_EQ(DescribeOpenError({}), "");
}

// A lock that could not be had names its holder, or what is wrong with the file and the command
// that removes it, quoted for pasting.
TEST(Outcome, LockErrorsNameTheHolderOrTheMend) {
    const auto lock = [](LockFailure failure, long pid, const char* user, int error = 0) {
        LockError e;
        e.failure = failure;
        e.file = "/run/lock/LCK..it's";
        e.pid = pid;
        e.command = pid != 0 ? "minicom" : "";
        e.user = user;
        e.error = error;
        return e;
    };
    const struct {
        LockError error;
        const char* says;
    } cases[] = {
        {lock(LockFailure::Held, 42, "alice"),
         "process 42, minicom of user alice, lock /run/lock/LCK..it's"},
        {lock(LockFailure::Stale, 0, "alice"),
         "the lock /run/lock/LCK..it's was left by a process, which has ended; remove it as alice "
         "or root with: rm '/run/lock/LCK..it'\\''s'"},
        {lock(LockFailure::NotAFile, 0, "bob"), "is not a regular file; remove it as bob or root"},
        {lock(LockFailure::Link, 0, ""), "is a symbolic link; remove it as root with: rm"},
        {lock(LockFailure::CannotOpen, 0, "", EACCES),
         "cannot open the lock file /run/lock/LCK..it's: Permission denied"},
    };
    for (const auto& c : cases) {
        const std::string text = DescribeLockError(c.error);
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
    }
    const LockError held = lock(LockFailure::Held, 42, "alice");
    EXPECT_EQ(PortLockRefusal("COM1", held).failure, OpenFailure::Busy);
    EXPECT_EQ(PortLockRefusal("COM1", lock(LockFailure::Link, 0, "")).failure, OpenFailure::Other);
    const std::vector<std::string> marks =
        DescribeRelease({.end = PassEnd::LockBusy, .marksLock = held});
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0],
              "Another program (process 42, minicom of user alice) kept the printers' lock past "
              "10 s; printers on the port were not parked and may print into it.");
}

// Each printer that did not get its port back says what failed and how to mend it.
TEST(Outcome, RestoreFailuresNameWhatFailedAndTheMend) {
    const struct {
        RestoreFailure why;
        const char* says;
    } cases[] = {
        {RestoreFailure::UriNotSet,
         "\"Q\" is still parked: its device URI was not set back to \"serial:/dev/ttyS0\". Mend "
         "it with: vemora-cli printers --restore (or lpadmin -p 'Q' -v 'serial:/dev/ttyS0',"},
        {RestoreFailure::NotResumed, "was not started again. Mend it with: cupsenable 'Q'"},
        {RestoreFailure::MaybeParked, "may still be parked: the scheduler did not answer in time"},
        {RestoreFailure::PrintedWhileParked,
         "was started by someone while it was parked: no job of it was printed meanwhile"},
        {RestoreFailure::NotPaused,
         "\"Q\" could not be paused while it was parked: any job sent to it meanwhile went to "
         "\"FILE:\" and must be printed again."},
        {RestoreFailure::ChangedMeanwhile, "changed by someone else while it was parked"},
        {RestoreFailure::Removed, "deleted while it was parked"},
    };
    for (const auto& c : cases) {
        const std::string text = DescribeUnrestored({"Q", "serial:/dev/ttyS0", c.why});
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
    }
    EXPECT_NE(DescribeUnrestored({"Q", "", RestoreFailure::PrintedWhileParked, {12, 14}})
                  .find("its jobs 12, 14 went to /dev/null and must be printed again"),
              std::string::npos);
    // A pasted command runs as shown, whatever the queue and its device URI are called.
    EXPECT_NE(DescribeUnrestored({"a;b`id`'", "serial:/dev/ttyS0?baud=9600"})
                  .find("lpadmin -p 'a;b`id`'\\''' -v 'serial:/dev/ttyS0?baud=9600', then "
                        "cupsenable 'a;b`id`'\\'''"),
              std::string::npos);
    const std::vector<std::string> release = DescribeRelease(
        {.end = PassEnd::NoAnswer, .unparked = {{"R", ParkFailure::Refused}}, .recovered = {"S"}});
    ASSERT_EQ(release.size(), 3u);
    EXPECT_NE(release[0].find("\"S\", left parked by a run that has ended"), std::string::npos);
    EXPECT_NE(release[1].find("\"R\" could not be parked: the scheduler refused"),
              std::string::npos);
    EXPECT_NE(release[2].find("did not answer within 3 s"), std::string::npos);
    EXPECT_TRUE(DescribeRelease({.end = PassEnd::NotRunning}).empty());
}

TEST(Outcome, FileFailuresNameTheFileAndReason) {
    const FileResult r{FileOutcome::CannotWrite, "/media/usb/a.sts", "Read-only file system"};
    EXPECT_EQ(DescribeFileFailure(r, true),
              "Could not save \"/media/usb/a.sts\": Read-only file system.");
    EXPECT_EQ(FileOutcomeOf(r), Outcome::FileFailed);
    EXPECT_EQ(FileOutcomeOf({FileOutcome::WrongFormat, "x.sts", ""}), Outcome::WrongFormat);
}

}  // namespace
}  // namespace vemora
