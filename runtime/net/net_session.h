// Multi-player sessions: one machine hosts (and joins itself), others join; players get ids
// from the server, which keeps the player list, answers queries and routes text messages. A
// worker thread owns every socket read; the commands talk to it through queues under one mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <vector>

#include "runtime/net/net_message.h"
#include "runtime/platform/net_library.h"
#include "runtime/values/rt_string.h"

namespace korvane {

// Local player ids before the server has given one.
inline constexpr int32_t kPlayerPending = -1;    // the JoinRequest is still to be sent
inline constexpr int32_t kPlayerCancelled = -2;  // its creator gave up: the worker discards it
inline constexpr int32_t kPlayerAwaiting = -3;   // the JoinRequest is sent

inline constexpr int32_t kFirstPlayerId = 101;
inline constexpr int kMaxServerConnections = 100;
// Caps that keep a flood of datagrams from taking the memory.
inline constexpr size_t kMaxInboxMessages = 1024;  // per local player; newer ones are dropped
inline constexpr size_t kMaxReplyMessages = 64;
inline constexpr size_t kMaxServerPlayers = 4096;  // further JoinRequests get no answer
inline constexpr int kMaxClientReadsPerPass = 1024;

// Polls: 250 × 20 ms for answers and ids, 50 ms for the worker to stop, 10 ms between passes.
inline constexpr int kAnswerPolls = 250;
inline constexpr int kAnswerPollMs = 20;
inline constexpr int kWorkerStopPollMs = 50;
inline constexpr int kWorkerPassMs = 10;
// Addresses are listed while the text stays this far below 4096 characters.
inline constexpr size_t kAddressListLimit = 4096;
inline constexpr size_t kAddressListMargin = 32;

struct PlayerRecord {
  platform::NlSocket connection = platform::NL_INVALID;
  int32_t id = kPlayerPending;
  uint8_t hidden = 0;
  uint8_t createdOnHost = 0;
  char name[kPlayerNameCapacity] = {};
  std::deque<NetMessage> inbox;

  // Copies at most 129 bytes, up to the first zero.
  void setName(const char* bytes, size_t size);
};

// A received message and where it came from: a server connection, or (NL_INVALID) the client
// socket.
struct ReceivedMessage {
  NetMessage message;
  platform::NlSocket connection = platform::NL_INVALID;
};

class NetSession {
 public:
  // Idle: no sockets, no worker, next id 101, the mutex initialised. The library itself is
  // started by the first reset.
  NetSession();
  // Ends the session (endSession) and frees the mutex.
  ~NetSession();
  NetSession(const NetSession&) = delete;
  NetSession& operator=(const NetSession&) = delete;

  // The program's commands (main thread). Texts marked so are read as numbers and truncated.
  double hostSession(const RtString& port);
  double joinSession(const RtString& address, const RtString& port);
  RtString listLocalAddresses();
  RtString createPlayer(const RtString& name);
  double removePlayer(const RtString& id);
  double sendMessage(const RtString& from, const RtString& to, const RtString& text);
  RtString receiveMessage(const RtString& id);
  RtString lastMessageSender() const;
  double countPlayers();
  RtString playerIdAt(double index);
  RtString playerName(const RtString& id);

  // Ends any running session and starts the library afresh.
  void resetSession();
  // Sends a query to the server and waits for an answer; true with it copied over `message`.
  bool serverRequest(NetMessage& message);
  // The shutdown: a Leave for every local player with an id, the worker stopped, the sockets
  // closed and the library shut down. The session is idle afterwards.
  void endSession();

  // ---- The worker's steps, open for the tests and the fuzz target.

  // Checks a datagram and queues it for this pass; false when it is dropped.
  bool acceptDatagram(const uint8_t* data, size_t size, platform::NlSocket connection);
  // Local delivery, the server role (when `serverRole`), the client's answers, then the rest of
  // the received queue discarded.
  void handleReceived(bool serverRole);
  // A connection that reported its end: out of the group, closed, and its first player removed.
  void dropConnection(int32_t group, platform::NlSocket connection);

  // Snapshots for the tests (taken under the mutex).
  size_t serverPlayerCount();
  size_t receivedCount();
  size_t inboxCount(int32_t id);
  bool workerRunning();

 private:
  friend void* sessionWorker(void* data);

  void lock();
  void unlock();
  bool startWorker();
  void stopWorker();
  void closeSockets();
  // Writes 17 + length bytes; a failed write is tried once more and the send given up.
  static bool writeMessage(platform::NlSocket socket, const NetMessage& message);
  // Appends a local record and waits for its id; kPlayerPending (after cancelling it) on time-out.
  int32_t addLocalPlayerAndWait(const char* name, size_t size, uint8_t hidden);
  void sendJoinRequests();
  void drainClientSocket(platform::NlSocket client);
  // The server's part of a pass; false when the listening socket failed and the session ended.
  bool serveConnections(int32_t group, platform::NlSocket listen,
                        std::vector<platform::NlSocket>& connections);
  void endFromWorker(std::vector<platform::NlSocket>& connections);
  // The mutex is held; it is let go around the write.
  void writeUnlocked(platform::NlSocket socket, const NetMessage& message);
  void answer(const ReceivedMessage& query);
  void routeUserMessage(NetMessage& message);

  platform::NlMutex mutex_ = nullptr;
  int32_t nextId_ = kFirstPlayerId;
  int32_t sessionPlayerId_ = -1;
  uint8_t hosting_ = 0;
  platform::NlSocket listenSocket_ = platform::NL_INVALID;
  platform::NlSocket clientSocket_ = platform::NL_INVALID;
  std::list<PlayerRecord> localPlayers_;
  std::list<PlayerRecord> serverPlayers_;
  platform::NlEnum networkType_ = platform::NL_IP;
  platform::NlEnum socketType_ = platform::NL_UNRELIABLE;
  uint8_t stopRequest_ = 1;
  uint8_t workerRunning_ = 0;
  std::deque<ReceivedMessage> received_;
  std::deque<NetMessage> replies_;
  int32_t lastMessageSender_ = 0;
};

void* sessionWorker(void* data);

// The process-wide session (Part of the start-up and shutdown).
void createNetSession();
// Ends the session and frees it; nothing happens when there is none.
void destroyNetSession();
// The session, or null before createNetSession.
NetSession* netSession();

// The commands as the program calls them, on the process-wide session; without one they give
// their failure results.
double hostSession(const RtString& port);
double joinSession(const RtString& address, const RtString& port);
RtString listLocalAddresses();
RtString createPlayer(const RtString& name);
double removePlayer(const RtString& id);
double sendMessage(const RtString& from, const RtString& to, const RtString& text);
RtString receiveMessage(const RtString& id);
RtString lastMessageSender();
double countPlayers();
RtString playerIdAt(double index);
RtString playerName(const RtString& id);

}  // namespace korvane
