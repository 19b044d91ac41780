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
    const std::string denied =
        DescribeOpenError({OpenFailure::PermissionDenied, "/dev/ttyUSB0", "Permission denied"});
    EXPECT_NE(denied.find("/dev/ttyUSB0"), std::string::npos);
    EXPECT_NE(denied.find("dialout"), std::string::npos);
    EXPECT_NE(DescribeOpenError({OpenFailure::Busy, "/dev/ttyS3", ""}).find("another program"),
              std::string::npos);
    EXPECT_EQ(DescribeOpenError({}), "");
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
