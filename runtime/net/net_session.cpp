// NetSession: the commands on the main thread, the worker's passes, and the server role.
#include "runtime/net/net_session.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/platform/clock.h"
#include "runtime/platform/thread.h"
#include "runtime/values/conversions.h"
#include "runtime/values/number_text.h"

namespace korvane {

using platform::NL_INVALID;
using platform::NlSocket;

namespace {

// A (text) argument: read as a decimal number, then truncated.
int32_t integerArgument(const RtString& text) {
  return truncateToInt32(textToNumber(textOf(text), lengthOf(text)));
}

// Port 0 or less is the default; a port past 65535 is none (-1).
int32_t sessionPort(const RtString& text) {
  const int32_t port = integerArgument(text);
  if (port <= 0) return kNetDefaultPort;
  return port > 65535 ? -1 : port;
}

class SessionLock {
 public:
  explicit SessionLock(platform::NlMutex& mutex) : mutex_(mutex) { platform::nlMutexLock(&mutex_); }
  ~SessionLock() { platform::nlMutexUnlock(&mutex_); }
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;

 private:
  platform::NlMutex& mutex_;
};

NetSession* processSession = nullptr;

}  // namespace

void PlayerRecord::setName(const char* bytes, size_t size) {
  const size_t limit = std::min(size, kPlayerNameCapacity - 1);
  size_t n = 0;
  while (n < limit && bytes[n] != '\0') ++n;
  std::memcpy(name, bytes, n);
  std::memset(name + n, 0, kPlayerNameCapacity - n);
}

NetSession::NetSession() { platform::nlMutexInit(&mutex_); }

NetSession::~NetSession() {
  endSession();
  platform::nlMutexDestroy(&mutex_);
}

void NetSession::lock() { platform::nlMutexLock(&mutex_); }
void NetSession::unlock() { platform::nlMutexUnlock(&mutex_); }

bool NetSession::writeMessage(NlSocket socket, const NetMessage& message) {
  const uint8_t* bytes = message.area.data();
  const int32_t total = static_cast<int32_t>(message.datagramSize());
  int32_t done = 0;
  // The library never reports 0 bytes for a non-empty write, so each round makes progress or
  // ends the loop; the bound is a guard.
  for (int round = 0; done < total && round <= total; ++round) {
    const int32_t n = platform::nlWrite(socket, bytes + done, total - done);
    if (n == NL_INVALID || n <= 0) {
      platform::nlWrite(socket, bytes + done, total - done);
      return false;
    }
    done += n;
  }
  return done == total;
}

// ---- start, stop, reset

bool NetSession::startWorker() {
  // Set before the thread exists, so a command that follows at once sees a running worker and
  // a reset never misses it.
  {
    SessionLock held(mutex_);
    workerRunning_ = 1;
    stopRequest_ = 0;
  }
  if (platform::nlThreadCreate(sessionWorker, this, platform::NL_FALSE) == NL_INVALID) {
    SessionLock held(mutex_);
    workerRunning_ = 0;
    stopRequest_ = 1;
    return false;
  }
  return true;
}

void NetSession::stopWorker() {
  {
    SessionLock held(mutex_);
    stopRequest_ = 1;
  }
  for (;;) {
    {
      SessionLock held(mutex_);
      if (workerRunning_ == 0) return;
    }
    platform::sleepMilliseconds(kWorkerStopPollMs);
  }
}

void NetSession::closeSockets() {
  SessionLock held(mutex_);
  if (listenSocket_ != NL_INVALID) platform::nlClose(listenSocket_);
  if (clientSocket_ != NL_INVALID) platform::nlClose(clientSocket_);
  listenSocket_ = NL_INVALID;
  clientSocket_ = NL_INVALID;
}

void NetSession::resetSession() {
  stopWorker();
  closeSockets();
  {
    SessionLock held(mutex_);
    localPlayers_.clear();
    serverPlayers_.clear();
    received_.clear();
    replies_.clear();
    networkType_ = platform::NL_IP;
    socketType_ = platform::NL_UNRELIABLE;
    nextId_ = kFirstPlayerId;
    sessionPlayerId_ = -1;
  }
  platform::nlShutdown();
  if (platform::nlInit()) platform::nlSelectNetwork(networkType_);
}

void NetSession::endSession() {
  {
    SessionLock held(mutex_);
    if (clientSocket_ != NL_INVALID) {
      for (const PlayerRecord& player : localPlayers_) {
        if (player.id < 0) continue;
        writeMessage(clientSocket_, NetMessage(NetMessageType::kLeave, kNetToServer, player.id));
      }
    }
  }
  stopWorker();
  closeSockets();
  platform::nlShutdown();
  SessionLock held(mutex_);
  localPlayers_.clear();
  serverPlayers_.clear();
  received_.clear();
  replies_.clear();
}

// ---- commands

double NetSession::hostSession(const RtString& portText) {
  resetSession();
  const int32_t port = sessionPort(portText);
  if (port < 0) return 0;
  const NlSocket listen = platform::nlOpen(static_cast<uint16_t>(port), socketType_);
  if (listen == NL_INVALID) return 0;
  if (!platform::nlListen(listen)) {
    platform::nlClose(listen);
    return 0;
  }
  // The worker runs before the client connects: only it can answer the connection request.
  {
    SessionLock held(mutex_);
    listenSocket_ = listen;
    hosting_ = 1;
  }
  if (!startWorker()) {
    closeSockets();
    return 0;
  }
  const NlSocket client = platform::nlOpen(0, socketType_);
  platform::NlAddress address;
  bool connected = client != NL_INVALID && platform::nlGetLocalAddr(client, &address) &&
                   platform::nlSetAddrPort(&address, static_cast<uint16_t>(port)) &&
                   platform::nlConnect(client, &address);
  if (!connected) {
    if (client != NL_INVALID) platform::nlClose(client);
    stopWorker();
    closeSockets();
    return 0;
  }
  SessionLock held(mutex_);
  clientSocket_ = client;
  return 1;
}

double NetSession::joinSession(const RtString& addressText, const RtString& portText) {
  resetSession();
  const int32_t port = sessionPort(portText);
  if (port < 0) return 0;
  const NlSocket client = platform::nlOpen(0, socketType_);
  if (client == NL_INVALID) return 0;
  platform::NlAddress address;
  const bool found = lengthOf(addressText) == 0
                         ? platform::nlGetLocalAddr(client, &address)
                         : platform::nlGetAddrFromName(textOf(addressText), &address);
  if (!found || !platform::nlSetAddrPort(&address, static_cast<uint16_t>(port)) ||
      !platform::nlConnect(client, &address)) {
    platform::nlClose(client);
    return 0;
  }
  {
    SessionLock held(mutex_);
    hosting_ = 0;
    clientSocket_ = client;
  }
  if (startWorker()) {
    NetMessage hello(NetMessageType::kHello, kNetToServer, 0);
    if (serverRequest(hello)) return 1;
  }
  stopWorker();
  closeSockets();
  return 0;
}

RtString NetSession::listLocalAddresses() {
  resetSession();
  const NlSocket socket = platform::nlOpen(kNetDefaultPort, socketType_);
  if (socket == NL_INVALID) return RtString();
  int32_t count = 0;
  const platform::NlAddress* addresses = platform::nlGetAllLocalAddr(&count);
  std::string text;
  for (int32_t i = 0; addresses != nullptr && i < count; ++i) {
    char one[platform::kNlAddressTextCapacity];
    if (i > 0) text += '|';
    text += platform::nlAddrToString(&addresses[i], one);
    if (text.size() + kAddressListMargin > kAddressListLimit) break;
  }
  platform::nlClose(socket);
  return RtString(std::string_view(text));
}

int32_t NetSession::addLocalPlayerAndWait(const char* name, size_t size, uint8_t hidden) {
  std::list<PlayerRecord>::iterator record;
  {
    SessionLock held(mutex_);
    record = localPlayers_.emplace(localPlayers_.end());
    record->hidden = hidden;
    record->createdOnHost = hosting_;
    record->setName(name, size);
  }
  for (int poll = 0; poll < kAnswerPolls; ++poll) {
    {
      SessionLock held(mutex_);
      if (record->id >= 0) return record->id;
    }
    platform::sleepMilliseconds(kAnswerPollMs);
  }
  SessionLock held(mutex_);
  if (record->id >= 0) return record->id;
  record->id = kPlayerCancelled;
  return kPlayerPending;
}

RtString NetSession::createPlayer(const RtString& name) {
  const int32_t id = addLocalPlayerAndWait(textOf(name), lengthOf(name), 0);
  if (id < 0) return RtString("-1");
  return numberToText(static_cast<double>(id));
}

double NetSession::removePlayer(const RtString& idText) {
  const int32_t id = integerArgument(idText);
  if (id < 0) return 1;
  NlSocket client = NL_INVALID;
  {
    SessionLock held(mutex_);
    client = clientSocket_;
  }
  writeMessage(client, NetMessage(NetMessageType::kLeave, kNetToServer, id));
  return 1;
}

double NetSession::sendMessage(const RtString& fromText, const RtString& toText,
                               const RtString& text) {
  int32_t to = integerArgument(toText);
  if (to == 0) to = kNetToAll;
  NetMessage message(NetMessageType::kUserMessage, to, integerArgument(fromText));
  message.setPayload(textOf(text), lengthOf(text));
  NlSocket client = NL_INVALID;
  {
    SessionLock held(mutex_);
    client = clientSocket_;
  }
  return writeMessage(client, message) ? 1 : 0;
}

RtString NetSession::receiveMessage(const RtString& idText) {
  const int32_t id = integerArgument(idText);
  SessionLock held(mutex_);
  for (PlayerRecord& player : localPlayers_) {
    if (player.id != id) continue;
    if (player.inbox.empty()) break;
    const NetMessage message = player.inbox.front();
    player.inbox.pop_front();
    lastMessageSender_ = message.from();
    return RtString(message.payloadText());
  }
  return RtString();
}

RtString NetSession::lastMessageSender() const { return integerToText(lastMessageSender_); }

bool NetSession::serverRequest(NetMessage& message) {
  int32_t sender = -1;
  {
    SessionLock held(mutex_);
    sender = sessionPlayerId_;
  }
  if (sender < 0) {
    sender = addLocalPlayerAndWait("", 0, 1);
    if (sender < 0) {
      SessionLock held(mutex_);
      sessionPlayerId_ = -1;
      return false;
    }
    SessionLock held(mutex_);
    sessionPlayerId_ = sender;
  }
  message.setMagic();
  message.setTo(kNetToServer);
  message.setFrom(sender);
  NlSocket client = NL_INVALID;
  {
    SessionLock held(mutex_);
    replies_.clear();
    client = clientSocket_;
  }
  writeMessage(client, message);
  for (int poll = 0; poll < kAnswerPolls; ++poll) {
    platform::sleepMilliseconds(kAnswerPollMs);
    SessionLock held(mutex_);
    if (!replies_.empty()) {
      message = replies_.front();
      replies_.pop_front();
      return true;
    }
  }
  return false;
}

double NetSession::countPlayers() {
  NetMessage query(NetMessageType::kCountPlayers, kNetToServer, 0);
  if (!serverRequest(query)) return 0;
  return query.value(0);
}

RtString NetSession::playerIdAt(double index) {
  NetMessage query(NetMessageType::kPlayerIdAt, kNetToServer, 0);
  query.setValue(truncateToInt32(index));
  if (!serverRequest(query)) return RtString("0");
  return integerToText(query.value(0));
}

RtString NetSession::playerName(const RtString& idText) {
  NetMessage query(NetMessageType::kPlayerName, kNetToServer, 0);
  query.setValue(integerArgument(idText));
  if (!serverRequest(query)) return RtString("NO_DATA");
  return RtString(query.payloadText());
}

// ---- the worker

bool NetSession::acceptDatagram(const uint8_t* data, size_t size, NlSocket connection) {
  ReceivedMessage entry;
  if (!parseDatagram(data, size, entry.message)) return false;
  entry.connection = connection;
  SessionLock held(mutex_);
  received_.push_back(entry);
  return true;
}

void NetSession::writeUnlocked(NlSocket socket, const NetMessage& message) {
  unlock();
  writeMessage(socket, message);
  lock();
}

void NetSession::sendJoinRequests() {
  SessionLock held(mutex_);
  for (auto player = localPlayers_.begin(); player != localPlayers_.end();) {
    if (player->id == kPlayerCancelled) {
      player = localPlayers_.erase(player);
      continue;
    }
    if (player->id == kPlayerPending && clientSocket_ != NL_INVALID) {
      NetMessage request(NetMessageType::kJoinRequest, kNetToServer, 0);
      uint8_t payload[kJoinRequestLength] = {};
      writeInt32(payload, NL_INVALID);
      writeInt32(payload + 4, kPlayerPending);
      payload[kJoinHiddenOffset] = player->hidden;
      payload[kJoinCreatedOnHostOffset] = player->createdOnHost;
      std::memcpy(payload + kJoinNameOffset, player->name, kPlayerNameCapacity);
      request.setPayload(payload, sizeof payload);
      // Records are only removed by this thread, so the iterator outlives the unlocked write.
      writeUnlocked(clientSocket_, request);
      if (player->id == kPlayerPending) player->id = kPlayerAwaiting;
    }
    ++player;
  }
}

void NetSession::drainClientSocket(NlSocket client) {
  uint8_t buffer[kNetMaxDatagram];
  for (int read = 0; read < kMaxClientReadsPerPass; ++read) {
    const int32_t n = platform::nlRead(client, buffer, sizeof buffer);
    if (n < static_cast<int32_t>(kNetHeaderSize)) return;
    if (!acceptDatagram(buffer, static_cast<size_t>(n), NL_INVALID)) return;
  }
}

void NetSession::dropConnection(int32_t group, NlSocket connection) {
  platform::nlGroupDeleteSocket(group, connection);
  platform::nlClose(connection);
  SessionLock held(mutex_);
  bool removed = false;
  for (auto player = serverPlayers_.begin(); player != serverPlayers_.end();) {
    if (player->connection != connection) {
      ++player;
      continue;
    }
    if (!removed) {
      player = serverPlayers_.erase(player);
      removed = true;
      continue;
    }
    // The machine's further players stay, with no connection to reach them on.
    player->connection = NL_INVALID;
    ++player;
  }
}

void NetSession::endFromWorker(std::vector<NlSocket>& connections) {
  for (NlSocket connection : connections) platform::nlClose(connection);
  connections.clear();
  SessionLock held(mutex_);
  if (listenSocket_ != NL_INVALID) platform::nlClose(listenSocket_);
  if (clientSocket_ != NL_INVALID) platform::nlClose(clientSocket_);
  listenSocket_ = NL_INVALID;
  clientSocket_ = NL_INVALID;
}

bool NetSession::serveConnections(int32_t group, NlSocket listen,
                                  std::vector<NlSocket>& connections) {
  if (static_cast<int>(connections.size()) < kMaxServerConnections) {
    const NlSocket accepted = platform::nlAcceptConnection(listen);
    if (accepted == NL_INVALID) {
      const platform::NlEnum error = platform::nlGetError();
      if (error == platform::NL_SYSTEM_ERROR || error == platform::NL_NOT_LISTEN) return false;
    } else if (platform::nlGroupAddSocket(group, accepted)) {
      connections.push_back(accepted);
    } else {
      platform::nlClose(accepted);
    }
  } else {
    // Full: a further request is read and left unanswered, so its sender's connect fails
    // rather than getting a connection nobody serves.
    uint8_t discarded[kNetMaxDatagram];
    platform::nlRead(listen, discarded, sizeof discarded);
  }

  NlSocket ready[kMaxServerConnections];
  const int32_t count =
      platform::nlPollGroup(group, platform::NL_READ_STATUS, ready, kMaxServerConnections, 0);
  uint8_t buffer[kNetMaxDatagram];
  for (int32_t i = 0; i < count; ++i) {
    const int32_t n = platform::nlRead(ready[i], buffer, sizeof buffer);
    if (n >= 0) {
      acceptDatagram(buffer, static_cast<size_t>(n), ready[i]);
      continue;
    }
    const platform::NlEnum error = platform::nlGetError();
    if (error == platform::NL_SOCK_DISCONNECT || error == platform::NL_MESSAGE_END) {
      dropConnection(group, ready[i]);
      std::erase(connections, ready[i]);
    }
  }
  return true;
}

void NetSession::routeUserMessage(NetMessage& message) {
  const int32_t to = message.to();
  if (to == kNetToAll) {
    const int32_t from = message.from();
    for (const PlayerRecord& player : serverPlayers_) {
      if ((player.hidden | player.createdOnHost) != 0 || player.id == from) continue;
      if (player.connection == NL_INVALID) continue;
      message.setTo(player.id);
      writeUnlocked(player.connection, message);
    }
    return;
  }
  for (const PlayerRecord& player : serverPlayers_) {
    if (player.id != to) continue;
    if (player.connection != NL_INVALID) writeUnlocked(player.connection, message);
    return;
  }
}

void NetSession::answer(const ReceivedMessage& query) {
  const NetMessage& message = query.message;
  const auto type = static_cast<NetMessageType>(message.type());
  const NetMessageTypeRow* row = netMessageTypeRow(message.type());
  // A query too short for its argument is dropped.
  if (row != nullptr && message.length() < row->minimumQueryLength) return;

  if (type == NetMessageType::kJoinRequest) {
    if (serverPlayers_.size() >= kMaxServerPlayers) return;
    PlayerRecord& player = serverPlayers_.emplace_back();
    player.connection = query.connection;
    player.id = nextId_++;
    player.hidden = message.payload()[kJoinHiddenOffset];
    player.createdOnHost = 0;
    player.setName(reinterpret_cast<const char*>(message.payload() + kJoinNameOffset),
                   static_cast<size_t>(message.length()) - kJoinNameOffset);
    if (query.connection != NL_INVALID) {
      writeUnlocked(query.connection,
                    NetMessage(NetMessageType::kJoinAccepted, player.id, kNetFromServer));
    }
    return;
  }
  if (type == NetMessageType::kLeave) {
    std::erase_if(serverPlayers_,
                  [&](const PlayerRecord& player) { return player.id == message.from(); });
    return;
  }

  const int32_t requester = message.from();
  NlSocket connection = NL_INVALID;
  for (const PlayerRecord& player : serverPlayers_) {
    if (player.id == requester) {
      connection = player.connection;
      break;
    }
  }
  if (connection == NL_INVALID) return;
  NetMessage reply(type, requester, kNetFromServer);
  switch (type) {
    case NetMessageType::kCountPlayers: {
      int32_t visible = 0;
      for (const PlayerRecord& player : serverPlayers_) visible += player.hidden == 0 ? 1 : 0;
      reply.setValue(visible);
      break;
    }
    case NetMessageType::kPlayerIdAt: {
      const int32_t wanted = message.value(-1);
      int32_t id = 0;
      int32_t seen = 0;
      for (const PlayerRecord& player : serverPlayers_) {
        if (player.hidden != 0) continue;
        if (seen++ == wanted) {
          id = player.id;
          break;
        }
      }
      reply.setValue(id);
      break;
    }
    case NetMessageType::kPlayerName: {
      const int32_t wanted = message.value(-1);
      const PlayerRecord* found = nullptr;
      for (const PlayerRecord& player : serverPlayers_) {
        if (player.id == wanted) {
          found = &player;
          break;
        }
      }
      if (found == nullptr || found->name[0] == '\0') return;
      reply.setPayload(found->name, std::strlen(found->name));
      break;
    }
    case NetMessageType::kHello:
      reply.setValue(1);
      break;
    default:
      return;
  }
  writeUnlocked(connection, reply);
}

void NetSession::handleReceived(bool serverRole) {
  SessionLock held(mutex_);
  // Messages are taken out of the queue before each one is handled, so the unlocked writes
  // never see the queue change under them.
  std::deque<ReceivedMessage> pass;
  pass.swap(received_);
  for (ReceivedMessage& entry : pass) {
    NetMessage& message = entry.message;
    const uint8_t type = message.type();
    const bool fromServer = entry.connection == NL_INVALID;

    if (fromServer) {
      // What our server sent us: deliveries, our players' ids and answers.
      if (type == static_cast<uint8_t>(NetMessageType::kUserMessage)) {
        for (PlayerRecord& player : localPlayers_) {
          if (player.id < 0 || player.id != message.to()) continue;
          if (player.inbox.size() < kMaxInboxMessages) player.inbox.push_back(message);
          break;
        }
        continue;
      }
      if (message.from() != kNetFromServer) continue;
      if (type == static_cast<uint8_t>(NetMessageType::kJoinAccepted)) {
        for (PlayerRecord& player : localPlayers_) {
          if (player.id == kPlayerAwaiting) {
            player.id = message.to();
            break;
          }
        }
      } else if (type >= kFirstAnswerType && replies_.size() < kMaxReplyMessages) {
        replies_.push_back(message);
      }
      continue;
    }

    if (!serverRole) continue;
    if (type == static_cast<uint8_t>(NetMessageType::kUserMessage)) {
      routeUserMessage(message);
    } else if (message.to() == kNetToServer) {
      answer(entry);
    }
  }
}

void* sessionWorker(void* data) {
  auto* session = static_cast<NetSession*>(data);
  const int32_t group = platform::nlGroupCreate();
  std::vector<NlSocket> connections;
  for (;;) {
    NlSocket client = NL_INVALID;
    NlSocket listen = NL_INVALID;
    {
      SessionLock held(session->mutex_);
      if (session->stopRequest_ != 0 || platform::stopRequested()) break;
      client = session->clientSocket_;
      listen = session->listenSocket_;
    }
    session->sendJoinRequests();
    if (client != NL_INVALID) session->drainClientSocket(client);
    if (listen != NL_INVALID && !session->serveConnections(group, listen, connections)) {
      session->endFromWorker(connections);
      break;
    }
    session->handleReceived(listen != NL_INVALID);
    platform::sleepMilliseconds(kWorkerPassMs);
  }
  SessionLock held(session->mutex_);
  session->workerRunning_ = 0;
  session->stopRequest_ = 1;
  return nullptr;
}

size_t NetSession::serverPlayerCount() {
  SessionLock held(mutex_);
  return serverPlayers_.size();
}

size_t NetSession::receivedCount() {
  SessionLock held(mutex_);
  return received_.size();
}

size_t NetSession::inboxCount(int32_t id) {
  SessionLock held(mutex_);
  for (const PlayerRecord& player : localPlayers_) {
    if (player.id == id) return player.inbox.size();
  }
  return 0;
}

bool NetSession::workerRunning() {
  SessionLock held(mutex_);
  return workerRunning_ != 0;
}

// ---- the process-wide session and its commands

void createNetSession() {
  if (processSession == nullptr) processSession = new NetSession;
}

void destroyNetSession() {
  delete processSession;
  processSession = nullptr;
}

NetSession* netSession() { return processSession; }

double hostSession(const RtString& port) {
  return processSession != nullptr ? processSession->hostSession(port) : 0;
}
double joinSession(const RtString& address, const RtString& port) {
  return processSession != nullptr ? processSession->joinSession(address, port) : 0;
}
RtString listLocalAddresses() {
  return processSession != nullptr ? processSession->listLocalAddresses() : RtString();
}
RtString createPlayer(const RtString& name) {
  return processSession != nullptr ? processSession->createPlayer(name) : RtString("-1");
}
double removePlayer(const RtString& id) {
  return processSession != nullptr ? processSession->removePlayer(id) : 1;
}
double sendMessage(const RtString& from, const RtString& to, const RtString& text) {
  return processSession != nullptr ? processSession->sendMessage(from, to, text) : 0;
}
RtString receiveMessage(const RtString& id) {
  return processSession != nullptr ? processSession->receiveMessage(id) : RtString();
}
RtString lastMessageSender() {
  return processSession != nullptr ? processSession->lastMessageSender() : RtString("0");
}
double countPlayers() { return processSession != nullptr ? processSession->countPlayers() : 0; }
RtString playerIdAt(double index) {
  return processSession != nullptr ? processSession->playerIdAt(index) : RtString("0");
}
RtString playerName(const RtString& id) {
  return processSession != nullptr ? processSession->playerName(id) : RtString("NO_DATA");
}

}  // namespace korvane
