// Where a program keeps its settings and logs: beside itself in a folder its
// user may write, in the user's XDG folders when installed, and for a root
// run through sudo in the invoking user's home, never root's.

#include "platform/ProgramPlaces.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using platform::PlaceFacts;
using platform::ProgramPlaces;

PlaceFacts facts(std::map<std::string, std::string> environment, bool userMayWrite,
                 std::optional<platform::InvokingUser> user = std::nullopt)
{
    PlaceFacts f;
    f.environment = [environment](const char* name) -> std::optional<std::string> {
        const auto found = environment.find(name);
        if (found == environment.end())
            return std::nullopt;
        return found->second;
    };
    f.invokingUser = user;
    f.effectiveUid = user ? 0 : 1000;
    f.userMayWrite = [userMayWrite](const std::string&) { return userMayWrite; };
    f.homeOf = [](uid_t uid) { return uid == 1000 ? std::string("/home/ann") : std::string("/root"); };
    return f;
}

TEST(ProgramPlaces, FollowTheFolderTheProgramIsIn)
{
    struct Case {
        const char* name;
        std::string program;
        PlaceFacts facts;
        ProgramPlaces expected;
    };
    const Case cases[] = {
        {"build tree", "/home/ann/src/build/app/Ostrel", facts({{"HOME", "/home/ann"}}, true),
         {"/home/ann/src/build/app/Ostrel.ini", "", false}},
        {"installed, XDG folders given", "/usr/bin/Ostrel",
         facts({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_STATE_HOME", "/st"}}, true),
         {"/cfg/ostrel/Ostrel.ini", "/st/ostrel", true}},
        {"installed, defaults", "/usr/bin/Sparvel", facts({{"HOME", "/home/ann"}}, false),
         {"/home/ann/.config/ostrel/Sparvel.ini", "/home/ann/.local/state/ostrel", true}},
        {"relative XDG folders are ignored", "/opt/ostrel/OstrelHX",
         facts({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}}, false),
         {"/home/ann/.config/ostrel/OstrelHX.ini", "/home/ann/.local/state/ostrel", true}},
        {"a folder the user may not write", "/srv/tools/Ostrel", facts({{"HOME", "/home/ann"}}, false),
         {"/home/ann/.config/ostrel/Ostrel.ini", "/home/ann/.local/state/ostrel", true}},
        {"sudo: the invoking user's home, not root's environment", "/usr/bin/Ostrel",
         facts({{"HOME", "/root"}, {"XDG_CONFIG_HOME", "/root/.config"}}, false, platform::InvokingUser{1000, 1000}),
         {"/home/ann/.config/ostrel/Ostrel.ini", "/home/ann/.local/state/ostrel", true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramPlaces places = platform::placesFor(c.program, c.facts);
        EXPECT_EQ(places.settingsFile, c.expected.settingsFile);
        EXPECT_EQ(places.logFolder, c.expected.logFolder);
        EXPECT_EQ(places.installed, c.expected.installed);
    }
}

} // namespace
