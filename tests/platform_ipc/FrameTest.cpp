// The frame codec: what goes out comes back, and bad input is contained.
#include <gtest/gtest.h>

#include "platform/ipc/Frame.h"

namespace dv::ipc {
namespace {

using Status = FrameDecoder::Status;

Frame MessageFrame() {
    Frame f;
    f.kind = FrameKind::Send;
    f.seq = 7;
    f.flags = kFlagReplyWhenIdle;
    f.message = 0x11B0;
    f.wParam = 0x1122334455667788ull;
    f.lParam = -2;
    return f;
}

std::vector<uint8_t> Header(uint32_t magic, uint16_t version, uint16_t kind, uint32_t length) {
    std::vector<uint8_t> out;
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(magic >> (8 * i)));
    out.push_back(static_cast<uint8_t>(version));
    out.push_back(static_cast<uint8_t>(version >> 8));
    out.push_back(static_cast<uint8_t>(kind));
    out.push_back(static_cast<uint8_t>(kind >> 8));
    for (int i = 0; i < 4; ++i)
        out.push_back(0);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(length >> (8 * i)));
    return out;
}

TEST(FrameTest, EveryKindSurvivesARoundTripFedByteByByte) {
    std::vector<Frame> frames(5);
    frames[0] = MessageFrame();
    frames[1].kind = FrameKind::Pen;
    frames[1].pen = PenCode::Move;
    frames[1].x = -5;
    frames[1].y = 233;
    frames[2].kind = FrameKind::Shot;
    frames[2].path = "/tmp/shot.png";
    frames[3].kind = FrameKind::Raise;
    frames[4].kind = FrameKind::Reply;
    frames[4].seq = 9;
    frames[4].result = -42;
    FrameDecoder decoder;
    std::vector<Frame> decoded;
    for (const Frame& f : frames) {
        for (uint8_t byte : EncodeFrame(f)) {
            decoder.Feed(std::span(&byte, 1));
            auto result = decoder.Next();
            if (result.status == Status::Frame) {
                decoded.push_back(result.frame);
            } else {
                ASSERT_EQ(result.status, Status::NeedMore);
            }
        }
    }
    ASSERT_EQ(decoded.size(), frames.size());
    EXPECT_EQ(decoded[0].message, 0x11B0u);
    EXPECT_EQ(decoded[0].wParam, 0x1122334455667788ull);
    EXPECT_EQ(decoded[0].lParam, -2);
    EXPECT_EQ(decoded[0].flags, kFlagReplyWhenIdle);
    EXPECT_EQ(decoded[0].seq, 7u);
    EXPECT_EQ(decoded[1].pen, PenCode::Move);
    EXPECT_EQ(decoded[1].x, -5);
    EXPECT_EQ(decoded[1].y, 233);
    EXPECT_EQ(decoded[2].path, "/tmp/shot.png");
    EXPECT_EQ(decoded[3].kind, FrameKind::Raise);
    EXPECT_EQ(decoded[4].result, -42);
    EXPECT_EQ(decoded[4].seq, 9u);
}

TEST(FrameTest, TheHeaderIsLittleEndianWithTheDocumentedLayout) {
    auto bytes = EncodeFrame(MessageFrame());
    ASSERT_EQ(bytes.size(), kHeaderSize + 24);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "DVM1");
    EXPECT_EQ(bytes[4], 1);    // version
    EXPECT_EQ(bytes[6], 1);    // kind Send
    EXPECT_EQ(bytes[8], 7);    // seq
    EXPECT_EQ(bytes[12], 24);  // payload length
    EXPECT_EQ(bytes[kHeaderSize + 4], 0xB0);
    EXPECT_EQ(bytes[kHeaderSize + 5], 0x11);
}

TEST(FrameTest, FramesThatDoNotFitTheirKindAreDroppedAndTheStreamGoesOn) {
    FrameDecoder decoder;
    decoder.Feed(Header(kFrameMagic, kProtocolVersion, 0x42, 3));  // unknown kind
    decoder.Feed(std::vector<uint8_t>{1, 2, 3});
    decoder.Feed(Header(kFrameMagic, kProtocolVersion, 1, 4));  // Send, too short
    decoder.Feed(std::vector<uint8_t>{0, 0, 0, 0});
    Frame pen;
    pen.kind = FrameKind::Pen;
    auto badPen = EncodeFrame(pen);
    badPen[kHeaderSize + 4] = 9;  // no such pen action
    decoder.Feed(badPen);
    Frame shot;
    shot.kind = FrameKind::Shot;
    shot.path = std::string("a\0b", 3);
    decoder.Feed(EncodeFrame(shot));
    decoder.Feed(EncodeFrame(MessageFrame()));
    for (int i = 0; i < 4; ++i) {
        auto result = decoder.Next();
        EXPECT_EQ(result.status, Status::Dropped) << i;
        EXPECT_FALSE(result.problem.empty());
    }
    EXPECT_EQ(decoder.Next().status, Status::Frame);
    EXPECT_EQ(decoder.Next().status, Status::NeedMore);
}

TEST(FrameTest, ABadHeaderEndsTheStream) {
    struct Case {
        uint32_t magic;
        uint16_t version;
        uint32_t length;
    };
    for (Case c : {Case{0xDEADBEEF, kProtocolVersion, 0}, Case{kFrameMagic, 2, 0},
                   Case{kFrameMagic, kProtocolVersion, static_cast<uint32_t>(kMaxPayload + 1)},
                   Case{kFrameMagic, kProtocolVersion, 0xFFFFFFFF}}) {
        FrameDecoder decoder;
        decoder.Feed(Header(c.magic, c.version, 1, c.length));
        auto result = decoder.Next();
        EXPECT_EQ(result.status, Status::Fatal);
        EXPECT_FALSE(result.problem.empty());
        decoder.Feed(EncodeFrame(MessageFrame()));
        EXPECT_EQ(decoder.Next().status, Status::Fatal);
        EXPECT_TRUE(decoder.Failed());
    }
}

}  // namespace
}  // namespace dv::ipc
