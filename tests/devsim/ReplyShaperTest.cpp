// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/ReplyShaper.h"

#include "base/FixedText.h"
#include "devsim/FleetBuilder.h"
#include "discovery/SearchMessage.h"

#include <gtest/gtest.h>

namespace zk::devsim {
namespace {

using discovery::DatagramResult;

// Each bad kind is judged by the tool's own reading of a datagram, so a shape that the tool would
// accept by mistake (or a good reply it would drop) fails here.
class ReplyShaperTest : public ::testing::Test {
protected:
    ReplyShaperTest() {
        m_record = GeneratedProfile(SimOptions{}, 1).record;
        base::CopyBounded(m_record.IpAddress, "192.168.1.10");
    }

    std::string Shape(std::initializer_list<BadKind> kinds, std::string_view root = "XML_NIMBEX") {
        BadKindSet bad;
        for (const BadKind kind : kinds) {
            bad.Add(kind);
        }
        return ShapeReply(m_record, root, bad, m_random);
    }

    DatagramResult Read(const std::string& datagram, discovery::ReplyResult* detail = nullptr) {
        discovery::DeviceRecord record{};
        const DatagramResult result = discovery::ReadSearchDatagram(datagram, discovery::AcceptedRootNames(""), record);
        if (detail != nullptr) {
            *detail = discovery::ParseSearchReply(datagram, record);
        }
        return result;
    }

    discovery::DeviceRecord m_record{};
    std::mt19937_64 m_random{7};
};

TEST_F(ReplyShaperTest, AGoodReplyIsAcceptedUnderEitherDefaultRoot) {
    EXPECT_EQ(Read(Shape({})), DatagramResult::Reply);
    EXPECT_EQ(Read(Shape({}, "XML_ORBITLUME")), DatagramResult::Reply);
    EXPECT_EQ(Read(Shape({BadKind::Late})), DatagramResult::Reply) << "late changes the timing only";
}

TEST_F(ReplyShaperTest, RootAndHeaderShapesAreRejectedByTheHeaderCheck) {
    for (const BadKind kind : {BadKind::OtherRoot, BadKind::RootAttributes, BadKind::NoMsgFlag}) {
        const std::string reply = Shape({kind});
        EXPECT_EQ(Read(reply), DatagramResult::Rejected) << BadKindName(kind) << ":\n" << reply;
    }
    discovery::SearchHeader header;
    EXPECT_EQ(discovery::ParseSearchHeader({"XML_FOREIGN"}, Shape({BadKind::OtherRoot}), header),
              discovery::kHeaderAccepted)
        << "a tool configured for the other root accepts it";
    EXPECT_EQ(discovery::ParseSearchHeader(discovery::AcceptedRootNames(""), Shape({BadKind::NoMsgFlag}), header),
              discovery::kHeaderNoFlag);
    EXPECT_NE(Shape({BadKind::RootAttributes}).find("<XML_NIMBEX version="), std::string::npos);
}

TEST_F(ReplyShaperTest, BodyShapesAreDroppedForTheirOwnReason) {
    const std::pair<BadKind, discovery::ReplyResult> cases[] = {
        {BadKind::IpcOnly, discovery::ReplyResult::NotNvsOrDvs},
        {BadKind::NoLanConfig, discovery::ReplyResult::NoLanConfig},
        {BadKind::NoStreamConfig, discovery::ReplyResult::NoStreamConfig},
    };
    for (const auto& [kind, reason] : cases) {
        discovery::ReplyResult detail{};
        EXPECT_EQ(Read(Shape({kind}), &detail), DatagramResult::NotAReply) << BadKindName(kind);
        EXPECT_EQ(detail, reason) << BadKindName(kind);
    }
    // Without the stream element the LAN element is still there, and the other way round.
    EXPECT_NE(Shape({BadKind::NoStreamConfig}).find("<LANConfig"), std::string::npos);
    EXPECT_NE(Shape({BadKind::NoLanConfig}).find("<MediaStreamConfig>"), std::string::npos);
}

TEST_F(ReplyShaperTest, AnOversizeReplyIsWellFormedButTooLargeToRead) {
    const std::string reply = Shape({BadKind::Oversize});
    EXPECT_EQ(reply.size(), kOversizeReplyBytes);
    EXPECT_GT(reply.size(), 5120u);
    EXPECT_EQ(Read(reply), DatagramResult::TooLarge);
    discovery::DeviceRecord record{};
    EXPECT_EQ(discovery::ParseSearchReply(reply, record), discovery::ReplyResult::Accepted);
}

TEST_F(ReplyShaperTest, RandomBytesDifferEachTimeAndAreNeverAccepted) {
    const std::string first = Shape({BadKind::RandomBytes});
    const std::string second = Shape({BadKind::RandomBytes});
    EXPECT_NE(first, second);
    EXPECT_NE(Read(first), DatagramResult::Reply);
    EXPECT_NE(Read(second), DatagramResult::Reply);
    std::mt19937_64 again{7};
    EXPECT_EQ(ShapeReply(
                  m_record, "XML_NIMBEX",
                  [] {
                      BadKindSet bad;
                      bad.Add(BadKind::RandomBytes);
                      return bad;
                  }(),
                  again),
              first)
        << "the same seed gives the same bytes";
}

} // namespace
} // namespace zk::devsim
