// The wire format's constants: the message type table and the header layout.
#include "runtime/net/net_message.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

TEST(NetMessageTable, TypesAreTheProtocols) {
  struct Row {
    uint8_t code;
    const char* name;
    int32_t minimumQueryLength;
  };
  const Row expected[] = {
      {1, "JoinRequest", 152},  {2, "JoinAccepted", 0}, {3, "UserMessage", 0},  {4, "Leave", 0},
      {101, "CountPlayers", 0}, {102, "PlayerIdAt", 4}, {103, "PlayerName", 4}, {104, "Hello", 0},
  };
  ASSERT_EQ(std::size(expected), kNetMessageTypes.size());
  for (size_t i = 0; i < kNetMessageTypes.size(); ++i) {
    const NetMessageTypeRow& row = kNetMessageTypes[i];
    EXPECT_EQ(row.code, expected[i].code);
    EXPECT_EQ(static_cast<uint8_t>(row.type), expected[i].code);
    EXPECT_EQ(row.name, expected[i].name);
    EXPECT_EQ(row.minimumQueryLength, expected[i].minimumQueryLength) << row.name;
    EXPECT_EQ(netMessageTypeRow(row.code), &row);
  }
  EXPECT_EQ(netMessageTypeRow(0), nullptr);
  EXPECT_EQ(netMessageTypeRow(100), nullptr);
  // Answers are the types from 100 up; the others are below.
  for (const NetMessageTypeRow& row : kNetMessageTypes) {
    EXPECT_EQ(row.code >= kFirstAnswerType, row.code > 100) << row.name;
  }
}

TEST(NetMessageTable, TheHeaderIsLittleEndianAndPacked) {
  NetMessage message(NetMessageType::kPlayerIdAt, -1, 0x01020304);
  message.setValue(0x0A0B0C0D);
  const uint8_t expected[] = {'K',  'R',  'V', 'N', 102, 4, 0,    0,    0,    0xFF, 0xFF,
                              0xFF, 0xFF, 4,   3,   2,   1, 0x0D, 0x0C, 0x0B, 0x0A, 0};
  ASSERT_EQ(message.datagramSize(), 21u);
  for (size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(message.area[i], expected[i]) << i;
  EXPECT_EQ(kNetMessageArea, 1042u);
  // A payload over 1024 bytes is cut; the terminator still fits behind it.
  const std::string big(2000, 'b');
  message.setPayload(big.data(), big.size());
  EXPECT_EQ(message.length(), 1024);
  EXPECT_EQ(message.area[1041], 0);
  EXPECT_EQ(message.value(7), static_cast<int32_t>(0x62626262));
  message.setPayload("ab", 2);
  EXPECT_EQ(message.value(7), 7) << "a payload under 4 bytes has no value";
}

}  // namespace
}  // namespace korvane
