// The session's wire format: one datagram per message, a 17-byte little-endian header behind
// the "KRVN" magic, then up to 1024 payload bytes. The message types live in one table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace korvane {

inline constexpr char kNetMagic[4] = {'K', 'R', 'V', 'N'};
inline constexpr size_t kNetHeaderSize = 17;
inline constexpr int32_t kNetMaxPayload = 1024;
inline constexpr size_t kNetMaxDatagram = kNetHeaderSize + kNetMaxPayload;  // 1041
// The terminator behind a full payload needs one byte more.
inline constexpr size_t kNetMessageArea = kNetMaxDatagram + 1;  // 1042

inline constexpr int32_t kNetDefaultPort = 26000;
inline constexpr int32_t kNetToServer = 0;
inline constexpr int32_t kNetFromServer = 0;
inline constexpr int32_t kNetToAll = -1;

// Header offsets.
inline constexpr size_t kNetTypeOffset = 4;
inline constexpr size_t kNetLengthOffset = 5;
inline constexpr size_t kNetToOffset = 9;
inline constexpr size_t kNetFromOffset = 13;

// The JoinRequest payload: the requesting player's record from its connection field on.
inline constexpr int32_t kJoinRequestLength = 152;
inline constexpr size_t kJoinHiddenOffset = 8;
inline constexpr size_t kJoinCreatedOnHostOffset = 9;
inline constexpr size_t kJoinNameOffset = 10;
inline constexpr size_t kPlayerNameCapacity = 130;  // 129 characters and the zero
// A query's 32-bit argument or an answer's 32-bit value.
inline constexpr int32_t kNetValueLength = 4;

enum class NetMessageType : uint8_t {
  kJoinRequest = 1,
  kJoinAccepted = 2,
  kUserMessage = 3,
  kLeave = 4,
  kCountPlayers = 101,
  kPlayerIdAt = 102,
  kPlayerName = 103,
  kHello = 104,
};

// Types from here up are server answers, queued for the command that waits for one.
inline constexpr uint8_t kFirstAnswerType = 100;

struct NetMessageTypeRow {
  NetMessageType type;
  uint8_t code;
  std::string_view name;
  // Payload bytes a message addressed to the server needs before it is handled.
  int32_t minimumQueryLength;
};

inline constexpr std::array<NetMessageTypeRow, 8> kNetMessageTypes = {{
    {NetMessageType::kJoinRequest, 1, "JoinRequest", kJoinRequestLength},
    {NetMessageType::kJoinAccepted, 2, "JoinAccepted", 0},
    {NetMessageType::kUserMessage, 3, "UserMessage", 0},
    {NetMessageType::kLeave, 4, "Leave", 0},
    {NetMessageType::kCountPlayers, 101, "CountPlayers", 0},
    {NetMessageType::kPlayerIdAt, 102, "PlayerIdAt", kNetValueLength},
    {NetMessageType::kPlayerName, 103, "PlayerName", kNetValueLength},
    {NetMessageType::kHello, 104, "Hello", 0},
}};
static_assert(kNetMessageTypes.size() == 8);

// The row of a type code, or null for a code the protocol does not have.
constexpr const NetMessageTypeRow* netMessageTypeRow(uint8_t code) {
  for (const NetMessageTypeRow& row : kNetMessageTypes) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

inline int32_t readInt32(const uint8_t* p) {
  const uint32_t value = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(value);
}

inline void writeInt32(uint8_t* p, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  p[0] = static_cast<uint8_t>(bits);
  p[1] = static_cast<uint8_t>(bits >> 8);
  p[2] = static_cast<uint8_t>(bits >> 16);
  p[3] = static_cast<uint8_t>(bits >> 24);
}

// A message in memory: the datagram and room for the terminator behind its payload. The length
// field of a held message is always within 0 … 1024.
struct NetMessage {
  std::array<uint8_t, kNetMessageArea> area{};

  NetMessage() = default;
  // A message to send: magic, type, length 0, to and from.
  NetMessage(NetMessageType type, int32_t to, int32_t from) {
    std::memcpy(area.data(), kNetMagic, sizeof kNetMagic);
    setType(type);
    setTo(to);
    setFrom(from);
  }

  uint8_t type() const { return area[kNetTypeOffset]; }
  int32_t length() const { return readInt32(&area[kNetLengthOffset]); }
  int32_t to() const { return readInt32(&area[kNetToOffset]); }
  int32_t from() const { return readInt32(&area[kNetFromOffset]); }
  uint8_t* payload() { return &area[kNetHeaderSize]; }
  const uint8_t* payload() const { return &area[kNetHeaderSize]; }
  std::string_view payloadText() const {
    return {reinterpret_cast<const char*>(payload()), static_cast<size_t>(length())};
  }
  // The payload's first 32-bit value; `fallback` when the payload is shorter.
  int32_t value(int32_t fallback) const {
    return length() >= kNetValueLength ? readInt32(payload()) : fallback;
  }
  size_t datagramSize() const { return kNetHeaderSize + static_cast<size_t>(length()); }

  void setType(NetMessageType type) { area[kNetTypeOffset] = static_cast<uint8_t>(type); }
  void setTo(int32_t to) { writeInt32(&area[kNetToOffset], to); }
  void setFrom(int32_t from) { writeInt32(&area[kNetFromOffset], from); }
  void setMagic() { std::memcpy(area.data(), kNetMagic, sizeof kNetMagic); }
  // Sets the payload (cut at 1024 bytes) and its terminator.
  void setPayload(const void* bytes, size_t size) {
    const size_t kept = size > static_cast<size_t>(kNetMaxPayload) ? kNetMaxPayload : size;
    if (kept > 0) std::memcpy(payload(), bytes, kept);
    writeInt32(&area[kNetLengthOffset], static_cast<int32_t>(kept));
    area[kNetHeaderSize + kept] = 0;
  }
  void setValue(int32_t value) {
    uint8_t bytes[kNetValueLength];
    writeInt32(bytes, value);
    setPayload(bytes, sizeof bytes);
  }
};

// Checks a received datagram: at least the header, the magic, and a length field within
// 0 … 1024 and within the bytes that arrived. On success `message` holds it with a zero behind
// the payload; bytes beyond the length are ignored.
inline bool parseDatagram(const uint8_t* data, size_t size, NetMessage& message) {
  if (data == nullptr || size < kNetHeaderSize) return false;
  if (std::memcmp(data, kNetMagic, sizeof kNetMagic) != 0) return false;
  const int32_t length = readInt32(data + kNetLengthOffset);
  if (length < 0 || length > kNetMaxPayload) return false;
  const size_t total = kNetHeaderSize + static_cast<size_t>(length);
  if (total > size) return false;
  message.area.fill(0);
  std::memcpy(message.area.data(), data, total);
  message.area[total] = 0;
  return true;
}

}  // namespace korvane
