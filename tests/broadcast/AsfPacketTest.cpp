// Finding the start of a key frame in an ASF data packet, as the muxer
// writes them (several payloads, a replicated data block each).
#include "BroadcastGraph.h"

#include <gtest/gtest.h>

#include <vector>

using quorvel::BroadcastGraph;

namespace {

struct Payload {
    std::uint8_t stream;  // bit 7: key frame
    std::uint32_t offset; // into the media object
    int bytes;
};

std::vector<std::uint8_t> packet(const std::vector<Payload> &payloads, int size = 1500)
{
    std::vector<std::uint8_t> p = {0x82, 0x00, 0x00,
                                   0x09,   // several payloads, padding length as a byte
                                   0x5D};  // stream, object, replicated: byte; offset: dword
    const std::size_t paddingAt = p.size();
    p.push_back(0);
    p.insert(p.end(), {1, 2, 3, 4, 0, 0});  // send time, duration
    p.push_back(std::uint8_t(0x80 | payloads.size()));  // payload lengths as words
    for (const Payload &pl : payloads) {
        p.push_back(pl.stream);
        p.push_back(7);  // media object number
        for (int i = 0; i < 4; ++i)
            p.push_back(std::uint8_t(pl.offset >> (8 * i)));
        p.push_back(8);  // replicated data: size and time of the object
        p.insert(p.end(), 8, 0x11);
        p.push_back(std::uint8_t(pl.bytes));
        p.push_back(std::uint8_t(pl.bytes >> 8));
        p.insert(p.end(), std::size_t(pl.bytes), 0xAB);
    }
    p[paddingAt] = std::uint8_t(size - int(p.size()));
    p.resize(std::size_t(size), 0);
    return p;
}

struct Case {
    const char *name;
    std::vector<Payload> payloads;
    bool key;
};

class AsfKeyStart : public ::testing::TestWithParam<Case> {};

TEST_P(AsfKeyStart, IsFoundInAnyPayloadOfTheVideoStream)
{
    const auto bytes = packet(GetParam().payloads, 1200);
    EXPECT_EQ(BroadcastGraph::packetStartsKeyFrame(bytes.data(), bytes.size(), 1), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    Broadcast, AsfKeyStart,
    ::testing::Values(Case{"KeyFirst", {{0x81, 0, 300}}, true},
                      Case{"KeyAfterDeltaFrames", {{0x01, 0, 100}, {0x01, 0, 120}, {0x81, 0, 400}}, true},
                      Case{"DeltaFramesOnly", {{0x01, 0, 100}, {0x01, 0, 120}}, false},
                      Case{"KeyFrameContinued", {{0x81, 1100, 200}, {0x01, 0, 100}}, false},
                      Case{"AudioIsNotTheVideo", {{0x82, 0, 300}, {0x01, 0, 100}}, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AsfKeyStartBytes, TruncatedOrEmptyPacketsAreNoKey)
{
    const auto bytes = packet({{0x01, 0, 100}, {0x81, 0, 400}});
    for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(4), std::size_t(12), std::size_t(60)})
        EXPECT_FALSE(BroadcastGraph::packetStartsKeyFrame(bytes.data(), cut, 1)) << cut;
    EXPECT_TRUE(BroadcastGraph::packetStartsKeyFrame(bytes.data(), bytes.size(), 1));
}

} // namespace
