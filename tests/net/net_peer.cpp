// A second machine for the session tests: one NetSession driven by commands on standard input,
// one per line, each answered by one line "N: result" (N counts the commands from 1).
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "runtime/net/net_session.h"

int main() {
  using korvane::RtString;
  korvane::createNetSession();
  std::printf("pid %d\n", static_cast<int>(getpid()));
  std::fflush(stdout);
  std::string line;
  int number = 0;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string command, a, b;
    words >> command;
    std::string result;
    if (command == "host") {
      words >> a;
      result = std::to_string(static_cast<int>(korvane::hostSession(RtString(a.c_str()))));
    } else if (command == "join") {
      words >> a >> b;
      if (a == "-") a.clear();
      result = std::to_string(
          static_cast<int>(korvane::joinSession(RtString(a.c_str()), RtString(b.c_str()))));
    } else if (command == "create") {
      words >> a;
      result = korvane::textOf(korvane::createPlayer(RtString(a.c_str())));
    } else if (command == "remove") {
      words >> a;
      result = std::to_string(static_cast<int>(korvane::removePlayer(RtString(a.c_str()))));
    } else if (command == "send") {
      words >> a >> b;
      std::string text;
      std::getline(words >> std::ws, text);
      result = std::to_string(static_cast<int>(
          korvane::sendMessage(RtString(a.c_str()), RtString(b.c_str()), RtString(text.c_str()))));
    } else if (command == "receive") {
      words >> a;
      result = korvane::textOf(korvane::receiveMessage(RtString(a.c_str())));
    } else if (command == "sender") {
      result = korvane::textOf(korvane::lastMessageSender());
    } else if (command == "count") {
      result = std::to_string(static_cast<int>(korvane::countPlayers()));
    } else if (command == "idat") {
      words >> a;
      result = korvane::textOf(korvane::playerIdAt(std::stod(a)));
    } else if (command == "name") {
      words >> a;
      result = korvane::textOf(korvane::playerName(RtString(a.c_str())));
    } else if (command == "quit") {
      break;
    } else {
      result = "unknown command";
    }
    std::printf("%d: %s\n", ++number, result.c_str());
    std::fflush(stdout);
  }
  // The shutdown's part: Leaves, the worker stopped, the sockets closed.
  korvane::destroyNetSession();
  std::printf("ended\n");
  std::fflush(stdout);
  return 0;
}
