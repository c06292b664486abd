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
