// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRun.h"
#include "cli/CliSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace zk::cli {
namespace {

TEST(CliTest, VersionPrintsTheVersionStringAlone) {
    const auto result = RunWith({QStringLiteral("--version")});
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "V5.9.2_20250106\n");
    EXPECT_EQ(result.err, "");
}

TEST(CliTest, HelpGoesToStandardOutput) {
    const auto result = RunWith({QStringLiteral("--help")});
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_THAT(result.out, ::testing::StartsWith("Usage: zkdevcli"));
    EXPECT_THAT(result.out, ::testing::HasSubstr("--version"));
}

TEST(CliTest, MissingOrUnknownCommandsAreUsageErrors) {
    auto result = RunWith({});
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_THAT(result.err, ::testing::HasSubstr("no command given"));

    result = RunWith({QStringLiteral("frobnicate")});
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_THAT(result.err, ::testing::HasSubstr("unknown command \"frobnicate\""));
    EXPECT_EQ(result.out, "");

    result = RunWith({QStringLiteral("--bogus")});
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_THAT(result.err, ::testing::HasSubstr("unknown option \"--bogus\""));
}

TEST(CliTest, SearchRefusesAnEmptyWorkbookName) {
    const auto result = RunWith({QStringLiteral("search"), QStringLiteral("--xlsx=")});
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_THAT(result.err, ::testing::HasSubstr("--xlsx needs a file name"));
}

// A command's parser: --help prints its options, bad arguments are usage errors that name the
// command, and good ones let the command go on.
TEST(CliTest, LoginTakesUserAndPasswordTogetherAndWholeSeconds) {
    auto result = RunWith({QStringLiteral("login"), QStringLiteral("--user"), QStringLiteral("admin")});
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_THAT(result.err, ::testing::HasSubstr("--user and --password go together"));
    result = RunWith({QStringLiteral("login"), QStringLiteral("--seconds"), QStringLiteral("0")});
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_THAT(result.err, ::testing::HasSubstr("take a whole number"));
    EXPECT_EQ(result.out, "");
}

// The device commands' shared options are checked before anything is searched or sent; the test's
// own namespace has only loopback, so a command that got past its options stops at the adapters.
TEST(CliTest, DeviceCommandsRefuseBadOptionsBeforeSendingAnything) {
    const std::vector<std::pair<QStringList, const char*>> cases = {
        {{QStringLiteral("ip-dhcp")}, "give either --all or --select LIST"},
        {{QStringLiteral("ip-dhcp"), QStringLiteral("--all"), QStringLiteral("--select"), QStringLiteral("SN1")},
         "give either --all or --select LIST"},
        {{QStringLiteral("ip-range"), QStringLiteral("--all"), QStringLiteral("--search-seconds"), QStringLiteral("0")},
         "take a whole number"},
        {{QStringLiteral("ip-set"), QStringLiteral("--select"), QStringLiteral("SN1,SN2")}, "exactly one device"},
        {{QStringLiteral("batch-set"), QStringLiteral("--all"), QStringLiteral("--xml"), QStringLiteral("<A/>")},
         "--code takes a whole number"},
        {{QStringLiteral("batch-set"), QStringLiteral("--all"), QStringLiteral("--code"), QStringLiteral("228")},
         "give either --xml TEXT or --xml-file F"},
        {{QStringLiteral("batch-control"), QStringLiteral("--all"), QStringLiteral("--code"), QStringLiteral("1012")},
         "no network adapter"},
        {{QStringLiteral("ip-check"), QStringLiteral("--from"), QStringLiteral("10.0.0.300"), QStringLiteral("--count"),
          QStringLiteral("3")},
         "give --from A"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto result = RunWith(arguments);
        EXPECT_EQ(result.status, kExitUsage) << arguments.join(u' ').toStdString();
        EXPECT_THAT(result.err, ::testing::HasSubstr(message)) << arguments.join(u' ').toStdString();
        EXPECT_EQ(result.out, "");
    }
}

// ip-check probes for real: loopback answers in the test's namespace, an address with no route
// cannot be probed and counts as free.
TEST(CliTest, IpCheckReportsTheFirstAddressThatAnswers) {
    auto result = RunWith({QStringLiteral("ip-check"), QStringLiteral("--from"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("--count"), QStringLiteral("2")});
    EXPECT_EQ(result.status, kExitFailed);
    EXPECT_EQ(result.out, "IP conflict: an address is already in use: 127.0.0.1\n");
    result = RunWith({QStringLiteral("ip-check"), QStringLiteral("--from"), QStringLiteral("10.1.2.3"),
                      QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--json")});
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_THAT(result.out, ::testing::HasSubstr("\"Conflict\": false"));
}

TEST(CliSupportTest, CommandArgumentsParseWithHelpAndUsageErrors) {
    auto makeParser = [](QCommandLineParser& parser) {
        parser.setApplicationDescription(QStringLiteral("Prints a file's header."));
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the file"));
        parser.addOption({QStringLiteral("json"), QStringLiteral("JSON output")});
    };
    std::ostringstream out;
    std::ostringstream err;
    {
        QCommandLineParser parser;
        makeParser(parser);
        EXPECT_EQ(ParseArguments(parser, QStringLiteral("demo"), {QStringLiteral("--help")}, out, err), kExitOk);
        EXPECT_THAT(out.str(), ::testing::HasSubstr("zkdevcli demo"));
        EXPECT_THAT(out.str(), ::testing::HasSubstr("--json"));
    }
    {
        QCommandLineParser parser;
        makeParser(parser);
        EXPECT_EQ(ParseArguments(parser, QStringLiteral("demo"), {QStringLiteral("--nope")}, out, err), kExitUsage);
        EXPECT_THAT(err.str(), ::testing::HasSubstr("zkdevcli demo: Unknown option 'nope'"));
    }
    {
        QCommandLineParser parser;
        makeParser(parser);
        EXPECT_EQ(ParseArguments(parser, QStringLiteral("demo"), {QStringLiteral("--json"), QStringLiteral("a.bin")},
                                 out, err),
                  std::nullopt);
        EXPECT_TRUE(parser.isSet(QStringLiteral("json")));
        EXPECT_EQ(parser.positionalArguments(), QStringList{QStringLiteral("a.bin")});
    }
}

} // namespace
} // namespace zk::cli
